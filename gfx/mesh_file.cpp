#include "gfx/mesh_file.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

#include "gfx/mesh_lexer.h"

namespace gfx {

namespace {

constexpr size_t kHeaderSize = 16;
// Frames nest as deep as a model's hierarchy; beyond this the file is not a model.
constexpr unsigned kMaxDepth = 64;
constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// A material of a mesh: given inline, or named by reference and looked up at the end.
struct MaterialSlot {
    std::optional<MeshMaterial> material;
    std::string reference;
    unsigned line = 0;
};

// One Mesh object as the file gives it. Faces are stored flat: face f has the corners
// corners[faceStart[f] .. faceStart[f + 1]).
struct FaceMesh {
    std::vector<Vec3> positions;
    std::vector<std::uint32_t> faceStart{0};
    std::vector<std::uint32_t> corners;
    std::vector<Vec3> normals;
    std::vector<std::uint32_t> normalCorners;  // same shape as corners, or empty
    std::vector<Vec2> texCoords;               // one per position, or empty
    std::vector<std::uint32_t> faceMaterials;  // one per face, or empty
    std::vector<MaterialSlot> materials;

    std::uint32_t FaceCount() const { return static_cast<std::uint32_t>(faceStart.size() - 1); }
};

// Points map through the matrix; normals through its inverse transpose, renormalised, so
// that scaled frames keep them perpendicular to their faces.
void Transform(FaceMesh& mesh, const Matrix& m) {
    for (Vec3& p : mesh.positions) p = Vec3TransformCoord(p, m);
    const Matrix normalMatrix = MatrixTranspose(MatrixInverse(m));
    for (Vec3& n : mesh.normals) n = Vec3Normalize(Vec3TransformNormal(n, normalMatrix));
}

class Parser {
public:
    explicit Parser(ByteSpan text) : lexer(text.size() >= kHeaderSize ? text.subspan(kHeaderSize) : ByteSpan{}) {}

    MeshFileResult Run(ByteSpan text);

private:
    bool Fail(MeshFileError error, unsigned line = 0) {
        if (result.error == MeshFileError::None) {
            result.error = error;
            result.line = line ? line : lexer.Line();
        }
        return false;
    }
    // The error for a token that is not the one wanted.
    bool Unexpected() {
        const Token& t = lexer.Peek();
        const bool ended = t.kind == TokenKind::End || (t.kind == TokenKind::Invalid && t.text.empty());
        return Fail(ended ? MeshFileError::UnexpectedEnd : MeshFileError::Syntax);
    }
    bool Expect(TokenKind kind) {
        if (lexer.Peek().kind != kind) return Unexpected();
        lexer.Take();
        return true;
    }
    bool AtClose() const { return lexer.Peek().kind == TokenKind::CloseBrace; }

    bool ReadFloat(float& value);
    bool ReadVec3(Vec3& v) { return ReadFloat(v.x) && ReadFloat(v.y) && ReadFloat(v.z); }
    bool ReadUint(std::uint32_t& value);
    bool ReadCount(std::uint32_t& count, std::uint64_t numbersEach);
    bool ReadIndex(std::uint32_t& index, size_t limit);
    bool ReadColour(ColorValue& colour, bool alpha);

    bool ReadHeaderOf(std::string_view& type, std::string_view& name);
    bool SkipBody();
    bool ReadObjects(std::vector<FaceMesh>& meshes, unsigned depth, Matrix* transform);
    bool ReadFrame(std::vector<FaceMesh>& meshes, unsigned depth);
    bool ReadMatrix(Matrix& matrix);
    bool ReadMesh(FaceMesh& mesh);
    bool ReadFaces(FaceMesh& mesh);
    bool ReadNormals(FaceMesh& mesh);
    bool ReadTexCoords(FaceMesh& mesh);
    bool ReadMaterialList(FaceMesh& mesh);
    bool ReadMaterial(MeshMaterial& material, std::string_view name);
    bool ReadReference(std::string& name);

    bool Build(std::vector<FaceMesh>& meshes);
    bool ResolveMaterial(MaterialSlot& slot);
    void AddMesh(const FaceMesh& mesh);

