#include "manoeuvres/flight_data.h"

namespace manoeuvres {

const FlightData* FindFlightData(int number) {
    if (const FlightData* data = HandWrittenFlightData(number)) return data;
    return GeneratedFlightData(number);
}

}  // namespace manoeuvres
