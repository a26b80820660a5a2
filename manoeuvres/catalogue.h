#pragma once
// The catalogue of the 40 display programmes: for each number its formation, liveries, model,
// track length, duration, recording and update routine.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "manoeuvres/update_routine.h"

namespace manoeuvres {

inline constexpr int kProgrammeCount = 40;
inline constexpr int kMaxAircraft = 6;

struct Programme {
    int number;
    int aircraftCount;
    std::array<int, kMaxAircraft> aircraftNumbers;  // livery of each slot; unused slots 0
    bool gearDown;
    int keysPerTrack;
    std::uint32_t duration;  // milliseconds
    int waveId;
    bool clientSize;
    int routineNumber;       // UpdateProgrammeNN

    const UpdateRoutine& Routine() const;
};

// Programme `number`, or nullptr outside 1 to 40.
const Programme* FindProgramme(int number);

std::span<const Programme> Programmes();

// The programme's name from the string table (string 199 + number).
std::string ProgrammeName(int number);

}  // namespace manoeuvres
