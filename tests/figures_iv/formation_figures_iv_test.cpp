// The formation programmes of the group fly their figures: positions, headings and banks at the
// progress where the figure says so, the members' places, their smoke, and where the camera looks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "figure_checks.h"

namespace {

using namespace figures;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::RollDirection;


// The angle in degrees by which `slot` has gone round the leader's line of flight since `from`,
// seen along the leader's level heading: positive when it goes round to the right (over the top
// from the left), unwrapped.
float TurnsRoundTheLeader(const Programme& p, int slot, float from, float until) {
    float total = 0, previous = 0;
    bool first = true;
    for (float t : Progress(from, until, 2000)) {
        const gfx::Vec3 nose = p.Of(kLeader, t).nose;
        const gfx::Vec3 right{nose.z, 0, -nose.x};
        const gfx::Vec3 d = Offset(p, slot, t);
        const float angle = std::atan2(d.y, -flown::Dot(d, right));
        if (!first) total += std::remainder(angle - previous, 2 * std::numbers::pi_v<float>);
        previous = angle;
        first = false;
    }
    return total / gfx::kRadiansPerDegree;
}

TEST(Corkscrew, WingmanRollsRoundTheInvertedLeaderThenThePairTurnsLeft) {
    const Programme p(27);
    ExpectEvenKeys(p, 1.0 / 44, 1.0227273f);
    ExpectAt(p.Of(kLeader, 0).position, {-538.59f, 20, 298.95f}, 0.01f);
    ExpectAt(Offset(p, 1, 0), {-2.72f, 0, 4.93f}, 0.02f);
    ExpectAt(p.Of(kLeader, 1).position, {-59.97f, 20, 171.55f}, 0.05f);
    ExpectAlong(p.Of(kLeader, 0.01f).nose, Heading(299), 0.5f);
    ExpectAlong(p.Of(kLeader, 0.5f).nose, Heading(299), 0.5f);
    ExpectAlong(p.Of(kLeader, 1).nose, Heading(119), 0.5f);
    // On its back from the half roll to the roll into the turn, banked 60 left in the turn.
    for (float t : {0.1f, 0.3f, 0.5f, 0.65f}) ExpectAlong(p.Of(kLeader, t).up, kDown, 1);
    EXPECT_EQ(RollDirection(p, kLeader, 0.661f, 0.699f), -1);
    for (float t : {0.72f, 0.8f, 0.9f}) EXPECT_NEAR(p.Of(kLeader, t).BankDegrees(), -60, 1) << t;
    ExpectAlong(p.Of(kLeader, 1).up, kUp, 1);
    for (float t : Progress(0, 1, 100)) EXPECT_NEAR(p.Of(kLeader, t).Height(), 20, 0.01f) << t;

    // The wingman: 1380 degrees to the right, round the leader, staying within 3 of height 20.
    EXPECT_EQ(RollDirection(p, 1, 0.051f, 0.729f), 1);
    EXPECT_NEAR(TurnsRoundTheLeader(p, 1, 0.04f, 0.73f), 1380, 5);
    const auto [low, high, highAt] = Heights(p, Progress(0, 0.7f, 400), {1});
    EXPECT_GE(low, 17);
    EXPECT_LE(high, 23);
    // Its nose leads its path round the leader, about 19 degrees either way in yaw and 18 in
    // pitch (the motion tests keep it within 10 of the path). Its canopy faces the leader all
    // the way round, tilted up to about 28 degrees by the nose's lead.
    float yawSwing = 0, pitchSwing = 0;
    for (float t : Progress(0.2f, 0.55f, 400)) {
        const auto a = p.Of(1, t);
        const gfx::Vec3 level = Heading(299);
        const gfx::Vec3 side{-level.z, 0, level.x};
        yawSwing = std::max(yawSwing, std::fabs(std::atan2(flown::Dot(a.nose, side), flown::Dot(a.nose, level))));
        pitchSwing = std::max(pitchSwing, std::fabs(a.PitchDegrees()));
        const gfx::Vec3 towards = p.Of(kLeader, t).position - a.position;
        const gfx::Vec3 across = towards - a.nose * flown::Dot(towards, a.nose);
        EXPECT_GT(flown::Dot(a.up, across) / std::sqrt(flown::Dot(across, across)), std::cos(30 * gfx::kRadiansPerDegree))
            << "canopy towards the leader at " << t;
    }
    EXPECT_NEAR(yawSwing / gfx::kRadiansPerDegree, 19, 1);
    EXPECT_NEAR(pitchSwing, 18, 1);
    // The 2-degree lens, aimed at the leader, holds both aircraft whole throughout: nose, tail
    // and wing tips, also where the pair comes nearest the eye.
    for (float t : Progress(0, 1, 5000)) {
        for (int slot = 0; slot < 2; ++slot) {
            const auto a = p.Of(slot, t);
            for (const gfx::Vec3& reach : {a.nose * 0.65f, a.nose * -0.65f, a.rightWing * 0.5f, a.rightWing * -0.5f}) {
                EXPECT_TRUE(InPicture(p, 27, t, a.position + reach)) << "aircraft " << slot + 1 << " at " << t;
            }
        }
    }
    // In the turn it keeps a place tucked in on the leader's left (inside the turn, banked
    // with it), close enough for the 2-degree lens to hold both where the pair passes nearest.
    for (float t : {0.77f, 0.85f, 0.95f, 1.0f}) {
        const auto lead = p.Of(kLeader, t);
        const gfx::Vec3 d = Offset(p, 1, t);
        ExpectAlong(p.Of(1, t).nose, lead.nose, 2);  // along its own path, just inside the leader's
        EXPECT_LT(flown::Distance(p.Of(1, t).position, lead.position), 2.3f) << t;
        EXPECT_LT(flown::Dot(d, lead.rightWing), -1.4f) << t;
        EXPECT_LT(flown::Dot(d, lead.nose), -1.5f) << t;
    }
    EXPECT_GT(ClosestApproach(p), 2);
    for (int slot = 0; slot < 2; ++slot) ExpectSmoke(p, slot, {0, 0.3f, 0.7f, 1}, {});
    for (float t : Progress(0, 1, 50)) EXPECT_LT(flown::Distance(p.Target(t), p.Of(kLeader, t).position), 0.01f) << t;
}

TEST(DeltaLoop, SixInADeltaLoopTogetherOverTheRunwaySide) {
    const Programme p(28);
    ExpectEvenKeys(p, 1.0 / 17, 1.0526316f);
    ExpectAt(p.Of(kLeader, 0).position, {-20, 15, 177.83f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {-20, 15, -42.24f}, 0.05f);
    const std::vector<gfx::Vec3> offsets{{1.55f, 0, 2.05f}, {-1.55f, 0, 2.05f}, {0, 0, 4.1f}, {3.1f, 0, 4.1f}, {-3.1f, 0, 4.1f}};
    for (int slot = 1; slot < 6; ++slot) {
        ExpectAt(Offset(p, slot, 0), offsets[slot - 1], 0.02f);
        ExpectAt(Offset(p, slot, 1), offsets[slot - 1], 0.02f);
    }
    ExpectAlong(p.Of(kLeader, 0.1f).nose, kMinusZ, 0.5f);
    EXPECT_GT(p.Of(kLeader, 0.3f).PitchDegrees(), 45);
    const auto top = p.Of(kLeader, 9.0f / 17);
    EXPECT_NEAR(top.Height(), 183.4f, 0.05f);
    ExpectAlong(top.nose, kPlusZ, 1);
    ExpectAlong(top.up, kDown, 1);
    EXPECT_LT(p.Of(kLeader, 0.75f).PitchDegrees(), -45);
    ExpectAlong(p.Of(kLeader, 0.95f).nose, kMinusZ, 1);
    const auto [low, high, highAt] = Heights(p, Progress(), {kLeader});
    EXPECT_NEAR(low, 15, 0.2f);  // the pull-up eases in: the splines hardly sag before it
    EXPECT_NEAR(high, 183.4f, 0.3f);
    for (float t : Progress(0, 1, 50)) EXPECT_NEAR(p.Of(kLeader, t).position.x, -20, 0.01f) << t;
    // The delta keeps its shape round the loop.
    for (float t : Progress(0, 1, 20)) {
        EXPECT_NEAR(flown::Distance(p.Of(4, t).position, p.Of(5, t).position), 6.2f, 0.05f) << t;
        EXPECT_NEAR(flown::Distance(p.Of(kLeader, t).position, p.Of(3, t).position), 4.1f, 0.05f) << t;
    }
    EXPECT_GT(ClosestApproach(p), 1.5f);
    ExpectSmoke(p, kLeader, {}, {0, 0.5f, 1});
    for (int slot = 1; slot < 6; ++slot) ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    EXPECT_LT(CameraStrayFromCentre(p), 0.05f);
}

TEST(LevelOpener, TheVFansOutLevelAndEveryoneRollsTwiceToTheRight) {
    const Programme p(29);
    ExpectEvenKeys(p, 1.0 / 22, 1.0526316f);
    ExpectAt(p.Of(kLeader, 0).position, {-136.71f, 15, 0}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {53.86f, 15, 0}, 0.05f);
    const std::vector<gfx::Vec3> offsets{{-1.18f, 0, 0.9f}, {-1.18f, 0, -0.9f}, {-2.33f, 0, 1.77f}, {-2.33f, 0, -1.78f}};
    for (int slot = 1; slot < 5; ++slot) ExpectAt(Offset(p, slot, 0), offsets[slot - 1], 0.02f);
    for (float t : Progress(0, 1, 40)) ExpectAlong(p.Of(kLeader, t).nose, Heading(-90), 0.5f);
    // Away to either side, banked into the turn: aircraft 2 and 4 to the left (+z), 3 and 6 right.
    const std::vector<float> turns{-20, 20, -45, 45};
    for (int slot = 1; slot < 5; ++slot) {
        ExpectAlong(p.Of(slot, 0.2f).nose, Heading(-90), 0.5f);
        ExpectAlong(p.Of(slot, 0.45f).nose, Heading(-90 + turns[slot - 1]), 1);
        EXPECT_GT(p.Of(slot, 0.315f).BankDegrees() * turns[slot - 1], 20 * std::fabs(turns[slot - 1])) << slot;
    }
    EXPECT_NEAR(p.Of(3, 1).position.z, 94, 0.1f);
    EXPECT_NEAR(p.Of(4, 1).position.z, -94, 0.1f);
    const auto [low, high, highAt] = Heights(p, Progress());
    EXPECT_NEAR(low, 15, 0.01f);
    EXPECT_NEAR(high, 15, 0.01f);
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(RollDirection(p, slot, 0.591f, 0.949f), 1) << slot;
        ExpectAlong(p.Of(slot, 0.5f).up, kUp, 1);
        ExpectAlong(p.Of(slot, 0.77f).up, kUp, 3);
        ExpectAlong(p.Of(slot, 1).up, kUp, 1);
        ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    }
    EXPECT_GT(ClosestApproach(p), 1.1f);
    for (float t : Progress(0, 1, 50)) EXPECT_LT(flown::Distance(p.Target(t), p.Of(kLeader, t).position), 0.01f) << t;
}

TEST(TrailToDiamondRoll, TheTrailRollsRightOverAHumpAndClosesIntoADiamond) {
    const Programme p(31);
    ExpectEvenKeys(p, 1.0 / 14, 1.0526316f);
    ExpectAt(p.Of(kLeader, 0).position, {-71.2f, 15.52f, -232.22f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {-16.84f, 18.94f, 54.97f}, 0.05f);
    for (int slot = 1; slot < 4; ++slot) {
        const float k = static_cast<float>(slot);
        ExpectAt(Offset(p, slot, 0), {0, -0.55f * k, -2.39f * k}, 0.02f);
    }
    ExpectAt(Offset(p, 1, 1), {-1.26f, -0.3f, -1.66f}, 0.02f);
    ExpectAt(Offset(p, 2, 1), {1.28f, -0.3f, -1.65f}, 0.02f);
    ExpectAt(Offset(p, 3, 1), {0.01f, -0.6f, -3.31f}, 0.02f);
    ExpectAlong(p.Of(kLeader, 0.1f).nose, kPlusZ, 0.5f);
    ExpectAlong(p.Of(kLeader, 1).nose, kPlusZ, 0.5f);
    ExpectAlong(p.Of(kLeader, 1).up, kUp, 0.5f);

    // The attitudes peak at keys: the poses at the key times.
    float top = 0, highestPitch = -90, lowestPitch = 90, yawRight = 0;
    for (const auto& key : p.Data().tracks[0]) {
        const auto a = p.Of(kLeader, std::clamp(key.time, 0.0f, 1.0f));
        top = std::max(top, a.Height());
        highestPitch = std::max(highestPitch, a.PitchDegrees());
        lowestPitch = std::min(lowestPitch, a.PitchDegrees());
        yawRight = std::max(yawRight, std::atan2(a.nose.x, a.nose.z) / gfx::kRadiansPerDegree);
    }
    EXPECT_NEAR(top, 54, 1);
    EXPECT_NEAR(Heights(p, Progress(0, 1, 400), {kLeader}).high, 54, 0.3f);
    EXPECT_NEAR(highestPitch, 23, 1);
    EXPECT_NEAR(lowestPitch, -24, 1);
    EXPECT_NEAR(yawRight, 33, 1);
    EXPECT_EQ(RollDirection(p, kLeader, 0.141f, 0.929f), 1);
    EXPECT_LT(p.Of(kLeader, 0.535f).up.y, -0.8f);  // half way round: on its back
    for (int slot = 0; slot < 4; ++slot) ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    EXPECT_GT(ClosestApproach(p), 1.5f);
    EXPECT_LT(CameraStrayFromCentre(p), 0.05f);
}

// The largest yaw either way from `heading` and the highest and lowest pitch of `slot`.
struct Swing {
    float yawLeft = 0, yawRight = 0, pitchUp = 0, pitchDown = 0;
};
Swing SwingOf(const Programme& p, int slot, float heading, float from, float until) {
    const gfx::Vec3 level = Heading(heading), right{level.z, 0, -level.x};
    Swing swing;
    for (float t : Progress(from, until, 400)) {
        const auto a = p.Of(slot, t);
        const float yaw = std::atan2(flown::Dot(a.nose, right), flown::Dot(a.nose, level)) / gfx::kRadiansPerDegree;
        swing.yawLeft = std::max(swing.yawLeft, -yaw);
        swing.yawRight = std::max(swing.yawRight, yaw);
        swing.pitchUp = std::max(swing.pitchUp, a.PitchDegrees());
        swing.pitchDown = std::max(swing.pitchDown, -a.PitchDegrees());
    }
    return swing;
}

TEST(RollBackToArrowhead, WingmenBarrelRollOutwardsAndFallBackIntoAnArrowhead) {
    const Programme p(32);
    ExpectEvenKeys(p, 1.0 / 24, 1.0526316f);
    ExpectAt(p.Of(kLeader, 0).position, {-140.81f, 14.3f, -118.89f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {43.65f, 14.3f, 10.54f}, 0.01f);
    ExpectAt(Offset(p, 1, 0), {-2.08f, -0.3f, 0.09f}, 0.02f);
    ExpectAt(Offset(p, 2, 0), {-0.63f, -0.3f, -1.99f}, 0.02f);
    ExpectAt(Offset(p, 3, 0), {-2.71f, -0.6f, -1.9f}, 0.02f);
    ExpectAt(Offset(p, 1, 1), {-6.18f, -0.3f, -2.79f}, 0.02f);
    ExpectAt(Offset(p, 2, 1), {-4.72f, -0.3f, -4.86f}, 0.02f);
    ExpectAt(Offset(p, 3, 1), {-2.72f, -0.6f, -1.9f}, 0.02f);
    // The leader and aircraft 4 fly straight and level throughout.
    for (int slot : {0, 3}) {
        for (float t : Progress(0, 1, 50)) {
            ExpectAlong(p.Of(slot, t).nose, Heading(235), 0.2f);
            ExpectAlong(p.Of(slot, t).up, kUp, 0.2f);
        }
    }
    EXPECT_EQ(RollDirection(p, 1, 0.381f, 0.789f), -1);
    EXPECT_EQ(RollDirection(p, 2, 0.381f, 0.789f), 1);
    for (int slot : {1, 2}) {
        ExpectAlong(p.Of(slot, 0.33f).up, kUp, 0.5f);
        ExpectAlong(p.Of(slot, 0.84f).up, kUp, 0.5f);
        const Swing swing = SwingOf(p, slot, 235, 0.38f, 0.79f);
        EXPECT_NEAR(swing.yawLeft, 22, 1.5f) << slot;
        EXPECT_NEAR(swing.yawRight, 22, 1.5f) << slot;
        // The noses follow the paths, which rise a little less than they fall as the pair drop back.
        EXPECT_NEAR(swing.pitchUp, 20, 2.5f) << slot;
        EXPECT_NEAR(swing.pitchDown, 20, 2.5f) << slot;
    }
    // Each rolls out to its own side: aircraft 2 to the left, 3 to the right.
    const gfx::Vec3 right{Heading(235).z, 0, -Heading(235).x};
    EXPECT_LT(flown::Dot(Offset(p, 1, 0.585f), right), -5);
    EXPECT_GT(flown::Dot(Offset(p, 2, 0.585f), right), 5);
    EXPECT_GT(ClosestApproach(p), 1.5f);
    for (int slot = 0; slot < 4; ++slot) ExpectSmoke(p, slot, {0, 0.5f, 1}, {});
    EXPECT_LT(CameraStrayFromCentre(p), 3.3f);
}

TEST(Delta360Turn, TheDeltaTurnsRightACircleAndFiftyDegreesTilting) {
    const Programme p(33);
    ExpectEvenKeys(p, 1.0 / 21, 1.0526316f);
    ExpectAt(p.Of(kLeader, 0).position, {13.22f, 15, 19.88f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {-26.04f, 15, -119.64f}, 0.05f);
    const std::vector<gfx::Vec3> offsets{{1.03f, 0, 1.55f}, {-1.03f, 0, 1.55f}, {0, 0, 3.1f}, {2.06f, 0, 3.1f}, {-2.07f, 0, 3.1f}};
    for (int slot = 1; slot < 6; ++slot) ExpectAt(Offset(p, slot, 0), offsets[slot - 1], 0.02f);
    ExpectAlong(p.Of(kLeader, 0.04f).nose, kMinusZ, 0.5f);
    ExpectAlong(p.Of(kLeader, 1).nose, Heading(50), 0.5f);
    for (float t : {0.15f, 0.5f, 0.9f, 1.0f}) EXPECT_NEAR(p.Of(kLeader, t).BankDegrees(), 72, 1) << t;
    // Round to the right through 410 degrees, the nose's heading unwrapped.
    float turned = 0;
    gfx::Vec3 before = p.Of(kLeader, 0.1f).nose;
    for (float t : Progress(0.1f, 1, 400)) {
        const gfx::Vec3 nose = p.Of(kLeader, t).nose;
        turned += std::remainder(std::atan2(-nose.x, -nose.z) - std::atan2(-before.x, -before.z), 2 * std::numbers::pi_v<float>);
        before = nose;
    }
    EXPECT_NEAR(turned / gfx::kRadiansPerDegree, 410, 3);
    const auto [low, high, highAt] = Heights(p, Progress(), {kLeader});
    EXPECT_NEAR(low, 15, 0.05f);
    EXPECT_NEAR(high, 15, 0.05f);
    // The delta tilts with the bank: the outer wing aircraft 1.5 above and below the leader,
    // the left one (aircraft 5) up.
    for (float t : {0.3f, 0.6f}) {
        EXPECT_NEAR(Offset(p, 4, t).y, 1.5f, 0.05f) << t;
        EXPECT_NEAR(Offset(p, 5, t).y, -1.5f, 0.05f) << t;
    }
    EXPECT_GT(ClosestApproach(p), 1.5f);
    ExpectSmoke(p, kLeader, {}, {0, 0.5f, 1});
    for (int slot = 1; slot < 6; ++slot) ExpectSmoke(p, slot, {0.1f, 0.5f, 0.85f}, {0, 0.09f, 0.86f, 1});
    EXPECT_LT(CameraStrayFromCentre(p), 0.05f);
}

TEST(BonTonRoll, SixRollTogetherEachAboutItsOwnAxisWithTheSmokeOff) {
    const Programme p(34);
    const std::vector<float> times{-0.03678784f, 0, 0.6662272f, 0.7033631f, 0.7406101f,
                                   0.77730685f,  0.8143742f, 1, 1.0367564f};
    for (int slot = 0; slot < 6; ++slot) {
        for (std::size_t i = 0; i < times.size(); ++i) EXPECT_EQ(p.Data().tracks[slot][i].time, times[i]);
    }
    for (std::size_t i = 0; i < times.size(); ++i) EXPECT_EQ(p.Data().camera[i].time, times[i]);
    ExpectAt(p.Of(kLeader, 0).position, {-116.03f, 13.08f, -158.06f}, 0.01f);
    ExpectAt(p.Of(kLeader, 1).position, {42.97f, 13.08f, 25.68f}, 0.01f);
    const std::vector<gfx::Vec3> offsets{{-2.24f, 0, -0.06f}, {0.29f, 0, -2.23f}, {-1.95f, -0.5f, -2.28f},
                                         {-4.49f, 0, -0.11f}, {0.57f, 0, -4.46f}};
    // Each rolls about its own axis: the places do not change, the roll included.
    for (float t : {0.0f, 0.72f, 0.76f, 1.0f}) {
        for (int slot = 1; slot < 6; ++slot) ExpectAt(Offset(p, slot, t), offsets[slot - 1], 0.02f);
    }
    for (float t : Progress(0, 1, 50)) {
        EXPECT_EQ(p.ModeAt(t), aircraft::PositionMode::kLinear);
        ExpectAlong(p.Of(kLeader, t).nose, Heading(221), 0.3f);
    }
    const auto [low, high, highAt] = Heights(p, Progress());
    EXPECT_NEAR(low, 12.58f, 0.02f);
    EXPECT_NEAR(high, 13.08f, 0.02f);
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(RollDirection(p, slot, 0.667f, 0.814f), 1) << slot;
        ExpectAlong(p.Of(slot, 0.6f).up, kUp, 0.5f);
        ExpectAlong(p.Of(slot, 0.7406101f).up, kDown, 0.5f);
        ExpectAlong(p.Of(slot, 0.9f).up, kUp, 0.5f);
        ExpectSmoke(p, slot, {0, 0.3f, 0.66f}, {0.67f, 0.75f, 0.9f, 1});
    }
    EXPECT_LT(CameraStrayFromCentre(p), 0.01f);
}

// Whether a point lies inside the picture of a camera at the ground eye looking at `target`
// through a vertical field of view of `fovDegrees` on a 4:3 picture.
bool InView(const gfx::Vec3& point, const gfx::Vec3& target, float fovDegrees) {
    const gfx::Vec3 eye{60, 0.2f, -27};
    const gfx::Vec3 ahead = target - eye, d = point - eye;
    const float length = std::sqrt(flown::Dot(ahead, ahead));
    const gfx::Vec3 f{ahead.x / length, ahead.y / length, ahead.z / length};
    const float side = std::hypot(f.x, f.z);
    const gfx::Vec3 r{f.z / side, 0, -f.x / side};
    const gfx::Vec3 u{f.y * r.z - f.z * r.y, f.z * r.x - f.x * r.z, f.x * r.y - f.y * r.x};
    const float depth = flown::Dot(d, f), halfHeight = std::tan(fovDegrees / 2 * gfx::kRadiansPerDegree);
    return depth > 0 && std::fabs(flown::Dot(d, u)) <= depth * halfHeight &&
           std::fabs(flown::Dot(d, r)) <= depth * halfHeight * 4 / 3;
}

TEST(SlantCupid, TheHeartAndArrowFlyInAPlaneTiltedTowardsPlusX) {
    const Programme p(35);
    ExpectEvenKeys(p, 1.0 / 18, 1.0555556f);
    constexpr int kArrow = 0, kFive = 1, kSix = 2;
    ExpectAt(p.Of(kFive, 0).position, {-210, 58, -50}, 2);
    ExpectAt(p.Of(kSix, 0).position, {-210, 58, -50}, 2);
    ExpectAt(p.Of(kFive, 1).position, {-284.43f, 10.36f, -290.81f}, 0.05f);
    ExpectAt(p.Of(kSix, 1).position, {-285.51f, 12.05f, 190.81f}, 0.05f);
    ExpectAt(p.Of(kArrow, 0).position, {-277.82f, 19.33f, -506.9f}, 0.05f);
    // The arrow is programme 16's climb of 199.18 tilted bodily; these two ends lie 199.11 apart.
    ExpectAt(p.Of(kArrow, 1).position, {-110.04f, 126.54f, 109.05f}, 0.1f);

    // Every path lies in a plane 57 degrees from the vertical, its top leaning towards +x:
    // x cos 57 - y sin 57 stays put along it.
    const float c = std::cos(57.4f * gfx::kRadiansPerDegree), s = std::sin(57.4f * gfx::kRadiansPerDegree);
    for (int slot : {kArrow, kFive, kSix}) {
        const auto across = [&](float t) { return p.Of(slot, t).position.x * c - p.Of(slot, t).position.y * s; };
        for (float t : Progress(0, 1, 100)) EXPECT_NEAR(across(t), across(0), 1.5f) << slot << " at " << t;
    }
    // The lobes: aircraft 5 over towards +z, 6 towards -z, their tops 2 apart across the plane
    // and together about (-108, 124).
    gfx::Vec3 tops{0, 0, 0};
    for (auto [slot, side] : {std::pair{kFive, 1.0f}, {kSix, -1.0f}}) {
        float best = -1e9f, when = 0;
        for (float t : Progress(0, 0.61f, 300)) {
            if (p.Of(slot, t).Height() > best) best = p.Of(slot, t).Height(), when = t;
        }
        EXPECT_NEAR(p.Of(slot, when).position.x, -108, 1.2f);
        EXPECT_NEAR(best, 124, 1.2f);
        tops = {tops.x + p.Of(slot, when).position.x / 2, tops.y + best / 2, 0};
        EXPECT_GT(p.Of(slot, when).nose.z * side, 0.9f);
        EXPECT_GT((p.Of(slot, 0.33f).position.z + 50) * side, 60);  // the lobe bulges out to its side
    }
    EXPECT_NEAR(tops.x, -108, 0.5f);
    EXPECT_NEAR(tops.y, 124, 0.5f);
    // The aircraft point where they fly, tilted with the figure (untilted angles would be some
    // 57 degrees off). Up to 10: where a lobe's outer arc meets the straight side between two
    // keys 1/18 apart, the spline turns sooner than the attitudes do, in programme 16 as here.
    for (int slot : {kArrow, kFive, kSix}) {
        for (float t : Progress(0.01f, 0.99f, 60)) {
            const gfx::Vec3 step = p.Of(slot, t + 0.005f).position - p.Of(slot, t - 0.005f).position;
            const float length = std::sqrt(flown::Dot(step, step));
            ExpectAlong(p.Of(slot, t).nose, {step.x / length, step.y / length, step.z / length}, 10);
        }
    }
    // The routine aims at a fixed point; the heart fills its wide view.
    for (float t : Progress(0, 1, 10)) ExpectAt(p.Target(t), {-180, 80, -50}, 1e-4f);
    for (int slot : {kFive, kSix}) {
        for (float t : Progress(0, 0.62f, 60)) EXPECT_TRUE(InView(p.Of(slot, t).position, {-180, 80, -50}, 50)) << slot << " at " << t;
    }
    for (float t : Progress(0.56f, 0.72f, 20)) EXPECT_TRUE(InView(p.Of(kArrow, t).position, {-180, 80, -50}, 50)) << t;

    for (int slot : {kFive, kSix}) ExpectSmoke(p, slot, {0.12f, 0.3f, 0.6f}, {0, 0.1f, 0.62f, 1});
    ExpectSmoke(p, kArrow, {0.56f, 0.7f, 0.9f, 1}, {0, 0.5f, 0.73f, 0.88f});
    // The camera track is programme 16's: aircraft 5's positions in its vertical plane.
    const auto camera = p.Data().camera;
    if (const manoeuvres::FlightData* cupid = manoeuvres::FindFlightData(16)) {
        ASSERT_EQ(cupid->camera.size(), camera.size());
        for (std::size_t i = 0; i < camera.size(); ++i) {
            EXPECT_EQ(camera[i].time, cupid->camera[i].time);
            EXPECT_EQ(camera[i].x, cupid->camera[i].x);
            EXPECT_EQ(camera[i].y, cupid->camera[i].y);
            EXPECT_EQ(camera[i].z, cupid->camera[i].z);
        }
    } else {
        for (const auto& key : camera) EXPECT_NEAR(key.x, -82, 0.01f);
    }
}

}  // namespace
