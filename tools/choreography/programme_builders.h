#pragma once
// Building blocks the programmes' figures share: headings by name, a programme's even key
// times, and the solo and formation shapes of a figure.

#include <functional>
#include <utility>
#include <vector>

#include "tools/choreography/figure.h"

namespace choreography {

// Headings (yaw): where the nose points.
inline constexpr double kTowardsMinusZ = 0;
inline constexpr double kTowardsMinusX = 90;
inline constexpr double kTowardsPlusZ = 180;
inline constexpr double kTowardsPlusX = -90;

// The catalogue's key count for the programme, as even key times.
std::vector<float> TimesOf(int number);

// A solo figure; `times` empty means the programme's even key times.
ProgrammeFigure Solo(int number, const Flight& flight, std::vector<SmokeInterval> smoke,
                     std::vector<float> times = {});

// Members that keep one place in the leader's frame, given as world offsets at progress `when`.
std::vector<Path> FormationOf(const Path& leader, double when, const std::vector<Vec3>& worldOffsets);

// A formation figure at the programme's even key times, one smoke list per slot.
ProgrammeFigure Formation(int number, const std::vector<Path>& paths,
                          const std::vector<std::vector<SmokeInterval>>& smoke, Path camera);

// The flight `fly` makes with the two numbers (speeds, mostly) that bring it to `end` in the two
// coordinates named, found from a first guess.
Flight Reaching(const std::function<Flight(double, double)>& fly, double Vec3::*first, double Vec3::*second,
                const Vec3& end, std::pair<double, double> guess);

}  // namespace choreography
