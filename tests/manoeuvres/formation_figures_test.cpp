// The formation programmes fly their figures: positions, headings and banks at the progress
// where the figure says so, the members' places, their smoke, and where the camera looks.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "figure_checks.h"

namespace {

using figures::Heading;
using figures::kLeader;
using flown::CentreAt;
using flown::Distance;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::Offset;
using flown::Programme;

std::vector<float> Progress(int steps = 100) {
    std::vector<float> t;
    for (int i = 0; i <= steps; ++i) t.push_back(static_cast<float>(i) / static_cast<float>(steps));
    return t;
}

// Height range over every aircraft of the programme from progress `from` to `until`.
std::pair<float, float> Heights(const Programme& p, float from = 0, float until = 1) {
    float low = 1e9f, high = -1e9f;
    for (float s : Progress()) {
        const float t = from + (until - from) * s;
        for (int slot = 0; slot < p.AircraftCount(); ++slot) {
            low = std::min(low, p.Of(slot, t).Height());
            high = std::max(high, p.Of(slot, t).Height());
        }
    }
    return {low, high};
}

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off) {
    for (float t : on) EXPECT_TRUE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
    for (float t : off) EXPECT_FALSE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
}

// No two members ever come closer than the fan break's tightest pair (0.95 apart, stacked in
// the bank), changes of formation included.
TEST(FormationFigures, MembersNeverCollide) {
    for (int n : {1, 4, 6, 8}) {
        const Programme p(n);
        float closest = 1e9f;
        for (float t : Progress(400)) {
            for (int a = 0; a < p.AircraftCount(); ++a) {
                for (int b = a + 1; b < p.AircraftCount(); ++b) {
                    closest = std::min(closest, Distance(p.Of(a, t).position, p.Of(b, t).position));
                }
            }
        }
        EXPECT_GT(closest, 0.9f) << "programme " << n;
    }
}

// The tracked camera follows the formation's centre (programme 6 may stray 1.5 from it).
TEST(FormationFigures, CameraFollowsTheFormationsCentre) {
    for (auto [n, within] : {std::pair{1, 0.1f}, {4, 0.1f}, {6, 1.5f}}) {
        const Programme p(n);
        for (float t : Progress(50)) EXPECT_LT(Distance(p.Target(t), CentreAt(p, t)), within) << n << " at " << t;
    }
}

