#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/choreography/figure.h"
#include "tools/choreography/flight.h"
#include "tools/choreography/solve.h"

namespace {

using choreography::Attitude;
using choreography::Bounds;
using choreography::Measure;
using choreography::Solve;
using choreography::Flight;
using choreography::Vec3;

void ExpectNear(const Vec3& a, const Vec3& b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(ChoreographyFrame, HeadingsAndAttitudesFollowTheRuntimesConvention) {
    ExpectNear(choreography::NoseDirection({0, 0, 0}), {0, 0, -1}, 1e-12);
    ExpectNear(choreography::NoseDirection({90, 0, 0}), {-1, 0, 0}, 1e-12);
    ExpectNear(choreography::NoseDirection({180, 0, 0}), {0, 0, 1}, 1e-12);
    ExpectNear(choreography::NoseDirection({0, 30, 0}), {0, 0.5, -std::sqrt(0.75)}, 1e-12);
    // A right bank lowers the right wing, which is the model's -x side.
    EXPECT_LT(choreography::ToWorld({-1, 0, 0}, {0, 0, 30}).y, 0);
    const Attitude any{37, -20, 140};
    ExpectNear(choreography::ToBody(choreography::ToWorld({1, 2, 3}, any), any), {1, 2, 3}, 1e-12);
}

TEST(ChoreographyFlight, LoopsTurnsAndOuterKeysAreFlown) {
    // A full loop at constant speed comes back where it began, 2r higher at the top.
    const double speed = 100;
    Flight loop({0, 10, 0}, {180, 0, 0}, speed);
    loop.Pitch(1, 360);
    const double radius = speed / (2 * std::numbers::pi);
    ExpectNear(loop.At(1).position, {0, 10, 0}, 1e-3);
    EXPECT_NEAR(loop.At(0.5).position.y, 10 + 2 * radius, 1e-3);

    // A right turn through 90 degrees from heading -z ends a radius to the right, heading -x.
    Flight turn({0, 5, 0}, {0, 0, 0}, speed);
    turn.Straight(0.5).Turn(1, 90);
    const double r = speed * 0.5 / (std::numbers::pi / 2);
    ExpectNear(turn.At(1).position, {-r, 5, -50 - r}, 1e-3);
    EXPECT_NEAR(turn.At(1).attitude.yaw, 90, 1e-9);

    // Before 0 the first leg runs backwards; after the last leg its rates go on.
    ExpectNear(turn.At(-0.1).position, {0, 5, 10}, 1e-9);
    EXPECT_NEAR(turn.At(1.1).attitude.yaw, 108, 1e-9);
}

TEST(ChoreographyFlight, SpeedChangesSteadilyWithinALeg) {
    Flight f({0, 0, 0}, {180, 0, 0}, 0);
    f.Fly(1, {}, 200);
    EXPECT_NEAR(f.At(1).position.z, 100, 1e-6);
    EXPECT_NEAR(f.At(0.5).position.z, 25, 1e-6);
}

TEST(ChoreographySampling, EvenTimesAndSmokeIntervals) {
    const auto times = choreography::EvenTimes(28);
    ASSERT_EQ(times.size(), 28u);
    EXPECT_EQ(times[1], 0.0f);
    EXPECT_EQ(times[26], 1.0f);
    EXPECT_EQ(times[0], -0.04f);
    EXPECT_EQ(times[22], 0.84f);

    Flight f({0, 12, 0}, {180, 0, 0}, 10);
    f.Straight(1);
    const auto keys = choreography::Sample(choreography::Flown(f), times, {{-1, 0.84}});
    // The key at 0.84 (a float a little below it) starts the first segment without smoke.
    EXPECT_EQ(keys[21].smoke, 1);
    EXPECT_EQ(keys[22].smoke, 0);
    EXPECT_EQ(keys[0].z, -0.4f);
    EXPECT_EQ(keys[0].x, 0.0f);
    EXPECT_FALSE(std::signbit(keys[0].x));  // no -0 in the tables
}

TEST(ChoreographyFormation, MembersKeepTheirPlaceInTheLeadersFrame) {
    Flight lead({0, 50, 0}, {0, 0, 0}, 100);
    lead.Turn(1, 180);
    const auto leader = choreography::Flown(lead);
    const Vec3 behind{0, -0.5, 2.4};
    const auto member = choreography::InFormation(leader, {{0, behind}});
    // Half way round the turn the leader heads -x; the member sits 2.4 behind it, towards +x.
    const auto half = member(0.5);
    ExpectNear(half.position - leader(0.5).position, {2.4, -0.5, 0}, 1e-9);
    ExpectNear(choreography::BodyOffset(leader, 0.5, {2.4, -0.5, 0}), behind, 1e-9);
}

}  // namespace

// One solver serves the figures with several unknowns and those with one unknown in a range.
// A bounded unknown must never be measured outside its range (a figure flown at a negative
// speed is no figure), and Newton's first step from the middle of a flat-topped curve would
// throw it far outside.
TEST(ChoreographySolve, FindsTheRootWithoutLeavingItsRange) {
    double lowest = 1e9, highest = -1e9;
    const Measure flatTopped = [&](const std::vector<double>& p) {
        lowest = std::min(lowest, p[0]);
        highest = std::max(highest, p[0]);
        return std::vector<double>{std::atan(p[0] - 3.0)};
    };
    const double root = Solve(flatTopped, {12.0}, {0.0}, Bounds{{0.0}, {20.0}})[0];
    EXPECT_NEAR(root, 3.0, 1e-6);
    EXPECT_GE(lowest, 0.0);
    EXPECT_LE(highest, 20.0);

    const Measure pair = [](const std::vector<double>& p) {
        return std::vector<double>{p[0] + p[1], p[0] * p[1]};
    };
    const std::vector<double> both = Solve(pair, {1.0, 5.0}, {7.0, 12.0});
    EXPECT_NEAR(both[0], 3.0, 1e-6);
    EXPECT_NEAR(both[1], 4.0, 1e-6);
}
