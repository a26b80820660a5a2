// The saver's entry point. The window, the frame loop and the run modes are still being
// built; until then it lists the programmes it carries and says so.

#include <cstdio>

#include "platform/resources.h"

int main() {
    std::string appName;
    platform::LoadStringResource(57344, appName);
    std::printf("%s: the saver window is not built yet. Programmes carried:\n", appName.c_str());
    for (int n = 1; n <= 40; ++n) std::printf("%3d  %s\n", n, platform::ProgrammeName(n).c_str());
    return 0;
}
