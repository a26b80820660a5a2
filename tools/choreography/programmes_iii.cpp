// The figures of programmes 19 to 26.

#include "tools/choreography/programme_builders.h"
#include "tools/choreography/programmes.h"

namespace choreography {

std::vector<ProgrammeFigure> FiguresIII() { return {}; }

}  // namespace choreography
