#pragma once
// The C library's rand as the saver's smoke jitter expects it: values 0 to 32767 from the
// classic linear congruential generator, so a seeded run draws the same numbers on every
// platform and compiler.

#include <cstdint>

namespace platform {

constexpr int kRandMax = 32767;

int Rand();
void SeedRand(std::uint32_t seed);

}  // namespace platform
