#include "tools/choreography/figure.h"

#include <cmath>
#include <numbers>

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

double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Unit(const Vec3& v) { return v * (1.0 / std::sqrt(Dot(v, v))); }

// v turned by the rotation that takes the unit vector `from` onto the unit vector `to`.
Vec3 TurnedLike(const Vec3& v, const Vec3& from, const Vec3& to) {
    const Vec3 axis = Cross(from, to);
    const double c = Dot(from, to), s = std::sqrt(Dot(axis, axis));
    if (s < 1e-12) return v;
    const Vec3 k = axis * (1.0 / s);
    return v * c + Cross(k, v) * s + k * (Dot(k, v) * (1 - c));
}

// The yaw, pitch and roll whose nose and canopy point along `nose` and `up`, written as close
// to `near` as the two ways of writing one orientation allow.
Attitude AttitudeOf(const Vec3& nose, const Vec3& up, const Attitude& near) {
    constexpr double kDegrees = 180.0 / std::numbers::pi;
    Attitude a{std::atan2(-nose.x, -nose.z) * kDegrees, std::asin(std::fmax(-1.0, std::fmin(1.0, nose.y))) * kDegrees, 0};
    const Vec3 level = ToWorld({0, 1, 0}, a), side = ToWorld({1, 0, 0}, a);
    a.roll = std::atan2(-Dot(up, side), Dot(up, level)) * kDegrees;
    const Attitude other{a.yaw + 180, 180 - a.pitch, a.roll + 180};
    const Attitude& pick = std::fabs(Near(a.pitch, near.pitch) - near.pitch) <= std::fabs(Near(other.pitch, near.pitch) - near.pitch) ? a : other;
    return {Near(pick.yaw, near.yaw), Near(pick.pitch, near.pitch), Near(pick.roll, near.roll)};
}

}  // namespace

double Near(double a, double reference) { return a + 360.0 * std::round((reference - a) / 360.0); }

Path AlongPath(Path path, NoseAim aim) {
    return [path = std::move(path), aim = std::move(aim)](double t) {
        constexpr double kDelta = 1e-4;  // progress either side for the direction of motion
        State s = path(t);
        const Vec3 motion = path(t + kDelta).position - path(t - kDelta).position;
        if (Dot(motion, motion) < 1e-12) return s;
        const Vec3 nose = NoseDirection(s.attitude), along = Unit(aim ? aim(t, Unit(motion)) : motion);
        s.attitude = AttitudeOf(along, TurnedLike(ToWorld({0, 1, 0}, s.attitude), nose, along), s.attitude);
        return s;
    };
}

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
    const bool moving = offsets.size() > 1;
    Path member = [leader = std::move(leader), offsets = std::move(offsets)](double t) {
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
    return moving ? AlongPath(std::move(member)) : member;
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
    // A spline's first and last flown segments lean on the outer keys as if they lay one step
    // out, so they are placed where the aircraft is one step out whenever they are written at
    // another time: an outer key placed for its own time makes the aircraft surge or sag there.
    const std::size_t last = times.size() - 1;
    const auto placedAt = [&](std::size_t k) -> double {
        if (times.size() < 4) return times[k];
        if (k == 0 && times[0] < 0) return 2.0 * times[1] - times[2];
        if (k == last && times[last] > 1) return 2.0 * times[last - 1] - times[last - 2];
        return times[k];
    };
    std::vector<Keyframe> keys;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const float time = times[k];
        const State state = path(placedAt(k));
        keys.push_back({time, Hundredths(state.position.x), Hundredths(state.position.y),
                        Hundredths(state.position.z), Hundredths(state.attitude.yaw),
                        Hundredths(state.attitude.pitch), Hundredths(state.attitude.roll),
                        static_cast<std::uint8_t>(SmokesAt(smoke, time) ? 1 : 0)});
    }
    return keys;
}

}  // namespace choreography
