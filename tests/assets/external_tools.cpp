#include "tests/assets/external_tools.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <fstream>
#include <sstream>

namespace assets_test {

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantaro-assets-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

namespace {

P3 Sub(const P3& a, const P3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
P3 Cross(const P3& a, const P3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const P3& a, const P3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void ReadMaterialLibrary(const std::filesystem::path& path, ObjModel& model) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key, value;
        fields >> key >> value;
        if (key == "newmtl") model.materials.push_back(value);
        if (key == "map_Kd" && !model.materials.empty()) model.textureOf[model.materials.back()] = value;
    }
}

}  // namespace

ObjModel ExportThroughAssimp(const std::filesystem::path& model, const TempDir& scratch, std::string& error) {
    ObjModel out;
    std::filesystem::path obj = scratch.path() / (model.stem().string() + ".obj");
    // --left-handed undoes assimp's conversion, so positions and corner order are the file's.
    CommandResult r = RunCommand("assimp export " + Quoted(model) + " " + Quoted(obj) + " --left-handed");
    if (r.status != 0) {
        error = "assimp export failed: " + r.output;
        return out;
    }
    ReadMaterialLibrary(scratch.path() / (model.stem().string() + ".mtl"), out);
    std::ifstream in(obj);
    std::string line;
    int material = -1;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "v") {
            P3 p;
            fields >> p[0] >> p[1] >> p[2];
            out.positions.push_back(p);
        } else if (key == "vt") {
            std::array<double, 2> t{};
            fields >> t[0] >> t[1];
            out.texCoords.push_back(t);
        } else if (key == "usemtl") {
            std::string name;
            fields >> name;
            material = -1;
            for (size_t i = 0; i < out.materials.size(); ++i) {
                if (out.materials[i] == name) material = static_cast<int>(i);
            }
        } else if (key == "f") {
            ObjModel::Face face{material, {}, {-1, -1, -1}};
            std::string corner;
            int k = 0;
            while (fields >> corner) {
                if (k == 3) {
                    error = "a face with more than three corners";
                    return out;
                }
                size_t slash = corner.find('/');
                if (slash != std::string::npos && slash + 1 < corner.size() && corner[slash + 1] != '/') {
                    face.texCoord[static_cast<size_t>(k)] = std::atoi(corner.c_str() + slash + 1) - 1;
                }
                face.position[static_cast<size_t>(k++)] = std::atoi(corner.c_str()) - 1;
            }
            out.faces.push_back(face);
        }
    }
    if (out.faces.empty()) error = "no faces in " + obj.string();
    return out;
}

std::array<int, 3> Rgb8Image::At(int x, int y) const {
    size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {static_cast<unsigned char>(pixels[i]), static_cast<unsigned char>(pixels[i + 1]),
            static_cast<unsigned char>(pixels[i + 2])};
}

Rgb8Image DecodeWithDjpeg(const std::filesystem::path& jpeg) {
    Rgb8Image image;
    CommandResult r = RunCommand("djpeg -pnm " + Quoted(jpeg));
    std::istringstream header(r.output);
    std::string magic;
    int maxValue = 0;
    header >> magic >> image.width >> image.height >> maxValue;
    size_t size = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3;
    if (r.status != 0 || magic != "P6" || maxValue != 255 || r.output.size() < size) return {};
    image.pixels = r.output.substr(r.output.size() - size);
    return image;
}

Hit CastRay(const ObjModel& model, const P3& origin, const P3& direction) {
    Hit best;
    for (size_t f = 0; f < model.faces.size(); ++f) {
        const auto& idx = model.faces[f].position;
        const P3& a = model.positions[static_cast<size_t>(idx[0])];
        P3 e1 = Sub(model.positions[static_cast<size_t>(idx[1])], a);
        P3 e2 = Sub(model.positions[static_cast<size_t>(idx[2])], a);
        P3 p = Cross(direction, e2);
        double det = Dot(e1, p);
        if (std::abs(det) < 1e-14) continue;
        P3 s = Sub(origin, a);
        double u = Dot(s, p) / det;
        if (u < 0 || u > 1) continue;
        P3 q = Cross(s, e1);
        double v = Dot(direction, q) / det;
        if (v < 0 || u + v > 1) continue;
        double t = Dot(e2, q) / det;
        if (t > 1e-9 && (best.distance < 0 || t < best.distance)) best = {t, static_cast<int>(f)};
    }
    return best;
}

bool ClockwiseFrom(const ObjModel& model, int face, const P3& eye) {
    const auto& idx = model.faces[static_cast<size_t>(face)].position;
    const P3& a = model.positions[static_cast<size_t>(idx[0])];
    P3 n = Cross(Sub(model.positions[static_cast<size_t>(idx[1])], a), Sub(model.positions[static_cast<size_t>(idx[2])], a));
    return Dot(n, Sub(eye, a)) > 0;
}

}  // namespace assets_test
