// vantaro-preview-assets: draws an aircraft model file from six angles into one PNG with a
// small software rasteriser that lights, textures, culls and blends as the saver's device
// does: per-vertex light from the scene's sun, clockwise front faces, subsets in order.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "tools/assets/mesh.h"
#include "tools/assets/picture.h"

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

void DrawMesh(Target& target, const Mesh& mesh, const std::vector<const Picture*>& textures, const Camera& cam) {
    int w = target.colour.width, h = target.colour.height;
    double aspect = static_cast<double>(w) / h;
    for (size_t m = 0; m < mesh.triangles.size(); ++m) {
        const Material& material = mesh.materials[m];
        for (const Triangle& t : mesh.triangles[m]) {
            double sx[3], sy[3], iz[3];
            Lit lit[3];
            bool behind = false;
            for (int k = 0; k < 3; ++k) {
                const Vertex& v = mesh.vertices[t[k]];
                V3 d = v.position - cam.eye;
                double z = Dot(d, cam.z);
                behind = behind || z < 0.01;
                iz[k] = 1.0 / z;
                sx[k] = (Dot(d, cam.x) * iz[k] * cam.focal / aspect + 1) * 0.5 * w;
                sy[k] = (1 - Dot(d, cam.y) * iz[k] * cam.focal) * 0.5 * h;
                lit[k] = LightVertex(v, material, cam.eye);
            }
            double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
            if (behind || area <= 0) continue;  // counter-clockwise on screen: a back face
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
                    double depth = 1.0 / inv;
                    double& stored = target.depth[static_cast<size_t>(y) * w + x];
                    if (depth >= stored) continue;
                    stored = depth;
                    double p[3];
                    for (int k = 0; k < 3; ++k) p[k] = b[k] * iz[k] / inv;  // perspective-correct weights
                    auto interp = [&](auto get) { return p[0] * get(0) + p[1] * get(1) + p[2] * get(2); };
                    double u = interp([&](int k) { return mesh.vertices[t[k]].u; });
                    double v = interp([&](int k) { return mesh.vertices[t[k]].v; });
                    Rgba tex = Sample(textures[m], u, v);
                    Rgba c;
                    c.r = tex.r * static_cast<float>(interp([&](int k) { return lit[k].diffuse.r; })) +
                          static_cast<float>(interp([&](int k) { return lit[k].specular.r; }));
                    c.g = tex.g * static_cast<float>(interp([&](int k) { return lit[k].diffuse.g; })) +
                          static_cast<float>(interp([&](int k) { return lit[k].specular.g; }));
                    c.b = tex.b * static_cast<float>(interp([&](int k) { return lit[k].diffuse.b; })) +
                          static_cast<float>(interp([&](int k) { return lit[k].specular.b; }));
                    float alpha = material.diffuse[3];
                    Rgba& dst = target.colour.at(x, y);
                    dst = Mix(dst, Rgba{std::min(c.r, 1.0f), std::min(c.g, 1.0f), std::min(c.b, 1.0f), 1}, alpha);
                }
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

Picture RenderView(const Mesh& mesh, const std::vector<const Picture*>& textures, double yaw, double pitch,
                   double distance, int w, int h) {
    const int ss = 2;
    Target target{Picture(w * ss, h * ss), std::vector<double>(static_cast<size_t>(w * ss) * h * ss, 1e30)};
    for (int y = 0; y < h * ss; ++y) {
        Rgba sky = Mix(Rgba{0.45f, 0.62f, 0.85f, 1}, Rgba{0.78f, 0.84f, 0.90f, 1}, static_cast<float>(y) / (h * ss));
        for (int x = 0; x < w * ss; ++x) target.colour.at(x, y) = sky;
    }
    DrawMesh(target, mesh, textures, Orbit(yaw, pitch, distance, 30));
    return Downsample(target.colour, ss);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fputs("usage: vantaro-preview-assets MODEL.x TEXTURE_DIR AIRCRAFT_NUMBER OUT.png [DISTANCE]\n"
                   "Draws the model from six angles in a 3 x 2 sheet of 400 x 300 views.\n",
                   stderr);
        return 2;
    }
    Mesh mesh;
    if (!ReadXFile(argv[1], mesh)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::string dir = argv[2], number = argv[3];
    double distance = argc > 5 ? std::atof(argv[5]) : 3.2;
    std::map<std::string, Picture> loaded;
    std::vector<const Picture*> textures;
    for (const Material& m : mesh.materials) {
        std::string name = m.texture == "KZ004.jpg" ? "KZ004_" + number + ".jpg" : m.texture;
        if (name.empty()) {
            textures.push_back(nullptr);
            continue;
        }
        if (!loaded.count(name) && !ReadJpeg(dir + "/" + name, loaded[name])) {
            std::fprintf(stderr, "cannot read %s/%s\n", dir.c_str(), name.c_str());
            return 1;
        }
        textures.push_back(&loaded[name]);
    }
    const double views[6][2] = {{-40, 18}, {90, 3}, {140, 28}, {0, 89}, {-55, -35}, {180, 6}};
    const int w = 400, h = 300;
    Picture sheet(w * 3, h * 2);
    for (int i = 0; i < 6; ++i) {
        Picture view = RenderView(mesh, textures, views[i][0], views[i][1], distance, w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) sheet.at((i % 3) * w + x, (i / 3) * h + y) = view.at(x, y);
        }
    }
    return WritePng(argv[4], sheet) ? 0 : 1;
}
