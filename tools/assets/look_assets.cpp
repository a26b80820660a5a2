// vantaro-look-assets: draws the assets the saver carries with the saver's own graphics device,
// offscreen, under the scene's light and render states, and writes contact sheets:
//   aircraft_clean.png, aircraft_gear.png  six angles of each model
//   liveries.png                           the six aircraft, one livery each
//   scenery.png                            sky and ground from the spectators' camera, ground from above,
//                                          an old smoke trail
//   assets.png                             a small montage of the best of these

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/assets/asset_view.h"
#include "tools/assets/picture.h"

namespace {

using assets::AssetScene;
using assets::DrawFrame;
using assets::kSpectators;
using assets::Model;

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

assets::Picture Sheet(const std::vector<assets::Picture>& views, int columns) {
    int w = views[0].width, h = views[0].height;
    int rows = (static_cast<int>(views.size()) + columns - 1) / columns;
    assets::Picture sheet(w * columns, h * rows);
    for (size_t i = 0; i < views.size(); ++i) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) sheet.at(static_cast<int>(i % columns) * w + x, static_cast<int>(i / columns) * h + y) = views[i].at(x, y);
        }
    }
    return sheet;
}

// The aircraft high above the field, the eye orbiting it: yaw 0 looks at the nose.
assets::Picture Orbit(AssetScene& s, const Model& aircraft, float yawDegrees, float pitchDegrees, float distance,
                      float lookZ = 0) {
    const gfx::Vec3 place = {0, 20, 0}, centre = {0, 20, lookZ};
    float yaw = yawDegrees * kRadians, pitch = pitchDegrees * kRadians;
    gfx::Vec3 eye = centre + gfx::Vec3{std::cos(pitch) * std::sin(yaw), std::sin(pitch), -std::cos(pitch) * std::cos(yaw)} * distance;
    return ToPicture(DrawFrame(s, {{&aircraft, gfx::MatrixTranslation(place.x, place.y, place.z)}}, eye, centre, 30));
}

// A straight trail from the smoke nozzle backwards, as if flown at 15 units a second.
std::vector<assets::Puff> SmokeBehind(const gfx::Matrix& world) {
    std::vector<assets::Puff> trail;
    for (int k = 0; k < 160; ++k) {
        float back = 0.1f * k;
        gfx::Vec3 p = gfx::Vec3TransformCoord({-0.046f, -0.028f, 0.425f + back}, world);
        trail.push_back({p, 1 + back / 15.0f * 1000.0f});
    }
    return trail;
}

const float kViews[6][2] = {{-40, 18}, {90, 3}, {140, 28}, {0, 89}, {-55, -35}, {180, 6}};

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

bool Write(const std::string& path, const assets::Picture& picture) {
    bool ok = assets::WritePng(path, picture);
    if (!ok) std::fprintf(stderr, "vantaro-look-assets: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vantaro-look-assets OUT_DIR\n", stderr);
        return 2;
    }
    std::string out = argv[1];
    AssetScene s;
    if (!assets::MakeAssetScene(400, 300, s)) return 1;

    std::vector<assets::Picture> montage;
    for (int gear = 0; gear < 2; ++gear) {
        Model aircraft;
        if (!assets::LoadModel(*s.device, gear ? 162 : 164, gear ? 2 : 1, aircraft)) return 1;
        std::vector<assets::Picture> views;
        for (const auto& v : kViews) views.push_back(Orbit(s, aircraft, v[0], v[1], 3.2f));
        if (!Write(out + (gear ? "/aircraft_gear.png" : "/aircraft_clean.png"), Sheet(views, 3))) return 1;
        montage.push_back(Orbit(s, aircraft, gear ? 60.0f : -40.0f, gear ? -12.0f : 16.0f, gear ? 1.9f : 2.3f, gear ? 0.0f : -0.2f));
    }
    std::vector<assets::Picture> liveries;
    for (int n = 1; n <= 6; ++n) {
        Model aircraft;
        if (!assets::LoadModel(*s.device, 164, n, aircraft)) return 1;
        liveries.push_back(Orbit(s, aircraft, -62, 10, 1.2f, -0.45f));
    }
    if (!Write(out + "/liveries.png", Sheet(liveries, 3))) return 1;
    montage.push_back(liveries[2]);

    std::vector<assets::Picture> scenery = {
        ToPicture(DrawFrame(s, {}, kSpectators, {0, 12, 0}, 60)),
        ToPicture(DrawFrame(s, {}, kSpectators, {-40, 8, 60}, 20)),
        ToPicture(DrawFrame(s, {}, kSpectators, {0, 1.5f, -120}, 4)),
        ToPicture(DrawFrame(s, {}, {0, 420, -1}, {0, 0, 0}, 46)),
    };
    // An old trail drifting across the sky: puffs of 5 to 45 seconds.
    std::vector<assets::Puff> oldTrail;
    for (int k = 0; k < 200; ++k) oldTrail.push_back({{-10.0f + 0.2f * k, 14.0f + 0.03f * k, 10.0f}, 5000.0f + 200.0f * k});
    scenery.push_back(ToPicture(DrawFrame(s, {}, kSpectators, {10, 16, 10}, 40, oldTrail)));
    scenery.push_back(ToPicture(DrawFrame(s, {}, kSpectators, {-100, 2, 60}, 8)));
    if (!Write(out + "/scenery.png", Sheet(scenery, 3))) return 1;
    montage.push_back(scenery[0]);
    // Through the long lens, as the saver shows them: one aircraft against the clouds, and
    // three in echelon banking away, trailing smoke.
    {
        std::vector<Model> team(3);
        for (int n = 0; n < 3; ++n) {
            if (!assets::LoadModel(*s.device, 164, n + 1, team[static_cast<size_t>(n)])) return 1;
        }
        gfx::Matrix level = gfx::MatrixTranslation(0, 6, 0);
        montage.push_back(ToPicture(DrawFrame(s, {{&team[0], level}}, kSpectators, {0, 6, 0}, 3, SmokeBehind(level))));
        std::vector<assets::Placed> echelon;
        std::vector<assets::Puff> smoke;
        for (int n = 0; n < 3; ++n) {
            gfx::Matrix world = gfx::MatrixMultiply(gfx::MatrixRotationYawPitchRoll(-1.0f, 0.08f, 0.5f),
                                                    gfx::MatrixTranslation(-1.2f * n + 2, 10.0f - 0.25f * n, 1.3f * n - 10));
            echelon.push_back({&team[static_cast<size_t>(n)], world});
            std::vector<assets::Puff> trail = SmokeBehind(world);
            smoke.insert(smoke.end(), trail.begin(), trail.end());
        }
        montage.push_back(ToPicture(DrawFrame(s, echelon, kSpectators, {0.8f, 9.8f, -8.7f}, 5, smoke)));
    }
    return Write(out + "/assets.png", Reduced(Sheet(montage, 3))) ? 0 : 1;
}
