#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "aircraft/smoke_trail.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "scene/recording_device.h"
#include "tests/aircraft/test_assets.h"

namespace aircraft {
namespace {

using platform::ResourceType;
using scene::CallKind;

constexpr std::uint32_t kQuadFvf = 0x112;

class SmokeDraw : public ::testing::Test {
protected:
    SmokeDraw() { resources.Replace(ResourceType::kRCDATA, 226, testing::MakeTarga(100, 100, 128)); }

    // A trail with one puff at each of `points`, born at `birth`, emitted as separate frames.
    void EmitAt(std::initializer_list<gfx::Vec3> points, std::uint32_t birth) {
        for (const gfx::Vec3& p : points) trail->Emit(p, birth, kNoEmitPoint);
    }

    std::vector<scene::RecordedCall> Puffs() const { return device.CallsOf(CallKind::kDrawPrimitive); }

    platform::ScopedResourceOverride resources;
    platform::MessageCapture messages;
    scene::RecordingDevice device;
    std::unique_ptr<SmokeTrail> trail = std::make_unique<SmokeTrail>();
};

TEST_F(SmokeDraw, InitWritesTheQuadAndMakesTheTexture) {
    trail->Init(device);
    const auto created = device.CallsOf(CallKind::kCreateVertexBuffer);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].length, 128u);
    EXPECT_EQ(created[0].usage, static_cast<std::uint32_t>(scene::kUsageWriteOnly));
    EXPECT_EQ(created[0].fvf, kQuadFvf);
    EXPECT_EQ(created[0].pool, scene::Pool::kManaged);

