// vantaro-choreography: writes the generated flight data of the programmes described in
// tools/choreography into a folder (by default the source tree's manoeuvres/).

#include <cstdio>
#include <string>

#include "platform/standard_streams.h"
#include "tools/choreography/writer.h"

int main(int argc, char** argv) {
    platform::KeepStandardStreamsOpen();
    if (argc != 2 || std::string(argv[1]).starts_with("-")) {
        std::fprintf(stderr, "usage: vantaro-choreography FOLDER\n"
                             "writes FOLDER/%s (the saver's copy lives in manoeuvres/)\n",
                     choreography::kGeneratedFileName);
        return 2;
    }
    if (!choreography::WriteGeneratedSource(argv[1])) {
        std::fprintf(stderr, "vantaro-choreography: cannot write %s/%s\n", argv[1], choreography::kGeneratedFileName);
        return 1;
    }
    return 0;
}
