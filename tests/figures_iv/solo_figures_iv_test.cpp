// The solo programme of the group flies its figure: sampled through the runtime's own
// interpolation and camera, at the progress values where something happens.

#include <gtest/gtest.h>

#include "figure_checks.h"

namespace {

using namespace figures;
using flown::ExpectAlong;
using flown::ExpectAt;
using flown::RollDirection;

constexpr int kSolo = 0;

TEST(InvertedRoll, PassesOnItsBackAndRollsTwiceToTheRight) {
    const Programme p(30);
    ExpectEvenKeys(p, 0.04, 1.0526316f);
    ExpectAt(p.Of(kSolo, 0).position, {0, 12, -164.59f}, 0.01f);
    ExpectAt(p.Of(kSolo, 1).position, {0, 12, 56.15f}, 0.01f);
    for (float t : Progress(0, 1, 50)) {
        const auto a = p.Of(kSolo, t);
        EXPECT_NEAR(a.position.x, 0, 0.01f) << t;
        EXPECT_NEAR(a.Height(), 12, 0.01f) << t;
        ExpectAlong(a.nose, Heading(180), 0.5f);
        EXPECT_TRUE(a.smoke) << t;
        EXPECT_LT(flown::Distance(p.Target(t), a.position), 1e-4f) << t;  // the camera rides on the aircraft
    }
    for (float t : {0.0f, 0.2f, 0.35f, 0.7f, 0.85f, 1.0f}) ExpectAlong(p.Of(kSolo, t).up, kDown, 1);
    // A quarter turn per key: right wing down, upright, left wing down, inverted, and again.
    ExpectAlong(p.Of(kSolo, 0.40f).up, kMinusX, 1);
    ExpectAlong(p.Of(kSolo, 0.44f).up, kUp, 1);
    ExpectAlong(p.Of(kSolo, 0.48f).up, kPlusX, 1);
    ExpectAlong(p.Of(kSolo, 0.52f).up, kDown, 1);
    ExpectAlong(p.Of(kSolo, 0.60f).up, kUp, 1);
    EXPECT_EQ(RollDirection(p, kSolo, 0.361f, 0.679f), 1);
    EXPECT_EQ(RollDirection(p, kSolo, 0.0f, 0.35f), 0);
    EXPECT_EQ(RollDirection(p, kSolo, 0.69f, 1.0f), 0);
}

}  // namespace
