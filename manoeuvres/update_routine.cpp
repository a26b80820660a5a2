#include "manoeuvres/update_routine.h"

namespace manoeuvres {
namespace {

using enum ModeRule;
using enum SmokeDrawing;

constexpr gfx::Vec3 kNoTarget{};

// fovY is the float nearest to the lens angle in radians.
constexpr UpdateRoutine kRoutines[] = {
    // number, N, K, fixed, target, mode rule, fovY, smoke
    {1, 4, 23, false, kNoTarget, kAlwaysCatmullRom, 0.05235988f, kMergedCulled},
    {2, 1, 0, false, kNoTarget, kAlwaysCatmullRom, 0.034906585f, kPerAircraft},
    {4, 4, 9, false, kNoTarget, kAlwaysCatmullRom, 0.034906585f, kNone},
    {5, 1, 0, false, kNoTarget, kAlwaysLinear, 0.034906585f, kPerAircraft},
    {6, 5, 27, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {7, 1, 0, false, kNoTarget, kSegmentRule7, 0.034906585f, kPerAircraft},
    {8, 5, 17, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {11, 4, 30, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {12, 2, 14, false, kNoTarget, kSegmentRule12, 0.034906585f, kMergedCulled},
    {13, 4, 30, false, kNoTarget, kAlwaysCatmullRom, 0.08726646f, kMergedCulled},
    {14, 2, 19, false, kNoTarget, kAlwaysLinear, 0.05235988f, kMergedCulled},
    {15, 4, 28, false, kNoTarget, kSegmentRule15, 0.08726646f, kMergedCulled},
    {16, 3, 21, true, {-82.0f, 120.0f, -40.0f}, kAlwaysCatmullRom, 0.87266463f, kMergedCulled},
    {17, 3, 15, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {18, 1, 0, false, kNoTarget, kAlwaysCatmullRom, 0.05235988f, kPerAircraft},
    {19, 5, 21, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {20, 6, 33, false, kNoTarget, kAlwaysCatmullRom, 0.08726646f, kMergedCulled},
    {21, 6, 22, false, kNoTarget, kSegmentRule21, 0.12217305f, kMergedCulled},
    {22, 6, 18, true, {-5.0f, 70.0f, 5.0f}, kAlwaysCatmullRom, 1.0471976f, kMerged},
    {24, 5, 30, true, {-112.95f, 200.0f, -51.0f}, kAlwaysCatmullRom, 0.7853982f, kMerged},
    {25, 2, 76, false, kNoTarget, kSegmentRule25, 0.05235988f, kMergedCulled},
    {26, 4, 34, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {27, 2, 47, false, kNoTarget, kAlwaysCatmullRom, 0.034906585f, kMergedCulled},
    {28, 6, 20, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {29, 5, 25, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {31, 4, 17, false, kNoTarget, kAlwaysCatmullRom, 0.34906584f, kMergedCulled},
    {32, 4, 27, false, kNoTarget, kAlwaysCatmullRom, 0.2617994f, kMergedCulled},
    {33, 6, 24, false, kNoTarget, kAlwaysCatmullRom, 0.17453292f, kMergedCulled},
    {34, 6, 9, false, kNoTarget, kAlwaysLinear, 0.12217305f, kMergedCulled},
    {35, 3, 21, true, {-180.0f, 80.0f, -50.0f}, kAlwaysCatmullRom, 0.87266463f, kMergedCulled},
    {36, 6, 4, false, kNoTarget, kAlwaysLinear, 0.08726646f, kMergedCulled},
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