    const std::span<const std::byte> bytes = device.Contents(created[0].buffer);
    ASSERT_EQ(bytes.size(), 128u);
    float vertices[4][8];
    std::memcpy(vertices, bytes.data(), sizeof vertices);
    const float expected[4][8] = {{-0.03f, 0.03f, 0, 0, 0, -1, 0, 0},
                                  {0.03f, 0.03f, 0, 0, 0, -1, 1, 0},
                                  {-0.03f, -0.03f, 0, 0, 0, -1, 0, 1},
                                  {0.03f, -0.03f, 0, 0, 0, -1, 1, 1}};
    for (int v = 0; v < 4; ++v) {
        for (int f = 0; f < 8; ++f) EXPECT_EQ(vertices[v][f], expected[v][f]) << v << "," << f;
    }
    EXPECT_EQ(device.Count(CallKind::kUnlock), 1u);
    EXPECT_EQ(device.LiveTextures(), 1u);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(SmokeDraw, EachPuffSetsItsStateAndDrawsOneStrip) {
    trail->Init(device);
    EmitAt({{0, 0, 10}}, 0);
    device.ForgetCalls();
    trail->DrawAll(device, 1000);

    const std::vector<CallKind> expected = {CallKind::kSetMaterial, CallKind::kSetStreamSource, CallKind::kSetFVF,
                                            CallKind::kSetTexture,  CallKind::kSetTransform,    CallKind::kDrawPrimitive};
    ASSERT_EQ(device.Calls().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(device.Calls()[i].kind, expected[i]) << i;

    const scene::RecordedCall draw = Puffs().at(0);
    EXPECT_EQ(draw.primitive, scene::PrimitiveType::kTriangleStrip);
    EXPECT_EQ(draw.startVertex, 0u);
    EXPECT_EQ(draw.primitiveCount, 2u);
    EXPECT_EQ(draw.stride, 32u);
    EXPECT_EQ(draw.offset, 0u);
    EXPECT_EQ(draw.fvf, kQuadFvf);
    ASSERT_NE(draw.texture, nullptr);
    EXPECT_EQ(draw.texture->Width(), 128u);
    EXPECT_EQ(draw.material.diffuse.r, 1.0f);
    EXPECT_EQ(draw.material.ambient.a, 1.0f);
    EXPECT_EQ(draw.material.emissive.g, 1.0f);
    EXPECT_EQ(draw.material.specular.r, 0.0f);
    EXPECT_EQ(draw.material.power, 0.0f);
}

TEST_F(SmokeDraw, AlphaAndSizeFollowTheAge) {
    trail->Init(device);
    EmitAt({{0, 0, 10}}, 0);
    struct Case {
        std::uint32_t age;
        float alpha, size;
    };
    for (const Case& c : {Case{0, 1.007f, 0.0f}, Case{1000, 0.90128f, 9.48683f}, Case{10000, 0.31495f, 30.0f},
                          Case{20000, 0.08801f, 42.42641f}, Case{84999, 0.00700f, 87.46376f}}) {
        device.ForgetCalls();
        trail->DrawAll(device, c.age);
        ASSERT_EQ(Puffs().size(), 1u) << c.age;
        const scene::RecordedCall draw = Puffs()[0];
        EXPECT_NEAR(draw.material.diffuse.a, c.alpha, 1e-4f) << c.age;
        // With the identity view the billboard adds no rotation: the quad is just scaled.
        EXPECT_NEAR(draw.world.m[0][0], c.size, 1e-3f) << c.age;
        EXPECT_NEAR(draw.world.m[1][1], c.size, 1e-3f) << c.age;
        EXPECT_EQ(draw.world.m[2][2], 1.0f);
        EXPECT_NEAR(draw.world.m[3][2], 10.0f, 0.01f);
    }
}

TEST_F(SmokeDraw, OnlyLivePuffsAreDrawnAcrossTheClockWrap) {
    trail->Init(device);
    EmitAt({{0, 0, 10}}, 0);           // lives 85000 ms
    EmitAt({{0, 0, 20}}, 0xFFFFFFF0u);  // lives 80000 ms, born just before the clock wraps
    trail->DrawAll(device, 80000 - 0x10 - 1);
    EXPECT_EQ(Puffs().size(), 2u);
    device.ForgetCalls();
    trail->DrawAll(device, 80000 - 0x10);  // the second puff's age equals its lifetime
    ASSERT_EQ(Puffs().size(), 1u);
    EXPECT_NEAR(Puffs()[0].world.m[3][2], 10.0f, 0.01f);
    device.ForgetCalls();
    trail->DrawAll(device, 85000);
    EXPECT_TRUE(Puffs().empty());
}

TEST_F(SmokeDraw, FarthestPuffIsDrawnFirstAndThePoolKeepsItsOrder) {
    trail->Init(device);
    const gfx::Vec3 eye{60.0f, 0.2f, -27.0f};
    device.SetTransform(scene::TransformType::kView, gfx::MatrixLookAtLH(eye, {0, 20, 0}, {0, 1, 0}));
    // Along the line of sight, emitted neither nearest nor farthest first.
    EmitAt({{30, 10.1f, -13.5f}, {0, 20, 0}, {45, 5.15f, -20.25f}, {-30, 29.9f, 13.5f}}, 0);
    trail->DrawAll(device, 5000);

    std::vector<float> xs;
    for (const auto& draw : Puffs()) xs.push_back(draw.world.m[3][0]);
    ASSERT_EQ(xs.size(), 4u);
    EXPECT_NEAR(xs[0], -30, 0.01f);
    EXPECT_NEAR(xs[1], 0, 0.01f);
    EXPECT_NEAR(xs[2], 30, 0.01f);
    EXPECT_NEAR(xs[3], 45, 0.01f);
    EXPECT_NEAR(trail->Particles()[0].position.x, 30, 0.01f);
    EXPECT_NEAR(trail->Particles()[3].position.x, -30, 0.01f);
}

// The quad's corners, seen through the view, all lie at the puff's depth and span its size.
void ExpectFacesTheCamera(const gfx::Matrix& world, const gfx::Matrix& view, float size) {
    const gfx::Matrix toView = gfx::MatrixMultiply(world, view);
    const gfx::Vec4 a = gfx::Vec3Transform({-0.03f, 0.03f, 0}, toView);
    const gfx::Vec4 b = gfx::Vec3Transform({0.03f, 0.03f, 0}, toView);
    const gfx::Vec4 c = gfx::Vec3Transform({-0.03f, -0.03f, 0}, toView);
    EXPECT_NEAR(a.z, b.z, 1e-3f);
    EXPECT_NEAR(a.z, c.z, 1e-3f);
    EXPECT_NEAR(b.x - a.x, 0.06f * size, 1e-3f) << "left to right on screen";
    EXPECT_NEAR(a.y - c.y, 0.06f * size, 1e-3f) << "top above bottom on screen";
    EXPECT_NEAR(a.y, b.y, 1e-3f);
}

TEST_F(SmokeDraw, PuffsFaceTheCameraOfEachView) {
    trail->Init(device);
    EmitAt({{-20, 40, 5}}, 0);
    const gfx::Matrix first = gfx::MatrixLookAtLH({60.0f, 0.2f, -27.0f}, {-20, 40, 5}, {0, 1, 0});
    const gfx::Matrix second = gfx::MatrixLookAtLH({-60.0f, 10.0f, 80.0f}, {0, 30, 0}, {0, 1, 0});
    const float size = std::sqrt(4000.0f) * 0.3f;

    device.SetTransform(scene::TransformType::kView, first);
    trail->DrawAll(device, 4000);
    trail->DrawParticle(device, 0, 4000, second);
    trail->DrawParticle(device, 0, 4000, first);
    const auto draws = Puffs();
    ASSERT_EQ(draws.size(), 3u);
    ExpectFacesTheCamera(draws[0].world, first, size);
    ExpectFacesTheCamera(draws[1].world, second, size);
    ExpectFacesTheCamera(draws[2].world, first, size);
}

TEST_F(SmokeDraw, DrawParticleLeavesTheLifetimeTestToTheCaller) {
    trail->Init(device);
    EmitAt({{0, 0, 10}}, 0);
    trail->DrawParticle(device, 0, 200000, gfx::Matrix{});  // long dead
    EXPECT_EQ(Puffs().size(), 1u);
    trail->DrawParticle(device, 1, 0, gfx::Matrix{});  // never emitted
    trail->DrawParticle(device, SmokeTrail::kCapacity, 0, gfx::Matrix{});
    EXPECT_EQ(Puffs().size(), 1u);
}

TEST_F(SmokeDraw, WithoutAQuadNothingIsDrawnAndNothingIsSaid) {
    auto noInit = std::make_unique<SmokeTrail>();
    noInit->Emit({0, 0, 10}, 0, kNoEmitPoint);
    EXPECT_EQ(noInit->ParticleCount(), 1u) << "emission does not need the device";

    for (CallKind failing : {CallKind::kCreateVertexBuffer, CallKind::kLock}) {
        scene::RecordingDevice broken;
        broken.FailOn(failing);
        auto trailOnBroken = std::make_unique<SmokeTrail>();
        trailOnBroken->Init(broken);
        trailOnBroken->Emit({0, 0, 10}, 0, kNoEmitPoint);
        trailOnBroken->DrawAll(broken, 100);
        trailOnBroken->DrawParticle(broken, 0, 100, gfx::Matrix{});
        noInit->DrawAll(broken, 100);
        noInit->DrawParticle(broken, 0, 100, gfx::Matrix{});
        EXPECT_EQ(broken.Count(CallKind::kDrawPrimitive), 0u) << scene::CallKindName(failing);
        EXPECT_EQ(broken.LiveTextures(), 0u);
    }
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(SmokeDraw, AMissingPuffImageIsReportedAndPuffsDrawPlain) {
    resources.Hide(ResourceType::kRCDATA, 226);
    trail->Init(device);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Could not find smoke texture map"});
    EmitAt({{0, 0, 10}, {0, 0, 11}}, 0);
    device.SetTexture(0, nullptr);
    trail->DrawAll(device, 100);
    ASSERT_EQ(Puffs().size(), 2u);
    EXPECT_EQ(Puffs()[0].texture, nullptr);
}

}  // namespace
}  // namespace aircraft
