#include "show/sequencer.h"

namespace show {
namespace {

bool IsProgrammeNumber(int number) { return number >= 1 && number <= manoeuvres::kProgrammeCount; }

}  // namespace

int NextProgrammeNumber(const PlayList& playList, int current) {
    if (current == 0) return playList[0];
    for (int i = 0; i < kPlayListLength; ++i) {
        if (playList[static_cast<std::size_t>(i)] != current) continue;
        const bool last = i == kPlayListLength - 1 || playList[static_cast<std::size_t>(i + 1)] == 0;
        return last ? playList[0] : playList[static_cast<std::size_t>(i + 1)];
    }
    return current;
}

Sequencer::Sequencer(const PlayList& list, StartParameters start, Factory make)
    : playList(list), parameters(start), factory(std::move(make)) {}

Sequencer::~Sequencer() { DestroyProgram(currentNumber); }

void Sequencer::DestroyProgram(int number) {
    if (IsProgrammeNumber(number)) current.reset();
}

int Sequencer::StartNextProgram(scene::Device& device, int number) {
    if (current) DestroyProgram(number);
    current.reset();  // never two programme objects at once, whatever number was passed
    const int next = NextProgrammeNumber(playList, number);
    if (!IsProgrammeNumber(next)) return next;

    current = factory(next);
    if (!current) return next;  // a programme without flight data starts nothing
    const gfx::Vec3& eye = parameters.eye;
    if (current->Info().clientSize) {
        current->Init(device, eye.x, eye.y, eye.z, parameters.clientWidth, parameters.clientHeight, parameters.sound,
                      parameters.smoke);
    } else {
        current->Init(device, eye.x, eye.y, eye.z, parameters.sound, parameters.smoke);
    }
    return next;
}

// A frame without a programme object also moves on: otherwise a play list that begins with an
// entry naming no programme would stop on it for good, since only an update clears `running`.
void Sequencer::BeginFrame(scene::Device& device) {
    if (currentNumber == 0 || !running || !current) currentNumber = StartNextProgram(device, currentNumber);
}

void Sequencer::UpdateProgramme(scene::Device& device) {
    if (IsProgrammeNumber(currentNumber) && current) running = current->Update(device);
}

}  // namespace show
