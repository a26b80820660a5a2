#pragma once
// Sampling a flight track at a progress value. One sampler serves the aircraft (position,
// orientation, smoke flag) and the ground camera (the look-at target on its camera track), so
// both find the same segment and interpolate positions the same way.

#include <span>

#include "aircraft/keyframe.h"
#include "gfx/math.h"

namespace aircraft {

// How positions between samples are interpolated; one value per frame drives the camera target
// and every aircraft alike.
enum class PositionMode : int { kLinear = 1, kCatmullRom = 2 };

// Where progress t falls on a track: in the segment that ends at sample `end`, a fraction `s`
// of the way along it. `end` is 1 at or before progress 0, where nothing is interpolated.
struct TrackPoint {
    int end = 1;
    float s = 0;
};

// The sample whose time equals t ends the segment that holds t. Progress beyond the last sample
// (and NaN, which compares false with every time) holds at the last sample.
TrackPoint Locate(std::span<const Keyframe> keys, float t);

// The position at `at`: straight between the segment's two samples, or on the Catmull-Rom
// spline through them and their neighbours. Samples a spline would need beyond either end of
// the track are clamped to it. A track without samples gives the origin.
gfx::Vec3 PositionAt(std::span<const Keyframe> keys, const TrackPoint& at, PositionMode mode);

// Where a track puts an aircraft at one progress value.
struct Pose {
    gfx::Matrix world;    // rotation, then translation to `position`
    gfx::Vec3 position;
    bool smoke = false;   // the smoke flag of the sample that starts the current segment
};

// The pose at progress t: the position as PositionAt gives it, the orientation spherically
// interpolated along the shorter arc. At or before progress 0 it is the second sample's pose.
Pose PoseAt(std::span<const Keyframe> keys, float t, PositionMode mode);

}  // namespace aircraft
