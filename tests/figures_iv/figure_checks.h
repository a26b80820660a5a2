#pragma once
// What the figure tests of programmes 27 to 35 measure on a flown programme: headings, places
// in the formation, the formation's centre, heights over a stretch of progress, the key times.

#include <initializer_list>
#include <utility>
#include <vector>

#include "flown_figures.h"

namespace figures {

using flown::Programme;

inline constexpr int kLeader = 0;

// The level nose direction for a heading `yaw` in degrees (0 towards -z, 180 towards +z).
gfx::Vec3 Heading(float yaw);
gfx::Vec3 Minus(const gfx::Vec3& a, const gfx::Vec3& b);
// Where `slot` sits from the leader, in world axes.
using flown::CentreAt;
using flown::Offset;
// `steps` + 1 progress values evenly from `from` to `until`.
std::vector<float> Progress(float from = 0, float until = 1, int steps = 100);
// Lowest and highest height of the given slots (all when empty) over the progress values.
std::pair<float, float> Heights(const Programme& p, const std::vector<float>& progress, std::vector<int> slots = {});
// The largest distance between the tracked camera's target and the formation's centre.
float CameraStrayFromCentre(const Programme& p);
float ClosestApproach(const Programme& p);
void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off);
// Every track's key times: i steps of `step` from the key at 0, the last key at `last`.
void ExpectEvenKeys(const Programme& p, double step, float last);

}  // namespace figures
