#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "manoeuvres/manoeuvre.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/sound.h"
#include "scene/recording_device.h"

namespace {

using manoeuvres::FlightData;
using manoeuvres::Keyframe;
using manoeuvres::Aircraft;
using manoeuvres::Manoeuvre;
using manoeuvres::Programme;
using scene::CallKind;

const gfx::Vec3 kEye = manoeuvres::kGroundCamera;

// A straight track of `keys` keys, evenly spaced from progress 0 at key 1 to 1 at key K-2,
// flying from `from` along `step` per key, smoke on where asked.
std::vector<Keyframe> StraightTrack(int keys, gfx::Vec3 from, gfx::Vec3 step, bool smoke) {
    std::vector<Keyframe> track;
    const float spacing = 1.0f / static_cast<float>(keys - 3);
    for (int i = 0; i < keys; ++i) {
        const float k = static_cast<float>(i - 1);
        track.push_back({k * spacing, from.x + k * step.x, from.y + k * step.y, from.z + k * step.z, 180, 0, 0,
                         static_cast<std::uint8_t>(smoke ? 1 : 0)});
    }
    track[static_cast<std::size_t>(keys - 2)].time = 1.0f;
    return track;
}

// A programme of the catalogue's row `number` flying tracks made in the test.
struct TestProgramme {
    TestProgramme(int number, std::uint32_t duration, bool smoke = true) : info(*manoeuvres::FindProgramme(number)) {
        info.duration = duration;
        const int keys = info.keysPerTrack;
        for (int slot = 0; slot < info.aircraftCount; ++slot) {
            tracks.push_back(StraightTrack(keys, {static_cast<float>(slot), 15, -100}, {0, 0, 10}, smoke));
        }
        camera = StraightTrack(keys, {0.5f, 15, -100}, {0, 0, 10}, false);
        for (std::size_t slot = 0; slot < tracks.size(); ++slot) data.tracks[slot] = tracks[slot];
        if (info.aircraftCount > 1) data.camera = camera;
    }
    Programme info;
    std::vector<std::vector<Keyframe>> tracks;
    std::vector<Keyframe> camera;
    FlightData data;
};

void ExpectNear(const gfx::Matrix& a, const gfx::Matrix& b, float tolerance = 1e-4f) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << r << "," << c;
    }
}

gfx::Matrix ViewAt(const gfx::Vec3& target) { return gfx::MatrixLookAtLH(kEye, target, {0, 1, 0}); }

class ManoeuvreTest : public ::testing::Test {
protected:
    platform::TestClock clock{1000};
    platform::MessageCapture messages;  // models are absent here: their messages are expected
    scene::RecordingDevice device;
};

TEST_F(ManoeuvreTest, EndsOneMillisecondAfterItsDuration) {
    TestProgramme p(36, 18000);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    clock.Advance(18000);
    device.ForgetCalls();
    ASSERT_TRUE(m.Update(device));  // elapsed = duration draws the last frame at t = 1
    const Keyframe& atOne = p.camera[2];
    ExpectNear(device.State().view, ViewAt({atOne.x, atOne.y, atOne.z}));

    clock.Advance(1);
    device.ForgetCalls();
    EXPECT_FALSE(m.Update(device));
    EXPECT_TRUE(device.Calls().empty());
}

TEST_F(ManoeuvreTest, ElapsedTimeSurvivesTheClockWrap) {
    clock.Set(0xFFFFFFFFu - 4000u);
    TestProgramme p(36, 18000);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    clock.Advance(9000);  // wraps past zero; progress 0.5
    ASSERT_LT(clock.Now(), 10000u);
    ASSERT_TRUE(m.Update(device));
    const gfx::Vec3 target = m.AimAt(0.5f).target;
    ExpectNear(device.State().view, ViewAt(target));
}

TEST_F(ManoeuvreTest, StraightPassesAimExactlyHalfwayAtHalfTime) {
    for (int number = 36; number <= 40; ++number) {
        auto m = manoeuvres::CreateManoeuvre(number);
        ASSERT_NE(m, nullptr) << number;
        m->Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
        clock.Advance(9000);
        ASSERT_TRUE(m->Update(device));
        const auto keys = m->CameraKeys();
        const gfx::Vec3 mid{(keys[1].x + keys[2].x) / 2, (keys[1].y + keys[2].y) / 2, (keys[1].z + keys[2].z) / 2};
        const gfx::Vec3 target = m->AimAt(0.5f).target;
        EXPECT_NEAR(target.x, mid.x, 1e-4f);
        EXPECT_NEAR(target.y, mid.y, 1e-4f);
        EXPECT_NEAR(target.z, mid.z, 1e-3f);
        EXPECT_EQ(m->AimAt(0.5f).positionMode, manoeuvres::PositionMode::kLinear);
        ExpectNear(device.State().view, ViewAt(mid), 1e-3f);
    }
}

