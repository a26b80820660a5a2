#include "platform/random.h"

namespace platform {
namespace {
std::uint32_t state = 1;  // the C library's initial seed
}

int Rand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

void SeedRand(std::uint32_t seed) { state = seed; }

}  // namespace platform
