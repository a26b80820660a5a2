#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "manoeuvres/manoeuvre.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/recording_device.h"

namespace {

using manoeuvres::FlightData;
using manoeuvres::Keyframe;
using manoeuvres::Manoeuvre;
using manoeuvres::Programme;
using scene::CallKind;

const gfx::Vec3 kEye{60.0f, 0.2f, -27.0f};

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
        EXPECT_EQ(m->AimAt(0.5f).positionMode, 1);
        ExpectNear(device.State().view, ViewAt(mid), 1e-3f);
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
    EXPECT_EQ(start.positionMode, 1);
    const auto end = m.AimAt(1.0f);
    EXPECT_EQ(end.positionMode, 1);
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