// The camera and the aircraft sample their tracks with one sampler: a solo programme's camera
// track is its aircraft's own, so the target is where the aircraft is, to the bit, in every mode
// its rule switches between; beyond the track both hold at its last key.
TEST_F(ManoeuvreTest, CameraAndAircraftSampleTracksAlike) {
    for (int number : {2, 5, 7, 18}) {
        auto m = manoeuvres::CreateManoeuvre(number);
        ASSERT_NE(m, nullptr) << number;
        m->Init(device, kEye.x, kEye.y, kEye.z, 0);
        const auto keys = m->Formation()[0].Keys();
        for (int step = 0; step <= 200; ++step) {
            const float t = static_cast<float>(step) / 200.0f;
            const auto aim = m->AimAt(t);
            const gfx::Vec3 at = ::aircraft::PoseAt(keys, t, aim.positionMode).position;
            EXPECT_EQ(aim.target.x, at.x) << number << " at " << t;
            EXPECT_EQ(aim.target.y, at.y) << number << " at " << t;
            EXPECT_EQ(aim.target.z, at.z) << number << " at " << t;
        }
        for (float beyond : {keys.back().time, keys.back().time + 0.5f, 7.0f}) {
            EXPECT_EQ(m->AimAt(beyond).target.z, keys.back().z) << number << " at " << beyond;
        }
    }
}

TEST_F(ManoeuvreTest, AimStartsAtKeyOneAndEndsOnTheTrackWithoutReadingPastIt) {
    TestProgramme p(7, 53000);  // solo, segment rule 7; its last key lies at exactly 1
    p.tracks[0].pop_back();     // 40 keys ... then make the last one the key at 1
    p.tracks[0].push_back(p.tracks[0].back());
    p.tracks[0].back().time = 1.0f;
    p.tracks[0][p.tracks[0].size() - 2].time = 0.99f;
    p.data.tracks[0] = p.tracks[0];
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 0);
    const auto start = m.AimAt(0.0f);
    EXPECT_EQ(start.target.z, p.tracks[0][1].z);
    EXPECT_EQ(start.positionMode, manoeuvres::PositionMode::kLinear);
    const auto end = m.AimAt(1.0f);
    EXPECT_EQ(end.positionMode, manoeuvres::PositionMode::kLinear);
    EXPECT_EQ(end.target.z, p.tracks[0].back().z);
    clock.Advance(53000);
    EXPECT_TRUE(m.Update(device));  // poses the aircraft at t = 1 as well
}

TEST_F(ManoeuvreTest, FixedTargetProgrammesNeverPan) {
    TestProgramme p(24, 83000);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    const gfx::Matrix expected = ViewAt({-112.95f, 200.0f, -51.0f});
    for (int frame = 0; frame < 5; ++frame) {
        ASSERT_TRUE(m.Update(device));
        ExpectNear(device.State().view, expected, 0);
        clock.Advance(15000);
    }
}

TEST_F(ManoeuvreTest, ProgrammeFourSetsNoStateAfterItsAircraft) {
    TestProgramme p(4, 22000, false);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 0);
    EXPECT_FALSE(m.Cull().has_value());
    device.ForgetCalls();
    clock.Advance(5000);
    ASSERT_TRUE(m.Update(device));
    const auto& calls = device.Calls();
    std::size_t lastWorld = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].kind == CallKind::kSetTransform && calls[i].transform == scene::TransformType::kWorld) lastWorld = i;
    }
    for (std::size_t i = lastWorld + 1; i < calls.size(); ++i) {
        EXPECT_NE(calls[i].kind, CallKind::kSetRenderState);
        EXPECT_NE(calls[i].kind, CallKind::kSetTextureStageState);
    }
    EXPECT_EQ(device.ValuesSet(scene::RenderState::kZFunc).size(), 0u);
}

