// Every generated programme flown at 60 frames a second through the runtime, as the saver shows
// it: speeds change smoothly, noses point along the path, and the camera keeps an aircraft in
// the picture. The exceptions are the ones a figure calls for, each with its reason.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "flown_frames.h"

namespace {

using flown::Frames;

// An interval of a programme where a bound does not hold because the figure asks for it.
struct Exception {
    int number;
    float from, until;
    const char* reason;
};

bool Excused(const std::vector<Exception>& exceptions, int number, float t) {
    return std::any_of(exceptions.begin(), exceptions.end(),
                       [&](const Exception& e) { return e.number == number && t >= e.from && t <= e.until; });
}

// A frame's speed may differ from the next one's by this share: the ripple of a spline through
// evenly timed keys is far below it, a segment that meets unevenly timed or linear neighbours far above.
constexpr double kFrameChange = 0.03;
// Within any second the fastest and slowest speeds differ by at most this factor.
constexpr double kSecondChange = 1.25;
// Below this a speed is a standstill; changes are measured against it instead.
constexpr double kSlowest = 1.0;

const std::vector<Exception> kSpeedExceptions = {
    {2, 0.0f, 0.36f, "take-off run: accelerates from the runway"},
    {2, 0.62f, 0.90f, "the dive on its back and the pull-out"},
    {22, 0.87f, 1.0f, "speeding away after the circles: the straight legs must make 63 units in a fifth of "
                      "the programme, the side-by-side circles in the wide lens are flown at 6 a second"},
};

// The share by which the speed changes from frame k to the next.
double SpeedChange(const std::vector<double>& v, std::size_t k) {
    return std::fabs(v[k + 1] - v[k]) / std::max({v[k], v[k + 1], kSlowest});
}

// Whether the speed lurches at frame k: a jump to the next frame, or too wide a spread within
// the second that follows (up to frame `end`). Says what it found when it does.
bool Lurches(const std::vector<double>& v, std::size_t k, std::size_t end, std::string& what) {
    const double change = SpeedChange(v, k);
    const auto [low, high] = std::minmax_element(v.begin() + static_cast<long>(k), v.begin() + static_cast<long>(end) + 1);
    if (change <= kFrameChange && *high / std::max(*low, kSlowest) <= kSecondChange) return false;
    what = "speed " + std::to_string(v[k]) + " then " + std::to_string(v[k + 1]) + ", within the second from " +
           std::to_string(*low) + " to " + std::to_string(*high);
    return true;
}

TEST(FlownMotion, SpeedsChangeSmoothly) {
    for (int number : flown::GeneratedProgrammes()) {
        const Frames frames = flown::FlyAt60(number);
        for (int slot = 0; slot < static_cast<int>(frames.poses.size()); ++slot) {
            const std::vector<double> v = flown::Speeds(frames, slot);
            for (std::size_t k = 0; k + 1 < v.size(); ++k) {
                if (Excused(kSpeedExceptions, number, frames.progress[k])) continue;
                std::size_t end = std::min(v.size() - 1, k + flown::kFramesPerSecond);
                if (Excused(kSpeedExceptions, number, frames.progress[end])) end = k;
                std::string what;
                if (!Lurches(v, k, end, what)) continue;
                ADD_FAILURE() << "programme " << number << " aircraft " << slot + 1 << " at t " << frames.progress[k] << ": " << what;
                break;  // one report per aircraft
            }
        }
    }
}

// In the last flown segment the speed changes no faster than anywhere before it: a spline whose
// outer key is placed for another time than the one it is written at surges or sags there while
// the figure flies on steadily.
TEST(FlownMotion, TheLastSegmentKeepsThePace) {
    for (int number : flown::GeneratedProgrammes()) {
        const Frames frames = flown::FlyAt60(number);
        const flown::Programme programme(number);
        for (int slot = 0; slot < static_cast<int>(frames.poses.size()); ++slot) {
            const auto& keys = programme.Data().tracks[static_cast<std::size_t>(slot)];
            float lastFrom = 0;
            for (const auto& key : keys) {
                if (key.time < 1) lastFrom = key.time;
            }
            const std::vector<double> v = flown::Speeds(frames, slot);
            double before = 0, last = 0;
            float lastAt = 0;
            for (std::size_t k = 0; k + 1 < v.size(); ++k) {
                if (Excused(kSpeedExceptions, number, frames.progress[k])) continue;
                const double change = SpeedChange(v, k);
                if (frames.progress[k] < lastFrom) {
                    before = std::max(before, change);
                } else if (change > last) {
                    last = change;
                    lastAt = frames.progress[k];
                }
            }
            EXPECT_LE(last, before) << "programme " << number << " aircraft " << slot + 1 << " at t " << lastAt;
        }
    }
}

// Beyond this from one frame to the next the path visibly kinks: straight segments laid round a
// curve, or a spline meeting a straight segment at an angle.
constexpr double kFrameTurn = 3.0;

// The largest value a per-frame measure of `slot` takes outside the excused spans, and where.
struct Worst {
    double value = 0;
    float at = 0;
};
Worst WorstOf(const Frames& frames, int slot, double (*measure)(const Frames&, int, std::size_t),
              const std::vector<Exception>& exceptions = {}) {
    Worst worst;
    for (std::size_t k = 0; k < frames.progress.size(); ++k) {
        const double value = measure(frames, slot, k);
        if (value > worst.value && !Excused(exceptions, frames.number, frames.progress[k])) worst = {value, frames.progress[k]};
    }
    return worst;
}

TEST(FlownMotion, PathsTurnWithoutKinks) {
    for (int number : flown::GeneratedProgrammes()) {
        const Frames frames = flown::FlyAt60(number);
        for (int slot = 0; slot < static_cast<int>(frames.poses.size()); ++slot) {
            const Worst worst = WorstOf(frames, slot, flown::TurnAt);
            EXPECT_LE(worst.value, kFrameTurn) << "programme " << number << " aircraft " << slot + 1 << " at t " << worst.at;
        }
    }
}

// Beyond this the aircraft visibly flies sideways or mushes along nose-high.
constexpr double kNoseOffPath = 10.0;

const std::vector<Exception> kNoseExceptions = {
    {24, 0.0f, 1.0f, "the star's aircraft keep yaw, pitch and roll at 0 whatever way they fly"},
};

TEST(FlownMotion, NosesPointAlongThePath) {
    for (int number : flown::GeneratedProgrammes()) {
        const Frames frames = flown::FlyAt60(number);
        for (int slot = 0; slot < static_cast<int>(frames.poses.size()); ++slot) {
            const Worst worst = WorstOf(frames, slot, flown::NoseOffPath, kNoseExceptions);
            EXPECT_LE(worst.value, kNoseOffPath) << "programme " << number << " aircraft " << slot + 1 << " at t " << worst.at;
        }
    }
}

// Spans where the described geometry leaves no aircraft in the picture.
const std::vector<Exception> kForcedEmpty = {
    {1, 0.97f, 1.0f, "the diamond passes 18 units from the eye, wider than the 3-degree picture around its centre"},
    {35, 0.97f, 1.0f, "the fixed aim at the heart while the aircraft fly out to their stated end points"},
};

TEST(FlownMotion, CameraKeepsAnAircraftInThePicture) {
    for (int number : flown::GeneratedProgrammes()) {
        const Frames frames = flown::FlyAt60(number);
        int empty = 0;
        float first = -1;
        for (std::size_t k = 0; k < frames.progress.size(); ++k) {
            const float t = frames.progress[k];
            if (flown::AnyInPicture(frames, k) || Excused(kForcedEmpty, number, t)) continue;
            if (empty++ == 0) first = t;
        }
        EXPECT_EQ(empty, 0) << "programme " << number << ": frames with no aircraft in the picture, the first at t " << first;
    }
}

}  // namespace
