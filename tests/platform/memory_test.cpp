#include "platform/memory.h"

#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdlib>
#include <cstring>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif
#else
constexpr bool kOwnAllocator = false;
#endif

char* volatile kept;  // keeps the allocations from being optimised away

// Left alone, glibc would serve the second and third megabyte from the heap, because freeing
// the first mapped block raises its threshold above a megabyte.
TEST(Memory, LargeBlocksStayMappedAfterOthersAreFreed) {
#if defined(__GLIBC__)
    if (kOwnAllocator) GTEST_SKIP() << "the sanitizer's allocator replaces glibc's";
    platform::ReturnLargeBlocksWhenFreed();
    constexpr std::size_t kMegabyte = 1 << 20;
    for (int round = 0; round < 3; ++round) {
        kept = static_cast<char*>(std::malloc(kMegabyte));
        ASSERT_NE(kept, nullptr);
        std::memset(kept, round, kMegabyte);
        EXPECT_GE(mallinfo2().hblkhd, kMegabyte) << "round " << round;
        std::free(kept);
    }
#else
    GTEST_SKIP() << "only glibc's allocator is tuned";
#endif
}

}  // namespace
