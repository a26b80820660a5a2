#include "flown_figures.h"

#include <gtest/gtest.h>

namespace flown {

Programme::Programme(int n) : number(n), manoeuvre(manoeuvres::CreateManoeuvre(n)) {
    if (!manoeuvre) return;
    const gfx::Vec3& eye = manoeuvres::kGroundCamera;
    if (manoeuvre->Info().clientSize) {
        manoeuvre->Init(device, eye.x, eye.y, eye.z, 640, 480, 0);
    } else {
        manoeuvre->Init(device, eye.x, eye.y, eye.z, 0);
    }
}

Attitude Programme::Of(int slot, float t) const {
    const auto track = Data().tracks[static_cast<std::size_t>(slot)];
    const aircraft::Pose pose = aircraft::PoseAt(track, t, ModeAt(t));
    const gfx::Matrix& w = pose.world;
    // Rows of the world matrix are the model's axes: +x (the left wing), +y (up), +z (the tail).
    return {pose.position,
            {-w.m[2][0], -w.m[2][1], -w.m[2][2]},
            {w.m[1][0], w.m[1][1], w.m[1][2]},
            {-w.m[0][0], -w.m[0][1], -w.m[0][2]},
            pose.smoke};
}

float Distance(const gfx::Vec3& a, const gfx::Vec3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

float Dot(const gfx::Vec3& a, const gfx::Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void ExpectAt(const gfx::Vec3& p, const gfx::Vec3& expected, float tolerance) {
    EXPECT_NEAR(p.x, expected.x, tolerance);
    EXPECT_NEAR(p.y, expected.y, tolerance);
    EXPECT_NEAR(p.z, expected.z, tolerance);
}

void ExpectAlong(const gfx::Vec3& v, const gfx::Vec3& axis, float degrees) {
    EXPECT_GT(Dot(v, axis), std::cos(degrees * gfx::kRadiansPerDegree)) << v.x << " " << v.y << " " << v.z;
}

int RollDirection(const Programme& programme, int slot, float from, float until) {
    constexpr int kSteps = 60;
    int direction = 0;
    for (int i = 0; i < kSteps; ++i) {
        const float t = from + (until - from) * static_cast<float>(i) / kSteps;
        const float next = from + (until - from) * static_cast<float>(i + 1) / kSteps;
        const Attitude a = programme.Of(slot, t);
        const float lean = Dot(programme.Of(slot, next).up, a.rightWing);
        const int step = lean > 1e-3f ? 1 : lean < -1e-3f ? -1 : 0;
        if (step == 0 || (direction != 0 && step != direction)) return 0;
        direction = step;
    }
    return direction;
}

gfx::Vec3 Offset(const Programme& programme, int slot, float t) {
    const gfx::Vec3 a = programme.Of(slot, t).position, lead = programme.Of(0, t).position;
    return {a.x - lead.x, a.y - lead.y, a.z - lead.z};
}

gfx::Vec3 CentreAt(const Programme& programme, float t) {
    gfx::Vec3 sum{0, 0, 0};
    for (int slot = 0; slot < programme.AircraftCount(); ++slot) {
        const gfx::Vec3 a = programme.Of(slot, t).position;
        sum = {sum.x + a.x, sum.y + a.y, sum.z + a.z};
    }
    const float n = static_cast<float>(programme.AircraftCount());
    return {sum.x / n, sum.y / n, sum.z / n};
}

}  // namespace flown
