#pragma once
// What a programme's figure is made of before it becomes tables: a path per aircraft (a flown
// Flight, a place in a leader's frame, or any function of progress), the progress intervals in
// which each one smokes, the camera's relation to them, and the key times at which all of them
// are sampled.

#include <functional>
#include <vector>

#include "aircraft/keyframe.h"
#include "tools/choreography/flight.h"

namespace choreography {

using aircraft::Keyframe;
using Path = std::function<State(double)>;

// Progress intervals [from, until) with smoke on; a key smokes when its time lies in one.
struct SmokeInterval {
    double from, until;
};
inline constexpr double kAlways = 1e9;
inline const std::vector<SmokeInterval> kSmokeThroughout{{-kAlways, kAlways}};
inline const std::vector<SmokeInterval> kNoSmoke{};

struct AircraftFigure {
    Path path;
    std::vector<SmokeInterval> smoke;
    std::vector<float> times = {};  // this aircraft's own key times; empty: the programme's
};

struct ProgrammeFigure {
    int number = 0;
    std::vector<float> times;             // the key times every track shares
    std::vector<AircraftFigure> aircraft;  // in slot order
    Path camera;                          // none for solo programmes: they aim along their own track
};

// Key times 1/(K-3) apart, each the nearest float: the second at 0, the second-to-last at 1.
std::vector<float> EvenTimes(int keyCount);

Path Flown(const Flight& flight);

// A body-frame offset from the leader that changes steadily between given progress values.
struct OffsetAt {
    double time;
    Vec3 body;
};
// A formation member: the leader's attitude at the leader's position plus its offset, turned
// with the leader. Offsets blend smoothly from one given time to the next, and while they do
// the member's nose follows its own path.
Path InFormation(Path leader, std::vector<OffsetAt> offsets);
// The angle `a` written within half a turn of `reference`: the same orientation, the short way.
double Near(double a, double reference);

// The path with each attitude turned the least way that points the nose where the aircraft
// moves, its bank kept: a member changing places flies towards where it goes, not sideways.
// With `aim`, the nose points where aim(t, direction of motion) says instead: a little ahead of
// the motion, for one.
using NoseAim = std::function<Vec3(double, const Vec3&)>;
Path AlongPath(Path path, NoseAim aim = {});
// The body-frame offset that puts a member at `world` from the leader at progress t.
Vec3 BodyOffset(const Path& leader, double t, const Vec3& world);

// The mean position of the paths (the formation's centre), as a camera target.
Path Centre(std::vector<Path> paths);

// Samples a path at the times: position and angles to the nearest hundredth, the smoke flag of
// each key from the intervals.
std::vector<Keyframe> Sample(const Path& path, const std::vector<float>& times,
                             const std::vector<SmokeInterval>& smoke);

}  // namespace choreography
