#include "manoeuvres/flight_data.h"

namespace manoeuvres {

const FlightData* FindFlightData(int number) { return HandWrittenFlightData(number); }

}  // namespace manoeuvres
