// The solo programmes fly the figures their names promise: sampled through the runtime's own
// interpolation and camera, at the progress values where something happens.

#include <gtest/gtest.h>


#include "figure_checks.h"

namespace {

using figures::kDown, figures::kMinusX, figures::kMinusZ, figures::kPlusX, figures::kPlusZ, figures::kUp;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::Programme;
using flown::RollDirection;

constexpr int kSolo = 0;

float HighestPoint(const Programme& p, float from, float until, float* when = nullptr) {
    float best = -1e9f;
    for (int i = 0; i <= 400; ++i) {
        const float t = from + (until - from) * static_cast<float>(i) / 400;
        const float h = p.Of(kSolo, t).Height();
        if (h > best) {
            best = h;
            if (when) *when = t;
        }
    }
    return best;
}

TEST(FourPointRoll, HoldsEachQuarterTurnThenRollsLeftWithoutSmoke) {
    const Programme p(5);
    ExpectAt(p.Of(kSolo, 0).position, {0, 12, -144.67f}, 0.01f);
    ExpectAt(p.Of(kSolo, 1).position, {0, 12, 76.13f}, 0.01f);
    for (float t = 0; t <= 1; t += 0.05f) {
        ExpectAlong(p.Of(kSolo, t).nose, kPlusZ, 0.5f);
        EXPECT_NEAR(p.Of(kSolo, t).Height(), 12, 0.01f);
        EXPECT_NEAR(p.Of(kSolo, t).position.x, 0, 0.01f);
    }
    // The points: right wing down, inverted, left wing down, upright; each held until the next.
    ExpectAlong(p.Of(kSolo, 0.30f).up, kUp);
    ExpectAlong(p.Of(kSolo, 0.42f).up, kPlusX);
    ExpectAlong(p.Of(kSolo, 0.46f).up, kPlusX);
    ExpectAlong(p.Of(kSolo, 0.56f).up, kDown);
    ExpectAlong(p.Of(kSolo, 0.68f).up, kMinusX);
    ExpectAlong(p.Of(kSolo, 0.80f).up, kUp);
    for (float start : {0.36f, 0.48f, 0.60f, 0.72f}) EXPECT_EQ(RollDirection(p, kSolo, start, start + 0.04f), 1);
    EXPECT_EQ(RollDirection(p, kSolo, 0.841f, 0.999f), -1);
    ExpectAlong(p.Of(kSolo, 0.88f).up, kMinusX);
    ExpectAlong(p.Of(kSolo, 1).up, kUp);

    EXPECT_TRUE(p.Of(kSolo, 0).smoke);
    EXPECT_TRUE(p.Of(kSolo, 0.83f).smoke);
    EXPECT_FALSE(p.Of(kSolo, 0.85f).smoke);
    EXPECT_FALSE(p.Of(kSolo, 1).smoke);
}

TEST(VerticalClimbRoll, PullsIntoTheVerticalAndRollsFourTimesToTheRight) {
    const Programme p(9);
    ExpectAt(p.Of(kSolo, 0).position, {0, 12, -222.78f}, 0.01f);
    ExpectAlong(p.Of(kSolo, 0.25f).nose, kPlusZ, 0.5f);
    EXPECT_NEAR(p.Of(kSolo, 0.25f).Height(), 12, 0.05f);
    const auto vertical = p.Of(kSolo, 25.0f / 41);  // the key where the climb is vertical
    ExpectAlong(vertical.nose, kUp, 1);
    EXPECT_NEAR(vertical.position.z, -50, 0.5f);
    EXPECT_NEAR(p.Of(kSolo, 1).Height(), 232.69f, 0.5f);
    EXPECT_EQ(RollDirection(p, kSolo, 25.0f / 41, 1), 1);
    // Four full rolls: the canopy faces each side four times, a quarter turn per key.
    int facingPlusX = 0;
    for (int key = 25; key <= 41; ++key) {
        const auto a = p.Of(kSolo, static_cast<float>(key) / 41);
        ExpectAlong(a.nose, kUp, 2);
        if (flown::Dot(a.up, kPlusX) > 0.99f) ++facingPlusX;
        EXPECT_NEAR(a.position.x, 0, 0.3f);
        EXPECT_NEAR(a.position.z, -50, 0.3f);
    }
    EXPECT_EQ(facingPlusX, 4);
    for (float t : {0.0f, 0.5f, 1.0f}) EXPECT_TRUE(p.Of(kSolo, t).smoke);
}

TEST(LowAngleCubanTakeOff, TakesOffLoopsRollsUprightInTheDiveAndComesBackLevel) {
    const Programme p(2);
    ExpectAt(p.Of(kSolo, 0).position, {0, 0.25f, -138.52f}, 0.01f);
    for (float t : {0.0f, 0.1f, 0.2f, 0.3f}) {
        EXPECT_NEAR(p.Of(kSolo, t).Height(), 0.25f, 0.01f) << "on the runway at " << t;
        ExpectAlong(p.Of(kSolo, t).nose, kPlusZ, 0.5f);
    }
    EXPECT_NEAR(p.Of(kSolo, 0.35f).position.z, 120, 10);
    EXPECT_FALSE(p.Of(kSolo, 0.317f).smoke);
    EXPECT_TRUE(p.Of(kSolo, 0.32f).smoke);
    EXPECT_TRUE(p.Of(kSolo, 1).smoke);

    float when = 0;
    EXPECT_NEAR(HighestPoint(p, 0.4f, 0.8f, &when), 126.68f, 0.5f);
    EXPECT_NEAR(when, 0.62f, 0.02f);
    ExpectAlong(p.Of(kSolo, 0.62f).up, kDown, 5);  // inverted over the top
    EXPECT_LT(p.Of(kSolo, 0.66f).up.y, 0);  // diving on its back before the rolls
    EXPECT_NEAR(p.Of(kSolo, 0.70f).PitchDegrees(), -58, 4);
    EXPECT_EQ(RollDirection(p, kSolo, 44.0f / 66, 50.0f / 66), 1);
    EXPECT_GT(p.Of(kSolo, 0.77f).up.y, 0.5f);  // upright after one and a half rolls
    for (float t : {0.9f, 0.95f, 1.0f}) {
        ExpectAlong(p.Of(kSolo, t).nose, kMinusZ, 1);
        ExpectAlong(p.Of(kSolo, t).up, kUp, 1);
        EXPECT_NEAR(p.Of(kSolo, t).Height(), 19.5f, 0.3f);
    }
    ExpectAt(p.Of(kSolo, 1).position, {0, 19.5f, -74.81f}, 1);
}

TEST(InvertedAndContinuousRoll, InvertedPassClimbOverTheTopAndThreeRollsLeft) {
    const Programme p(7);
    const auto track = p.Data().tracks[0];
    ASSERT_EQ(track.size(), 41u);
    EXPECT_EQ(track.back().time, 1.0f);
    // At the end the camera aims straight at the last key, linearly, reading nothing beyond it.
    EXPECT_EQ(p.ModeAt(1), aircraft::PositionMode::kLinear);
    ExpectAt(p.Target(1), {track.back().x, track.back().y, track.back().z}, 0);
    ExpectAt(p.Of(kSolo, 1).position, {0, 12, -77.5f}, 2);

    ExpectAt(p.Of(kSolo, 0).position, {0, 15, -160.01f}, 0.01f);
    EXPECT_EQ(RollDirection(p, kSolo, 0.08f, 0.10f), 1);
    for (float t : {0.11f, 0.17f, 0.21f}) {
        ExpectAlong(p.Of(kSolo, t).up, kDown, 1);
        ExpectAlong(p.Of(kSolo, t).nose, kPlusZ, 1);
        EXPECT_NEAR(p.Of(kSolo, t).Height(), 15, 0.01f);
    }
    EXPECT_NEAR(p.Of(kSolo, 0.24f).position.z, 20, 0.5f);
    ExpectAlong(p.Of(kSolo, 0.26f).up, kUp, 1);
    EXPECT_NEAR(p.Of(kSolo, 0.38f).PitchDegrees(), 64, 2);
    EXPECT_NEAR(HighestPoint(p, 0.3f, 0.7f), 119.6f, 0.6f);

    const auto bottom = p.Of(kSolo, 0.71f);
    EXPECT_NEAR(bottom.Height(), 12, 0.5f);
    EXPECT_NEAR(bottom.position.z, 140, 1);
    ExpectAlong(bottom.nose, kMinusZ, 2);
    ExpectAlong(bottom.up, kUp, 2);
    EXPECT_EQ(RollDirection(p, kSolo, 0.87f, 0.99f), -1);
    // Three rolls: upright again at 0.91, 0.95 and 0.99, a quarter turn per key between.
    for (float t : {0.91f, 0.95f, 0.99f}) ExpectAlong(p.Of(kSolo, t).up, kUp, 1);
    ExpectAlong(p.Of(kSolo, 0.88f).up, kPlusX, 1);  // heading -z, the left wing is on the +x side
    for (float t : {0.0f, 0.5f, 1.0f}) EXPECT_TRUE(p.Of(kSolo, t).smoke);
}

}  // namespace