TEST_F(ManoeuvreTest, CullRectIsTheClientAreaWidenedByAHundred) {
    TestProgramme p(1, 68000);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    ASSERT_TRUE(m.Cull().has_value());
    EXPECT_EQ(m.Cull()->left, -100.0f);
    EXPECT_EQ(m.Cull()->right, 740.0f);
    EXPECT_EQ(m.Cull()->top, -100.0f);
    EXPECT_EQ(m.Cull()->bottom, 580.0f);
    EXPECT_EQ(m.StartTime(), 1000u);
    EXPECT_EQ(m.Duration(), 68000u);
}

TEST_F(ManoeuvreTest, SmokeRoutinesSetTheirStatesAndAPerspectiveForTheViewport) {
    TestProgramme p(15, 25000);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    ASSERT_TRUE(m.Update(device));
    EXPECT_EQ(device.ValuesSet(scene::RenderState::kZFunc), std::vector<std::uint32_t>{scene::kCmpLessEqual});
    EXPECT_EQ(device.State().Get(scene::TextureStageState::kAlphaOp), scene::kTopModulate);
    ExpectNear(device.State().projection, gfx::MatrixPerspectiveFovLH(0.08726646f, 640.0f / 480.0f, 13.0f, 1000.0f), 0);
}

TEST_F(ManoeuvreTest, UnflyableAndUnknownProgrammesCreateNothing) {
    EXPECT_EQ(manoeuvres::CreateManoeuvre(0), nullptr);
    EXPECT_EQ(manoeuvres::CreateManoeuvre(41), nullptr);
    for (int n = 1; n <= 40; ++n) {
        EXPECT_EQ(manoeuvres::CreateManoeuvre(n) != nullptr, manoeuvres::FindFlightData(n) != nullptr) << n;
    }
}

}  // namespace

namespace {

// A one-triangle model standing in for both aircraft models, so trails are made ready.
constexpr char kTinyModel[] = R"(xof 0302txt 0064
Mesh {
 3;
 0.0;0.0;0.0;,
 0.1;0.0;0.0;,
 0.0;0.1;0.0;;
 1;
 3;0,1,2;;
 MeshMaterialList {
  1;
  1;
  0;;
  Material {
   1.0;1.0;1.0;1.0;;
   5.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
  }
 }
}
)";

class ManoeuvreSmokeTest : public ManoeuvreTest {
protected:
    ManoeuvreSmokeTest() {
        const std::vector<std::uint8_t> model(std::begin(kTinyModel), std::end(kTinyModel) - 1);
        for (int mesh : {::aircraft::kGearDownMeshResource, ::aircraft::kCleanMeshResource,
                         ::aircraft::kLightGearDownMeshResource, ::aircraft::kLightCleanMeshResource}) {
            resources.Replace(platform::ResourceType::kMESH, mesh, model);
        }
    }
    platform::ScopedResourceOverride resources;
};

TEST(CullRect, PointsOnTheEdgeAreInside) {
    const manoeuvres::CullRect rect{-100.0f, 740.0f, -100.0f, 580.0f};
    EXPECT_TRUE(manoeuvres::InsideCullRect(rect, -100.0f, -100.0f));
    EXPECT_TRUE(manoeuvres::InsideCullRect(rect, 740.0f, 580.0f));
    EXPECT_FALSE(manoeuvres::InsideCullRect(rect, std::nextafter(740.0f, 1e9f), 300.0f));
    EXPECT_FALSE(manoeuvres::InsideCullRect(rect, 300.0f, std::nextafter(-100.0f, -1e9f)));
}

TEST_F(ManoeuvreSmokeTest, APuffWhoseAgeEqualsItsLifetimeIsNotDrawn) {
    TestProgramme p(22, 1000000);  // fixed target, smoke merged without culling
    for (auto& track : p.tracks) {
        for (auto& key : track) key.smoke = 0;
        track[0].smoke = 1;  // only the frame at progress 0 emits: one nozzle puff each
    }
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    ASSERT_TRUE(m.Update(device));
    for (Aircraft& plane : m.Formation()) {
        ASSERT_EQ(plane.Smoke().ParticleCount(), 1u);
        EXPECT_EQ(plane.Smoke().Particles()[0].lifetime, 85000u);
    }
    clock.Advance(84999);
    device.ForgetCalls();
    ASSERT_TRUE(m.Update(device));
    EXPECT_EQ(device.Count(CallKind::kDrawPrimitive), 6u);
    clock.Advance(1);
    device.ForgetCalls();
    ASSERT_TRUE(m.Update(device));
    EXPECT_EQ(device.Count(CallKind::kDrawPrimitive), 0u);
}

