#pragma once
// The figures of the programmes whose flight data the tool writes, in groups of programmes
// (one source file each): I holds 1 to 9, II 11 to 18, III 19 to 26, IV 27 to 35.

#include <vector>

#include "tools/choreography/figure.h"

namespace choreography {

std::vector<ProgrammeFigure> FiguresI();
std::vector<ProgrammeFigure> FiguresII();
std::vector<ProgrammeFigure> FiguresIII();
std::vector<ProgrammeFigure> FiguresIV();

// Programme 16's heart and arrow, which programme 35 flies tilted.
ProgrammeFigure VerticalCupid();

// Every group's figures.
std::vector<ProgrammeFigure> AllFigures();

}  // namespace choreography
