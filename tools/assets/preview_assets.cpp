// vantaro-preview-assets: draws an aircraft model file from six angles into one PNG with a
// small software rasteriser that lights, textures, culls and blends as the saver's device
// does: per-vertex light from the scene's sun, clockwise front faces, subsets in order.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <map>
#include <string>

#include "gfx/mesh_file.h"
#include "tools/assets/mesh.h"
#include "tools/assets/picture.h"
#include "platform/standard_streams.h"

namespace {

using namespace assets;

constexpr double kPi = 3.14159265358979323846;
const V3 kTowardsSun = Normalized({0.3, 0.6, 0});
constexpr float kAmbient = 0x50 / 255.0f;

struct Camera {
    V3 eye, x, y, z;
    double focal;  // screen half-height per unit of view depth, inverted
};

Camera Orbit(double yawDegrees, double pitchDegrees, double distance, double fovDegrees) {
    double yaw = yawDegrees * kPi / 180, pitch = pitchDegrees * kPi / 180;
    Camera c;
    c.eye = V3{std::cos(pitch) * std::sin(yaw), std::sin(pitch), -std::cos(pitch) * std::cos(yaw)} * distance;
    c.z = Normalized(c.eye * -1.0);
    c.x = Normalized(Cross({0, 1, 0}, c.z), {1, 0, 0});
    c.y = Cross(c.z, c.x);
    c.focal = 1.0 / std::tan(fovDegrees * kPi / 360);
    return c;
}

Rgba Sample(const Picture* texture, double u, double v) {
    if (!texture) return {1, 1, 1, 1};
    double fx = (u - std::floor(u)) * texture->width - 0.5, fy = (v - std::floor(v)) * texture->height - 0.5;
    int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    float tx = static_cast<float>(fx - x0), ty = static_cast<float>(fy - y0);
    auto at = [&](int x, int y) {
        return texture->at((x % texture->width + texture->width) % texture->width,
                           (y % texture->height + texture->height) % texture->height);
    };
    return Mix(Mix(at(x0, y0), at(x0 + 1, y0), tx), Mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx), ty);
}

struct Lit {
    Rgba diffuse;   // lit colour and alpha
    Rgba specular;
};

Lit LightVertex(const Vertex& v, const Material& m, const V3& eye) {
    V3 n = Normalized(v.normal);
    double nl = std::max(0.0, Dot(n, kTowardsSun));
    Lit out;
    float d[3];
    for (int i = 0; i < 3; ++i) d[i] = std::clamp(m.emissive[i] + m.diffuse[i] * (kAmbient + static_cast<float>(nl)), 0.0f, 1.0f);
    out.diffuse = {d[0], d[1], d[2], m.diffuse[3]};
    V3 h = Normalized(kTowardsSun + Normalized(eye - v.position));
    float s = nl > 0 && m.power > 0 ? static_cast<float>(std::pow(std::max(0.0, Dot(n, h)), m.power)) : 0.0f;
    out.specular = {m.specular[0] * s, m.specular[1] * s, m.specular[2] * s, 0};
    return out;
}

struct Target {
    Picture colour;
    std::vector<double> depth;
};

// A corner in view space with what the rasteriser interpolates across the triangle.
struct Corner {
    V3 view;
    double u, v;
    Lit lit;
};

Corner Lerp(const Corner& a, const Corner& b, double t) {
    auto mix = [t](const Rgba& p, const Rgba& q) { return Mix(p, q, static_cast<float>(t)); };
    return {a.view + (b.view - a.view) * t, a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t,
            {mix(a.lit.diffuse, b.lit.diffuse), mix(a.lit.specular, b.lit.specular)}};
}

constexpr double kNear = 0.05;

// The part of the triangle in front of the near plane, as a convex polygon.
std::vector<Corner> ClipNear(const Corner (&tri)[3]) {
    std::vector<Corner> out;
    for (int i = 0; i < 3; ++i) {
        const Corner& a = tri[i];
        const Corner& b = tri[(i + 1) % 3];
        if (a.view.z >= kNear) out.push_back(a);
        if ((a.view.z >= kNear) != (b.view.z >= kNear)) out.push_back(Lerp(a, b, (kNear - a.view.z) / (b.view.z - a.view.z)));
    }
    return out;
}

