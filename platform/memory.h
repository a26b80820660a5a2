#pragma once
// How the process's memory allocator is set up.

namespace platform {

// Every programme decodes images, builds mip levels and makes vertex copies, megabytes at a
// time, and frees them again. Served from their own mappings, such blocks go back to the
// system when freed instead of leaving the heap at its high-water mark. Call once, early.
void ReturnLargeBlocksWhenFreed();

}  // namespace platform
