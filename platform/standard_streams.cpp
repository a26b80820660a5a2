#include "platform/standard_streams.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

void KeepStandardStreamsOpen() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        // open takes the lowest free descriptor: this one, as those below it are open by now.
        if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) < 0) return;
    }
#endif
}

}  // namespace platform
