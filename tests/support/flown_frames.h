#pragma once
// A programme flown frame by frame as the saver shows it at 60 frames a second: the millisecond
// clock of each frame, the progress it gives, every aircraft's pose through the runtime and
// the camera's aim. The motion tests measure speed, nose and picture over these frames.

#include <vector>

#include "flown_figures.h"

namespace flown {

inline constexpr int kFramesPerSecond = 60;

struct Frames {
    int number = 0;
    std::vector<float> progress;                 // per frame
    std::vector<double> seconds;                 // elapsed time per frame, whole milliseconds
    std::vector<std::vector<Attitude>> poses;    // [slot][frame]
    std::vector<gfx::Vec3> targets;              // the camera's look-at point per frame
};

// Every frame of programme `number` from its start to its last frame before the end.
Frames FlyAt60(int number);

// The speed of `slot` from frame k to frame k + 1, world units a second.
std::vector<double> Speeds(const Frames& frames, int slot);

// Degrees between the nose of `slot` and the direction it moves at frame k (central difference);
// negative where the aircraft barely moves and the direction means nothing.
double NoseOffPath(const Frames& frames, int slot, std::size_t k);

// Degrees the direction of flight of `slot` turns from the step into frame k to the step out of
// it; negative where the aircraft barely moves and the direction means nothing.
double TurnAt(const Frames& frames, int slot, std::size_t k);

// Whether a world point lies in the 4:3 picture of the programme's camera at frame k.
bool InPicture(const Frames& frames, std::size_t k, const gfx::Vec3& point);
// Whether any aircraft of the programme is in the picture at frame k.
bool AnyInPicture(const Frames& frames, std::size_t k);

// The generated programmes: those whose tables the choreography tool writes.
std::vector<int> GeneratedProgrammes();

}  // namespace flown
