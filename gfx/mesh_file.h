#pragma once
// Loader of text mesh files ("xof 0302txt 0064" or "0032"): the meshes of the file, with
// their frames' transforms applied, merged into one indexed triangle list with one index
// range per material, so that subset j is drawn with material j.

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/bytes.h"
#include "gfx/math.h"

namespace gfx {

// Position, normal, texture coordinates: the 32-byte vertex the drawing code uses.
struct MeshVertex {
    Vec3 position;
    Vec3 normal;  // zero when the file gives none
    Vec2 texCoord;
};
static_assert(sizeof(MeshVertex) == 32);

struct MeshMaterial {
    ColorValue diffuse{1, 1, 1, 1};  // the file's face colour, RGBA
    float power = 0;
    ColorValue specular{0, 0, 0, 1};  // RGB from the file
    ColorValue emissive{0, 0, 0, 1};  // RGB from the file
    std::string textureFileName;      // empty when the material names no texture
};

// Triangles indices[firstIndex .. firstIndex + indexCount) form subset j.
struct MeshSubset {
    std::uint32_t firstIndex = 0;
    std::uint32_t indexCount = 0;
};

// Front faces are clockwise as seen from outside, as in the file.
struct MeshData {
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices;  // three per triangle
    std::vector<MeshSubset> subsets;     // one per material, same order
    std::vector<MeshMaterial> materials;
};

enum class MeshFileError {
    None,
    BadHeader,         // not a text mesh file of a version this loader reads
    UnexpectedEnd,     // the text stops inside a value or an object
    Syntax,            // a token where another was needed, a non-number, a stray brace
    CountMismatch,     // a count disagrees with the data that follows it
    IndexOutOfRange,   // a face or material index beyond its list
    TooLarge,          // a count larger than the rest of the text could hold
    UnknownReference,  // a material named by reference that the file does not define
    TooDeep,           // objects nested beyond any sensible frame hierarchy
    NoMesh,            // no mesh with at least one face
};

struct MeshFileResult {
    MeshFileError error = MeshFileError::None;
    unsigned line = 0;  // where the error was found, from 1
    MeshData mesh;

    explicit operator bool() const { return error == MeshFileError::None; }
};

MeshFileResult LoadMeshFile(ByteSpan text);

// A short English description of an error, for diagnostics and test messages.
const char* Describe(MeshFileError error);

}  // namespace gfx
