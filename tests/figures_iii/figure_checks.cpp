#include "figure_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace figures {

gfx::Vec3 Heading(float yaw) {
    return {-std::sin(yaw * gfx::kRadiansPerDegree), 0, -std::cos(yaw * gfx::kRadiansPerDegree)};
}

gfx::Vec3 Minus(const gfx::Vec3& a, const gfx::Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

std::vector<float> Progress(int steps) {
    std::vector<float> t;
    for (int i = 0; i <= steps; ++i) t.push_back(static_cast<float>(i) / static_cast<float>(steps));
    return t;
}

std::pair<float, float> Heights(const Programme& p) {
    float low = 1e9f, high = -1e9f;
    for (float t : Progress(400)) {
        for (int slot = 0; slot < p.AircraftCount(); ++slot) {
            low = std::min(low, p.Of(slot, t).Height());
            high = std::max(high, p.Of(slot, t).Height());
        }
    }
    return {low, high};
}

float HighestPoint(const Programme& p, int slot, float from, float until) {
    float best = -1e9f;
    for (int i = 0; i <= 400; ++i) best = std::max(best, p.Of(slot, from + (until - from) * static_cast<float>(i) / 400).Height());
    return best;
}

float ClosestPair(const Programme& p) {
    float closest = 1e9f;
    for (float t : Progress(800)) {
        for (int a = 0; a < p.AircraftCount(); ++a) {
            for (int b = a + 1; b < p.AircraftCount(); ++b) {
                closest = std::min(closest, flown::Distance(p.Of(a, t).position, p.Of(b, t).position));
            }
        }
    }
    return closest;
}

gfx::Vec3 CameraTrackAt(const Programme& p, float t) {
    return aircraft::PoseAt(p.Data().camera, t, p.ModeAt(t)).position;
}

bool InPicture(const Programme& p, int number, float t, const gfx::Vec3& point, float margin) {
    constexpr gfx::Vec3 kEye{60.0f, 0.2f, -27.0f};
    const manoeuvres::UpdateRoutine& routine = manoeuvres::FindProgramme(number)->Routine();
    const gfx::Matrix view = gfx::MatrixLookAtLH(kEye, p.Target(t), {0, 1, 0});
    const gfx::Matrix projection = gfx::MatrixPerspectiveFovLH(routine.fovY, 640.0f / 480.0f, 13.0f, 1000.0f);
    const gfx::Vec3 seen = gfx::Vec3TransformCoord(point, gfx::MatrixMultiply(view, projection));
    const float limit = 1 - margin;
    return std::fabs(seen.x) <= limit && std::fabs(seen.y) <= limit && seen.z >= 0 && seen.z <= 1;
}

std::vector<float> KeyTimes(const Programme& p) {
    std::vector<float> times;
    for (const auto& key : p.Data().tracks[0]) times.push_back(key.time);
    return times;
}

void ExpectEvenKeys(const Programme& p, std::size_t count) {
    const auto times = KeyTimes(p);
    ASSERT_EQ(times.size(), count);
    const double step = 1.0 / static_cast<double>(count - 3);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(times[i], static_cast<float>((static_cast<double>(i) - 1) * step)) << i;
    }
}

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off) {
    for (float t : on) EXPECT_TRUE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
    for (float t : off) EXPECT_FALSE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
}

}  // namespace figures
