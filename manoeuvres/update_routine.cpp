#include "manoeuvres/update_routine.h"

namespace manoeuvres {
namespace {

using enum ModeRule;
using enum SmokeDrawing;

constexpr gfx::Vec3 kNoTarget{};

// fovY is the float nearest to the lens angle in radians.
constexpr UpdateRoutine kRoutines[] = {
    // number, fixed, target, mode rule, fovY, smoke
    {1, false, kNoTarget, kAlwaysCatmullRom, 0.05235988f, kMergedCulled},
    {2, false, kNoTarget, kAlwaysCatmullRom, 0.034906585f, kPerAircraft},
    {4, false, kNoTarget, kAlwaysCatmullRom, 0.034906585f, kNone},
    {5, false, kNoTarget, kAlwaysLinear, 0.034906585f, kPerAircraft},
    {6, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {7, false, kNoTarget, kSegmentRule7, 0.034906585f, kPerAircraft},
    {8, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {11, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {12, false, kNoTarget, kSegmentRule12, 0.034906585f, kMergedCulled},
    {13, false, kNoTarget, kAlwaysCatmullRom, 0.08726646f, kMergedCulled},
    {14, false, kNoTarget, kAlwaysLinear, 0.05235988f, kMergedCulled},
    {15, false, kNoTarget, kSegmentRule15, 0.08726646f, kMergedCulled},
    {16, true, {-82.0f, 120.0f, -40.0f}, kAlwaysCatmullRom, 0.87266463f, kMergedCulled},
    {17, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {18, false, kNoTarget, kAlwaysCatmullRom, 0.05235988f, kPerAircraft},
    {19, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {20, false, kNoTarget, kAlwaysCatmullRom, 0.08726646f, kMergedCulled},
    {21, false, kNoTarget, kSegmentRule21, 0.12217305f, kMergedCulled},
    {22, true, {-5.0f, 70.0f, 5.0f}, kAlwaysCatmullRom, 1.0471976f, kMerged},
    {24, true, {-112.95f, 200.0f, -51.0f}, kAlwaysCatmullRom, 0.7853982f, kMerged},
    {25, false, kNoTarget, kSegmentRule25, 0.05235988f, kMergedCulled},
    {26, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {27, false, kNoTarget, kAlwaysCatmullRom, 0.034906585f, kMergedCulled},
    {28, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {29, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {31, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {32, false, kNoTarget, kAlwaysCatmullRom, 0.2617994f, kMergedCulled},
    {33, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {34, false, kNoTarget, kAlwaysLinear, 0.12217305f, kMergedCulled},
    {35, true, {-180.0f, 80.0f, -50.0f}, kAlwaysCatmullRom, 0.87266463f, kMergedCulled},
    {36, false, kNoTarget, kAlwaysLinear, 0.08726646f, kMergedCulled},
};

// Segments interpolated linearly under a segment rule, as closed ranges of the segment index;
// every other segment after the start uses Catmull-Rom.
struct LinearRanges {
    ModeRule rule;
    PositionMode atStart;
    struct Range { int first, last; } ranges[3];
};

constexpr int kOpenEnd = 1 << 30;

constexpr LinearRanges kSegmentRules[] = {
    {kSegmentRule7, PositionMode::kLinear, {{2, 7}, {12, 14}, {26, kOpenEnd}}},
    {kSegmentRule12, PositionMode::kCatmullRom, {{8, kOpenEnd}, {0, -1}, {0, -1}}},
    {kSegmentRule15, PositionMode::kCatmullRom, {{3, 5}, {15, 17}, {0, -1}}},
    {kSegmentRule21, PositionMode::kCatmullRom, {{14, kOpenEnd}, {0, -1}, {0, -1}}},
    {kSegmentRule25, PositionMode::kLinear, {{2, 6}, {62, 67}, {0, -1}}},
};

}  // namespace

std::span<const UpdateRoutine> UpdateRoutines() { return kRoutines; }

const UpdateRoutine* FindUpdateRoutine(int number) {
    for (const UpdateRoutine& routine : kRoutines) {
        if (routine.number == number) return &routine;
    }
    return nullptr;
}

PositionMode PositionModeFor(ModeRule rule, int segment) {
    if (rule == kAlwaysLinear) return PositionMode::kLinear;
    if (rule == kAlwaysCatmullRom) return PositionMode::kCatmullRom;
    for (const LinearRanges& r : kSegmentRules) {
        if (r.rule != rule) continue;
        if (segment <= 1) return r.atStart;
        for (const auto& range : r.ranges) {
            if (segment >= range.first && segment <= range.last) return PositionMode::kLinear;
        }
        return PositionMode::kCatmullRom;
    }
    return PositionMode::kCatmullRom;
}

}  // namespace manoeuvres
