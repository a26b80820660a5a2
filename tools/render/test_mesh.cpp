#include "tools/render/test_mesh.h"

#include <cmath>
#include <numbers>

namespace tools {

namespace {

constexpr unsigned kRingSegments = 64;  // around the hole
constexpr unsigned kTubeSegments = 32;  // around the tube
constexpr float kRingRadius = 1.0f;
constexpr float kTubeRadius = 0.4f;

gfx::MeshVertex TorusVertex(unsigned ring, unsigned tube) {
    const float u = 2 * std::numbers::pi_v<float> * static_cast<float>(ring) / kRingSegments;
    const float v = 2 * std::numbers::pi_v<float> * static_cast<float>(tube) / kTubeSegments;
    const gfx::Vec3 normal{std::cos(v) * std::cos(u), std::sin(v), std::cos(v) * std::sin(u)};
    const float reach = kRingRadius + kTubeRadius * std::cos(v);
    return {{reach * std::cos(u), kTubeRadius * std::sin(v), reach * std::sin(u)},
            normal,
            {4.0f * static_cast<float>(ring) / kRingSegments, static_cast<float>(tube) / kTubeSegments}};
}

gfx::Vec3 Minus(const gfx::Vec3& a, const gfx::Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// Front faces are clockwise seen from outside: with left-handed axes, that is when the cross
// product of the first two edges points along the outward normal.
void AddTriangle(gfx::MeshData& mesh, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    const auto& va = mesh.vertices[a];
    gfx::Vec3 e1 = Minus(mesh.vertices[b].position, va.position), e2 = Minus(mesh.vertices[c].position, va.position);
    gfx::Vec3 cross{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    bool clockwise = cross.x * va.normal.x + cross.y * va.normal.y + cross.z * va.normal.z > 0;
    mesh.indices.insert(mesh.indices.end(), {a, clockwise ? b : c, clockwise ? c : b});
}

}  // namespace

gfx::MeshData MakeTestMesh() {
    gfx::MeshData mesh;
    for (unsigned ring = 0; ring <= kRingSegments; ++ring) {
        for (unsigned tube = 0; tube <= kTubeSegments; ++tube) {
            mesh.vertices.push_back(TorusVertex(ring, tube));
        }
    }
    auto index = [](unsigned ring, unsigned tube) { return ring * (kTubeSegments + 1) + tube; };
    // The first half of the ring is subset 0, the second half subset 1.
    for (unsigned half = 0; half < 2; ++half) {
        auto first = static_cast<std::uint32_t>(mesh.indices.size());
        for (unsigned ring = half * kRingSegments / 2; ring < (half + 1) * kRingSegments / 2; ++ring) {
            for (unsigned tube = 0; tube < kTubeSegments; ++tube) {
                AddTriangle(mesh, index(ring, tube), index(ring + 1, tube), index(ring, tube + 1));
                AddTriangle(mesh, index(ring, tube + 1), index(ring + 1, tube), index(ring + 1, tube + 1));
            }
        }
        mesh.subsets.push_back({first, static_cast<std::uint32_t>(mesh.indices.size()) - first});
    }
    gfx::MeshMaterial textured;
    textured.diffuse = {1, 1, 1, 1};
    textured.specular = {0.5f, 0.5f, 0.5f, 1};
    textured.power = 20;
    textured.textureFileName = "test.png";
    gfx::MeshMaterial glossy;
    glossy.diffuse = {0.75f, 0.2f, 0.1f, 1};
    glossy.specular = {0.9f, 0.9f, 0.9f, 1};
    glossy.power = 40;
    mesh.materials = {textured, glossy};
    return mesh;
}

gfx::Image MakeTestTexture() {
    constexpr unsigned kSize = 64, kSquare = 8;
    gfx::Image image{kSize, kSize, {}};
    for (unsigned y = 0; y < kSize; ++y) {
        for (unsigned x = 0; x < kSize; ++x) {
            bool light = ((x / kSquare) + (y / kSquare)) % 2 == 0;
            if (light) {
                image.pixels.insert(image.pixels.end(), {235, 225, 200, 255});
            } else {
                image.pixels.insert(image.pixels.end(), {30, 80, 160, 255});
            }
        }
    }
    return image;
}

}  // namespace tools
