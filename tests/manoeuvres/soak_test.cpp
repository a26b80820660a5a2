// Every flyable programme started, run to its end frame by frame and destroyed, ten times
// over: nothing may grow from one round to the next. Run in the sanitizer build, this also
// finds leaks and invalid accesses anywhere along a programme's life.

#include <gtest/gtest.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstddef>
#include <thread>

#include "manoeuvres/flight_data.h"
#include "manoeuvres/manoeuvre.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/recording_device.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTARO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VANTARO_ASAN 1
#endif
#ifdef VANTARO_ASAN
// The sanitizer runtime's own count of the bytes in use (its header does not ship with every
// compiler).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

std::size_t BytesInUse() {
#ifdef VANTARO_ASAN
    return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;  // no count to compare: the test skips itself
#endif
}

// glibc's count takes the blocks a thread's allocation cache keeps for reuse as in use, and
// what that cache holds after a round depends on the order of the last frees. A thread hands
// its cache back to the heap when it ends, so a round run on a thread of its own leaves a count
// that does not depend on it, whatever the environment (GLIBC_TUNABLES) says about the cache.
template <typename Round>
void RunOnItsOwnThread(Round round) {
    std::thread(round).join();
}

constexpr std::uint32_t kFrameMs = 100;  // 10 frames a second keeps ten rounds of forty programmes quick
constexpr int kRounds = 10;

void PlayToTheEnd(int number, scene::RecordingDevice& device, platform::TestClock& clock) {
    auto programme = manoeuvres::CreateManoeuvre(number);
    ASSERT_NE(programme, nullptr);
    const gfx::Vec3& eye = manoeuvres::kGroundCamera;
    if (programme->Info().clientSize) {
        programme->Init(device, eye.x, eye.y, eye.z, 640, 480, 0);
    } else {
        programme->Init(device, eye.x, eye.y, eye.z, 0);
    }
    while (programme->Update(device)) {
        device.ForgetCalls();
        clock.Advance(kFrameMs);
    }
    device.ForgetCalls();
}

TEST(Soak, EveryFlyableProgrammeTenTimesOverLeavesNothingBehind) {
#if !defined(VANTARO_ASAN) && !defined(__GLIBC__)
    GTEST_SKIP() << "needs the count of bytes in use that glibc's allocator or the sanitizer keeps";
#endif
    platform::TestClock clock(0xFFFF0000u);  // the clock wraps during the first round
    platform::MessageCapture messages;
    std::size_t afterFirstRound = 0;
    for (int round = 0; round < kRounds; ++round) {
        RunOnItsOwnThread([&clock, &messages] {
            {
                scene::RecordingDevice device;
                for (int number = 1; number <= manoeuvres::kProgrammeCount; ++number) {
                    if (manoeuvres::FindFlightData(number)) PlayToTheEnd(number, device, clock);
                }
                EXPECT_EQ(device.LiveMeshes(), 0u);
                EXPECT_EQ(device.LiveTextures(), 0u);
                EXPECT_EQ(device.LiveVertexBuffers(), 0u);
            }
            messages.Clear();
        });
        const std::size_t inUse = BytesInUse();
        if (round == 0) {
            afterFirstRound = inUse;
        } else {
            EXPECT_LE(inUse, afterFirstRound) << "round " << round + 1;
        }
    }
}

}  // namespace
