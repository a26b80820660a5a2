#include "aircraft/track.h"

#include <algorithm>
#include <cstddef>

namespace aircraft {
namespace {

// Sample j, with indices outside the track clamped to its ends. The track is not empty.
const Keyframe& Key(std::span<const Keyframe> keys, int j) {
    return keys[static_cast<std::size_t>(std::clamp(j, 0, static_cast<int>(keys.size()) - 1))];
}

gfx::Vec3 PositionOf(const Keyframe& k) { return {k.x, k.y, k.z}; }

gfx::Matrix RotationOf(const Keyframe& k) {
    return gfx::MatrixRotationYawPitchRoll(k.yaw * gfx::kRadiansPerDegree, k.pitch * gfx::kRadiansPerDegree,
                                           k.roll * gfx::kRadiansPerDegree);
}

gfx::Quaternion OrientationOf(const Keyframe& k) {
    return gfx::QuaternionRotationYawPitchRoll(k.yaw * gfx::kRadiansPerDegree, k.pitch * gfx::kRadiansPerDegree,
                                               k.roll * gfx::kRadiansPerDegree);
}

}  // namespace

TrackPoint Locate(std::span<const Keyframe> keys, float t) {
    const int count = static_cast<int>(keys.size());
    int i = 0;
    while (i < count && !(t <= keys[static_cast<std::size_t>(i)].time)) ++i;
    if (i <= 1) return {1, 0.0f};
    if (i == count) return {count - 1, 1.0f};
    const Keyframe& a = keys[static_cast<std::size_t>(i - 1)];
    const Keyframe& b = keys[static_cast<std::size_t>(i)];
    // a.time < t <= b.time here, so the division is safe.
    return {i, (t - a.time) / (b.time - a.time)};
}

gfx::Vec3 PositionAt(std::span<const Keyframe> keys, const TrackPoint& at, PositionMode mode) {
    if (keys.empty()) return {};
    const int i = at.end;
    if (i <= 1) return PositionOf(Key(keys, 1));
    const gfx::Vec3 a = PositionOf(Key(keys, i - 1));
    const gfx::Vec3 b = PositionOf(Key(keys, i));
    if (mode == PositionMode::kLinear) return gfx::Vec3Lerp(a, b, at.s);
    return gfx::Vec3CatmullRom(PositionOf(Key(keys, i - 2)), a, b, PositionOf(Key(keys, i + 1)), at.s);
}

Pose PoseAt(std::span<const Keyframe> keys, float t, PositionMode mode) {
    Pose pose;
    if (keys.empty()) return pose;
    const TrackPoint at = Locate(keys, t);
    pose.position = PositionAt(keys, at, mode);
    const gfx::Matrix rotation =
        at.end <= 1 ? RotationOf(Key(keys, 1))
                    : gfx::MatrixRotationQuaternion(gfx::QuaternionSlerp(
                          OrientationOf(Key(keys, at.end - 1)), OrientationOf(Key(keys, at.end)), at.s));
    pose.smoke = Key(keys, at.end - 1).smoke != 0;
    pose.world = gfx::MatrixMultiply(rotation, gfx::MatrixTranslation(pose.position.x, pose.position.y, pose.position.z));
    return pose;
}

}  // namespace aircraft
