#pragma once
// What every mesh the loader returns must satisfy, whatever the file held: checked on known
// files by the tests and on arbitrary ones by the fuzzer.

#include <cmath>
#include <string>

#include "gfx/mesh_file.h"

namespace gfx::testing {

// Empty when the mesh is sound, else what is wrong with it.
inline std::string MeshInvariantViolation(const MeshData& mesh) {
    if (mesh.subsets.size() != mesh.materials.size()) return "one subset per material";
    if (mesh.indices.size() % 3 != 0) return "whole triangles";
    size_t next = 0;
    for (const MeshSubset& subset : mesh.subsets) {
        if (subset.firstIndex != next || subset.indexCount % 3 != 0) return "subsets follow each other";
        next += subset.indexCount;
    }
    if (next != mesh.indices.size()) return "subsets cover the indices";
    for (std::uint32_t index : mesh.indices) {
        if (index >= mesh.vertices.size()) return "indices within the vertices";
    }
    return {};
}

}  // namespace gfx::testing
