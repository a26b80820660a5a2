// The figures of programmes 27 to 35.

#include "tools/choreography/programme_builders.h"
#include "tools/choreography/programmes.h"

namespace choreography {

std::vector<ProgrammeFigure> FiguresIV() { return {}; }

}  // namespace choreography
