#pragma once
// Measurements of a flown programme for the figure tests of programmes 19 to 26: where the
// formation is, how high it flies, what the camera sees, all sampled through the runtime.

#include <initializer_list>
#include <utility>
#include <vector>

#include "flown_figures.h"

namespace figures {

using flown::Programme;

// The nose's direction in the horizontal plane for a heading `yaw` in degrees.
gfx::Vec3 Heading(float yaw);
gfx::Vec3 Minus(const gfx::Vec3& a, const gfx::Vec3& b);
// Where `slot` is from the leader (slot 0) at progress t.
using flown::CentreAt;
using flown::Offset;
// Progress values 0, 1/steps, ..., 1.
std::vector<float> Progress(int steps = 100);
// Lowest and highest point of every aircraft through the programme.
std::pair<float, float> Heights(const Programme& p);
float HighestPoint(const Programme& p, int slot, float from, float until);
// The closest that any two members come to each other through the programme.
float ClosestPair(const Programme& p);
// The camera track's look-at point at progress t (also for programmes whose lens ignores it).
gfx::Vec3 CameraTrackAt(const Programme& p, float t);
// Whether a world point lies inside the picture of the programme's camera at progress t, in a
// 640 x 480 frame, with `margin` of the half-width to spare on each side.
bool InPicture(const Programme& p, int number, float t, const gfx::Vec3& point, float margin = 0);
// The key times every track of the programme shares.
std::vector<float> KeyTimes(const Programme& p);
// `count` keys evenly spaced, one before 0 and one after 1, as the spline needs them.
void ExpectEvenKeys(const Programme& p, std::size_t count);
void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off);

}  // namespace figures
