// Stands in for a system program in the end-to-end prefix: writes the command line it was
// started with, one line, to the file that RECORD_COMMAND_LINE names, and ends.

#include <cstdio>
#include <cstdlib>

#include "platform/win32/windows_api.h"

int main() {
    const char* path = std::getenv("RECORD_COMMAND_LINE");
    if (!path) return 1;
    FILE* out = std::fopen(path, "w");
    if (!out) return 1;
    std::fprintf(out, "%ls\n", GetCommandLineW());
    return std::fclose(out) == 0 ? 0 : 1;
}
