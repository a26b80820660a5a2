// The formation programmes 11 to 17 fly their figures: sampled through the runtime at the
// progress where the figure says something happens, with the members' places, their smoke and
// where the camera looks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <tuple>
#include <vector>

#include "figure_checks.h"

namespace {

using namespace figures;
using flown::Distance;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::RollDirection;

// Every aircraft in the picture at every progress, kept clear of the edges.
void ExpectAllInPicture(const Programme& p, int number, float from = 0, float until = 1) {
    for (float t : Progress(from, until, 200)) {
        for (int slot = 0; slot < p.AircraftCount(); ++slot) {
            EXPECT_TRUE(InPicture(p, number, t, p.Of(slot, t).position, 0.05f)) << "programme " << number << " slot " << slot + 1 << " at " << t;
        }
    }
}

TEST(FiguresII, MembersNeverCollide) {
    for (int n : {11, 12, 13, 14, 15, 16, 17}) {
        const Programme p(n);
        float closest = 1e9f;
        for (float t : Progress(0, 1, 800)) {
            for (int a = 0; a < p.AircraftCount(); ++a) {
                for (int b = a + 1; b < p.AircraftCount(); ++b) {
                    closest = std::min(closest, Distance(p.Of(a, t).position, p.Of(b, t).position));
                }
            }
        }
        EXPECT_GT(closest, 1.3f) << "programme " << n;
    }
}

// Evenly spaced programmes put key i at the float nearest (i - 1) / (K - 3); the others keep
// their own outer keys. Every track of a programme shares its key times, except number 6's in
// programme 14.
TEST(FiguresII, KeyTimes) {
    for (int n : {11, 13, 16, 17, 18}) {
        const Programme p(n);
        std::vector<std::span<const manoeuvres::Keyframe>> tracks(p.Data().tracks.begin(), p.Data().tracks.end());
        tracks.push_back(p.Data().camera);
        for (const auto& track : tracks) {
            const double steps = static_cast<double>(track.size()) - 3;
            for (std::size_t i = 0; i < track.size(); ++i) {
                EXPECT_EQ(track[i].time, static_cast<float>((static_cast<double>(i) - 1) / steps)) << n << " key " << i;
            }
        }
    }
    for (auto [n, first, last] : {std::tuple{12, -0.121666685f, 1.0246212f}, {14, -0.016129073f, 1.0161291f},
                                   {15, -0.02325581f, 1.0232558f}}) {
        const Programme p(n);
        const auto camera = p.Data().camera;
        EXPECT_EQ(camera.front().time, first) << n;
        EXPECT_EQ(camera.back().time, last) << n;
        for (int slot = 0; slot < p.AircraftCount(); ++slot) {
            if (n == 14 && slot == 1) continue;
            const auto track = p.Data().tracks[static_cast<std::size_t>(slot)];
            for (std::size_t k = 0; k < track.size(); ++k) EXPECT_EQ(track[k].time, camera[k].time) << n << " key " << k;
        }
    }
}

TEST(FiguresII, TheTrackedFormationsStayInThePicture) {
    // Programme 11 starts with the trail passing 20 units from the eye, too close for its lens
    // to hold all four: from 0.07 on they are all in the picture.
    ExpectAllInPicture(Programme(11), 11, 0.07f);
    for (int n : {12, 15, 17}) ExpectAllInPicture(Programme(n), n);
}

TEST(ChangeOverLoop, TrailLoopsDivesTurnsAQuarterAndPullsOutAsADiamond) {
    const Programme p(11);
    ExpectAt(p.Of(kLeader, 0).position, {91.28f, 15, -40}, 0.01f);
    for (int slot = 1; slot < 4; ++slot) {
        const float k = static_cast<float>(slot);
        ExpectAt(Offset(p, slot, 0), {2.4f * k, -0.5f * k, 0}, 0.02f);
    }
    ExpectAlong(p.Of(kLeader, 0.2f).nose, Heading(90), 0.5f);
    EXPECT_NEAR(p.Of(kLeader, 0.2f).Height(), 15, 0.01f);
    // A quarter of the way round: straight up; half: over the top on its back heading +x.
    ExpectAlong(p.Of(kLeader, 11.0f / 27).nose, kUp, 1);
    ExpectAlong(p.Of(kLeader, 15.0f / 27).nose, kPlusX, 1);
    ExpectAlong(p.Of(kLeader, 15.0f / 27).up, kDown, 1);
    EXPECT_NEAR(Heights(p, Progress(0, 1, 400), {0, 1, 2, 3}).high, 174.8f, 0.6f);
    // Three quarters: diving vertically, then the quarter turn to the right on the down line.
    ExpectAlong(p.Of(kLeader, 19.0f / 27).nose, kDown, 2);
    EXPECT_NEAR(p.Of(kLeader, 20.0f / 27).PitchDegrees(), -66, 1.5f);
    const gfx::Vec3 pulling = p.Of(kLeader, 20.0f / 27).nose;
    EXPECT_GT(pulling.z, 0.35f);
    EXPECT_NEAR(pulling.x, 0, 0.05f);
    // On the down line the canopy turns from -x to +z, the way the pull-out goes.
    EXPECT_LT(p.Of(kLeader, 18.0f / 27).up.x, -0.9f);
    EXPECT_GT(p.Of(kLeader, 20.0f / 27).up.z, 0.35f);
    EXPECT_EQ(RollDirection(p, kLeader, 18.0f / 27, 19.0f / 27), 1);
    for (float t : {0.93f, 0.96f, 1.0f}) {
        ExpectAlong(p.Of(kLeader, t).nose, kPlusZ, 1);
        ExpectAlong(p.Of(kLeader, t).up, kUp, 1);
    }
    ExpectAt(p.Of(kLeader, 1).position, {-49.49f, 14.99f, 141.55f}, 0.3f);
    ExpectAt(Offset(p, 1, 1), {-1.27f, -0.3f, -1.66f}, 0.03f);
    ExpectAt(Offset(p, 2, 1), {1.27f, -0.3f, -1.66f}, 0.03f);
    ExpectAt(Offset(p, 3, 1), {0, -0.6f, -3.31f}, 0.03f);

    ExpectSmoke(p, kLeader, {0, 0.2f, 0.32f}, {0.34f, 0.6f, 1});
    for (int slot = 1; slot < 4; ++slot) ExpectSmoke(p, slot, {0, 0.5f, 0.95f}, {0.97f, 1});
    for (float t : Progress(0, 1, 50)) EXPECT_LT(Distance(p.Target(t), CentreAt(p, t)), 0.1f) << t;
}

TEST(HalfSlowRoll, PairRollsSlowlyOntoItsBackAndQuicklyUpright) {
    const Programme p(12);
    const auto track = p.Data().tracks[0];
    EXPECT_EQ(track.front().time, -0.121666685f);
    EXPECT_EQ(track.back().time, 1.0246212f);
    ExpectAt(p.Of(kLeader, 0).position, {-30, 12, 270.18f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {-30, 12, -85.83f}, 0.01f);
    for (float t : Progress(0, 1, 40)) {
        ExpectAt(Offset(p, 1, t), {1.5f, 0, 2.63f}, 0.02f);
        ExpectAlong(p.Of(kLeader, t).nose, kMinusZ, 0.5f);
        EXPECT_NEAR(p.Of(1, t).Height(), 12, 0.01f);
    }
    for (int slot : {0, 1}) {
        ExpectAlong(p.Of(slot, 0.24f).up, kUp, 0.5f);  // the slow roll from 0.24 to 0.48
        EXPECT_EQ(RollDirection(p, slot, 0.2401f, 0.4799f), 1);
        ExpectAlong(p.Of(slot, 0.48f).up, kDown, 0.5f);
        for (float t : {0.5f, 0.6f, 0.75f}) ExpectAlong(p.Of(slot, t).up, kDown, 0.5f);
        EXPECT_EQ(RollDirection(p, slot, 0.76f, 0.80f), 1);
        ExpectAlong(p.Of(slot, 0.81f).up, kUp, 0.5f);
        ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    }
    for (float t : Progress(0, 1, 50)) EXPECT_LT(Distance(p.Target(t), CentreAt(p, t)), 0.9f) << t;
}

TEST(LetterEight, ThreeFlyARightCircleWhileNumberFourDrawsTheOtherLoopAndRejoins) {
    const Programme p(13);
    ExpectAt(p.Of(kLeader, 0).position, {-40.69f, 15, -29.6f}, 0.01f);
    ExpectAt(Offset(p, 1, 0), {1.49f, 0, -1.14f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {1.49f, 0, 1.14f}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {2.98f, -0.28f, 0}, 0.02f);
    ExpectAlong(p.Of(kLeader, 0.03f).nose, Heading(90), 0.5f);

    EXPECT_NEAR(HeadingChange(p, kLeader, 0.07f, 0.97f), 360, 3);
    for (float t : {0.2f, 0.5f, 0.8f}) EXPECT_NEAR(p.Of(kLeader, t).BankDegrees(), 45, 1) << t;
    // Number 4: a left-hand circle in a 70-degree bank, then a right-hand one.
    EXPECT_NEAR(HeadingChange(p, 3, 0.07f, 0.37f), -360, 4);
    EXPECT_NEAR(p.Of(3, 0.2f).BankDegrees(), -70, 1);
    EXPECT_GT(p.Of(3, 0.5f).BankDegrees(), 40);
    EXPECT_NEAR(HeadingChange(p, 3, 0.37f, 0.97f), 360, 4);
    EXPECT_GT(Distance(p.Of(3, 0.25f).position, p.Of(kLeader, 0.25f).position), 50);

    for (int slot = 0; slot < 4; ++slot) {
        ExpectAlong(p.Of(slot, 1).nose, Heading(90), 1);
        ExpectAlong(p.Of(slot, 1).up, kUp, 1);
    }
    ExpectAt(p.Of(kLeader, 1).position, {-114.88f, 15, -29.64f}, 0.1f);
    ExpectAt(Offset(p, 1, 1), {1.49f, 0, -1.14f}, 0.02f);
    ExpectAt(Offset(p, 2, 1), {1.49f, 0, 1.14f}, 0.02f);
    ExpectAt(Offset(p, 3, 1), {2.98f, -0.28f, 0}, 0.05f);

    ExpectSmoke(p, kLeader, {0.05f, 0.5f, 0.84f}, {0, 0.86f, 1});
    for (int slot : {1, 2}) ExpectSmoke(p, slot, {0.05f, 0.5f, 0.95f}, {0, 0.97f});
    ExpectSmoke(p, 3, {0.05f, 0.36f, 0.86f, 0.95f}, {0, 0.38f, 0.6f, 0.84f, 0.97f});

    // The camera: on the formation's centre, then on number 4 through its circle, and back.
    EXPECT_LT(Distance(p.Target(0), CentreAt(p, 0)), 0.05f);
    for (float t : Progress(4.0f / 27, 10.0f / 27, 30)) {
        EXPECT_LT(Distance(p.Target(t), p.Of(3, t).position), 1.6f) << t;
    }
    // It stays with number 4 until the chase brings it near the others, then shows the three.
    for (float t : Progress(10.0f / 27, 19.0f / 27, 30)) EXPECT_TRUE(InPicture(p, 13, t, p.Of(3, t).position, 0.05f)) << t;
    for (float t : Progress(20.0f / 27, 23.0f / 27, 10)) EXPECT_TRUE(InPicture(p, 13, t, p.Of(kLeader, t).position, 0.05f)) << t;
    EXPECT_LT(Distance(p.Target(1), CentreAt(p, 1)), 0.05f);
}

TEST(OppositeContinuousRoll, HeadOnPassBothRollingThreeTimesToTheRight) {
    const Programme p(14);
    ExpectAt(p.Of(0, 0).position, {8, 12, 125}, 0.01f);
    ExpectAt(p.Of(0, 1).position, {8, 12, -185.01f}, 0.01f);
    ExpectAt(p.Of(1, 0).position, {0, 13.5f, -185.01f}, 0.01f);
    ExpectAt(p.Of(1, 1).position, {0, 13.5f, 125}, 0.01f);
    ExpectAlong(p.Of(0, 0.5f).nose, kMinusZ, 0.5f);
    ExpectAlong(p.Of(1, 0.5f).nose, kPlusZ, 0.5f);
    EXPECT_NEAR(p.Of(0, 0.5f).position.z, -30, 0.5f);
    EXPECT_NEAR(p.Of(1, 0.5f).position.z, -30, 0.5f);

    // Number 6 keeps keys of its own, a little after number 5's, and is posed by them.
    const auto five = p.Data().tracks[0], six = p.Data().tracks[1];
    EXPECT_EQ(six.front().time, -0.016129032f);
    EXPECT_EQ(five.front().time, -0.016129073f);
    for (std::size_t k = 0; k < five.size(); ++k) EXPECT_LT(std::fabs(six[k].time - five[k].time), 0.001f) << k;
    EXPECT_NE(six[2].time, five[2].time);
    for (int slot : {0, 1}) {
        const auto keys = p.Data().tracks[static_cast<std::size_t>(slot)];
        EXPECT_EQ(RollDirection(p, slot, keys[2].time, keys[14].time), 1);
        ExpectAlong(p.Of(slot, 0.32f).up, kUp, 0.5f);
        ExpectAlong(p.Of(slot, 0.68f).up, kUp, 0.5f);
        // Three rolls: upright at every fourth quarter-turn key.
        int upright = 0;
        for (std::size_t k = 2; k <= 14; ++k) upright += flown::Dot(p.Of(slot, keys[k].time).up, kUp) > 0.999f;
        EXPECT_EQ(upright, 4);
        ExpectSmoke(p, slot, {0, 0.5f, 0.97f}, {0.99f, 1});
    }
    for (float t : Progress(0, 1, 50)) EXPECT_LT(Distance(p.Target(t), p.Of(0, t).position), 0.01f) << t;
    // Number 6 comes into the picture around the crossing.
    EXPECT_TRUE(InPicture(p, 14, 0.5f, p.Of(1, 0.5f).position, 0.05f));
}

TEST(FourShipInvert, LeadPairInvertsThenTheWingmenAllRollUprightTogether) {
    const Programme p(15);
    ExpectAt(p.Of(kLeader, 0).position, {0, 12, 241.26f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {0, 12, -136.24f}, 0.01f);
    for (float t : Progress(0, 1, 20)) {
        ExpectAt(Offset(p, 1, t), {3, 0.25f, 2.5f}, 0.02f);
        ExpectAt(Offset(p, 2, t), {-3, 0.25f, 2.5f}, 0.02f);
        ExpectAt(Offset(p, 3, t), {0, 0.5f, 5}, 0.02f);
        ExpectAlong(p.Of(kLeader, t).nose, kMinusZ, 0.5f);
    }
    for (int slot : {0, 3}) {
        ExpectAlong(p.Of(slot, 0.26f).up, kUp, 0.5f);
        EXPECT_EQ(RollDirection(p, slot, 0.2601f, 0.305f), 1);
        ExpectAlong(p.Of(slot, 0.305f).up, kDown, 0.5f);
    }
    for (int slot : {1, 2}) ExpectAlong(p.Of(slot, 0.35f).up, kUp, 0.5f);
    EXPECT_EQ(RollDirection(p, 1, 0.3501f, 0.395f), -1);  // the wingmen roll away from each other
    EXPECT_EQ(RollDirection(p, 2, 0.3501f, 0.395f), 1);
    for (int slot : {1, 2}) ExpectAlong(p.Of(slot, 0.395f).up, kDown, 0.5f);
    for (int slot = 0; slot < 4; ++slot) ExpectAlong(p.Of(slot, 0.6f).up, kDown, 0.5f);
    // The wingmen rock 40 degrees either way on their backs before they roll out.
    for (int slot : {1, 2}) {
        for (float t : {0.79f + 0.21f / 9, 0.79f + 0.42f / 9}) {
            EXPECT_NEAR(std::acos(-p.Of(slot, t).up.y) / gfx::kRadiansPerDegree, 40, 1) << t;
        }
    }
    for (int slot : {0, 3}) ExpectAlong(p.Of(slot, 0.84f).up, kDown, 0.5f);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_NE(RollDirection(p, slot, 0.86f, 0.906f), 0);
        ExpectAlong(p.Of(slot, 0.92f).up, kUp, 0.5f);
        ExpectSmoke(p, slot, {0, 0.5f, 0.92f}, {0.94f, 1});
    }
    for (float t : Progress(0, 1, 50)) EXPECT_LT(Distance(p.Target(t), CentreAt(p, t)), 0.25f) << t;
    // Where the camera's straight segment 5 ends and the splines of segment 6 begin (key 5),
    // the target runs on without a jump.
    const float key5 = p.Data().camera[5].time;
    EXPECT_LT(Distance(p.Target(key5 - 1e-4f), p.Target(key5 + 1e-4f)), 0.1f);
    ExpectAt(p.Target(key5), {p.Data().camera[5].x, p.Data().camera[5].y, p.Data().camera[5].z}, 0.001f);
}

TEST(VerticalCupid, PairDrawsAHeartAndNumberFourShootsTheArrowThroughIt) {
    const Programme p(16);
    constexpr int kFour = 0, kFive = 1, kSix = 2;
    ExpectAt(p.Of(kFive, 0).position, {-82, 99, -50}, 0.01f);
    ExpectAt(p.Of(kSix, 0).position, {-80, 99, -50}, 0.01f);
    for (int slot : {kFive, kSix}) {
        ExpectAlong(p.Of(slot, 0.05f).nose, kUp, 0.5f);
        EXPECT_NEAR(p.Of(slot, 2.0f / 18).Height(), 170, 0.5f);
    }
    // Parting at the top: 5 over towards -z, 6 towards +z, each in its own vertical plane,
    // the two halves mirror images about z = -50.
    EXPECT_LT(p.Of(kFive, 0.2f).nose.z, -0.5f);
    EXPECT_GT(p.Of(kSix, 0.2f).nose.z, 0.5f);
    for (float t : Progress(0, 1, 50)) {
        EXPECT_NEAR(p.Of(kFive, t).position.x, -82, 0.01f);
        EXPECT_NEAR(p.Of(kSix, t).position.x, -80, 0.01f);
        EXPECT_NEAR(p.Of(kFive, t).position.z + p.Of(kSix, t).position.z, -100, 0.05f) << t;
        EXPECT_NEAR(p.Of(kFive, t).Height(), p.Of(kSix, t).Height(), 0.01f) << t;
    }
    EXPECT_NEAR(Heights(p, Progress(0, 1, 400), {kFive, kSix}).high, 220, 1);
    // The heart's point: the halves meet below the cleft as the smoke stops.
    const gfx::Vec3 point = p.Of(kFive, 11.0f / 18).position;
    EXPECT_NEAR(point.z, -50, 1.5f);
    EXPECT_LT(point.y, 110);
    EXPECT_GT(point.y, 60);
    ExpectAt(p.Of(kFive, 1).position, {-82, 10, 190.81f}, 1);
    ExpectAt(p.Of(kSix, 1).position, {-80, 10, -290.81f}, 1);
    ExpectAlong(p.Of(kFive, 1).nose, kPlusZ, 2);

    ExpectAt(p.Of(kFour, 0).position, {-84, 21, -506.9f}, 0.01f);
    ExpectAlong(p.Of(kFour, 0.2f).nose, kPlusZ, 0.5f);
    EXPECT_NEAR(p.Of(kFour, 0.3f).Height(), 21, 0.01f);
    EXPECT_NEAR(p.Of(kFour, 0.8f).PitchDegrees(), 31, 0.5f);
    ExpectAt(p.Of(kFour, 1).position, {-84, 220.18f, 109.05f}, 1);
    // The arrow crosses the heart's middle between its point and its cleft.
    float crossing = 0;
    for (float t : Progress(0.4f, 1, 600)) {
        if (p.Of(kFour, t).position.z <= -50) crossing = p.Of(kFour, t).Height();
    }
    EXPECT_GT(crossing, point.y);
    EXPECT_LT(crossing, 170);

    for (int slot : {kFive, kSix}) ExpectSmoke(p, slot, {0.12f, 0.4f, 0.6f}, {0, 0.1f, 0.62f, 1});
    ExpectSmoke(p, kFour, {0.56f, 0.7f, 0.9f, 1}, {0, 0.5f, 0.73f, 0.88f});

    // The camera aims at its fixed point; its track still follows number 5.
    for (const auto& key : p.Data().camera) {
        if (key.time >= 0 && key.time <= 1) ExpectAt({key.x, key.y, key.z}, p.Of(kFive, key.time).position, 0.01f);
    }
    // The whole heart and the arrow through it lie inside the wide picture.
    for (float t : Progress(0, 0.62f, 100)) {
        EXPECT_TRUE(InPicture(p, 16, t, p.Of(kFive, t).position, 0.05f)) << t;
        EXPECT_TRUE(InPicture(p, 16, t, p.Of(kSix, t).position, 0.05f)) << t;
    }
    // The arrow's smoke comes in from the picture's left edge and runs into the heart.
    EXPECT_FALSE(InPicture(p, 16, 0.5f, p.Of(kFour, 0.5f).position, 0.05f));
    for (float t : Progress(0.64f, 0.72f, 20)) EXPECT_TRUE(InPicture(p, 16, t, p.Of(kFour, t).position, 0.05f)) << t;
}

TEST(LineAbreastRoll, LineRollsAsOneBodyOverAHumpAndTurnsLeft) {
    const Programme p(17);
    ExpectAt(p.Of(kLeader, 0).position, {-312.06f, 17.49f, 106.42f}, 0.01f);
    ExpectAt(Offset(p, 1, 0), {0.16f, 0.21f, 1.63f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {-0.17f, -0.22f, -1.63f}, 0.02f);
    const gfx::Vec3 start = p.Of(kLeader, 0).nose;
    EXPECT_NEAR(std::atan2(-start.x, -start.z) / gfx::kRadiansPerDegree, -80, 2);

    const HeightRange hump = Heights(p, Progress(0, 0.6f, 400), {kLeader});
    EXPECT_NEAR(hump.high, 75, 0.5f);
    EXPECT_NEAR(hump.highAt, 1.0f / 3, 0.03f);
    float climb = 0, dive = 0;
    for (float t : Progress(0, 0.6f, 60)) {
        climb = std::max(climb, p.Of(kLeader, t).PitchDegrees());
        dive = std::min(dive, p.Of(kLeader, t).PitchDegrees());
    }
    EXPECT_NEAR(climb, 21, 1);
    EXPECT_NEAR(dive, -20, 1);

    // The whole line rolls about the leader: the members keep their distance to it and turn
    // round it with the leader's wings.
    EXPECT_EQ(RollDirection(p, kLeader, 0, 8.0f / 12), 1);
    for (float t : Progress(0, 1, 40)) {
        for (int slot : {1, 2}) {
            EXPECT_NEAR(Distance(p.Of(slot, t).position, p.Of(kLeader, t).position), 1.65f, 0.05f) << t;
            EXPECT_NEAR(std::fabs(flown::Dot(Offset(p, slot, t), p.Of(kLeader, t).rightWing)), 1.64f, 0.05f) << t;
        }
    }
    for (float t : Progress(8.0f / 12, 1, 8)) {
        EXPECT_LE(p.Of(kLeader, t).BankDegrees(), -33 + 1.5f) << t;
        EXPECT_GE(p.Of(kLeader, t).BankDegrees(), -58 - 1.5f) << t;
    }
    EXPECT_NEAR(HeadingChange(p, kLeader, 0.5f, 1), -44, 3);
    ExpectAt(p.Of(kLeader, 1).position, {67.55f, 20.6f, 2.23f}, 0.3f);
    for (int slot = 0; slot < 3; ++slot) ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    for (float t : Progress(0, 1, 50)) EXPECT_LT(Distance(p.Target(t), p.Of(kLeader, t).position), 0.01f) << t;
}

}  // namespace