// One model, one puff texture and one puff quad for the whole formation: merged smoke then
// keeps the same stream and texture from puff to puff, which lets the device batch it.
TEST_F(ManoeuvreSmokeTest, TheFormationSharesItsModelAndPuffs) {
    TestProgramme p(22, 20000);
    {
        Manoeuvre m(p.info, p.data);
        m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
        EXPECT_EQ(device.Count(CallKind::kCreateMesh), 2u) << "one model and its light version for six aircraft";
        EXPECT_EQ(device.Count(CallKind::kCreateTexture), 1u);
        EXPECT_EQ(device.Count(CallKind::kCreateVertexBuffer), 1u);
        for (int frame = 0; frame < 10; ++frame) {
            ASSERT_TRUE(m.Update(device));
            clock.Advance(100);
        }
        device.ForgetCalls();
        ASSERT_TRUE(m.Update(device));
        const auto draws = device.CallsOf(CallKind::kDrawPrimitive);
        ASSERT_GT(draws.size(), 50u);
        for (const auto& draw : draws) {
            EXPECT_EQ(draw.buffer, draws.front().buffer);
            EXPECT_EQ(draw.texture, draws.front().texture);
        }
    }
    EXPECT_EQ(device.LiveMeshes(), 0u);
    EXPECT_EQ(device.LiveTextures(), 0u);
    EXPECT_EQ(device.LiveVertexBuffers(), 0u);
}

TEST_F(ManoeuvreSmokeTest, MergedSmokeIsDrawnFarthestFirstAcrossTheFormation) {
    TestProgramme p(22, 20000);
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    for (int frame = 0; frame < 30; ++frame) {
        ASSERT_TRUE(m.Update(device));
        clock.Advance(100);
    }
    device.ForgetCalls();
    ASSERT_TRUE(m.Update(device));
    const gfx::Matrix view = device.State().view;
    const auto draws = device.CallsOf(CallKind::kDrawPrimitive);
    ASSERT_GT(draws.size(), 100u);
    float previous = 1e30f;
    for (const auto& draw : draws) {
        const gfx::Vec3 at{draw.world.m[3][0], draw.world.m[3][1], draw.world.m[3][2]};
        const float depth = ::aircraft::ViewDepth(at, view);
        EXPECT_LE(depth, previous + 1e-3f);
        previous = depth;
    }
}

TEST_F(ManoeuvreSmokeTest, CulledSmokeLeavesOutPuffsFarOffScreen) {
    TestProgramme p(15, 25000);  // tracked camera, culled: the pass starts 200 units behind the target
    for (auto& track : p.tracks) {
        for (auto& key : track) key.z -= 200.0f;
    }
    Manoeuvre m(p.info, p.data);
    m.Init(device, kEye.x, kEye.y, kEye.z, 640, 480, 0);
    for (int frame = 0; frame < 10; ++frame) {
        ASSERT_TRUE(m.Update(device));
        clock.Advance(100);
    }
    std::uint32_t live = 0;
    for (Aircraft& plane : m.Formation()) live += plane.Smoke().ParticleCount();
    ASSERT_GT(live, 0u);
    device.ForgetCalls();
    ASSERT_TRUE(m.Update(device));
    EXPECT_EQ(device.Count(CallKind::kDrawPrimitive), 0u);
}

}  // namespace

namespace {

TEST_F(ManoeuvreTest, TheRecordingStartsOnlyWithSoundOn) {
#if defined(_WIN32)
    GTEST_SKIP() << "reads the state of the Linux sound output; Windows' sound is tested in tests/windows";
#else
    ASSERT_TRUE(platform::ReopenSoundOutput("dummy"));
    for (int sound : {0, 1}) {
        platform::StopAllSound();
        auto m = manoeuvres::CreateManoeuvre(37);
        m->Init(device, kEye.x, kEye.y, kEye.z, 640, 480, sound);
        EXPECT_EQ(platform::IsSoundPlaying(), sound != 0) << "sound " << sound;
    }
    platform::StopAllSound();
    platform::CloseSoundOutput();
#endif
}

}  // namespace
