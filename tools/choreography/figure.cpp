#include "tools/choreography/figure.h"

#include <cmath>

namespace choreography {
namespace {

float Hundredths(double v) {
    const double rounded = std::round(v * 100.0) / 100.0;
    return static_cast<float>(rounded == 0.0 ? 0.0 : rounded);  // no -0 in the tables
}

double Smoothstep(double s) { return s * s * (3.0 - 2.0 * s); }

// Key times are floats a little off the decimal progress they stand for, so the interval's ends
// are taken with a margin far below any key spacing.
bool SmokesAt(const std::vector<SmokeInterval>& smoke, double t) {
    constexpr double kMargin = 1e-5;
    for (const SmokeInterval& interval : smoke) {
        if (t >= interval.from - kMargin && t < interval.until - kMargin) return true;
    }
    return false;
}

}  // namespace

std::vector<float> EvenTimes(int keyCount) {
    std::vector<float> times;
    for (int i = 0; i < keyCount; ++i) {
        times.push_back(static_cast<float>(static_cast<double>(i - 1) / (keyCount - 3)));
    }
    return times;
}

Path Flown(const Flight& flight) {
    return [flight](double t) { return flight.At(t); };
}

Path InFormation(Path leader, std::vector<OffsetAt> offsets) {
    return [leader = std::move(leader), offsets = std::move(offsets)](double t) {
        const State lead = leader(t);
        Vec3 body = offsets.front().body;
        for (std::size_t i = 1; i < offsets.size(); ++i) {
            const OffsetAt& a = offsets[i - 1];
            const OffsetAt& b = offsets[i];
            if (t <= a.time) break;
            const double s = t >= b.time ? 1.0 : Smoothstep((t - a.time) / (b.time - a.time));
            body = a.body + (b.body - a.body) * s;
        }
        return State{lead.position + ToWorld(body, lead.attitude), lead.attitude};
    };
}

Vec3 BodyOffset(const Path& leader, double t, const Vec3& world) { return ToBody(world, leader(t).attitude); }

Path Centre(std::vector<Path> paths) {
    return [paths = std::move(paths)](double t) {
        Vec3 sum;
        for (const Path& path : paths) sum = sum + path(t).position;
        return State{sum * (1.0 / static_cast<double>(paths.size())), {}};
    };
}

std::vector<Keyframe> Sample(const Path& path, const std::vector<float>& times,
                             const std::vector<SmokeInterval>& smoke) {
    std::vector<Keyframe> keys;
    for (float time : times) {
        const State state = path(time);
        keys.push_back({time, Hundredths(state.position.x), Hundredths(state.position.y),
                        Hundredths(state.position.z), Hundredths(state.attitude.yaw),
                        Hundredths(state.attitude.pitch), Hundredths(state.attitude.roll),
                        static_cast<std::uint8_t>(SmokesAt(smoke, time) ? 1 : 0)});
    }
    return keys;
}

}  // namespace choreography
