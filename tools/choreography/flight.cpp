#include "tools/choreography/flight.h"

#include <cmath>
#include <numbers>

namespace choreography {
namespace {

constexpr double kRadians = std::numbers::pi / 180.0;
constexpr double kStep = 1.0 / 20000.0;  // progress per integration step

// Row vectors, as the runtime turns a model: v * Rz(roll) * Rx(pitch) * Ry(yaw).
Vec3 RotateZ(const Vec3& v, double degrees) {
    const double c = std::cos(degrees * kRadians), s = std::sin(degrees * kRadians);
    return {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
}
Vec3 RotateX(const Vec3& v, double degrees) {
    const double c = std::cos(degrees * kRadians), s = std::sin(degrees * kRadians);
    return {v.x, v.y * c - v.z * s, v.y * s + v.z * c};
}
Vec3 RotateY(const Vec3& v, double degrees) {
    const double c = std::cos(degrees * kRadians), s = std::sin(degrees * kRadians);
    return {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
}

Attitude Scaled(const Attitude& a, double s) { return {a.yaw * s, a.pitch * s, a.roll * s}; }

}  // namespace

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
Attitude operator+(const Attitude& a, const Attitude& b) {
    return {a.yaw + b.yaw, a.pitch + b.pitch, a.roll + b.roll};
}

Vec3 ToWorld(const Vec3& body, const Attitude& a) {
    return RotateY(RotateX(RotateZ(body, a.roll), a.pitch), a.yaw);
}

Vec3 ToBody(const Vec3& world, const Attitude& a) {
    return RotateZ(RotateX(RotateY(world, -a.yaw), -a.pitch), -a.roll);
}

Vec3 NoseDirection(const Attitude& a) { return ToWorld({0, 0, -1}, a); }

Flight::Flight(Vec3 start, Attitude attitude, double speed) : initial{start, attitude}, initialSpeed(speed) {}

Flight& Flight::Fly(double until, Attitude change, double speedTo) {
    const double from = End();
    const double speedFrom = legs.empty() ? initialSpeed : legs.back().speedTo;
    Leg leg{from, until, change, speedFrom, speedTo < 0 ? speedFrom : speedTo, initial};
    if (!legs.empty()) leg.start = Integrate(legs.back(), from);
    legs.push_back(leg);
    return *this;
}

Flight& Flight::FlyScaling(double until, Attitude change, double speedTo, int pieces) {
    const double from = End(), speedFrom = EndSpeed();
    for (int i = 1; i <= pieces; ++i) {
        const double share = static_cast<double>(i) / pieces;
        Fly(from + (until - from) * share, Scaled(change, 1.0 / pieces), speedFrom * std::pow(speedTo / speedFrom, share));
    }
    return *this;
}

// Steps from the leg's start to t with the midpoint rule; t may lie outside the leg, where its
// rates go on (the speed stays at the value it has at the leg's end it passes).
State Flight::Integrate(const Leg& leg, double t) const {
    const double length = leg.until - leg.from;
    const auto attitudeAt = [&](double u) { return leg.start.attitude + Scaled(leg.change, (u - leg.from) / length); };
    const auto speedAt = [&](double u) {
        const double s = std::fmin(std::fmax((u - leg.from) / length, 0.0), 1.0);
        return leg.speedFrom + (leg.speedTo - leg.speedFrom) * s;
    };
    const int steps = static_cast<int>(std::ceil(std::fabs(t - leg.from) / kStep));
    const double h = steps == 0 ? 0 : (t - leg.from) / steps;
    Vec3 position = leg.start.position;
    for (int i = 0; i < steps; ++i) {
        const double mid = leg.from + (i + 0.5) * h;
        position = position + NoseDirection(attitudeAt(mid)) * (speedAt(mid) * h);
    }
    return {position, attitudeAt(t)};
}

State Flight::At(double t) const {
    if (legs.empty()) return initial;
    for (const Leg& leg : legs) {
        if (t <= leg.until) return Integrate(leg, t);
    }
    return Integrate(legs.back(), t);
}

}  // namespace choreography
