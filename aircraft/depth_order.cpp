#include "aircraft/depth_order.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

namespace aircraft {
namespace {

constexpr int kDigitBits = 11;  // three passes cover the 32 bits of a key
constexpr std::uint32_t kBuckets = 1u << kDigitBits;

// An unsigned key whose ascending order is the farthest-first order of the depths: the float's
// bits made monotonic (negative values flipped entirely, positive ones with the sign bit set),
// then inverted. NaN counts as the nearest depth, and -0 as 0.
std::uint32_t FarthestFirstKey(float depth) {
    if (std::isnan(depth)) depth = -std::numeric_limits<float>::infinity();
    if (depth == 0.0f) depth = 0.0f;
    const auto bits = std::bit_cast<std::uint32_t>(depth);
    const std::uint32_t ascending = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
    return ~ascending;
}

std::uint32_t Digit(const DepthKey& key, int shift) { return (FarthestFirstKey(key.depth) >> shift) & (kBuckets - 1); }

}  // namespace

// A least-significant-digit radix sort: linear in the number of puffs and stable, so equal
// depths keep the order in which the caller listed them.
void SortFarthestFirst(std::span<DepthKey> keys, std::vector<DepthKey>& scratch) {
    scratch.resize(keys.size());
    std::span<DepthKey> from = keys;
    std::span<DepthKey> to = scratch;
    for (int shift = 0; shift < 32; shift += kDigitBits) {
        std::array<std::uint32_t, kBuckets> start{};
        for (const DepthKey& key : from) ++start[Digit(key, shift)];
        // Where every key shares this digit, the pass would move nothing.
        if (std::ranges::find(start, static_cast<std::uint32_t>(from.size())) != start.end()) continue;
        std::uint32_t offset = 0;
        for (std::uint32_t& bucket : start) offset += std::exchange(bucket, offset);
        for (const DepthKey& key : from) to[start[Digit(key, shift)]++] = key;
        std::swap(from, to);
    }
    if (from.data() != keys.data()) std::ranges::copy(from, keys.begin());
}

}  // namespace aircraft
