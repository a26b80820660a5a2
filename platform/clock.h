#pragma once
// The millisecond clock: an unsigned 32-bit count of milliseconds that wraps after about
// 49.7 days. Every difference of two readings is taken modulo 2^32, so the wrap does no harm.

#include <cstdint>

namespace platform {

std::uint32_t timeGetTime();

// The system's own count, whatever test clock is alive; each system implements it once.
std::uint32_t SystemMilliseconds();

// Milliseconds from `earlier` to `later`, correct across the wrap.
constexpr std::uint32_t ElapsedMs(std::uint32_t later, std::uint32_t earlier) { return later - earlier; }

// For tests and the offscreen renderer: while alive, timeGetTime() reads this clock instead of
// the system's. Clocks nest; the newest wins.
class TestClock {
public:
    explicit TestClock(std::uint32_t start = 0);
    ~TestClock();
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void Set(std::uint32_t now) { current = now; }
    void Advance(std::uint32_t ms) { current += ms; }
    std::uint32_t Now() const { return current; }

private:
    std::uint32_t current;
    TestClock* previous;
};

}  // namespace platform
