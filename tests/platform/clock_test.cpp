#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"

namespace {

TEST(Clock, DifferencesAreTakenAcrossTheWrap) {
    EXPECT_EQ(platform::ElapsedMs(5u, 0xFFFFFFFBu), 10u);
    EXPECT_EQ(platform::ElapsedMs(0u, 0xFFFFFFFFu), 1u);
    EXPECT_EQ(platform::ElapsedMs(1000u, 1000u), 0u);

    platform::TestClock clock(0xFFFFFF00u);
    const std::uint32_t start = platform::timeGetTime();
    clock.Advance(0x100u + 68000u);  // wraps to 68000
    EXPECT_EQ(platform::timeGetTime(), 68000u);
    EXPECT_EQ(platform::ElapsedMs(platform::timeGetTime(), start), 0x100u + 68000u);
}

TEST(Clock, TestClocksNestAndTheSystemClockReturns) {
    {
        platform::TestClock outer(100);
        {
            platform::TestClock inner(7);
            EXPECT_EQ(platform::timeGetTime(), 7u);
        }
        EXPECT_EQ(platform::timeGetTime(), 100u);
    }
    const std::uint32_t a = platform::timeGetTime();
    const std::uint32_t b = platform::timeGetTime();
    EXPECT_LT(platform::ElapsedMs(b, a), 1000u);  // monotonic: never a huge jump backwards
}

TEST(Rand, IsTheFifteenBitGeneratorAndRepeatsWhenSeeded) {
    platform::SeedRand(1);
    // The classic generator's first values from seed 1.
    EXPECT_EQ(platform::Rand(), 41);
    EXPECT_EQ(platform::Rand(), 18467);
    EXPECT_EQ(platform::Rand(), 6334);
    platform::SeedRand(12345);
    int first[100];
    for (int& v : first) v = platform::Rand();
    platform::SeedRand(12345);
    for (int v : first) {
        EXPECT_EQ(platform::Rand(), v);
        EXPECT_GE(v, 0);
        EXPECT_LE(v, platform::kRandMax);
    }
}

TEST(MessageBox, CaptureRecordsEveryMessageInOrder) {
    platform::MessageCapture capture;
    platform::ShowMessage("Could not find KZ.x");
    platform::ShowMessage("Could not find texture map");
    ASSERT_EQ(capture.Messages().size(), 2u);
    EXPECT_EQ(capture.Messages()[0], "Could not find KZ.x");
    EXPECT_EQ(capture.Messages()[1], "Could not find texture map");
}

}  // namespace
