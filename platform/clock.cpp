#include "platform/clock.h"

namespace platform {
namespace {
TestClock* activeClock = nullptr;
}

std::uint32_t timeGetTime() {
    return activeClock ? activeClock->Now() : SystemMilliseconds();
}

TestClock::TestClock(std::uint32_t start) : current(start), previous(activeClock) { activeClock = this; }

TestClock::~TestClock() { activeClock = previous; }

}  // namespace platform
