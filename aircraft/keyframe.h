#pragma once
// One sample of a flight track. Tracks are arrays of these, sorted by strictly ascending
// `time`; the first sample lies before progress 0, the second at exactly 0.

#include <cstdint>

namespace aircraft {

struct Keyframe {
    float time;   // programme progress at which the sample holds: 0 at the start, 1 at the end
    float x, y, z;  // world position; y is up and the ground is y = 0
    float yaw;    // degrees about the vertical (Y) axis
    float pitch;  // degrees about the lateral (X) axis
    float roll;   // degrees about the longitudinal (Z) axis
    std::uint8_t smoke;  // non-zero: smoke is on for the segment that starts here
};

}  // namespace aircraft
