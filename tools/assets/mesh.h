// An indexed triangle mesh with one triangle list per material, written and read in the text
// mesh-file format that the saver loads (nose towards -z, y up, clockwise front faces).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace assets {

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Length(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Normalized(V3 a, V3 fallback = {0, 1, 0}) {
    double l = Length(a);
    return l > 1e-12 ? a * (1.0 / l) : fallback;
}

struct Vertex {
    V3 position;
    V3 normal;
    double u = 0, v = 0;
};

struct Material {
    float diffuse[4] = {1, 1, 1, 1};
    float power = 0;
    float specular[3] = {0, 0, 0};
    float emissive[3] = {0, 0, 0};
    std::string texture;  // empty: untextured
};

using Triangle = std::array<uint32_t, 3>;

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<Material> materials;
    std::vector<std::vector<Triangle>> triangles;  // per material, in material order

    int AddMaterial(const Material& m);
    uint32_t AddVertex(const Vertex& v);
    // Adds the triangle with its corners ordered so that it is front-facing (clockwise on
    // screen) when seen from the side its vertex normals point to.
    void AddTriangle(int material, uint32_t a, uint32_t b, uint32_t c);
    void AddQuad(int material, uint32_t a, uint32_t b, uint32_t c, uint32_t d);
    size_t TriangleCount() const;
    // Drops the vertices no triangle uses (left behind where a pole's triangles collapsed).
    void RemoveUnusedVertices();
};

// A surface given by position(s, t) and texture coordinates uv(s, t) for parameters in 0..1.
struct Surface {
    std::function<V3(double s, double t)> position;
    std::function<std::array<double, 2>(double s, double t)> uv;
    // Points away from the solid at a surface point; orients the normals.
    std::function<V3(const V3& p)> outward;
};

// Adds the grid of surface points at every (s, t) pair of the two parameter lists, with
// normals from the surface's derivatives, as quads of two triangles.
void AddSurface(Mesh& mesh, int material, const Surface& surface, const std::vector<double>& ss,
                const std::vector<double>& ts);

// Evenly spaced parameters 0, 1/n, ..., 1; Cosine spacing crowds them towards both ends.
std::vector<double> Even(int n);
std::vector<double> CosineSpaced(int n);

// A flat polygon fan from `centre` to the closed ring of points, facing along `normal`.
void AddFan(Mesh& mesh, int material, const std::vector<V3>& ring, V3 centre, V3 normal,
            const std::function<std::array<double, 2>(const V3&)>& uv);

// Simple solids with flat texture coordinates (untextured materials).
void AddEllipsoid(Mesh& mesh, int material, V3 centre, V3 radii, int slices, int stacks);
void AddBox(Mesh& mesh, int material, V3 lo, V3 hi);
// A cylinder along `axis` from `base`, radius r0 at the base and r1 at the top, open ends.
void AddTube(Mesh& mesh, int material, V3 base, V3 axis, double r0, double r1, int slices, bool outward);
// A disc of radius r at `centre` facing along `normal`.
void AddDisc(Mesh& mesh, int material, V3 centre, V3 normal, double r, int slices);
// A torus about `axis`: ring radius R, tube radius r.
void AddTorus(Mesh& mesh, int material, V3 centre, V3 axis, double R, double r, int ringSlices, int tubeSlices);

bool WriteXFile(const std::string& path, const Mesh& mesh);

}  // namespace assets
