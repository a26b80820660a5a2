#include "figure_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>

#include "manoeuvres/catalogue.h"

namespace figures {

gfx::Vec3 Heading(float yaw) {
    return {-std::sin(yaw * gfx::kRadiansPerDegree), 0, -std::cos(yaw * gfx::kRadiansPerDegree)};
}

std::vector<float> Progress(float from, float until, int steps) {
    std::vector<float> t;
    for (int i = 0; i <= steps; ++i) {
        t.push_back(from + (until - from) * static_cast<float>(i) / static_cast<float>(steps));
    }
    return t;
}

float HeadingChange(const Programme& p, int slot, float from, float until) {
    float total = 0;
    const std::vector<float> steps = Progress(from, until, 400);
    for (std::size_t i = 1; i < steps.size(); ++i) {
        const gfx::Vec3 a = p.Of(slot, steps[i - 1]).nose, b = p.Of(slot, steps[i]).nose;
        // The turn about the vertical: the cross product's y, seen in the horizontal plane.
        total += std::atan2(a.z * b.x - a.x * b.z, a.x * b.x + a.z * b.z) / gfx::kRadiansPerDegree;
    }
    return total;
}

HeightRange Heights(const Programme& p, const std::vector<float>& progress, std::vector<int> slots) {
    if (slots.empty()) {
        for (int slot = 0; slot < p.AircraftCount(); ++slot) slots.push_back(slot);
    }
    HeightRange range{1e9f, -1e9f, 0};
    for (float t : progress) {
        for (int slot : slots) {
            const float h = p.Of(slot, t).Height();
            range.low = std::min(range.low, h);
            if (h > range.high) range = {range.low, h, t};
        }
    }
    return range;
}

float ClosestApproach(const Programme& p, int steps) {
    float closest = 1e9f;
    for (float t : Progress(0, 1, steps)) {
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

float CameraStrayFromCentre(const Programme& p) {
    float stray = 0;
    for (float t : Progress(0, 1, 200)) stray = std::max(stray, flown::Distance(p.Target(t), CentreAt(p, t)));
    return stray;
}

bool InPicture(const Programme& p, int number, float t, const gfx::Vec3& point, float margin) {
    const manoeuvres::UpdateRoutine& routine = manoeuvres::FindProgramme(number)->Routine();
    const gfx::Matrix view = gfx::MatrixLookAtLH(manoeuvres::kGroundCamera, p.Target(t), {0, 1, 0});
    const gfx::Matrix projection =
        gfx::MatrixPerspectiveFovLH(routine.fovY, 640.0f / 480.0f, manoeuvres::kNearPlane, manoeuvres::kFarPlane);
    const gfx::Vec3 seen = gfx::Vec3TransformCoord(point, gfx::MatrixMultiply(view, projection));
    const float limit = 1 - margin;
    return std::fabs(seen.x) <= limit && std::fabs(seen.y) <= limit && seen.z >= 0 && seen.z <= 1;
}

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off) {
    for (float t : on) EXPECT_TRUE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
    for (float t : off) EXPECT_FALSE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
}

std::vector<float> KeyTimes(const Programme& p) {
    std::vector<float> times;
    for (const auto& key : p.Data().tracks[0]) times.push_back(key.time);
    return times;
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

void ExpectEvenKeys(const Programme& p, std::size_t count) {
    ASSERT_EQ(KeyTimes(p).size(), count);
    const double step = 1.0 / static_cast<double>(count - 3);
    ExpectEvenKeys(p, step, static_cast<float>(static_cast<double>(count - 2) * step));
}

}  // namespace figures
