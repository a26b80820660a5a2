#pragma once
// The standard streams of a process that may have been started without them.

namespace platform {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. A launcher that starts a
// program with `2>&-` leaves the lowest free descriptor to the next open: the display
// connection or an output file would then receive every line meant for stderr. Call first
// in main, before anything opens a file, a socket or a display.
void KeepStandardStreamsOpen();

}  // namespace platform
