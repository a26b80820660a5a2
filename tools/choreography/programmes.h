#pragma once
// The figures of the programmes whose flight data the tool writes.

#include <vector>

#include "tools/choreography/figure.h"

namespace choreography {

std::vector<ProgrammeFigure> AllFigures();

}  // namespace choreography
