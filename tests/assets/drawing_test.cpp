// The assets as the saver uses them: read by our own mesh loader, and drawn by our own device
// offscreen under the scene's states.

#include <gtest/gtest.h>

#include <cmath>

#include "gfx/mesh_file.h"
#include "platform/resources.h"
#include "show/frame.h"
#include "tools/assets/asset_view.h"

namespace {

using platform::ResourceType;

TEST(AssetLoading, OurLoaderReadsEveryModelWithOneSubsetPerMaterial) {
    const struct {
        int id;
        size_t subsets;
        int textured;
    } models[] = {{164, 19, 5}, {162, 22, 5}, {161, 1, 1}, {163, 1, 1}};
    for (const auto& m : models) {
        auto bytes = platform::FindResource(ResourceType::kMESH, m.id);
        ASSERT_TRUE(bytes.has_value()) << m.id;
        gfx::MeshFileResult file = gfx::LoadMeshFile(*bytes);
        ASSERT_TRUE(file) << m.id << ": " << gfx::Describe(file.error) << " at line " << file.line;
        ASSERT_EQ(file.mesh.subsets.size(), m.subsets) << m.id;
        int textured = 0;
        for (size_t j = 0; j < m.subsets; ++j) {
            EXPECT_GT(file.mesh.subsets[j].indexCount, 0u) << m.id << " subset " << j << " draws nothing";
            textured += file.mesh.materials[j].textureFileName.empty() ? 0 : 1;
        }
        EXPECT_EQ(textured, m.textured) << m.id;
        for (const gfx::MeshVertex& v : file.mesh.vertices) {
            ASSERT_NEAR(gfx::Vec3Length(v.normal), 1.0f, 1e-3f) << m.id;
        }
    }
}

bool IsClearColour(const std::uint8_t* p) {
    return p[0] == ((show::kClearColor >> 16) & 0xff) && p[1] == ((show::kClearColor >> 8) & 0xff) &&
           p[2] == (show::kClearColor & 0xff);
}

TEST(AssetDrawing, SkyAndGroundCoverTheSpectatorsViewWithSkyAboveAndGrassBelow) {
    assets::AssetScene s;
    ASSERT_TRUE(assets::MakeAssetScene(160, 120, s));
    // Wide, medium and long lens towards the horizon, and steeply up.
    const struct {
        gfx::Vec3 at;
        float fov;
    } views[] = {{{0, 12, 0}, 60}, {{-40, 8, 60}, 20}, {{0, 1.5f, -120}, 4}, {{50, 80, -20}, 60}};
    for (const auto& v : views) {
        gfx::Image image = assets::DrawFrame(s, nullptr, assets::kSpectators, v.at, v.fov);
        ASSERT_EQ(image.width, 160u);
        int holes = 0;
        for (unsigned y = 0; y < image.height; ++y) {
            for (unsigned x = 0; x < image.width; ++x) holes += IsClearColour(image.Pixel(x, y)) ? 1 : 0;
        }
        EXPECT_EQ(holes, 0) << "fov " << v.fov;
        const std::uint8_t* top = image.Pixel(80, 2);
        EXPECT_GT(top[2], top[0]) << "sky at the top, fov " << v.fov;
        if (v.at.y < 20) {
            const std::uint8_t* bottom = image.Pixel(80, 117);
            EXPECT_GT(bottom[1], bottom[2]) << "grass at the bottom, fov " << v.fov;
        }
    }
}

TEST(AssetDrawing, EachAircraftShowsFromEveryAngle) {
    assets::AssetScene s;
    ASSERT_TRUE(assets::MakeAssetScene(160, 120, s));
    const gfx::Vec3 centre = {0, 20, 0};
    for (bool gearDown : {false, true}) {
        assets::PosedTeam one;
        ASSERT_TRUE(one.Init(s, {{3, gearDown, centre}}));
        for (float yaw : {0.0f, 60.0f, 120.0f, 180.0f, 240.0f, 300.0f}) {
            float r = yaw * 0.017453292f;
            gfx::Vec3 eye = centre + gfx::Vec3{std::sin(r) * 2.7f, 0.8f, -std::cos(r) * 2.7f};
            gfx::Image empty = assets::DrawFrame(s, nullptr, eye, centre, 30);
            gfx::Image drawn = assets::DrawFrame(s, &one, eye, centre, 30);
            int changed = 0;
            for (size_t i = 0; i < drawn.pixels.size(); i += 4) changed += drawn.pixels[i] != empty.pixels[i] ? 1 : 0;
            // Seen from any side the aircraft covers a good part of the picture, not a sliver.
            EXPECT_GT(changed, 160 * 120 / 40) << (gearDown ? "gear down" : "clean") << " from yaw " << yaw;
        }
    }
}

}  // namespace
