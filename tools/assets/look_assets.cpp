// vantaro-look-assets: draws the assets the saver carries with the saver's own device, scenery
// and aircraft, offscreen, and writes contact sheets into a folder:
//   aircraft_clean.png, aircraft_gear.png  six angles of each model
//   liveries.png                           the six aircraft, one livery each
//   scenery.png                            sky and ground from the spectators' camera, ground from
//                                          above, a smoke trail
//   assets.png                             a small montage of the best of these

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/assets/asset_view.h"
#include "tools/assets/picture.h"
#include "platform/standard_streams.h"

namespace {

using assets::AssetScene;
using assets::kSpectators;
using assets::Placement;
using assets::PosedTeam;

constexpr float kRadians = 0.017453292f;

assets::Picture ToPicture(const gfx::Image& image) {
    assets::Picture p(static_cast<int>(image.width), static_cast<int>(image.height));
    for (unsigned y = 0; y < image.height; ++y) {
        for (unsigned x = 0; x < image.width; ++x) {
            const std::uint8_t* px = image.Pixel(x, y);
            p.at(static_cast<int>(x), static_cast<int>(y)) = {px[0] / 255.0f, px[1] / 255.0f, px[2] / 255.0f, 1};
        }
    }
    return p;
}

assets::Picture Frame(AssetScene& s, PosedTeam* team, gfx::Vec3 eye, gfx::Vec3 at, float fov) {
    return ToPicture(assets::DrawFrame(s, team, eye, at, fov));
}

assets::Picture Sheet(const std::vector<assets::Picture>& views, int columns) {
    int w = views[0].width, h = views[0].height;
    int rows = (static_cast<int>(views.size()) + columns - 1) / columns;
    assets::Picture sheet(w * columns, h * rows);
    for (size_t i = 0; i < views.size(); ++i) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                sheet.at(static_cast<int>(i % columns) * w + x, static_cast<int>(i / columns) * h + y) = views[i].at(x, y);
            }
        }
    }
    return sheet;
}

// Two thirds of the size, each pixel the mean of a 4 x 4 grid of samples over the area it
// covers, so that the montage stays small enough to show in the README.
assets::Picture Reduced(const assets::Picture& p) {
    assets::Picture out(p.width * 2 / 3, p.height * 2 / 3);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            assets::Rgba sum{0, 0, 0, 0};
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < 4; ++i) {
                    int sx = static_cast<int>((x + (i + 0.5) / 4) * 1.5), sy = static_cast<int>((y + (j + 0.5) / 4) * 1.5);
                    const assets::Rgba& c = p.at(sx, sy);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            }
            out.at(x, y) = assets::Scaled(sum, 1.0f / 16);
        }
    }
    return out;
}

// The team high above the field, the eye orbiting `look`: yaw 0 looks at the nose.
const gfx::Vec3 kAloft = {0, 20, 0};

assets::Picture Orbit(AssetScene& s, PosedTeam& team, float yawDegrees, float pitchDegrees, float distance,
                      gfx::Vec3 look = kAloft) {
    float yaw = yawDegrees * kRadians, pitch = pitchDegrees * kRadians;
    gfx::Vec3 eye = look + gfx::Vec3{std::cos(pitch) * std::sin(yaw), std::sin(pitch), -std::cos(pitch) * std::cos(yaw)} * distance;
    return Frame(s, &team, eye, look, 30);
}

const float kViews[6][2] = {{-40, 18}, {90, 3}, {140, 28}, {0, 89}, {-55, -35}, {180, 6}};

bool Write(const std::string& path, const assets::Picture& picture) {
    bool ok = assets::WritePng(path, picture);
    if (!ok) std::fprintf(stderr, "vantaro-look-assets: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    platform::KeepStandardStreamsOpen();
    if (argc != 2) {
        std::fputs("usage: vantaro-look-assets OUT_DIR\n", stderr);
        return 2;
    }
    std::string out = argv[1];
    AssetScene s;
    if (!assets::MakeAssetScene(400, 300, s)) return 1;

    std::vector<assets::Picture> montage;
    for (bool gear : {false, true}) {
        PosedTeam one;
        if (!one.Init(s, {{gear ? 2 : 1, gear, kAloft}})) return 1;
        std::vector<assets::Picture> views;
        for (const auto& v : kViews) views.push_back(Orbit(s, one, v[0], v[1], 3.2f));
        if (!Write(out + (gear ? "/aircraft_gear.png" : "/aircraft_clean.png"), Sheet(views, 3))) return 1;
        montage.push_back(gear ? Orbit(s, one, 60, -12, 1.9f) : Orbit(s, one, -40, 16, 2.3f, kAloft + gfx::Vec3{0, 0, -0.2f}));
    }
    std::vector<assets::Picture> liveries;
    for (int n = 1; n <= 6; ++n) {
        PosedTeam one;
        if (!one.Init(s, {{n, false, kAloft}})) return 1;
        liveries.push_back(Orbit(s, one, -62, 10, 1.2f, kAloft + gfx::Vec3{0, 0, -0.45f}));
    }
    if (!Write(out + "/liveries.png", Sheet(liveries, 3))) return 1;
    montage.push_back(liveries[2]);

    // A pair trailing smoke across the sky, seen from the spectators.
    PosedTeam pair;
    if (!pair.Init(s, {{5, false, {-10, 16, 30}, -70, 8, 0, true}, {6, false, {-8, 15.6f, 31.5f}, -70, 8, 0, true}})) return 1;
    std::vector<assets::Picture> scenery = {
        Frame(s, nullptr, kSpectators, {0, 12, 0}, 60),
        Frame(s, nullptr, kSpectators, {-40, 8, 60}, 20),
        Frame(s, nullptr, kSpectators, {0, 1.5f, -120}, 4),
        Frame(s, nullptr, {0, 420, -1}, {0, 0, 0}, 46),
        Frame(s, &pair, kSpectators, {-2, 17, 28}, 30),
        Frame(s, nullptr, kSpectators, {-100, 2, 60}, 8),
    };
    if (!Write(out + "/scenery.png", Sheet(scenery, 3))) return 1;
    montage.push_back(scenery[0]);

    // Through the long lens, as the saver shows them: one aircraft against the clouds, and
    // three in echelon banking away, trailing smoke.
    PosedTeam solo, echelon;
    if (!solo.Init(s, {{1, false, {0, 6, 0}, 0, 0, 0, true}})) return 1;
    montage.push_back(Frame(s, &solo, kSpectators, {0, 6, 0}, 3));
    std::vector<Placement> three;
    for (int n = 0; n < 3; ++n) {
        three.push_back({n + 1, false, {-1.2f * n + 2, 10.0f - 0.25f * n, 1.3f * n - 10}, -57, 5, 29, true});
    }
    if (!echelon.Init(s, three)) return 1;
    montage.push_back(Frame(s, &echelon, kSpectators, {0.8f, 9.8f, -8.7f}, 5));
    return Write(out + "/assets.png", Reduced(Sheet(montage, 3))) ? 0 : 1;
}
