// Runs of puff-like draws go to OpenGL as instanced draws; the picture must not change.

#include <gtest/gtest.h>

#include <cmath>

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

// Draws the puffs as the smoke code does, one strip each, and reads the picture back.
gfx::Image DrawPuffs(RenderDevice& device, bool batching, DeviceStats& stats) {
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

    Material material;
    material.diffuse = material.ambient = material.emissive = {1, 1, 1, 1};
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

// Long runs go out in several draws, with the rasteriser's queue bounded between them; neither
// may drop, repeat or reorder a puff.
TEST(GlBatching, PuffsDrawnAsInstancesMatchPuffsDrawnOneByOne) {
    auto device = testing::MakeOffscreen(160, 120);
    ASSERT_NE(device, nullptr);
    DeviceStats single, batched;
    gfx::Image oneByOne = DrawPuffs(*device, false, single);
    gfx::Image instanced = DrawPuffs(*device, true, batched);

    EXPECT_EQ(single.drawCalls, std::uint64_t{kPuffCount});
    EXPECT_GE(batched.drawCalls, 3u);  // the texture change, and runs longer than one draw takes
    EXPECT_LE(batched.drawCalls, 8u);
    EXPECT_EQ(batched.instances, std::uint64_t{kPuffCount});
    ASSERT_EQ(oneByOne.pixels.size(), instanced.pixels.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < oneByOne.pixels.size(); ++i) {
        differing += oneByOne.pixels[i] != instanced.pixels[i];
    }
    EXPECT_EQ(differing, 0u);
    // The puffs must have drawn something for the comparison to mean anything.
    EXPECT_NE(PixelAt(instanced, 80, 60).b, 40);
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