TEST(DirtyTurn, DiamondTurnsLeftThreeQuartersAndPassesTheCrowd) {
    const Programme p(1);
    ExpectAt(p.Of(kLeader, 0).position, {0, 1.21f, -78.8f}, 0.01f);
    ExpectAt(Offset(p, 1, 0), {-1, -0.31f, -1.08f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {1, -0.31f, -1.08f}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {0, -0.61f, -2.17f}, 0.02f);
    for (float t : Progress(20)) {
        const float pitch = p.Of(kLeader, t).PitchDegrees();
        EXPECT_GE(pitch, 1) << t;
        EXPECT_LE(pitch, 3) << t;
    }
    ExpectAlong(p.Of(kLeader, 0.05f).nose, Heading(180), 3);
    EXPECT_NEAR(p.Of(kLeader, 0.25f).BankDegrees(), -30, 1.5f);
    EXPECT_NEAR(p.Of(kLeader, 0.5f).BankDegrees(), -30, 1.5f);
    ExpectAlong(p.Of(kLeader, 0.5f).nose, Heading(180 - 270 * 0.35f / 0.7f), 4);  // half way round, to the left
    EXPECT_NEAR(p.Of(kLeader, 0.86f).BankDegrees(), 0, 1);
    ExpectAlong(p.Of(kLeader, 0.9f).nose, Heading(-90), 3);
    ExpectAt(p.Of(kLeader, 1).position, {47.76f, 16.77f, -33.06f}, 0.05f);

    const auto [low, high] = Heights(p);
    EXPECT_NEAR(low, 0.6f, 0.1f);
    EXPECT_NEAR(high, 17.1f, 0.5f);
    // Flying on, the formation passes the eye at about 18 units.
    const gfx::Vec3 end = p.Of(kLeader, 1).position;
    EXPECT_NEAR(std::hypot(end.y - 0.2f, end.z + 27.0f), 18, 1.5f);

    ExpectSmoke(p, kLeader, {}, {0, 0.5f, 0.7f, 1});
    for (int slot = 1; slot < 4; ++slot) ExpectSmoke(p, slot, {0.66f, 0.8f, 1}, {0, 0.5f, 0.64f});
}

TEST(FanBreak, BankedDiamondFliesHalfACircleWithoutSmoke) {
    const Programme p(4);
    ExpectAt(p.Of(kLeader, 0).position, {105.54f, 12.09f, -170.14f}, 0.01f);
    ExpectAt(p.Of(kLeader, 0.5f).position, {-16.36f, 12.09f, -46.76f}, 0.05f);
    ExpectAt(p.Of(kLeader, 1).position, {107.02f, 12.09f, 75.14f}, 0.05f);
    ExpectAlong(p.Of(kLeader, 0).nose, Heading(90), 1);
    ExpectAlong(p.Of(kLeader, 0.5f).nose, Heading(180), 1);
    ExpectAlong(p.Of(kLeader, 1).nose, Heading(270), 1);
    for (float t : Progress(20)) {
        EXPECT_NEAR(p.Of(kLeader, t).BankDegrees(), 50, 1) << t;
        // Round a centre near (106, 12, -47.5) at a radius of about 123.
        const gfx::Vec3 a = p.Of(kLeader, t).position;
        EXPECT_NEAR(std::hypot(a.x - 106, a.z + 47.5f), 123, 1.5f) << t;
    }
    ExpectAt(Offset(p, 1, 0), {0.74f, 0.66f, -0.45f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {0.74f, -0.67f, 0.45f}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {1.48f, 0.06f, -0.49f}, 0.02f);
    // The diamond keeps its shape round the circle.
    const float span = Distance(p.Of(1, 0).position, p.Of(2, 0).position);
    for (float t : Progress(10)) EXPECT_NEAR(Distance(p.Of(1, t).position, p.Of(2, t).position), span, 0.01f) << t;
    const auto [low, high] = Heights(p);
    EXPECT_GE(low, 11.4f);
    EXPECT_LE(high, 12.8f);
    for (int slot = 0; slot < 4; ++slot) ExpectSmoke(p, slot, {}, {0, 0.3f, 0.6f, 1});
}

TEST(ChangeOverTurn, TrailCirclesRightAndStepsOutIntoAnEchelon) {
    const Programme p(6);
    ExpectAt(p.Of(kLeader, 0).position, {0, 15, 253.61f}, 0.01f);
    ExpectAlong(p.Of(kLeader, 0.1f).nose, Heading(0), 1);
    for (int slot = 1; slot < 5; ++slot) {
        const float k = static_cast<float>(slot);
        ExpectAt(Offset(p, slot, 0), {0, -0.5f * k, 2.4f * k}, 0.02f);
    }
    EXPECT_NEAR(p.Of(kLeader, 0.3f).BankDegrees(), 60, 1);
    EXPECT_NEAR(p.Of(kLeader, 0.8f).BankDegrees(), 60, 1);
    // Round a centre at (-118, 15, 21.5), radius 118, and back over the start of the circle.
    for (float t = 0.25f; t < 0.87f; t += 0.05f) {
        const gfx::Vec3 a = p.Of(kLeader, t).position;
        EXPECT_NEAR(std::hypot(a.x + 118, a.z - 21.5f), 118, 2) << t;
    }
    ExpectAt(p.Of(kLeader, 0.875f).position, {0, 15, 21.29f}, 1);
    ExpectAlong(p.Of(kLeader, 0.875f).nose, Heading(0), 3);
    ExpectAlong(p.Of(kLeader, 1).nose, Heading(24), 3);
    ExpectAt(p.Of(kLeader, 1).position, {-27.6f, 15, -114.81f}, 0.05f);

    ExpectAt(Offset(p, 1, 1), {0.91f, 0.74f, 0.87f}, 0.03f);
    ExpectAt(Offset(p, 2, 1), {0, -0.74f, 1.26f}, 0.03f);
    ExpectAt(Offset(p, 3, 1), {1.82f, 1.47f, 1.74f}, 0.03f);
    ExpectAt(Offset(p, 4, 1), {0, -1.47f, 2.52f}, 0.03f);
    const auto [low, high] = Heights(p);
    EXPECT_GE(low, 10.8f);
    EXPECT_LE(high, 19.2f);
    for (int slot = 0; slot < 5; ++slot) ExpectSmoke(p, slot, {0.05f, 0.5f, 0.87f}, {0, 0.03f, 0.88f, 1});
}

TEST(RainFall, SplitSFromOnHighFansTheWingmenWide) {
    const Programme p(8);
    const auto start = p.Of(kLeader, 0);
    ExpectAt(start.position, {-101.22f, 193.09f, 0}, 0.01f);
    ExpectAlong(start.nose, Heading(90), 1);
    ExpectAlong(start.up, {0, -1, 0}, 1);
    ExpectAt(Offset(p, 1, 0), {1.16f, 0, 0.89f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {1.16f, 0, -0.89f}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {2.32f, 0, 1.78f}, 0.02f);
    ExpectAt(Offset(p, 4, 0), {2.32f, 0, -1.78f}, 0.02f);

    for (float t : {0.57f, 0.8f, 1.0f}) {
        const auto lead = p.Of(kLeader, t);
        ExpectAlong(lead.nose, Heading(-90), 2);
        ExpectAlong(lead.up, {0, 1, 0}, 2);
        EXPECT_GE(lead.Height(), 12.25f - 0.05f);
        EXPECT_LE(lead.Height(), 14.5f);
    }
    ExpectAt(p.Of(kLeader, 1).position, {111.84f, 12.25f, 0}, 0.5f);
    // Level from 12.25 (the leader) to 14.5 (the outer pair), once the splines have settled.
    const auto [low, high] = Heights(p, 0.75f, 1);
    EXPECT_NEAR(low, 12.25f, 0.05f);
    EXPECT_NEAR(high, 14.5f, 0.05f);
    // Fanned out: 20 and 45 degrees either side of the leader's heading.
    ExpectAlong(p.Of(1, 1).nose, Heading(-110), 2);
    ExpectAlong(p.Of(2, 1).nose, Heading(-70), 2);
    ExpectAlong(p.Of(3, 1).nose, Heading(-135), 2);
    ExpectAlong(p.Of(4, 1).nose, Heading(-45), 2);
    EXPECT_NEAR(p.Of(3, 1).position.z - p.Of(4, 1).position.z, 430, 30);

    for (float t : Progress(20)) EXPECT_LT(Distance(p.Target(t), p.Of(kLeader, t).position), 0.01f) << t;
    for (int slot = 0; slot < 5; ++slot) ExpectSmoke(p, slot, {0.22f, 0.5f, 0.78f}, {0, 0.2f, 0.8f, 1});
}

}  // namespace
