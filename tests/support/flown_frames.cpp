#include "flown_frames.h"

#include <algorithm>
#include <cmath>

namespace flown {
namespace {

constexpr gfx::Vec3 kEye = manoeuvres::kGroundCamera;
constexpr float kAspect = 640.0f / 480.0f;

gfx::Vec3 Minus(const gfx::Vec3& a, const gfx::Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

}  // namespace

Frames FlyAt60(int number) {
    const Programme programme(number);
    const std::uint32_t duration = manoeuvres::FindProgramme(number)->duration;
    Frames frames{number, {}, {}, std::vector<std::vector<Attitude>>(static_cast<std::size_t>(programme.AircraftCount())), {}};
    for (std::uint32_t k = 0;; ++k) {
        // The millisecond clock at the frame, as the saver reads it; its progress as the saver computes it.
        const std::uint32_t elapsed = k * 1000 / kFramesPerSecond;
        if (elapsed > duration) break;
        const float t = static_cast<float>(static_cast<double>(elapsed) / duration);
        frames.progress.push_back(t);
        frames.seconds.push_back(elapsed / 1000.0);
        frames.targets.push_back(programme.Target(t));
        for (std::size_t slot = 0; slot < frames.poses.size(); ++slot) {
            frames.poses[slot].push_back(programme.Of(static_cast<int>(slot), t));
        }
    }
    return frames;
}

std::vector<double> Speeds(const Frames& frames, int slot) {
    const auto& poses = frames.poses[static_cast<std::size_t>(slot)];
    std::vector<double> speeds;
    for (std::size_t k = 0; k + 1 < poses.size(); ++k) {
        const double dt = frames.seconds[k + 1] - frames.seconds[k];
        speeds.push_back(Distance(poses[k + 1].position, poses[k].position) / dt);
    }
    return speeds;
}

double NoseOffPath(const Frames& frames, int slot, std::size_t k) {
    const auto& poses = frames.poses[static_cast<std::size_t>(slot)];
    const std::size_t before = k == 0 ? 0 : k - 1, after = std::min(k + 1, poses.size() - 1);
    const gfx::Vec3 step = Minus(poses[after].position, poses[before].position);
    const double length = std::sqrt(Dot(step, step));
    constexpr double kStill = 1e-3;  // world units between the two frames
    if (length < kStill) return -1;
    const double c = Dot(step, poses[k].nose) / length;
    return std::acos(std::clamp(c, -1.0, 1.0)) / gfx::kRadiansPerDegree;
}

double TurnAt(const Frames& frames, int slot, std::size_t k) {
    const auto& poses = frames.poses[static_cast<std::size_t>(slot)];
    if (k == 0 || k + 1 >= poses.size()) return -1;
    const gfx::Vec3 in = Minus(poses[k].position, poses[k - 1].position);
    const gfx::Vec3 out = Minus(poses[k + 1].position, poses[k].position);
    const double lengths = std::sqrt(Dot(in, in) * Dot(out, out));
    constexpr double kStill = 1e-6;  // squared world units: both steps a thousandth or more
    if (lengths < kStill) return -1;
    return std::acos(std::clamp(Dot(in, out) / lengths, -1.0, 1.0)) / gfx::kRadiansPerDegree;
}

bool InPicture(const Frames& frames, std::size_t k, const gfx::Vec3& point) {
    const float fovY = manoeuvres::FindProgramme(frames.number)->Routine().fovY;
    const gfx::Matrix view = gfx::MatrixLookAtLH(kEye, frames.targets[k], {0, 1, 0});
    const gfx::Matrix projection = gfx::MatrixPerspectiveFovLH(fovY, kAspect, manoeuvres::kNearPlane, manoeuvres::kFarPlane);
    const gfx::Vec3 seen = gfx::Vec3TransformCoord(point, gfx::MatrixMultiply(view, projection));
    return std::fabs(seen.x) <= 1 && std::fabs(seen.y) <= 1 && seen.z >= 0 && seen.z <= 1;
}

bool AnyInPicture(const Frames& frames, std::size_t k) {
    return std::any_of(frames.poses.begin(), frames.poses.end(),
                       [&](const auto& slot) { return InPicture(frames, k, slot[k].position); });
}

std::vector<int> GeneratedProgrammes() {
    std::vector<int> numbers;
    for (const manoeuvres::Programme& p : manoeuvres::Programmes()) {
        if (manoeuvres::GeneratedFlightData(p.number)) numbers.push_back(p.number);
    }
    return numbers;
}

}  // namespace flown
