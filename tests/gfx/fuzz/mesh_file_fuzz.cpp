// libFuzzer target: any bytes into the mesh-file loader. A loaded mesh must be sound; a
// rejected file must leave nothing behind.
#include <cstdio>
#include <cstdlib>

#include "gfx/mesh_file.h"
#include "tests/gfx/mesh_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const gfx::MeshFileResult result = gfx::LoadMeshFile({data, size});
    const std::string violation =
        result ? gfx::testing::MeshInvariantViolation(result.mesh)
               : (result.mesh.vertices.empty() && result.line > 0 ? "" : "rejected, yet a mesh or no line");
    if (!violation.empty()) {
        std::fprintf(stderr, "mesh invariant broken: %s\n", violation.c_str());
        std::abort();
    }
    return 0;
}
