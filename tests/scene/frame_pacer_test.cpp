// The device's own frame pacing, on a virtual clock: when frames are shown, and that waiting is
// sleeping.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scene/gl/frame_pacer.h"

namespace scene::gl {
namespace {

constexpr std::int64_t kMs = 1'000'000;

// A clock that moves only when the saver draws or sleeps; sleeps may wake a little late.
struct VirtualClock {
    std::int64_t time = 1000 * kMs;
    std::int64_t wakeUpDelay = 0;
    std::vector<std::int64_t> sleptUntil;

    FramePacer Pacer(double refreshHz) {
        return FramePacer(
            refreshHz, [this] { return time; },
            [this](std::int64_t until) {
                sleptUntil.push_back(until);
                if (until > time) time = until + wakeUpDelay;
            });
    }
};

// Draws frames taking `drawMs` each and returns the times they were shown at.
std::vector<std::int64_t> ShowFrames(VirtualClock& clock, FramePacer& pacer, const std::vector<double>& drawMs) {
    std::vector<std::int64_t> shown;
    for (double ms : drawMs) {
        clock.time += static_cast<std::int64_t>(ms * kMs);
        shown.push_back(pacer.WaitForDeadline());
    }
    return shown;
}

std::vector<std::int64_t> Gaps(const std::vector<std::int64_t>& shown) {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < shown.size(); ++i) gaps.push_back(shown[i] - shown[i - 1]);
    return gaps;
}

TEST(FramePacer, SpacesQuickFramesOneRefreshApartOnAnAbsoluteGrid) {
    VirtualClock clock;
    clock.wakeUpDelay = kMs / 2;  // a loaded machine wakes sleepers late
    FramePacer pacer = clock.Pacer(60);
    const auto shown = ShowFrames(clock, pacer, std::vector<double>(10, 4.0));
    for (std::int64_t gap : Gaps(shown)) EXPECT_EQ(gap, pacer.Period());
    EXPECT_EQ(pacer.Period(), 16'666'667);
    // Every wait is one sleep until a deadline still ahead: nothing spins, and late wake-ups
    // do not push the grid along.
    ASSERT_EQ(clock.sleptUntil.size(), 9u);
    for (std::size_t i = 0; i < clock.sleptUntil.size(); ++i) {
        EXPECT_EQ(clock.sleptUntil[i], shown[0] + static_cast<std::int64_t>(i + 1) * pacer.Period());
    }
}

TEST(FramePacer, ShowsALateFrameAtOnceAndDoesNotHurryTheNextOnes) {
    VirtualClock clock;
    FramePacer pacer = clock.Pacer(60);
    const auto shown = ShowFrames(clock, pacer, {4, 4, 45, 4, 4, 4});
    const auto gaps = Gaps(shown);
    EXPECT_EQ(gaps[0], pacer.Period());
    EXPECT_EQ(gaps[1], 45 * kMs);  // late: shown as soon as it is ready, no waiting for a grid line
    // After it, a full period each, as before: no burst to make up the frames it cost.
    EXPECT_EQ(gaps[2], pacer.Period());
    EXPECT_EQ(gaps[3], pacer.Period());
    EXPECT_EQ(gaps[4], pacer.Period());
}

TEST(FramePacer, FramesSlowerThanTheDisplayAreNeverHeldBack) {
    VirtualClock clock;
    FramePacer pacer = clock.Pacer(60);
    const auto shown = ShowFrames(clock, pacer, std::vector<double>(6, 24.0));  // 41 frames a second
    for (std::int64_t gap : Gaps(shown)) EXPECT_EQ(gap, 24 * kMs);
    EXPECT_TRUE(clock.sleptUntil.empty());
}

TEST(FramePacer, FollowsTheDisplayRateAndTakes60HzWhenItIsUnknown) {
    VirtualClock clock;
    EXPECT_EQ(clock.Pacer(75).Period(), 13'333'333);
    EXPECT_EQ(clock.Pacer(0).Period(), 16'666'667);
    EXPECT_EQ(clock.Pacer(-1).Period(), 16'666'667);
}

}  // namespace
}  // namespace scene::gl
