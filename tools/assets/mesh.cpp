#include "tools/assets/mesh.h"

#include <cstdio>
#include <memory>

namespace assets {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Two unit vectors perpendicular to `axis` and to each other.
void Basis(V3 axis, V3& e1, V3& e2) {
    V3 a = Normalized(axis);
    V3 helper = std::abs(a.y) < 0.9 ? V3{0, 1, 0} : V3{1, 0, 0};
    e1 = Normalized(Cross(a, helper));
    e2 = Cross(a, e1);
}

V3 SurfaceNormal(const Surface& surface, double s, double t, double sign) {
    const double h = 1e-4;
    double s0 = std::max(0.0, s - h), s1 = std::min(1.0, s + h);
    double t0 = std::max(0.0, t - h), t1 = std::min(1.0, t + h);
    V3 ds = surface.position(s1, t) - surface.position(s0, t);
    V3 dt = surface.position(s, t1) - surface.position(s, t0);
    V3 p = surface.position(s, t);
    return Normalized(Cross(ds, dt) * sign, Normalized(surface.outward(p)));
}

}  // namespace

int Mesh::AddMaterial(const Material& m) {
    materials.push_back(m);
    triangles.emplace_back();
    return static_cast<int>(materials.size()) - 1;
}

uint32_t Mesh::AddVertex(const Vertex& v) {
    vertices.push_back(v);
    return static_cast<uint32_t>(vertices.size() - 1);
}

void Mesh::AddTriangle(int material, uint32_t a, uint32_t b, uint32_t c) {
    const Vertex& va = vertices[a];
    const Vertex& vb = vertices[b];
    const Vertex& vc = vertices[c];
    V3 faceNormal = Cross(vb.position - va.position, vc.position - va.position);
    if (Length(faceNormal) < 1e-14) return;  // collapsed at a pole: nothing to draw
    if (Dot(faceNormal, va.normal + vb.normal + vc.normal) < 0) std::swap(b, c);
    triangles[static_cast<size_t>(material)].push_back({a, b, c});
}

void Mesh::AddQuad(int material, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    AddTriangle(material, a, b, c);
    AddTriangle(material, a, c, d);
}

size_t Mesh::TriangleCount() const {
    size_t n = 0;
    for (const auto& list : triangles) n += list.size();
    return n;
}

void Mesh::RemoveUnusedVertices() {
    const uint32_t unused = UINT32_MAX;
    std::vector<uint32_t> remap(vertices.size(), unused);
    std::vector<Vertex> kept;
    for (auto& list : triangles) {
        for (Triangle& t : list) {
            for (uint32_t& i : t) {
                if (remap[i] == unused) {
                    remap[i] = static_cast<uint32_t>(kept.size());
                    kept.push_back(vertices[i]);
                }
                i = remap[i];
            }
        }
    }
    vertices = std::move(kept);
}

std::vector<double> Even(int n) {
    std::vector<double> out;
    for (int i = 0; i <= n; ++i) out.push_back(static_cast<double>(i) / n);
    return out;
}

std::vector<double> CosineSpaced(int n) {
    std::vector<double> out;
    for (int i = 0; i <= n; ++i) out.push_back(0.5 - 0.5 * std::cos(kPi * i / n));
    return out;
}

void AddSurface(Mesh& mesh, int material, const Surface& surface, const std::vector<double>& ss,
                const std::vector<double>& ts) {
    // The parameter order's orientation, chosen once by a vote of sample points.
    double vote = 0;
    for (double s : {0.25, 0.5, 0.75}) {
        for (double t : {0.25, 0.5, 0.75}) {
            V3 n = SurfaceNormal(surface, s, t, 1.0);
            vote += Dot(n, surface.outward(surface.position(s, t)));
        }
    }
    double sign = vote >= 0 ? 1.0 : -1.0;
    uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
    for (double s : ss) {
        for (double t : ts) {
            auto uv = surface.uv(s, t);
            mesh.AddVertex({surface.position(s, t), SurfaceNormal(surface, s, t, sign), uv[0], uv[1]});
        }
    }
    uint32_t row = static_cast<uint32_t>(ts.size());
    for (uint32_t i = 0; i + 1 < ss.size(); ++i) {
        for (uint32_t j = 0; j + 1 < row; ++j) {
            uint32_t a = first + i * row + j;
            mesh.AddQuad(material, a, a + row, a + row + 1, a + 1);
        }
    }
}

void AddFan(Mesh& mesh, int material, const std::vector<V3>& ring, V3 centre, V3 normal,
            const std::function<std::array<double, 2>(const V3&)>& uv) {
    V3 n = Normalized(normal);
    auto add = [&](const V3& p) {
        auto t = uv(p);
        return mesh.AddVertex({p, n, t[0], t[1]});
    };
    uint32_t c = add(centre);
    uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
    for (const V3& p : ring) add(p);
    for (uint32_t i = 0; i < ring.size(); ++i) {
        mesh.AddTriangle(material, c, first + i, first + (i + 1) % static_cast<uint32_t>(ring.size()));
    }
}

void AddEllipsoid(Mesh& mesh, int material, V3 centre, V3 radii, int slices, int stacks) {
    Surface s;
    s.position = [=](double a, double b) {
        double theta = a * 2 * kPi, phi = b * kPi;
        return centre + V3{radii.x * std::sin(phi) * std::cos(theta), radii.y * std::cos(phi),
                           radii.z * std::sin(phi) * std::sin(theta)};
    };
    s.uv = [](double a, double b) { return std::array<double, 2>{a, b}; };
    s.outward = [=](const V3& p) { return p - centre; };
    AddSurface(mesh, material, s, Even(slices), Even(stacks));
}

