#include "scene/gl/frame_pacer.h"

#include <cerrno>
#include <cmath>
#include <ctime>

namespace scene::gl {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

}  // namespace

FramePacer::Now FramePacer::SystemNow() {
    return [] {
        timespec time{};
        clock_gettime(CLOCK_MONOTONIC, &time);
        return std::int64_t{time.tv_sec} * kNanosecondsPerSecond + time.tv_nsec;
    };
}

FramePacer::SleepUntil FramePacer::SystemSleepUntil() {
    return [](std::int64_t until) {
        timespec time{static_cast<time_t>(until / kNanosecondsPerSecond),
                      static_cast<long>(until % kNanosecondsPerSecond)};
        // A signal cuts the sleep short; whatever it asks for is seen after this frame.
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &time, nullptr) == EINTR) {
        }
    };
}

FramePacer::FramePacer(double refreshHz, Now clockNow, SleepUntil sleep)
    : now(std::move(clockNow)),
      sleepUntil(std::move(sleep)),
      period(std::llround(static_cast<double>(kNanosecondsPerSecond) / (refreshHz > 0 ? refreshHz : kDefaultRefreshHz))) {}

std::int64_t FramePacer::WaitForDeadline() {
    const std::int64_t ready = now();
    if (!started || ready >= deadline) {
        started = true;
        deadline = ready + period;  // on time or late: shown now, the next one period on
        return ready;
    }
    sleepUntil(deadline);
    const std::int64_t shown = deadline;
    deadline += period;
    return shown;
}

}  // namespace scene::gl