    MeshLexer lexer;
    MeshFileResult result;
    std::map<std::string, MeshMaterial, std::less<>> namedMaterials;
};

bool Parser::ReadFloat(float& value) {
    const Token& t = lexer.Peek();
    if (t.kind != TokenKind::Number) return Unexpected();
    std::string_view text = t.text;
    if (text.front() == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size()) return Fail(MeshFileError::Syntax);
    if (error == std::errc::result_out_of_range) {
        // Too small for a float is as good as 0; too large is no coordinate.
        double wide = 0;
        std::from_chars(text.data(), text.data() + text.size(), wide);
        if (!(std::fabs(wide) < 1)) return Fail(MeshFileError::Syntax);
        value = 0;
    } else if (error != std::errc{}) {
        return Fail(MeshFileError::Syntax);
    }
    lexer.Take();
    return true;
}

bool Parser::ReadUint(std::uint32_t& value) {
    const Token& t = lexer.Peek();
    if (t.kind != TokenKind::Number) return Unexpected();
    const auto [end, error] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), value);
    if (error != std::errc{} || end != t.text.data() + t.text.size()) return Fail(MeshFileError::Syntax);
    lexer.Take();
    return true;
}

// A count of items of `numbersEach` numbers: each number takes at least a character and a
// separator, so the rest of the text bounds what a count may claim before anything is sized
// by it.
bool Parser::ReadCount(std::uint32_t& count, std::uint64_t numbersEach) {
    const unsigned line = lexer.Line();
    if (!ReadUint(count)) return false;
    if (std::uint64_t{count} * numbersEach > (lexer.Remaining() + 1) / 2 + 1) return Fail(MeshFileError::TooLarge, line);
    return true;
}

bool Parser::ReadIndex(std::uint32_t& index, size_t limit) {
    const unsigned line = lexer.Line();
    if (!ReadUint(index)) return false;
    if (index >= limit) return Fail(MeshFileError::IndexOutOfRange, line);
    return true;
}

bool Parser::ReadColour(ColorValue& colour, bool alpha) {
    return ReadFloat(colour.r) && ReadFloat(colour.g) && ReadFloat(colour.b) && (!alpha || ReadFloat(colour.a));
}

// "Type [name] [<guid>] {", leaving the lexer inside the braces.
bool Parser::ReadHeaderOf(std::string_view& type, std::string_view& name) {
    if (lexer.Peek().kind != TokenKind::Word) return Unexpected();
    type = lexer.Take().text;
    name = {};
    if (lexer.Peek().kind == TokenKind::Word) name = lexer.Take().text;
    if (lexer.Peek().kind == TokenKind::Guid) lexer.Take();
    return Expect(TokenKind::OpenBrace);
}

// Skips to the brace that closes the current object, over anything nested; no recursion, so
// deep nesting costs no stack.
bool Parser::SkipBody() {
    for (unsigned open = 1; open > 0;) {
        const Token t = lexer.Take();
        if (t.kind == TokenKind::End || (t.kind == TokenKind::Invalid && t.text.empty())) {
            return Fail(MeshFileError::UnexpectedEnd);
        }
        if (t.kind == TokenKind::OpenBrace) ++open;
        if (t.kind == TokenKind::CloseBrace) --open;
    }
    return true;
}

// "{ Name }" or "{ <guid> }" or "{ Name <guid> }", with the lexer on the opening brace.
bool Parser::ReadReference(std::string& name) {
    lexer.Take();
    name.clear();
    if (lexer.Peek().kind == TokenKind::Word) name = lexer.Take().text;
    if (lexer.Peek().kind == TokenKind::Guid) lexer.Take();
    return Expect(TokenKind::CloseBrace);
}

// The objects of a frame up to its closing brace, or of the file (depth 0) up to its end.
// A frame passes `transform` for its FrameTransformMatrix, which may stand anywhere in it.
bool Parser::ReadObjects(std::vector<FaceMesh>& meshes, unsigned depth, Matrix* transform) {
    if (depth > kMaxDepth) return Fail(MeshFileError::TooDeep);
    while (depth == 0 ? lexer.Peek().kind != TokenKind::End : !AtClose()) {
        if (lexer.Peek().kind == TokenKind::OpenBrace) {  // a reference to an object: nothing to load
            std::string ignored;
            if (!ReadReference(ignored)) return false;
            continue;
        }
        if (lexer.Peek().kind == TokenKind::Word && lexer.Peek().text == "template") {
            lexer.Take();
            if (!Expect(TokenKind::Word) || !Expect(TokenKind::OpenBrace) || !SkipBody()) return false;
            continue;
        }
        std::string_view type, name;
        if (!ReadHeaderOf(type, name)) return false;
        bool ok = true;
        if (type == "Frame") {
            ok = ReadFrame(meshes, depth + 1);
        } else if (type == "FrameTransformMatrix" && transform) {
            ok = ReadMatrix(*transform);
        } else if (type == "Mesh") {
            meshes.emplace_back();
            ok = ReadMesh(meshes.back());
        } else if (type == "Material") {
            MeshMaterial material;
            ok = ReadMaterial(material, name);
        } else {
            ok = SkipBody();
        }
        if (!ok) return false;
    }
    return true;
}

