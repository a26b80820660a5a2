// The formation programmes 19 to 22 and 24 to 26 fly their figures: sampled through the
// runtime's own interpolation and camera at the progress where the figure says something happens.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "figure_checks.h"

namespace {

using figures::CentreAt;
using figures::ExpectEvenKeys;
using figures::Heading;
using figures::kDown, figures::kLeader, figures::kMinusZ, figures::kPlusX, figures::kUp;
using figures::Offset;
using figures::Progress;
using flown::Distance;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::Programme;
using flown::RollDirection;


TEST(FiguresIII, MembersNeverCollide) {
    for (int n : {19, 20, 21, 22, 24, 25, 26}) EXPECT_GT(figures::ClosestApproach(Programme(n), 800), 0.9f) << "programme " << n;
}

// Tracked formations aim at their centre; Tack cross aims at aircraft 5 after the break.
TEST(FiguresIII, CameraFollowsTheFormationAndKeepsItInThePicture) {
    for (auto [n, within] : {std::pair{19, 1.6f}, {20, 1.4f}, {21, 0.1f}, {26, 30.0f}}) {
        const Programme p(n);
        for (float t : Progress(0, 1, 50)) {
            EXPECT_LT(Distance(p.Target(t), CentreAt(p, t)), within) << n << " at " << t;
            if (n == 19 && t <= 0.1f) continue;  // the wide V is wider than the lens at the start
            for (int slot = 0; slot < p.AircraftCount(); ++slot) {
                EXPECT_TRUE(figures::InPicture(p, n, t, p.Of(slot, t).position)) << n << " slot " << slot + 1 << " at " << t;
            }
        }
    }
}

// The fixed-target programmes: the figure their smoke draws stays inside the wide view (in
// between, the aircraft may fly out of it), and the camera track keeps its relation to the
// aircraft although the lens does not follow it.
TEST(FiguresIII, FixedTargetFiguresStayInsideTheWideView) {
    for (int n : {22, 24}) {
        const Programme p(n);
        for (float t : Progress(0, 1, 200)) {
            for (int slot = 0; slot < p.AircraftCount(); ++slot) {
                const auto a = p.Of(slot, t);
                if (a.smoke) {
                    EXPECT_TRUE(figures::InPicture(p, n, t, a.position, 0.05f)) << n << " slot " << slot + 1 << " at " << t;
                }
            }
        }
    }
    const Programme blossom(22), star(24);
    for (float t : Progress(0, 1, 50)) {
        const float fromLeader = Distance(figures::CameraTrackAt(blossom, t), blossom.Of(kLeader, t).position);
        EXPECT_GE(fromLeader, 30) << t;
        EXPECT_LE(fromLeader, 59) << t;
        EXPECT_LT(Distance(figures::CameraTrackAt(star, t), star.Of(kLeader, t).position), 0.05f) << t;
    }
}

TEST(WideToDeltaLoop, WideVLoopsOnceAndClosesIntoATightDelta) {
    const Programme p(19);
    ExpectEvenKeys(p, 21);
    ExpectAt(p.Of(kLeader, 0).position, {-4.07f, 15, -30}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {-262.36f, 15, -30}, 0.05f);
    ExpectAt(Offset(p, 1, 0), {6.77f, 0, -5.19f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {6.77f, 0, 5.19f}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {13.54f, 0, -10.37f}, 0.02f);
    ExpectAt(Offset(p, 4, 0), {13.54f, 0, 10.37f}, 0.02f);
    ExpectAt(Offset(p, 1, 1), {1.69f, 0, -1.3f}, 0.02f);
    ExpectAt(Offset(p, 2, 1), {1.69f, 0, 1.3f}, 0.02f);
    ExpectAt(Offset(p, 3, 1), {3.39f, 0, -2.59f}, 0.02f);
    ExpectAt(Offset(p, 4, 1), {3.39f, 0, 2.59f}, 0.02f);
    for (float t : {0.1f, 0.18f, 0.95f}) {  // the pull builds up from 0.185
        ExpectAlong(p.Of(kLeader, t).nose, Heading(90), 1.5f);
        EXPECT_NEAR(p.Of(kLeader, t).Height(), 15, 1) << t;  // the spline sags a little before the pull
    }
    // Over the top on its back, heading back the other way; the loop stays in the plane z = -30.
    EXPECT_NEAR(figures::Heights(p, figures::Progress(0.2f, 0.9f, 400), {kLeader}).high, 180, 0.5f);
    ExpectAlong(p.Of(kLeader, 0.555f).nose, kPlusX, 3);
    ExpectAlong(p.Of(kLeader, 0.555f).up, kDown, 3);
    ExpectAlong(p.Of(kLeader, 0.39f).nose, kUp, 3);
    for (float t : Progress(0, 1, 20)) EXPECT_NEAR(p.Of(kLeader, t).position.z, -30, 0.01f) << t;
    for (int slot = 0; slot < 5; ++slot) figures::ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
}

TEST(OppositeTriangle, WingmenAndSlotFlyInvertedWhileTheOuterPairSpreadUp) {
    const Programme p(20);
    ExpectEvenKeys(p, 33);
    ExpectAt(p.Of(kLeader, 0).position, {0, 15, 131.43f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {0, 15, -131.49f}, 0.01f);
    const std::vector<gfx::Vec3> start = {{1, 0, 1.5f}, {-1, 0, 1.5f}, {0, 0.15f, 3}, {2, 0, 3}, {-2, 0, 3}};
    for (int slot = 1; slot < 6; ++slot) ExpectAt(Offset(p, slot, 0), start[slot - 1], 0.02f);
    for (float t : Progress(0, 1, 20)) {
        ExpectAlong(p.Of(kLeader, t).nose, kMinusZ, 0.5f);
        ExpectAlong(p.Of(kLeader, t).up, kUp, 0.5f);
    }
    // The half rolls: the left wingman rolls out to the left, the others to the right, and each
    // carries on the same way round to come upright again.
    const int ways[] = {-1, 1, 1};
    for (int slot = 1; slot <= 3; ++slot) {
        EXPECT_EQ(RollDirection(p, slot, 0.17f, 0.23f), ways[slot - 1]) << slot;
        EXPECT_EQ(RollDirection(p, slot, 0.87f, 0.93f), ways[slot - 1]) << slot;
        for (float t : {0.3f, 0.5f, 0.85f}) ExpectAlong(p.Of(slot, t).up, kDown, 2);  // number 4 noses up a little as it rises
        for (float t : {0.1f, 0.95f}) ExpectAlong(p.Of(slot, t).up, kUp, 1);
    }
    for (float t : {0.5f, 1.0f}) {
        ExpectAt(Offset(p, 3, t), {0, 1.15f, 3}, 0.02f);
        ExpectAt(Offset(p, 4, t), {3.85f, 3.25f, 3}, 0.02f);
        ExpectAt(Offset(p, 5, t), {-3.85f, 3.25f, 3}, 0.02f);
        for (int slot : {4, 5}) ExpectAlong(p.Of(slot, t).up, kUp, 0.5f);
    }
    figures::ExpectSmoke(p, kLeader, {}, {0, 0.5f, 1});
    for (int slot = 1; slot < 6; ++slot) figures::ExpectSmoke(p, slot, {0, 0.5f, 0.96f}, {0.98f, 1});
}

TEST(DeltaRollAndBonTonRoll, DeltaRollsOverTheTopThenEachRollsAlone) {
    const Programme p(21);
    const auto times = figures::KeyTimes(p);
    ASSERT_EQ(times.size(), 22u);
    EXPECT_EQ(times.front(), -0.07054019f);
    EXPECT_EQ(times.back(), 1.0417689f);
    ExpectAt(p.Of(kLeader, 0).position, {-421.25f, 11.8f, -341.81f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {61.08f, 12.95f, 46.01f}, 0.05f);
    const std::vector<gfx::Vec3> delta = {
        {-1.75f, 0, -0.46f}, {-0.25f, 0, -1.79f}, {-1.99f, -0.5f, -2.25f}, {-3.49f, 0, -0.92f}, {-0.5f, 0, -3.57f}};
    for (int slot = 1; slot < 6; ++slot) ExpectAt(Offset(p, slot, 0), delta[slot - 1], 0.02f);
    ExpectAlong(p.Of(kLeader, 0.03f).nose, Heading(220), 1);
    EXPECT_NEAR(p.Of(kLeader, 0.3f).PitchDegrees(), 29, 2);
    // One roll to the right as a delta over the top, the heading swung 39 degrees right.
    EXPECT_EQ(RollDirection(p, kLeader, 0.285f, 0.625f), 1);
    EXPECT_NEAR(figures::Heights(p, figures::Progress(0.3f, 0.7f, 400), {kLeader}).high, 83, 0.5f);
    ExpectAlong(p.Of(kLeader, 0.49f).nose, Heading(259), 3);
    ExpectAlong(p.Of(kLeader, 0.49f).up, kDown, 40);  // half way round the roll
    for (int slot = 1; slot < 6; ++slot) {
        EXPECT_NEAR(Distance(p.Of(slot, 0.49f).position, p.Of(kLeader, 0.49f).position),
                    Distance(p.Of(slot, 0).position, p.Of(kLeader, 0).position), 0.15f)
            << "the delta keeps its shape, slot " << slot + 1;
    }
    // Level by the last spline key, 0.87, where the straight segments begin.
    EXPECT_NEAR(p.Of(kLeader, 0.87f).Height(), 12.95f, 0.05f);
    // The bon-ton roll: every aircraft rolls about its own nose, the delta stays in place.
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(RollDirection(p, slot, 0.871f, 0.919f), 1) << slot;
        ExpectAlong(p.Of(slot, 0.8825f).up, Heading(220 + 90), 2);  // right wing down, a quarter round
        ExpectAlong(p.Of(slot, 0.9f).nose, Heading(220), 1);
        ExpectAlong(p.Of(slot, 0.95f).up, kUp, 1);
        if (slot > 0) {
            ExpectAt(Offset(p, slot, 0.9f), Offset(p, slot, 0.87f), 0.05f);
        }
        figures::ExpectSmoke(p, slot, {0, 0.5f, 0.84f}, {0.88f, 0.9f, 1});
    }
    // The straight last segments are flown linearly, the figure before on splines.
    EXPECT_EQ(p.ModeAt(0.9f), aircraft::PositionMode::kLinear);
    EXPECT_EQ(p.ModeAt(0.5f), aircraft::PositionMode::kCatmullRom);
}

TEST(CherryBlossom, SixLevelCirclesDrawAFlower) {
    const Programme p(22);
    ExpectEvenKeys(p, 18);
    ExpectAt(p.Of(kLeader, 0).position, {-92.04f, 70, 46.18f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {-91.96f, 70, -16.91f}, 0.2f);
    const std::vector<gfx::Vec3> starts = {{-19, 0, 60}, {-63, 0, 0}, {-19, 0, -61}, {52, 0, -38}, {52, 0, 38}};
    for (int slot = 1; slot < 6; ++slot) ExpectAt(Offset(p, slot, 0), starts[slot - 1], 0.02f);
    const auto [low, high, highAt] = figures::Heights(p, Progress(0, 1, 400));
    EXPECT_NEAR(low, 70, 0.05f);
    EXPECT_NEAR(high, 70, 0.05f);
    for (int slot = 0; slot < 6; ++slot) {
        ExpectAlong(p.Of(slot, 0).nose, kMinusZ, 0.5f);
        for (float t : {0.2f, 0.47f, 0.8f}) EXPECT_NEAR(p.Of(slot, t).BankDegrees(), -60, 1.5f) << slot << " at " << t;
        ExpectAlong(p.Of(slot, 0.47f).nose, Heading(-180), 3);  // half way round, to the left
        // A closed circle: back where it began turning, heading -z again.
        ExpectAt(p.Of(slot, 0.87f).position, p.Of(slot, 0.07f).position, 0.6f);
        ExpectAlong(p.Of(slot, 0.87f).nose, kMinusZ, 3);
        ExpectAlong(p.Of(slot, 1).up, kUp, 1);
        figures::ExpectSmoke(p, slot, {0.08f, 0.5f, 0.86f}, {0, 0.05f, 0.88f, 1});
    }
    // The leader's circle is the flower's heart: the others' circle centres ring it as petals.
    const auto circleCentre = [&](int slot) {
        const gfx::Vec3 a = p.Of(slot, 0.07f).position, b = p.Of(slot, 0.47f).position;
        return gfx::Vec3{(a.x + b.x) / 2, a.y, (a.z + b.z) / 2};
    };
    for (int slot = 1; slot < 6; ++slot) EXPECT_NEAR(Distance(circleCentre(slot), circleCentre(kLeader)), 63.5f, 1.5f) << slot;
}

TEST(StarAndCross, BurstsIntoFivePointsAndCrossesFiveLevelLegs) {
    const Programme p(24);
    ExpectEvenKeys(p, 30);
    ExpectAt(p.Of(kLeader, 0).position, {-112.95f, 150, -51}, 0.01f);
    const std::vector<gfx::Vec3> column = {{0, -0.83f, -0.65f}, {0, -0.83f, 0.65f}, {0, -1.68f, -1.33f}, {0, -1.68f, 1.29f}};
    for (int slot = 1; slot < 5; ++slot) ExpectAt(Offset(p, slot, 0), column[slot - 1], 0.02f);
    // Drawn level and nose to -z whatever the direction of flight.
    for (float t : Progress(0, 1, 40)) {
        for (int slot = 0; slot < 5; ++slot) {
            ExpectAlong(p.Of(slot, t).nose, kMinusZ, 0.1f);
            ExpectAlong(p.Of(slot, t).up, kUp, 0.1f);
        }
    }
    EXPECT_LT(Distance(Offset(p, 1, 0.07f), Offset(p, 1, 0)), 0.05f);  // climbing vertically together
    EXPECT_GT(p.Of(kLeader, 0.1f).Height(), 195);
    EXPECT_NEAR(figures::Heights(p, Progress(0, 1, 400)).high, 259, 1);
    // Each goes over the top in its own direction, a fifth of a turn from its neighbours.
    std::vector<float> bearings;
    for (int slot = 0; slot < 5; ++slot) {
        const gfx::Vec3 out = p.Of(slot, 0.4f).position - p.Of(slot, 0).position;
        bearings.push_back(std::atan2(out.x, out.z) / gfx::kRadiansPerDegree);
    }
    std::sort(bearings.begin(), bearings.end());
    for (std::size_t i = 1; i < bearings.size(); ++i) EXPECT_NEAR(bearings[i] - bearings[i - 1], 72, 12) << i;
    // The legs: level near 151, straight, and each crosses all four others: a five-pointed star.
    const auto at = [&](int slot, float t) { return p.Of(slot, t).position; };
    const auto crosses = [&](int a, int b) {
        const gfx::Vec3 p0 = at(a, 0.67f), p1 = at(a, 0.96f), q0 = at(b, 0.67f), q1 = at(b, 0.96f);
        const float d = (p1.x - p0.x) * (q1.z - q0.z) - (p1.z - p0.z) * (q1.x - q0.x);
        const float s = ((q0.x - p0.x) * (q1.z - q0.z) - (q0.z - p0.z) * (q1.x - q0.x)) / d;
        const float u = ((q0.x - p0.x) * (p1.z - p0.z) - (q0.z - p0.z) * (p1.x - p0.x)) / d;
        return s > 0 && s < 1 && u > 0 && u < 1;
    };
    for (int slot = 0; slot < 5; ++slot) {
        for (float t : {0.67f, 0.8f, 0.96f}) EXPECT_NEAR(at(slot, t).y, 150.2f, 1.2f) << slot << " at " << t;
        // Straight: the middle of the leg lies on the line between its ends.
        const gfx::Vec3 a = at(slot, 0.67f), m = at(slot, 0.8f), b = at(slot, 0.96f);
        const float across = ((m.x - a.x) * (b.z - a.z) - (m.z - a.z) * (b.x - a.x)) / std::hypot(b.x - a.x, b.z - a.z);
        EXPECT_LT(std::fabs(across), 0.5f) << slot;
        int crossings = 0;
        for (int other = 0; other < 5; ++other) crossings += other != slot && crosses(slot, other);
        EXPECT_EQ(crossings, 4) << slot;
        figures::ExpectSmoke(p, slot, {0.05f, 0.2f, 0.7f, 0.95f}, {0, 0.03f, 0.23f, 0.5f, 0.65f, 0.97f, 1});
    }
}

TEST(TackCross, PairSplitsLoopsAndCrossesHeadOnInverted) {
    const Programme p(25);
    const auto times = figures::KeyTimes(p);
    ASSERT_EQ(times.size(), 76u);
    EXPECT_EQ(times.front(), -0.01041667f);
    EXPECT_EQ(times.back(), 1.0104166f);
    constexpr int kFive = 0, kSix = 1;
    ExpectAt(p.Of(kFive, 0).position, {-185.28f, 12.01f, -25.91f}, 0.01f);
    ExpectAt(Offset(p, kSix, 0), {-3.04f, 0, -9.14f}, 0.02f);
    ExpectAt(p.Of(kFive, 1).position, {29.57f, 11.5f, 43.22f}, 0.1f);
    ExpectAt(p.Of(kSix, 1).position, {20.54f, 13.03f, -104.18f}, 0.1f);
    for (int a : {kFive, kSix}) {
        ExpectAlong(p.Of(a, 0.1f).up, kDown, 1);  // the inverted run
        ExpectAlong(p.Of(a, 0.1f).nose, Heading(-90), 1);
        EXPECT_NEAR(p.Of(a, 0.35f).PitchDegrees(), 64, 2);
        ExpectAlong(p.Of(a, 0.85f).up, kDown, 1);  // the crossing leg, inverted
    }
    // The break: 5 turns right to -z, 6 left to +z, each in a 60-degree bank.
    EXPECT_NEAR(p.Of(kFive, 0.2f).BankDegrees(), 60, 2);
    EXPECT_NEAR(p.Of(kSix, 0.2f).BankDegrees(), -60, 2);
    ExpectAlong(p.Of(kFive, 0.255f).nose, Heading(0), 1);
    ExpectAlong(p.Of(kSix, 0.255f).nose, Heading(180), 1);
    EXPECT_EQ(RollDirection(p, kFive, 0.041f, 0.059f), -RollDirection(p, kSix, 0.041f, 0.059f));
    EXPECT_NE(RollDirection(p, kFive, 0.041f, 0.059f), 0);
    EXPECT_EQ(RollDirection(p, kFive, 0.332f, 0.438f), -1);
    EXPECT_EQ(RollDirection(p, kSix, 0.332f, 0.438f), 1);
    EXPECT_NEAR(figures::Heights(p, figures::Progress(0.4f, 0.55f, 400), {kFive}).high, 136.9f, 0.3f);
    EXPECT_NEAR(figures::Heights(p, Progress(0, 1, 400)).low, 11.5f, 0.15f);
    // Down the other way along x = 6, level at 11.5.
    ExpectAlong(p.Of(kFive, 0.73f).nose, Heading(180), 1);
    EXPECT_NEAR(p.Of(kFive, 0.73f).Height(), 11.5f, 0.05f);
    for (float t : {0.72f, 0.8f, 0.9f}) EXPECT_NEAR(p.Of(kFive, t).position.x, 6, 0.05f);
    // Head-on in front of the crowd: they pass each other near z -30, 6 a little higher.
    EXPECT_LT(p.Of(kFive, 0.88f).position.z, p.Of(kSix, 0.88f).position.z);
    EXPECT_GT(p.Of(kFive, 0.91f).position.z, p.Of(kSix, 0.91f).position.z);
    EXPECT_NEAR((p.Of(kFive, 0.9f).position.z + p.Of(kSix, 0.9f).position.z) / 2, -30, 5);
    EXPECT_NEAR(p.Of(kFive, 1).BankDegrees(), 60, 2);
    EXPECT_NEAR(p.Of(kSix, 1).BankDegrees(), -60, 2);
    for (int a : {kFive, kSix}) figures::ExpectSmoke(p, a, {0, 0.43f, 0.59f, 0.94f}, {0.45f, 0.57f, 0.96f, 1});
    // The camera: between the pair until key 10, then on aircraft 5, straight at the start.
    for (float t = 0; t <= times[10]; t += 0.01f) EXPECT_LT(Distance(p.Target(t), CentreAt(p, t)), 2.5f) << t;
    for (float t = times[12]; t <= 1; t += 0.01f) EXPECT_LT(Distance(p.Target(t), p.Of(kFive, t).position), 0.01f) << t;
    EXPECT_EQ(p.ModeAt(0), aircraft::PositionMode::kLinear);
}

TEST(RollingCombatPitch, EachRollsIntoALeftTurnInTurnAndTheyComeBackInTrail) {
    const Programme p(26);
    ExpectEvenKeys(p, 34);
    ExpectAt(p.Of(kLeader, 0).position, {-106.49f, 15.21f, -228.1f}, 0.01f);
    ExpectAt(Offset(p, 1, 0), {-1.5f, 0, -1.05f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {-3, 0, -2}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {-4.5f, 0, -3}, 0.02f);
    EXPECT_NEAR(p.Of(kLeader, 0).PitchDegrees(), 5, 0.5f);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_NEAR(p.Of(slot, 4.0f / 31).PitchDegrees(), 32, 1);  // pulled up together, wings level
        EXPECT_NEAR(p.Of(slot, 4.0f / 31).BankDegrees(), 0, 0.5f);
    }
    const float rollsFrom[] = {0.13f, 0.16f, 0.19f, 0.23f};
    for (int slot = 0; slot < 4; ++slot) {
        const float from = rollsFrom[slot];
        EXPECT_EQ(RollDirection(p, slot, from + 0.002f, from + 0.098f), 1) << slot;
        // In the turn: banked 50 degrees left, turning round through -x to head -z.
        EXPECT_NEAR(p.Of(slot, from + 0.3f).BankDegrees(), -50, 8) << slot;
        ExpectAlong(p.Of(slot, 1).nose, Heading(0), 1);
        ExpectAlong(p.Of(slot, 1).up, kUp, 1);
        figures::ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    }
    EXPECT_NEAR(p.Of(kLeader, 0.81f).BankDegrees(), 0, 2);
    ExpectAt(p.Of(kLeader, 1).position, {-288.35f, 47.73f, -252.91f}, 1);
    // A long trail heading -z, the leader first, about 57 apart, at heights 47.7 to 54.8.
    for (int slot = 0; slot < 4; ++slot) {
        const gfx::Vec3 a = p.Of(slot, 1).position;
        EXPECT_GE(a.y, 47.7f);
        EXPECT_LE(a.y, 54.81f);
        EXPECT_NEAR(a.x, -288.35f, 1) << slot;
        if (slot > 0) {
            EXPECT_NEAR(flown::Distance(a, p.Of(slot - 1, 1).position), 57, 5.7f) << slot;
        }
    }
}

}  // namespace
