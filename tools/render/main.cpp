// vantaro-render: draws programmes offscreen on a virtual clock and writes PNG frames.

#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(std::FILE* out) {
    std::fputs("usage: vantaro-render --size WxH --out FILE.png\n"
               "       vantaro-render --programme N --progress T [--size WxH] [--smoke 1|2|3] [--fps F] --out FILE.png\n"
               "       vantaro-render --programme N --sheet RxC --out FILE.png\n"
               "       vantaro-render --list | --dump-track N | --dump-pose N T\n"
               "Offscreen drawing is not built yet; this build only prints this text.\n",
               out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    PrintUsage(stderr);
    return 2;
}