bool Parser::ReadMatrix(Matrix& matrix) {
    for (auto& row : matrix.m) {
        for (float& value : row) {
            if (!ReadFloat(value)) return false;
        }
    }
    return Expect(TokenKind::CloseBrace);
}

// The meshes of a frame and its sub-frames are gathered in the frame's own space, then moved
// into the parent's by the frame's transform.
bool Parser::ReadFrame(std::vector<FaceMesh>& meshes, unsigned depth) {
    std::vector<FaceMesh> inside;
    Matrix local;
    if (!ReadObjects(inside, depth, &local) || !Expect(TokenKind::CloseBrace)) return false;
    for (FaceMesh& mesh : inside) {
        Transform(mesh, local);
        meshes.push_back(std::move(mesh));
    }
    return true;
}

bool Parser::ReadMesh(FaceMesh& mesh) {
    std::uint32_t count = 0;
    if (!ReadCount(count, 3)) return false;
    mesh.positions.resize(count);
    for (Vec3& p : mesh.positions) {
        if (!ReadVec3(p)) return false;
    }
    if (!ReadFaces(mesh)) return false;
    while (!AtClose()) {
        if (lexer.Peek().kind == TokenKind::OpenBrace) {
            std::string ignored;
            if (!ReadReference(ignored)) return false;
            continue;
        }
        std::string_view type, name;
        if (!ReadHeaderOf(type, name)) return false;
        bool ok = true;
        if (type == "MeshNormals") {
            ok = ReadNormals(mesh);
        } else if (type == "MeshTextureCoords") {
            ok = ReadTexCoords(mesh);
        } else if (type == "MeshMaterialList") {
            ok = ReadMaterialList(mesh);
        } else {
            ok = SkipBody();
        }
        if (!ok) return false;
    }
    return Expect(TokenKind::CloseBrace);
}

// Faces: a count, then per face its corner count (3 or more) and the corners' indices.
bool Parser::ReadFaces(FaceMesh& mesh) {
    std::uint32_t faces = 0;
    if (!ReadCount(faces, 4)) return false;
    mesh.faceStart.reserve(size_t{faces} + 1);
    for (std::uint32_t f = 0; f < faces; ++f) {
        std::uint32_t corners = 0;
        const unsigned line = lexer.Line();
        if (!ReadCount(corners, 1)) return false;
        if (corners < 3) return Fail(MeshFileError::Syntax, line);
        for (std::uint32_t c = 0; c < corners; ++c) {
            std::uint32_t index = 0;
            if (!ReadIndex(index, mesh.positions.size())) return false;
            mesh.corners.push_back(index);
        }
        mesh.faceStart.push_back(static_cast<std::uint32_t>(mesh.corners.size()));
    }
    return true;
}

// Normals with faces of their own, which must match the mesh's faces corner for corner.
bool Parser::ReadNormals(FaceMesh& mesh) {
    std::uint32_t count = 0;
    if (!ReadCount(count, 3)) return false;
    mesh.normals.assign(count, Vec3{});
    for (Vec3& n : mesh.normals) {
        if (!ReadVec3(n)) return false;
    }
    std::uint32_t faces = 0;
    const unsigned line = lexer.Line();
    if (!ReadCount(faces, 4)) return false;
    if (faces != mesh.FaceCount()) return Fail(MeshFileError::CountMismatch, line);
    mesh.normalCorners.clear();
    mesh.normalCorners.reserve(mesh.corners.size());
    for (std::uint32_t f = 0; f < faces; ++f) {
        std::uint32_t corners = 0;
        const unsigned cornerLine = lexer.Line();
        if (!ReadUint(corners)) return false;
        if (corners != mesh.faceStart[f + 1] - mesh.faceStart[f]) return Fail(MeshFileError::CountMismatch, cornerLine);
        for (std::uint32_t c = 0; c < corners; ++c) {
            std::uint32_t index = 0;
            if (!ReadIndex(index, mesh.normals.size())) return false;
            mesh.normalCorners.push_back(index);
        }
    }
    return Expect(TokenKind::CloseBrace);
}

