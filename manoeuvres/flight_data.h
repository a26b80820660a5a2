#pragma once
// The flight data the programmes carry: one track of keys per aircraft slot and, for formation
// programmes, one camera track of look-at targets. Constant tables inside the program.

#include <array>
#include <span>

#include "aircraft/keyframe.h"
#include "manoeuvres/catalogue.h"

namespace manoeuvres {

using aircraft::Keyframe;

struct FlightData {
    std::array<std::span<const Keyframe>, kMaxAircraft> tracks;  // in slot order
    std::span<const Keyframe> camera;  // empty for solo programmes, whose camera aims along tracks[0]
};

// The data of programme `number`, or nullptr while the programme has none (it cannot fly).
const FlightData* FindFlightData(int number);

// The tables written out in full by hand (programmes 3, 10 and 36 to 40).
const FlightData* HandWrittenFlightData(int number);

// The tables that vantaro-choreography writes from the figures described in tools/choreography.
const FlightData* GeneratedFlightData(int number);

}  // namespace manoeuvres
