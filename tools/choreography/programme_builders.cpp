#include "tools/choreography/programme_builders.h"

#include "manoeuvres/catalogue.h"
#include "tools/choreography/solve.h"

namespace choreography {

std::vector<float> TimesOf(int number) { return EvenTimes(manoeuvres::FindProgramme(number)->keysPerTrack); }

ProgrammeFigure Solo(int number, const Flight& flight, std::vector<SmokeInterval> smoke, std::vector<float> times) {
    return {number, times.empty() ? TimesOf(number) : std::move(times), {{Flown(flight), std::move(smoke)}}, {}};
}

std::vector<Path> FormationOf(const Path& leader, double when, const std::vector<Vec3>& worldOffsets) {
    std::vector<Path> paths{leader};
    for (const Vec3& offset : worldOffsets) {
        paths.push_back(InFormation(leader, {{when, BodyOffset(leader, when, offset)}}));
    }
    return paths;
}

ProgrammeFigure Formation(int number, const std::vector<Path>& paths,
                          const std::vector<std::vector<SmokeInterval>>& smoke, Path camera) {
    ProgrammeFigure figure{number, TimesOf(number), {}, std::move(camera)};
    for (std::size_t slot = 0; slot < paths.size(); ++slot) figure.aircraft.push_back({paths[slot], smoke[slot]});
    return figure;
}

Flight Reaching(const std::function<Flight(double, double)>& fly, double Vec3::*first, double Vec3::*second,
                const Vec3& end, std::pair<double, double> guess) {
    const auto v = Solve(
        [&](const std::vector<double>& q) {
            const Vec3 at = fly(q[0], q[1]).At(1.0).position;
            return std::vector<double>{at.*first, at.*second};
        },
        {guess.first, guess.second}, {end.*first, end.*second});
    return fly(v[0], v[1]);
}

}  // namespace choreography
