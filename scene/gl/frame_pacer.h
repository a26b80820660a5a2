#pragma once
// Paces presented frames to the display's refresh, for drivers whose swap does not wait for it
// (Mesa's software rasteriser, Xvfb). Deadlines are absolute, one refresh period apart: a frame
// ready before its deadline waits for it, so frames are evenly spaced whatever the sleeps'
// wake-up delays; a frame ready after it is shown at once, and the next deadline is one period
// after that, so the frames behind a late one are not hurried to catch up.

#include <cstdint>
#include <functional>

namespace scene::gl {

class FramePacer {
public:
    // Nanoseconds on a monotonic clock.
    using Now = std::function<std::int64_t()>;
    using SleepUntil = std::function<void(std::int64_t)>;

    // The monotonic clock and a sleep that blocks until the given time.
    static Now SystemNow();
    static SleepUntil SystemSleepUntil();

    // `refreshHz` at or below 0 is taken as 60, the rate of nearly every display.
    FramePacer(double refreshHz, Now now = SystemNow(), SleepUntil sleepUntil = SystemSleepUntil());

    // Waits, if the frame is early, until it may be shown; returns the time it is shown at.
    std::int64_t WaitForDeadline();

    std::int64_t Period() const { return period; }

private:
    Now now;
    SleepUntil sleepUntil;
    std::int64_t period;
    std::int64_t deadline = 0;
    bool started = false;
};

// The refresh rate that pacing uses when the display's cannot be read.
inline constexpr double kDefaultRefreshHz = 60;

}  // namespace scene::gl
