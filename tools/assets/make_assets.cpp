// vantaro-make-assets: writes every mesh and image the saver carries, the same bytes on every
// run, into a resources folder (models/, textures/, icons/).

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/assets/aircraft.h"
#include "tools/assets/livery.h"
#include "tools/assets/scenery.h"

namespace {

using namespace assets;

constexpr int kJpegQuality = 92;

bool Report(bool ok, const std::string& path) {
    if (!ok) std::fprintf(stderr, "vantaro-make-assets: cannot write %s\n", path.c_str());
    return ok;
}

bool MakeAll(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const char* sub : {"models", "textures", "icons"}) fs::create_directories(root / sub, error);
    auto model = [&](const char* name, Mesh mesh) {
        std::string path = (root / "models" / name).string();
        mesh.RemoveUnusedVertices();
        return Report(WriteXFile(path, mesh), path);
    };
    auto jpeg = [&](const std::string& name, const Picture& picture) {
        std::string path = (root / "textures" / name).string();
        return Report(WriteJpeg(path, picture, kJpegQuality), path);
    };
    bool ok = model("KZ.x", BuildAircraft(false)) && model("KZd.x", BuildAircraft(true)) &&
              model("KZ_light.x", BuildAircraft(false, kLightAircraftDetail)) &&
              model("KZd_light.x", BuildAircraft(true, kLightAircraftDetail)) && model("SKY.x", BuildSky()) &&
              model("RUNWAY.x", BuildGround());
    ok = ok && jpeg("KZ000.jpg", PaintWingTopTexture()) && jpeg("KZ001.jpg", PaintWingBottomTexture()) &&
         jpeg("KZ002.jpg", PaintFinTexture()) && jpeg("KZ003.jpg", PaintTailplaneTexture());
    for (int n = 1; ok && n <= 6; ++n) ok = jpeg("KZ004_" + std::to_string(n) + ".jpg", PaintFuselageTexture(n));
    ok = ok && jpeg("SKY.jpg", PaintSky()) && jpeg("land21.jpg", PaintGround());
    std::string puff = (root / "textures" / "smoke.tga").string();
    ok = ok && Report(WriteTarga(puff, PaintSmokePuff()), puff);
    std::vector<Picture> icons;
    for (int size : IconSizes()) icons.push_back(PaintIcon(size));
    std::string icon = (root / "icons" / "vantaro.ico").string();
    return ok && Report(WriteIcon(icon, icons), icon);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs("usage: vantaro-make-assets RESOURCES_DIR\n"
                   "Writes models/*.x, textures/*.jpg, textures/smoke.tga and icons/vantaro.ico.\n",
                   argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    return MakeAll(argv[1]) ? 0 : 1;
}
