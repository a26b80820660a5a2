// Runs of puff-like draws go to the device in batches (OpenGL's instanced draws, Direct3D 9's
// vertex shader); the picture must not change. Runs on both devices.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gl_test_support.h"
#include "gfx/math.h"
#include "platform/random.h"
#include "scene/recording_device.h"

namespace scene {
namespace {

using testing::PixelAt;
using testing::ReadBack;
using testing::UploadVertices;

// A round, soft-edged puff image.
gfx::Image PuffImage(std::uint8_t grey) {
    gfx::Image image{16, 16, {}};
    for (unsigned y = 0; y < 16; ++y) {
        for (unsigned x = 0; x < 16; ++x) {
            float dx = (static_cast<float>(x) - 7.5f) / 8, dy = (static_cast<float>(y) - 7.5f) / 8;
            float alpha = std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy));
            image.pixels.insert(image.pixels.end(), {grey, grey, grey, static_cast<std::uint8_t>(alpha * 255)});
        }
    }
    return image;
}

struct Puff {
    gfx::Matrix world;
    float alpha;
};

std::vector<Puff> MakePuffs(int count) {
    platform::SeedRand(7);
    auto unit = [] { return static_cast<float>(platform::Rand()) / platform::kRandMax; };
    std::vector<Puff> puffs;
    for (int i = 0; i < count; ++i) {
        float size = 2 + 30 * unit();
        gfx::Matrix world = gfx::MatrixMultiply(gfx::MatrixScaling(size, size, 1),
                                                gfx::MatrixTranslation(unit() * 4 - 2, unit() * 3 - 1.5f, 4 + unit() * 4));
        puffs.push_back({world, 0.2f + 0.8f * unit()});
    }
    return puffs;
}

constexpr int kPuffCount = 3000;
constexpr int kFirstDarkPuff = 2000;  // where the texture changes

// OpenGL draws instances with the very program it draws single draws with: the same pixels.
// Direct3D 9's batched path places vertices in view space itself, which may round an edge
// pixel or a depth differently: a level or two at most.
#ifdef _WIN32
constexpr int kLargestBatchDifference = 2;
#else
constexpr int kLargestBatchDifference = 0;
#endif

// The smoke's material, white whatever the light, and one the lighting shades.
Material SmokeMaterial() {
    Material material;
    material.diffuse = material.ambient = material.emissive = {1, 1, 1, 1};
    return material;
}
Material ShadedMaterial() {
    Material material;
    material.diffuse = {0.7f, 0.6f, 0.5f, 1};
    material.ambient = {0.5f, 0.5f, 0.5f, 1};
    material.emissive = {0.1f, 0.2f, 0.1f, 1};
    return material;
}

// Draws the puffs as the smoke code does, one strip each, and reads the picture back.
gfx::Image DrawPuffs(RenderDevice& device, bool batching, DeviceStats& stats, Material material = SmokeMaterial()) {
    std::unique_ptr<Texture> light, dark;
    EXPECT_EQ(device.CreateTexture(PuffImage(240), light), kOk);
    EXPECT_EQ(device.CreateTexture(PuffImage(120), dark), kOk);
    const float h = 0.03f;
    auto quad = UploadVertices(device, {{-h, h, 0, 0, 0, -1, 0, 0},
                                        {h, h, 0, 0, 0, -1, 1, 0},
                                        {-h, -h, 0, 0, 0, -1, 0, 1},
                                        {h, -h, 0, 0, 0, -1, 1, 1}});

    device.SetBatching(batching);
    device.Clear(kClearTarget | kClearZBuffer, 0xff000028, 1, 0);
    device.SetTransform(TransformType::kProjection, gfx::MatrixPerspectiveFovLH(0.8f, 1, 1, 100));
    Light sun;
    sun.diffuse = {1, 1, 1, 0};
    sun.direction = gfx::Vec3Normalize({-0.3f, -0.6f, 0.2f});
    device.SetLight(0, sun);
    device.LightEnable(0, true);
    device.SetRenderState(RenderState::kAmbient, 0x00505050);
    device.SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device.SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device.SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    device.SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    device.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    device.ResetStats();

    auto puffs = MakePuffs(kPuffCount);
    for (std::size_t i = 0; i < puffs.size(); ++i) {
        material.diffuse.a = puffs[i].alpha;
        device.SetMaterial(material);
        device.SetStreamSource(0, quad.get(), 0, sizeof(testing::Vertex));
        device.SetFVF(testing::kVertexFvf);
        device.SetTexture(0, i < kFirstDarkPuff ? light.get() : dark.get());  // the change ends a run
        device.SetTransform(TransformType::kWorld, puffs[i].world);
        EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kOk);
    }
    gfx::Image image = ReadBack(device);
    stats = device.Stats();
    return image;
}