void Rasterise(Target& target, const Corner* c[3], const Picture* texture, float alpha, double focal) {
    int w = target.colour.width, h = target.colour.height;
    double aspect = static_cast<double>(w) / h;
    double sx[3], sy[3], iz[3];
    for (int k = 0; k < 3; ++k) {
        iz[k] = 1.0 / c[k]->view.z;
        sx[k] = (c[k]->view.x * iz[k] * focal / aspect + 1) * 0.5 * w;
        sy[k] = (1 - c[k]->view.y * iz[k] * focal) * 0.5 * h;
    }
    double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
    if (area <= 0) return;  // counter-clockwise on screen: a back face
    int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    int x1 = std::min(w - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    int y1 = std::min(h - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double b[3];
            for (int k = 0; k < 3; ++k) {
                int i = (k + 1) % 3, j = (k + 2) % 3;
                b[k] = ((sx[j] - sx[i]) * (py - sy[i]) - (sy[j] - sy[i]) * (px - sx[i])) / area;
            }
            if (b[0] < 0 || b[1] < 0 || b[2] < 0) continue;
            double inv = b[0] * iz[0] + b[1] * iz[1] + b[2] * iz[2];
            double& stored = target.depth[static_cast<size_t>(y) * w + x];
            if (1.0 / inv >= stored) continue;
            stored = 1.0 / inv;
            double p[3];
            for (int k = 0; k < 3; ++k) p[k] = b[k] * iz[k] / inv;  // perspective-correct weights
            auto interp = [&](auto get) { return static_cast<float>(p[0] * get(*c[0]) + p[1] * get(*c[1]) + p[2] * get(*c[2])); };
            Rgba tex = Sample(texture, interp([](const Corner& q) { return q.u; }), interp([](const Corner& q) { return q.v; }));
            Rgba lit = {interp([](const Corner& q) { return q.lit.diffuse.r; }), interp([](const Corner& q) { return q.lit.diffuse.g; }),
                        interp([](const Corner& q) { return q.lit.diffuse.b; }), 1};
            Rgba highlight = {interp([](const Corner& q) { return q.lit.specular.r; }), interp([](const Corner& q) { return q.lit.specular.g; }),
                         interp([](const Corner& q) { return q.lit.specular.b; }), 0};
            Rgba out = {std::min(tex.r * lit.r + highlight.r, 1.0f), std::min(tex.g * lit.g + highlight.g, 1.0f),
                        std::min(tex.b * lit.b + highlight.b, 1.0f), 1};
            Rgba& dst = target.colour.at(x, y);
            dst = Mix(dst, out, alpha);
        }
    }
}

// Draws the mesh placed at `offset` (no rotation), subset by subset as the saver does.
void DrawMesh(Target& target, const Mesh& mesh, const std::vector<const Picture*>& textures, const Camera& cam,
              V3 offset = {}) {
    for (size_t m = 0; m < mesh.triangles.size(); ++m) {
        const Material& material = mesh.materials[m];
        for (const Triangle& t : mesh.triangles[m]) {
            Corner tri[3];
            for (int k = 0; k < 3; ++k) {
                Vertex v = mesh.vertices[t[k]];
                v.position = v.position + offset;
                V3 d = v.position - cam.eye;
                tri[k] = {{Dot(d, cam.x), Dot(d, cam.y), Dot(d, cam.z)}, v.u, v.v, LightVertex(v, material, cam.eye)};
            }
            std::vector<Corner> polygon = ClipNear(tri);
            for (size_t k = 1; k + 1 < polygon.size(); ++k) {
                const Corner* fan[3] = {&polygon[0], &polygon[k], &polygon[k + 1]};
                Rasterise(target, fan, textures[m], material.diffuse[3], cam.focal);
            }
        }
    }
}

Picture Downsample(const Picture& big, int factor) {
    Picture out(big.width / factor, big.height / factor);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (int j = 0; j < factor; ++j) {
                for (int i = 0; i < factor; ++i) {
                    const Rgba& c = big.at(x * factor + i, y * factor + j);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            }
            out.at(x, y) = Scaled(sum, 1.0f / (factor * factor));
        }
    }
    return out;
}

Camera LookAt(V3 eye, V3 at, double fovDegrees) {
    Camera c;
    c.eye = eye;
    c.z = Normalized(at - eye);
    c.x = Normalized(Cross({0, 1, 0}, c.z), {1, 0, 0});
    c.y = Cross(c.z, c.x);
    c.focal = 1.0 / std::tan(fovDegrees * kPi / 360);
    return c;
}

// A model file with its textures, "KZ004.jpg" standing for the given aircraft's own.
struct Model {
    Mesh mesh;
    std::map<std::string, Picture> images;
    std::vector<const Picture*> textures;
};

// Reads a model file with the saver's own loader.
bool ReadModelFile(const std::string& path, Mesh& mesh) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    gfx::MeshFileResult file = gfx::LoadMeshFile(
        gfx::ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!in || !file) return false;
    for (const gfx::MeshVertex& v : file.mesh.vertices) {
        mesh.vertices.push_back({{v.position.x, v.position.y, v.position.z}, {v.normal.x, v.normal.y, v.normal.z},
                                 v.texCoord.x, v.texCoord.y});
    }
    for (size_t j = 0; j < file.mesh.materials.size(); ++j) {
        const gfx::MeshMaterial& m = file.mesh.materials[j];
        Material material;
        material.diffuse[0] = m.diffuse.r, material.diffuse[1] = m.diffuse.g;
        material.diffuse[2] = m.diffuse.b, material.diffuse[3] = m.diffuse.a;
        material.power = m.power;
        material.specular[0] = m.specular.r, material.specular[1] = m.specular.g, material.specular[2] = m.specular.b;
        material.emissive[0] = m.emissive.r, material.emissive[1] = m.emissive.g, material.emissive[2] = m.emissive.b;
        material.texture = m.textureFileName;
        mesh.AddMaterial(material);
        const gfx::MeshSubset& subset = file.mesh.subsets[j];
        for (std::uint32_t i = subset.firstIndex; i + 2 < subset.firstIndex + subset.indexCount; i += 3) {
            mesh.triangles[j].push_back({file.mesh.indices[i], file.mesh.indices[i + 1], file.mesh.indices[i + 2]});
        }
    }
    return true;
}

