#pragma once
// What the figure tests measure on a flown programme, beyond a single pose: headings and turns,
// places in the formation and its centre, heights over a stretch of progress, how close the
// members come, what the camera sees, and the key times of the tracks.

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "flown_figures.h"

namespace figures {

using flown::CentreAt;
using flown::Offset;
using flown::Programme;

inline constexpr int kLeader = 0;
inline constexpr gfx::Vec3 kPlusX{1, 0, 0}, kMinusX{-1, 0, 0}, kUp{0, 1, 0}, kDown{0, -1, 0}, kPlusZ{0, 0, 1},
    kMinusZ{0, 0, -1};

// The level nose direction for a heading `yaw` in degrees (0 towards -z, 180 towards +z).
gfx::Vec3 Heading(float yaw);

// `steps` + 1 progress values evenly from `from` to `until`, both ends included.
std::vector<float> Progress(float from = 0, float until = 1, int steps = 100);

// Degrees the heading turns over [from, until], summed in small steps: positive to the right.
float HeadingChange(const Programme& p, int slot, float from, float until);

// The lowest and highest height of the given slots (all when empty) over the progress values,
// and the progress at which the highest is reached.
struct HeightRange {
    float low, high, highAt;
};
HeightRange Heights(const Programme& p, const std::vector<float>& progress, std::vector<int> slots = {});

// The closest that any two members come to each other, sampled at `steps` + 1 progress values.
float ClosestApproach(const Programme& p, int steps = 400);

// The camera track's look-at point at progress t (also for programmes whose lens ignores it).
gfx::Vec3 CameraTrackAt(const Programme& p, float t);
// The largest distance between the tracked camera's target and the formation's centre.
float CameraStrayFromCentre(const Programme& p);

// Whether a world point lies inside the picture of programme `number`'s camera at progress t, in
// a 640 x 480 frame, with `margin` of the half-width and half-height kept clear at the edges.
bool InPicture(const Programme& p, int number, float t, const gfx::Vec3& point, float margin = 0);

void ExpectSmoke(const Programme& p, int slot, std::initializer_list<float> on, std::initializer_list<float> off);

// The key times of the leader's track.
std::vector<float> KeyTimes(const Programme& p);
// Every track's key times: i steps of `step` from the key at 0, the last key at `last`.
void ExpectEvenKeys(const Programme& p, double step, float last);
// `count` keys on every track, evenly spaced with one before 0 and one after 1.
void ExpectEvenKeys(const Programme& p, std::size_t count);

}  // namespace figures
