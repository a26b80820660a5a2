// The vertical Cuban eight, sampled through the runtime's own interpolation and camera.

#include <gtest/gtest.h>

#include <algorithm>

#include "figure_checks.h"

namespace {

using figures::Heading;
using figures::kDown, figures::kMinusZ, figures::kPlusZ, figures::kUp;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::Programme;
using flown::RollDirection;

constexpr int kSolo = 0;

TEST(VerticalCubanEight, EvenKeysFromALevelRunToALevelRunOut) {
    const Programme p(23);
    figures::ExpectEvenKeys(p, 51);
    ExpectAt(p.Of(kSolo, 0).position, {-89.62f, 40, 5.55f}, 0.01f);
    ExpectAt(p.Of(kSolo, 1).position, {-85.62f, 40, -102.51f}, 0.05f);
    for (float t : {0.0f, 0.03f, 0.92f, 1.0f}) {
        ExpectAlong(p.Of(kSolo, t).nose, kMinusZ, 1);
        ExpectAlong(p.Of(kSolo, t).up, kUp, 1);
    }
    // Drawn in one vertical plane facing the crowd, between 40 and 212.
    for (float t : figures::Progress(0, 1, 200)) {
        const auto a = p.Of(kSolo, t);
        EXPECT_GE(a.position.x, -90) << t;
        EXPECT_LE(a.position.x, -85.6f) << t;
        EXPECT_GE(a.Height(), 39.8f) << t;  // the spline dips a little into the pull-up
    }
    EXPECT_NEAR(figures::Heights(p, figures::Progress(0, 1, 400), {kSolo}).high, 212, 0.5f);
}

TEST(VerticalCubanEight, TwoCirclesStackedAndTurnedOppositeWays) {
    const Programme p(23);
    // The half loop up ends on its back at the top of the lower circle, heading back.
    const auto lowerTop = p.Of(kSolo, 0.29f);
    EXPECT_LT(lowerTop.up.y, -0.9f);
    ExpectAlong(lowerTop.nose, kPlusZ, 15);
    EXPECT_NE(RollDirection(p, kSolo, 0.295f, 0.33f), 0);  // the half roll upright
    ExpectAlong(p.Of(kSolo, 0.335f).up, kUp, 15);
    // The upper circle lies wholly above the lower one; over its top the aircraft is inverted
    // heading -z, the other way round from the top of the lower circle.
    for (float t = 0.34f; t < 0.62f; t += 0.01f) EXPECT_GT(p.Of(kSolo, t).Height(), 140) << t;
    const auto upperTop = p.Of(kSolo, 0.5f);
    EXPECT_GT(upperTop.Height(), 210);
    ExpectAlong(upperTop.nose, kMinusZ, 5);
    ExpectAlong(upperTop.up, kDown, 5);
    // The second half roll leaves it on its back for the half loop down.
    EXPECT_NE(RollDirection(p, kSolo, 0.625f, 0.665f), 0);
    EXPECT_LT(p.Of(kSolo, 0.67f).up.y, -0.9f);
    ExpectAlong(p.Of(kSolo, 0.78f).nose, kDown, 15);
    // The lower circle's two halves: the way up on the -z side, the way down on the +z side.
    EXPECT_LT(p.Of(kSolo, 0.19f).position.z, p.Of(kSolo, 0.77f).position.z - 80);
    EXPECT_NEAR(p.Of(kSolo, 0.90f).Height(), 40, 0.3f);
    ExpectAlong(p.Of(kSolo, 0.90f).nose, Heading(0), 3);
}

TEST(VerticalCubanEight, SmokesFromThePullUpToTheLevelRunOut) {
    const Programme p(23);
    figures::ExpectSmoke(p, kSolo, {0.07f, 0.3f, 0.5f, 0.7f, 0.89f}, {0, 0.05f, 0.9f, 1});
}

}  // namespace
