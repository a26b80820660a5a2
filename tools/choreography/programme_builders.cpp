#include "tools/choreography/programme_builders.h"

#include "manoeuvres/catalogue.h"

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

}  // namespace choreography
