// The figures of programmes 11 to 18.

#include "tools/choreography/programme_builders.h"
#include "tools/choreography/programmes.h"

namespace choreography {

std::vector<ProgrammeFigure> FiguresII() { return {}; }

}  // namespace choreography
