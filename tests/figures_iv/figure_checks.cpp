#include "figure_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace figures {

gfx::Vec3 Heading(float yaw) {
    return {-std::sin(yaw * gfx::kRadiansPerDegree), 0, -std::cos(yaw * gfx::kRadiansPerDegree)};
}

gfx::Vec3 Minus(const gfx::Vec3& a, const gfx::Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

std::vector<float> Progress(float from, float until, int steps) {
    std::vector<float> t;
    for (int i = 0; i <= steps; ++i) t.push_back(from + (until - from) * static_cast<float>(i) / static_cast<float>(steps));
    return t;
}

std::pair<float, float> Heights(const Programme& p, const std::vector<float>& progress, std::vector<int> slots) {
    if (slots.empty()) {
        for (int slot = 0; slot < p.AircraftCount(); ++slot) slots.push_back(slot);
    }
    float low = 1e9f, high = -1e9f;
    for (float t : progress) {
        for (int slot : slots) {
            low = std::min(low, p.Of(slot, t).Height());
            high = std::max(high, p.Of(slot, t).Height());
        }
    }
    return {low, high};
}

float CameraStrayFromCentre(const Programme& p) {
    float stray = 0;
    for (float t : Progress(0, 1, 200)) stray = std::max(stray, flown::Distance(p.Target(t), CentreAt(p, t)));
    return stray;
}

float ClosestApproach(const Programme& p) {
    float closest = 1e9f;
    for (float t : Progress(0, 1, 400)) {
        for (int a = 0; a < p.AircraftCount(); ++a) {
            for (int b = a + 1; b < p.AircraftCount(); ++b) {
                closest = std::min(closest, flown::Distance(p.Of(a, t).position, p.Of(b, t).position));
            }
        }
    }
    return closest;
}

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off) {
    for (float t : on) EXPECT_TRUE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
    for (float t : off) EXPECT_FALSE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
}

void ExpectEvenKeys(const Programme& p, double step, float last) {
    const manoeuvres::FlightData& data = p.Data();
    std::vector<std::span<const manoeuvres::Keyframe>> tracks;
    for (int slot = 0; slot < p.AircraftCount(); ++slot) tracks.push_back(data.tracks[static_cast<std::size_t>(slot)]);
    if (!data.camera.empty()) tracks.push_back(data.camera);
    for (const auto& track : tracks) {
        ASSERT_GE(track.size(), 4u);
        for (std::size_t i = 0; i + 1 < track.size(); ++i) {
            EXPECT_NEAR(track[i].time, (static_cast<double>(i) - 1) * step, 1e-6) << "key " << i;
        }
        EXPECT_EQ(track.back().time, last);
    }
}

}  // namespace figures
