// Programme 18, the one solo figure of programmes 11 to 18, flown through the runtime.

#include <gtest/gtest.h>

#include "figure_checks.h"

namespace {

using namespace figures;
using flown::ExpectAlong;
using flown::ExpectAt;

constexpr int kSolo = 0;

TEST(TurnAndLoop, LevelLeftTurnRightRoundThenALoopAndAwayHeadingPlusZ) {
    const Programme p(18);
    ExpectAt(p.Of(kSolo, 0).position, {-1, 12, -85.94f}, 0.01f);
    ExpectAlong(p.Of(kSolo, 0.03f).nose, kPlusZ, 1);

    // The turn: level at 12 in a 65-degree left bank, once right round.
    for (float t : Progress(0.11f, 0.46f, 10)) {
        EXPECT_NEAR(p.Of(kSolo, t).Height(), 12, 0.1f) << t;
        EXPECT_NEAR(p.Of(kSolo, t).BankDegrees(), -65, 2) << t;
    }
    EXPECT_NEAR(HeadingChange(p, kSolo, 0.07f, 0.54f), -360, 3);
    EXPECT_NEAR(p.Of(kSolo, 15.0f / 28).BankDegrees(), 0, 1);  // rolled level by 0.54

    // The loop: straight up a quarter of the way round, over the top on its back at 102.
    const HeightRange loop = Heights(p, Progress(0.46f, 0.93f, 400), {kSolo});
    EXPECT_NEAR(loop.high, 102, 0.5f);
    ExpectAlong(p.Of(kSolo, loop.highAt).up, kDown, 5);
    ExpectAlong(p.Of(kSolo, loop.highAt).nose, kMinusZ, 5);
    EXPECT_GT(p.Of(kSolo, 0.6f).PitchDegrees(), 60);
    EXPECT_LT(p.Of(kSolo, 0.82f).PitchDegrees(), -70);
    EXPECT_EQ(flown::RollDirection(p, kSolo, 0.56f, 0.9f), 0);  // no roll in the loop

    for (float t : {0.93f, 0.97f, 1.0f}) {
        ExpectAlong(p.Of(kSolo, t).nose, kPlusZ, 1);
        ExpectAlong(p.Of(kSolo, t).up, kUp, 1);
    }
    ExpectAt(p.Of(kSolo, 1).position, {1.5f, 13.75f, 5.98f}, 0.05f);
    ExpectSmoke(p, kSolo, {0, 0.5f, 0.92f}, {0.94f, 1});
}

// The camera looks along the aircraft's own track, so it stays in the middle of the 3-degree
// picture through the turn and the loop.
TEST(TurnAndLoop, StaysInThePicture) {
    const Programme p(18);
    for (float t : Progress()) {
        EXPECT_TRUE(InPicture(p, 18, t, p.Of(kSolo, t).position, 0.5f)) << t;
        flown::ExpectAt(p.Target(t), p.Of(kSolo, t).position, 0.001f);
    }
}

}  // namespace
