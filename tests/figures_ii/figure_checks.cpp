#include "figure_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "manoeuvres/catalogue.h"
#include "manoeuvres/update_routine.h"

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

gfx::Vec3 CentreOf(const Programme& p, std::vector<int> slots, float t) {
    gfx::Vec3 sum{0, 0, 0};
    for (int slot : slots) sum = sum + p.Of(slot, t).position;
    return sum * (1.0f / static_cast<float>(slots.size()));
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

HeightRange Heights(const Programme& p, std::vector<int> slots, float from, float until) {
    HeightRange range{1e9f, -1e9f, 0};
    for (float t : Progress(from, until, 400)) {
        for (int slot : slots) {
            const float h = p.Of(slot, t).Height();
            range.low = std::min(range.low, h);
            if (h > range.high) range = {range.low, h, t};
        }
    }
    return range;
}

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off) {
    for (float t : on) EXPECT_TRUE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
    for (float t : off) EXPECT_FALSE(p.Of(slot, t).smoke) << "slot " << slot + 1 << " at " << t;
}

bool InPicture(const Programme& p, int number, int slot, float t, float margin) {
    const gfx::Vec3 eye{60.0f, 0.2f, -27.0f};
    const gfx::Matrix view = gfx::MatrixLookAtLH(eye, p.Target(t), {0, 1, 0});
    const float lens = manoeuvres::FindProgramme(number)->Routine().fovY;
    const gfx::Matrix projection = gfx::MatrixPerspectiveFovLH(lens, 4.0f / 3.0f, 13.0f, 1000.0f);
    const gfx::Vec3 clip = gfx::Vec3TransformCoord(p.Of(slot, t).position, gfx::MatrixMultiply(view, projection));
    const float edge = 1.0f - margin;
    return std::fabs(clip.x) <= edge && std::fabs(clip.y) <= edge && clip.z > 0 && clip.z < 1;
}

}  // namespace figures
