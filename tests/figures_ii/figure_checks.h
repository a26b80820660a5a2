#pragma once
// What the figures of programmes 11 to 18 are checked by, beyond a single pose: headings, turns
// through the whole figure, heights over it, offsets from the leader, and whether an aircraft
// is in the picture the programme's camera takes.

#include <utility>
#include <vector>

#include "flown_figures.h"

namespace figures {

using flown::Programme;

constexpr int kLeader = 0;
constexpr gfx::Vec3 kPlusX{1, 0, 0}, kMinusX{-1, 0, 0}, kUp{0, 1, 0}, kDown{0, -1, 0}, kPlusZ{0, 0, 1},
    kMinusZ{0, 0, -1};

// The nose's direction in level flight on heading `yaw` (degrees).
gfx::Vec3 Heading(float yaw);

// Progress from `from` to `until` in `steps` equal steps, both ends included.
std::vector<float> Progress(float from = 0, float until = 1, int steps = 100);

using flown::CentreAt;
using flown::Offset;
gfx::Vec3 CentreOf(const Programme& p, std::vector<int> slots, float t);

// Degrees the heading turns over [from, until], summed in small steps: positive to the right.
float HeadingChange(const Programme& p, int slot, float from, float until);

// The lowest and highest point any of the slots reaches over [from, until], and when the
// highest is reached.
struct HeightRange {
    float low, high, highAt;
};
HeightRange Heights(const Programme& p, std::vector<int> slots, float from = 0, float until = 1);

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off);

// Whether the aircraft lies inside the picture that programme `number`'s camera takes at t, on a
// 4:3 screen, with `margin` of the half-width and half-height kept clear at the edges.
bool InPicture(const Programme& p, int number, int slot, float t, float margin = 0.05f);

}  // namespace figures