bool LoadModel(const std::string& path, const std::string& textureDir, const std::string& number, Model& model) {
    if (!ReadModelFile(path, model.mesh)) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    for (const Material& m : model.mesh.materials) {
        std::string name = m.texture == "KZ004.jpg" ? "KZ004_" + number + ".jpg" : m.texture;
        if (name.empty()) {
            model.textures.push_back(nullptr);
            continue;
        }
        if (!model.images.count(name) && !ReadJpeg(textureDir + "/" + name, model.images[name])) {
            std::fprintf(stderr, "cannot read %s/%s\n", textureDir.c_str(), name.c_str());
            return false;
        }
        model.textures.push_back(&model.images[name]);
    }
    return true;
}

Target Blank(int w, int h) {
    Target target{Picture(w, h), std::vector<double>(static_cast<size_t>(w) * h, 1e30)};
    for (int y = 0; y < h; ++y) {
        Rgba sky = Mix(Rgba{0.45f, 0.62f, 0.85f, 1}, Rgba{0.78f, 0.84f, 0.90f, 1}, static_cast<float>(y) / h);
        for (int x = 0; x < w; ++x) target.colour.at(x, y) = sky;
    }
    return target;
}

constexpr int kSupersample = 2;

int AircraftSheet(const Model& model, double distance, const char* out) {
    const double views[6][2] = {{-40, 18}, {90, 3}, {140, 28}, {0, 89}, {-55, -35}, {180, 6}};
    const int w = 400, h = 300;
    Picture sheet(w * 3, h * 2);
    for (int i = 0; i < 6; ++i) {
        Target target = Blank(w * kSupersample, h * kSupersample);
        DrawMesh(target, model.mesh, model.textures, Orbit(views[i][0], views[i][1], distance, 30));
        Picture view = Downsample(target.colour, kSupersample);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) sheet.at((i % 3) * w + x, (i / 3) * h + y) = view.at(x, y);
        }
    }
    return WritePng(out, sheet) ? 0 : 1;
}

// Sky and ground from a camera, with the aircraft (if loaded) at the point looked at.
int SceneView(const std::string& resources, V3 eye, V3 at, double fov, const Model* aircraft, const char* out) {
    Model sky, ground;
    if (!LoadModel(resources + "/models/SKY.x", resources + "/textures", "1", sky) ||
        !LoadModel(resources + "/models/RUNWAY.x", resources + "/textures", "1", ground)) {
        return 1;
    }
    const int w = 800, h = 600;
    Target target = Blank(w * kSupersample, h * kSupersample);
    Camera cam = LookAt(eye, at, fov);
    DrawMesh(target, sky.mesh, sky.textures, cam);
    DrawMesh(target, ground.mesh, ground.textures, cam);
    if (aircraft) DrawMesh(target, aircraft->mesh, aircraft->textures, cam, at);
    return WritePng(out, Downsample(target.colour, kSupersample)) ? 0 : 1;
}

V3 ParseV3(const char* text) {
    V3 v;
    std::sscanf(text, "%lf,%lf,%lf", &v.x, &v.y, &v.z);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    platform::KeepStandardStreamsOpen();
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "aircraft" && argc >= 6) {
        Model model;
        if (!LoadModel(argv[2], argv[3], argv[4], model)) return 1;
        return AircraftSheet(model, argc > 6 ? std::atof(argv[6]) : 3.2, argv[5]);
    }
    if (mode == "scene" && argc >= 7) {
        Model aircraft;
        std::string resources = argv[2];
        bool withAircraft = argc > 7;
        if (withAircraft && !LoadModel(resources + "/models/KZ.x", resources + "/textures", argv[7], aircraft)) return 1;
        return SceneView(resources, ParseV3(argv[3]), ParseV3(argv[4]), std::atof(argv[5]),
                         withAircraft ? &aircraft : nullptr, argv[6]);
    }
    std::fputs("usage: vantaro-preview-assets aircraft MODEL.x TEXTURE_DIR AIRCRAFT_NUMBER OUT.png [DISTANCE]\n"
               "         six views of the model in a 3 x 2 sheet of 400 x 300 pictures\n"
               "       vantaro-preview-assets scene RESOURCES_DIR EYE AT FOV_DEGREES OUT.png [AIRCRAFT_NUMBER]\n"
               "         sky and ground seen from EYE towards AT (x,y,z), with the aircraft at AT\n",
               stderr);
    return 2;
}