bool Parser::ReadTexCoords(FaceMesh& mesh) {
    std::uint32_t count = 0;
    const unsigned line = lexer.Line();
    if (!ReadCount(count, 2)) return false;
    if (count != mesh.positions.size()) return Fail(MeshFileError::CountMismatch, line);
    mesh.texCoords.assign(count, Vec2{});
    for (Vec2& t : mesh.texCoords) {
        if (!ReadFloat(t.x) || !ReadFloat(t.y)) return false;
    }
    return Expect(TokenKind::CloseBrace);
}

// A material count, a face count with one material index per face, then the materials,
// inline or by reference. A shorter index list leaves the remaining faces with its last
// index, as exporters write one index for a mesh of a single material.
bool Parser::ReadMaterialList(FaceMesh& mesh) {
    std::uint32_t materials = 0, indices = 0;
    const unsigned line = lexer.Line();
    if (!ReadCount(materials, 1) || !ReadCount(indices, 1)) return false;
    if (indices > mesh.FaceCount() || (indices == 0 && mesh.FaceCount() > 0)) {
        return Fail(MeshFileError::CountMismatch, line);
    }
    mesh.faceMaterials.assign(mesh.FaceCount(), 0);
    for (std::uint32_t f = 0; f < indices; ++f) {
        if (!ReadIndex(mesh.faceMaterials[f], materials)) return false;
    }
    for (std::uint32_t f = indices; f < mesh.FaceCount(); ++f) mesh.faceMaterials[f] = mesh.faceMaterials[indices - 1];
    mesh.materials.clear();
    while (!AtClose()) {
        MaterialSlot slot;
        slot.line = lexer.Line();
        if (lexer.Peek().kind == TokenKind::OpenBrace) {
            if (!ReadReference(slot.reference)) return false;
        } else {
            std::string_view type, name;
            if (!ReadHeaderOf(type, name)) return false;
            if (type != "Material") {
                if (!SkipBody()) return false;
                continue;
            }
            slot.material.emplace();
            if (!ReadMaterial(*slot.material, name)) return false;
        }
        if (mesh.materials.size() == materials) return Fail(MeshFileError::CountMismatch, slot.line);
        mesh.materials.push_back(std::move(slot));
    }
    if (mesh.materials.size() != materials) return Fail(MeshFileError::CountMismatch, line);
    return Expect(TokenKind::CloseBrace);
}

// Face colour RGBA, power, specular RGB, emissive RGB, then an optional texture file name.
// A named material can be referred to from any material list of the file.
bool Parser::ReadMaterial(MeshMaterial& material, std::string_view name) {
    if (!ReadColour(material.diffuse, true) || !ReadFloat(material.power) || !ReadColour(material.specular, false) ||
        !ReadColour(material.emissive, false)) {
        return false;
    }
    while (!AtClose()) {
        std::string_view type, childName;
        if (!ReadHeaderOf(type, childName)) return false;
        if (type == "TextureFilename" || type == "TextureFileName") {
            if (lexer.Peek().kind != TokenKind::String) return Unexpected();
            material.textureFileName = lexer.Take().text;
            if (!Expect(TokenKind::CloseBrace)) return false;
        } else if (!SkipBody()) {
            return false;
        }
    }
    if (!name.empty()) namedMaterials.insert_or_assign(std::string(name), material);
    return Expect(TokenKind::CloseBrace);
}

bool Parser::ResolveMaterial(MaterialSlot& slot) {
    if (slot.material) return true;
    const auto it = namedMaterials.find(slot.reference);
    if (it == namedMaterials.end()) return Fail(MeshFileError::UnknownReference, slot.line);
    slot.material = it->second;
    return true;
}

