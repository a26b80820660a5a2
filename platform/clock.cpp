#include "platform/clock.h"

#include <ctime>

namespace platform {
namespace {
TestClock* activeClock = nullptr;
}

std::uint32_t timeGetTime() {
    if (activeClock) return activeClock->Now();
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // truncation is the wrap
}

TestClock::TestClock(std::uint32_t start) : current(start), previous(activeClock) { activeClock = this; }

TestClock::~TestClock() { activeClock = previous; }

}  // namespace platform