int LargestDifference(const gfx::Image& a, const gfx::Image& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        largest = std::max(largest, std::abs(a.pixels[i] - b.pixels[i]));
    }
    return largest;
}

// Long runs may go out in several draws; none may drop, repeat or reorder a puff, or lose the
// faint alphas of old smoke. A run the batched path cannot reproduce (a material the lighting
// shades, which Direct3D 9 draws one by one) gives the same picture too.
TEST(GlBatching, PuffsDrawnAsInstancesMatchPuffsDrawnOneByOne) {
    auto device = testing::MakeOffscreen(160, 120);
    ASSERT_NE(device, nullptr);
    DeviceStats single, batched;
    gfx::Image oneByOne = DrawPuffs(*device, false, single);
    gfx::Image instanced = DrawPuffs(*device, true, batched);

    EXPECT_EQ(single.drawCalls, std::uint64_t{kPuffCount});
    EXPECT_GE(batched.drawCalls, 2u);  // the texture change ends a run
    EXPECT_LE(batched.drawCalls, 8u);
    EXPECT_EQ(batched.instances, std::uint64_t{kPuffCount});
    ASSERT_EQ(oneByOne.pixels.size(), instanced.pixels.size());
    EXPECT_LE(LargestDifference(oneByOne, instanced), kLargestBatchDifference);
    // The puffs must have drawn something for the comparison to mean anything.
    EXPECT_NE(PixelAt(instanced, 80, 60).b, 40);

    gfx::Image shadedOneByOne = DrawPuffs(*device, false, single, ShadedMaterial());
    gfx::Image shaded = DrawPuffs(*device, true, batched, ShadedMaterial());
    EXPECT_EQ(batched.instances, std::uint64_t{kPuffCount});
    EXPECT_LE(LargestDifference(shadedOneByOne, shaded), kLargestBatchDifference);
    EXPECT_NE(LargestDifference(shaded, instanced), 0);
}

TEST(GlBatching, QueuedDrawsSeeNeitherLaterStateNorLaterVertices) {
    auto device = testing::MakeOffscreen();
    ASSERT_NE(device, nullptr);
    device->SetRenderState(RenderState::kLighting, 0);
    auto buffer = UploadVertices(*device, testing::Quad(-1, -1, 0, 0, 0.5f));  // bottom-left quarter
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
    device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);

    // Rewriting the buffer and switching lighting on must not reach the two queued draws.
    auto memory = buffer->Lock();
    auto moved = testing::Quad(0, 0, 1, 1, 0.5f);  // top-right quarter
    std::memcpy(memory.data(), moved.data(), memory.size());
    buffer->Unlock();
    device->SetRenderState(RenderState::kLighting, 1);
    device->SetMaterial(testing::FlatMaterial(1, 0, 0));
    device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);

    auto image = ReadBack(*device);
    EXPECT_EQ(PixelAt(image, 16, 48).r, 255);  // unlit white, bottom left
    EXPECT_EQ(PixelAt(image, 16, 48).g, 255);
    EXPECT_EQ(PixelAt(image, 48, 16).r, 255);  // lit red, top right
    EXPECT_EQ(PixelAt(image, 48, 16).g, 0);
}

}  // namespace
}  // namespace scene