// Appends one mesh: its materials after those already there, its triangles grouped by
// material. A position used with several normals becomes several vertices; the first use
// keeps the position's own place, so vertex i is position i wherever nothing splits.
void Parser::AddMesh(const FaceMesh& mesh) {
    MeshData& out = result.mesh;
    const auto base = static_cast<std::uint32_t>(out.vertices.size());
    const bool hasNormals = !mesh.normalCorners.empty();
    std::vector<std::uint32_t> normalOf(mesh.positions.size(), kNone);  // per vertex of this mesh
    std::vector<std::uint32_t> nextSplit(mesh.positions.size(), kNone);
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        out.vertices.push_back({mesh.positions[i], {}, mesh.texCoords.empty() ? Vec2{} : mesh.texCoords[i]});
    }
    auto vertexOf = [&](std::uint32_t corner) {
        const std::uint32_t position = mesh.corners[corner];
        const std::uint32_t normal = hasNormals ? mesh.normalCorners[corner] : 0;
        std::uint32_t v = position;
        while (normalOf[v] != kNone && normalOf[v] != normal) {
            if (nextSplit[v] == kNone) {  // a new normal for this position: split off a vertex
                nextSplit[v] = static_cast<std::uint32_t>(normalOf.size());
                normalOf.push_back(kNone);
                nextSplit.push_back(kNone);
                out.vertices.push_back(out.vertices[base + position]);
            }
            v = nextSplit[v];
        }
        if (normalOf[v] == kNone) {
            normalOf[v] = normal;
            if (hasNormals) out.vertices[base + v].normal = mesh.normals[normal];
        }
        return base + v;
    };
    const size_t materialCount = mesh.materials.empty() ? 1 : mesh.materials.size();
    for (size_t j = 0; j < materialCount; ++j) {
        MeshSubset subset{static_cast<std::uint32_t>(out.indices.size()), 0};
        for (std::uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            if (!mesh.faceMaterials.empty() && mesh.faceMaterials[f] != j) continue;
            const std::uint32_t first = mesh.faceStart[f];
            for (std::uint32_t c = first + 1; c + 1 < mesh.faceStart[f + 1]; ++c) {  // a fan from the first corner
                out.indices.push_back(vertexOf(first));
                out.indices.push_back(vertexOf(c));
                out.indices.push_back(vertexOf(c + 1));
            }
        }
        subset.indexCount = static_cast<std::uint32_t>(out.indices.size()) - subset.firstIndex;
        out.subsets.push_back(subset);
        out.materials.push_back(mesh.materials.empty() ? MeshMaterial{} : *mesh.materials[j].material);
    }
}

bool Parser::Build(std::vector<FaceMesh>& meshes) {
    bool anyFace = false;
    for (FaceMesh& mesh : meshes) {
        for (MaterialSlot& slot : mesh.materials) {
            if (!ResolveMaterial(slot)) return false;
        }
        anyFace = anyFace || mesh.FaceCount() > 0;
    }
    if (!anyFace) return Fail(MeshFileError::NoMesh, 1);
    for (const FaceMesh& mesh : meshes) {
        if (mesh.FaceCount() > 0) AddMesh(mesh);
    }
    return true;
}

// "xof ", the version ("03" and a minor), "txt ", and the float size "0032" or "0064".
bool IsTextHeader(ByteSpan text) {
    if (text.size() < kHeaderSize) return false;
    const char* h = reinterpret_cast<const char*>(text.data());
    return std::memcmp(h, "xof 03", 6) == 0 && std::memcmp(h + 8, "txt ", 4) == 0 &&
           (std::memcmp(h + 12, "0032", 4) == 0 || std::memcmp(h + 12, "0064", 4) == 0);
}

MeshFileResult Parser::Run(ByteSpan text) {
    if (!IsTextHeader(text)) {
        Fail(MeshFileError::BadHeader, 1);
        return std::move(result);
    }
    std::vector<FaceMesh> meshes;
    if (ReadObjects(meshes, 0, nullptr)) Build(meshes);
    if (result.error != MeshFileError::None) result.mesh = {};
    return std::move(result);
}

}  // namespace

MeshFileResult LoadMeshFile(ByteSpan text) { return Parser(text).Run(text); }

const char* Describe(MeshFileError error) {
    switch (error) {
        case MeshFileError::None: return "no error";
        case MeshFileError::BadHeader: return "not a text mesh file";
        case MeshFileError::UnexpectedEnd: return "unexpected end of the text";
        case MeshFileError::Syntax: return "syntax error";
        case MeshFileError::CountMismatch: return "a count disagrees with its data";
        case MeshFileError::IndexOutOfRange: return "index out of range";
        case MeshFileError::TooLarge: return "a count larger than the text can hold";
        case MeshFileError::UnknownReference: return "reference to an undefined material";
        case MeshFileError::TooDeep: return "objects nested too deeply";
        case MeshFileError::NoMesh: return "no mesh with faces";
    }
    return "unknown error";
}

}  // namespace gfx