void AddBox(Mesh& mesh, int material, V3 lo, V3 hi) {
    const V3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    V3 centre = (lo + hi) * 0.5, half = (hi - lo) * 0.5;
    for (const V3& n : normals) {
        V3 e1, e2;
        Basis(n, e1, e2);
        uint32_t idx[4];
        const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (int k = 0; k < 4; ++k) {
            V3 d = n + e1 * corners[k][0] + e2 * corners[k][1];
            V3 p = centre + V3{d.x * half.x, d.y * half.y, d.z * half.z};
            idx[k] = mesh.AddVertex({p, n, (corners[k][0] + 1) / 2, (corners[k][1] + 1) / 2});
        }
        mesh.AddQuad(material, idx[0], idx[1], idx[2], idx[3]);
    }
}

void AddTube(Mesh& mesh, int material, V3 base, V3 axis, double r0, double r1, int slices, bool outward) {
    V3 e1, e2;
    Basis(axis, e1, e2);
    V3 a = Normalized(axis);
    double slope = (r0 - r1) / Length(axis);  // tilts the normal of a cone
    uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
    for (int i = 0; i <= slices; ++i) {
        double angle = 2 * kPi * i / slices;
        V3 radial = e1 * std::cos(angle) + e2 * std::sin(angle);
        V3 n = Normalized(radial + a * slope) * (outward ? 1.0 : -1.0);
        double u = static_cast<double>(i) / slices;
        mesh.AddVertex({base + radial * r0, n, u, 0});
        mesh.AddVertex({base + axis + radial * r1, n, u, 1});
    }
    for (uint32_t i = 0; i < static_cast<uint32_t>(slices); ++i) {
        uint32_t k = first + 2 * i;
        mesh.AddQuad(material, k, k + 1, k + 3, k + 2);
    }
}

void AddDisc(Mesh& mesh, int material, V3 centre, V3 normal, double r, int slices) {
    V3 e1, e2;
    Basis(normal, e1, e2);
    std::vector<V3> ring;
    for (int i = 0; i < slices; ++i) {
        double angle = 2 * kPi * i / slices;
        ring.push_back(centre + (e1 * std::cos(angle) + e2 * std::sin(angle)) * r);
    }
    AddFan(mesh, material, ring, centre, normal, [](const V3&) { return std::array<double, 2>{0.5, 0.5}; });
}

void AddTorus(Mesh& mesh, int material, V3 centre, V3 axis, double R, double r, int ringSlices, int tubeSlices) {
    V3 e1, e2;
    Basis(axis, e1, e2);
    V3 a = Normalized(axis);
    Surface s;
    s.position = [=](double p, double q) {
        double u = p * 2 * kPi, v = q * 2 * kPi;
        V3 radial = e1 * std::cos(u) + e2 * std::sin(u);
        return centre + radial * (R + r * std::cos(v)) + a * (r * std::sin(v));
    };
    s.uv = [](double p, double q) { return std::array<double, 2>{p, q}; };
    s.outward = [=](const V3& p) {
        V3 d = p - centre;
        V3 inPlane = d - a * Dot(d, a);
        return p - (centre + Normalized(inPlane) * R);
    };
    AddSurface(mesh, material, s, Even(ringSlices), Even(tubeSlices));
}

bool WriteXFile(const std::string& path, const Mesh& mesh) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(f, std::fclose);
    size_t nv = mesh.vertices.size();
    size_t nf = mesh.TriangleCount();
    auto sep = [](size_t i, size_t n) { return i + 1 < n ? "," : ";"; };
    std::fprintf(f, "xof 0303txt 0032\n\nMesh {\n %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i) {
        const V3& p = mesh.vertices[i].position;
        std::fprintf(f, " %.6f;%.6f;%.6f;%s\n", p.x, p.y, p.z, sep(i, nv));
    }
    auto writeFaces = [&]() {
        std::fprintf(f, " %zu;\n", nf);
        size_t k = 0;
        for (const auto& list : mesh.triangles) {
            for (const Triangle& t : list) {
                std::fprintf(f, " 3;%u,%u,%u;%s\n", t[0], t[1], t[2], sep(k++, nf));
            }
        }
    };
    writeFaces();
    std::fprintf(f, "\n MeshMaterialList {\n  %zu;\n  %zu;\n", mesh.materials.size(), nf);
    size_t k = 0;
    for (size_t m = 0; m < mesh.triangles.size(); ++m) {
        for (size_t i = 0; i < mesh.triangles[m].size(); ++i) std::fprintf(f, "  %zu%s\n", m, sep(k++, nf));
    }
    for (const Material& m : mesh.materials) {
        std::fprintf(f, "\n  Material {\n   %.6f;%.6f;%.6f;%.6f;;\n   %.6f;\n   %.6f;%.6f;%.6f;;\n   %.6f;%.6f;%.6f;;\n",
                     m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3], m.power, m.specular[0], m.specular[1],
                     m.specular[2], m.emissive[0], m.emissive[1], m.emissive[2]);
        if (!m.texture.empty()) std::fprintf(f, "\n   TextureFilename {\n    \"%s\";\n   }\n", m.texture.c_str());
        std::fprintf(f, "  }\n");
    }
    std::fprintf(f, " }\n\n MeshNormals {\n %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i) {
        const V3& n = mesh.vertices[i].normal;
        std::fprintf(f, " %.6f;%.6f;%.6f;%s\n", n.x, n.y, n.z, sep(i, nv));
    }
    writeFaces();
    std::fprintf(f, " }\n\n MeshTextureCoords {\n %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i) {
        std::fprintf(f, " %.6f;%.6f;%s\n", mesh.vertices[i].u, mesh.vertices[i].v, sep(i, nv));
    }
    std::fprintf(f, " }\n}\n");
    return std::ferror(f) == 0;
}

}  // namespace assets
