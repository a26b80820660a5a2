#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

// glibc raises its mapping threshold each time a mapped block is freed, so after the first
// programme the images land on the heap after all; setting the threshold keeps it fixed.
void ReturnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
    constexpr int kLargeBlockBytes = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
#endif
}

}  // namespace platform
