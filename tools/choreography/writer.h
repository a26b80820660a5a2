#pragma once
// Turns the programmes' figures into the C++ tables the saver carries.

#include <string>
#include <vector>

#include "tools/choreography/figure.h"

namespace choreography {

inline constexpr const char* kGeneratedFileName = "flight_data_generated.cpp";

// The whole generated source file for the figures.
std::string GenerateSource(const std::vector<ProgrammeFigure>& figures);

// Writes GenerateSource(AllFigures()) to folder/flight_data_generated.cpp; false on failure.
bool WriteGeneratedSource(const std::string& folder);

}  // namespace choreography
