#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "aircraft/aircraft.h"

namespace aircraft {
namespace {

constexpr float kTolerance = 1e-5f;

gfx::Vec3 PositionOf(const Keyframe& k) { return {k.x, k.y, k.z}; }

void ExpectNear(const gfx::Vec3& actual, const gfx::Vec3& expected, float tolerance = kTolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectNear(const gfx::Matrix& actual, const gfx::Matrix& expected, float tolerance = kTolerance) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << r << "," << c;
    }
}

gfx::Matrix WorldOf(const Keyframe& k) {
    const gfx::Matrix rotation = gfx::MatrixRotationYawPitchRoll(
        k.yaw * gfx::kRadiansPerDegree, k.pitch * gfx::kRadiansPerDegree, k.roll * gfx::kRadiansPerDegree);
    return gfx::MatrixMultiply(rotation, gfx::MatrixTranslation(k.x, k.y, k.z));
}

// A bent path with a turn and a roll, smoke on from sample 0, off from sample 2. Held in a
// vector so that the sanitizer build catches any read beyond the track.
std::vector<Keyframe> BentTrack() {
    return {
        {-0.1f, 0, 10, 100, 0, 0, 0, 1},
        {0.0f, 0, 10, 80, 0, 0, 0, 1},
        {0.4f, 20, 15, 40, 45, 10, 30, 0},
        {0.7f, 40, 30, 30, 90, 0, 60, 1},
        {1.0f, 50, 30, 0, 120, -10, 0, 1},
        {1.2f, 50, 30, -20, 120, -10, 0, 0},
    };
}

TEST(PoseAt, ProgressZeroTakesTheSecondSampleAndTheFirstSmokeFlag) {
    std::vector<Keyframe> track = BentTrack();
    track[1].yaw = 30;
    track[1].roll = -20;
    for (std::uint8_t flag : {0, 1}) {
        track[0].smoke = flag;
        const Pose pose = PoseAt(track, 0.0f, PositionMode::kCatmullRom);
        ExpectNear(pose.position, PositionOf(track[1]), 0);
        ExpectNear(pose.world, WorldOf(track[1]));
        EXPECT_EQ(pose.smoke, flag != 0);
    }
}

TEST(PoseAt, ASampleTimeEndsTheSegmentThatHoldsIt) {
    const std::vector<Keyframe> track = BentTrack();
    for (PositionMode mode : {PositionMode::kLinear, PositionMode::kCatmullRom}) {
        const Pose pose = PoseAt(track, 0.7f, mode);
        ExpectNear(pose.position, PositionOf(track[3]));
        ExpectNear(pose.world, WorldOf(track[3]), 1e-4f);
        EXPECT_FALSE(pose.smoke) << "the segment 2-3 starts at a sample with smoke off";
    }
    EXPECT_TRUE(PoseAt(track, 0.70001f, PositionMode::kLinear).smoke);
}

TEST(PoseAt, PositionsAreLinearOrCatmullRomWithinASegment) {
    const std::vector<Keyframe> track = BentTrack();
    const float s = 0.25f;
    const float t = 0.4f + s * 0.3f;
    const gfx::Vec3 a = PositionOf(track[1]), b = PositionOf(track[2]), c = PositionOf(track[3]),
                    d = PositionOf(track[4]);

    ExpectNear(PoseAt(track, t, PositionMode::kLinear).position, b + (c - b) * s, 1e-4f);

    const gfx::Vec3 spline = (b * 2.0f + (c - a) * s + (a * 2.0f - b * 5.0f + c * 4.0f - d) * (s * s) +
                              (b * 3.0f - a - c * 3.0f + d) * (s * s * s)) * 0.5f;
    ExpectNear(PoseAt(track, t, PositionMode::kCatmullRom).position, spline, 1e-4f);
    EXPECT_GT(std::abs(spline.x - (b + (c - b) * s).x), 0.1f) << "the track must bend for this test to mean anything";
}

TEST(PoseAt, WorldRotatesAboutTheModelOriginThenMoves) {
    std::vector<Keyframe> track = BentTrack();
    track[1] = {0.0f, 5, 6, 7, 90, 0, 0, 1};
    const Pose pose = PoseAt(track, 0.0f, PositionMode::kLinear);
    // Turned 90 degrees to the right, the nose (-z) points along -x.
    const gfx::Vec4 nose = gfx::Vec3Transform({0, 0, -1}, pose.world);
    ExpectNear(gfx::Vec3{nose.x, nose.y, nose.z}, gfx::Vec3{4, 6, 7});
}

TEST(PoseAt, OrientationTakesTheShorterArc) {
    std::vector<Keyframe> track = BentTrack();
    for (Keyframe& k : track) k.pitch = k.roll = 0;

    track[1].yaw = 0;
    track[2].yaw = 360;
    for (float t : {0.1f, 0.2f, 0.3f}) {
        const gfx::Matrix world = PoseAt(track, t, PositionMode::kLinear).world;
        EXPECT_NEAR(world.m[0][0], 1.0f, 1e-5f) << "yaw 0 and 360 are one heading: no turn between them";
        EXPECT_NEAR(world.m[2][2], 1.0f, 1e-5f);
    }

    track[1].yaw = 10;
    track[2].yaw = 350;
    const gfx::Matrix mid = PoseAt(track, 0.2f, PositionMode::kLinear).world;
    EXPECT_NEAR(mid.m[0][0], 1.0f, 1e-5f) << "halfway between 10 and 350 degrees is 0, not 180";
    EXPECT_NEAR(mid.m[2][2], 1.0f, 1e-5f);
}

TEST(PoseAt, LinearLastSegmentEndingAtOneNeedsNoSampleBeyond) {
    std::vector<Keyframe> track = BentTrack();
    track.pop_back();  // the last sample now lies at exactly 1
    track.shrink_to_fit();
    const Pose end = PoseAt(track, 1.0f, PositionMode::kLinear);
    ExpectNear(end.position, PositionOf(track.back()));
    ExpectNear(end.world, WorldOf(track.back()), 1e-4f);
}

TEST(Locate, FindsTheSegmentThatEndsAtOrAfterTheProgress) {
    const std::vector<Keyframe> track = BentTrack();
    const auto expect = [&](float t, int end, float s) {
        const TrackPoint at = Locate(track, t);
        EXPECT_EQ(at.end, end) << t;
        EXPECT_NEAR(at.s, s, 1e-6f) << t;
    };
    expect(-5.0f, 1, 0);
    expect(0.0f, 1, 0);
    expect(0.1f, 2, 0.25f);
    expect(0.4f, 2, 1);     // a sample's time ends the segment that holds it
    expect(0.55f, 3, 0.5f);
    expect(1.2f, 5, 1);
    expect(3.0f, 5, 1);     // beyond the track: held at its last sample
    expect(std::numeric_limits<float>::quiet_NaN(), 5, 1);
}

TEST(PoseAt, ProgressOutsideTheTrackIsClampedToIt) {
    std::vector<Keyframe> track = BentTrack();
    track.shrink_to_fit();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (PositionMode mode : {PositionMode::kLinear, PositionMode::kCatmullRom}) {
        ExpectNear(PoseAt(track, -3.0f, mode).position, PositionOf(track[1]), 0);
        ExpectNear(PoseAt(track, -0.1f, mode).position, PositionOf(track[1]), 0);
        // The last segment: its spline would need a sample beyond the end.
        EXPECT_TRUE(std::isfinite(PoseAt(track, 1.1f, mode).position.z));
        ExpectNear(PoseAt(track, 1.2f, mode).position, PositionOf(track[5]));
        ExpectNear(PoseAt(track, 5.0f, mode).position, PositionOf(track[5]));
        ExpectNear(PoseAt(track, nan, mode).position, PositionOf(track[5]));
    }
    // Tracks too short to interpolate still give the pose of a sample they hold.
    for (std::size_t n = 0; n <= 2; ++n) {
        const std::vector<Keyframe> shortTrack(track.begin(), track.begin() + static_cast<long>(n));
        const gfx::Vec3 expected = n == 0 ? gfx::Vec3{} : PositionOf(shortTrack.back());
        for (float t : {-1.0f, 0.0f, 0.5f, 2.0f}) ExpectNear(PoseAt(shortTrack, t, PositionMode::kCatmullRom).position, expected, 0);
    }
}

}  // namespace
}  // namespace aircraft
