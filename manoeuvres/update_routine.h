#pragma once
// The per-frame update routines. All 40 programmes are drawn by 31 routines that differ only
// in the values of one row: where the camera aims, how positions are interpolated, the lens, and
// how smoke is drawn. The formation's size and the camera track's length come with the
// programme (catalogue.h) and its flight data.

#include <cstdint>
#include <span>

#include "aircraft/track.h"
#include "gfx/math.h"

namespace manoeuvres {

using ::aircraft::PositionMode;

enum class ModeRule : std::uint8_t {
    kAlwaysLinear,
    kAlwaysCatmullRom,
    kSegmentRule7,
    kSegmentRule12,
    kSegmentRule15,
    kSegmentRule21,
    kSegmentRule25,
};

enum class SmokeDrawing : std::uint8_t {
    kMergedCulled,  // every aircraft's puffs gathered, culled to the client area, sorted together
    kMerged,        // gathered and sorted together, no culling
    kPerAircraft,   // the solo aircraft sorts and draws its own puffs
    kNone,
};

struct UpdateRoutine {
    int number;              // UpdateProgrammeNN
    bool fixedTarget;
    gfx::Vec3 target;        // the constant look-at point of the fixed-target routines
    ModeRule modeRule;
    float fovY;              // radians
    SmokeDrawing smoke;
};

// The routine UpdateProgrammeNN, or nullptr when there is none with that number.
const UpdateRoutine* FindUpdateRoutine(int number);

std::span<const UpdateRoutine> UpdateRoutines();

// The positionMode that `rule` gives for camera segment `segment` (the index of the key that
// ends the segment; 1 is the start).
PositionMode PositionModeFor(ModeRule rule, int segment);

}  // namespace manoeuvres
