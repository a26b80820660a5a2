#pragma once
// The order in which smoke puffs are drawn: farthest from the camera first, so that with depth
// writes on, nearer puffs blend over farther ones. Depth is the view-space z of a puff's
// position; it is computed once per puff, and the sort moves small records, not puffs.

#include <cstdint>
#include <span>
#include <vector>

#include "gfx/math.h"

namespace aircraft {

// View-space z of world point `p` under the row-vector view matrix `view`.
inline float ViewDepth(const gfx::Vec3& p, const gfx::Matrix& view) {
    return p.x * view.m[0][2] + p.y * view.m[1][2] + p.z * view.m[2][2] + view.m[3][2];
}

// A puff to be sorted: its depth and whatever index leads the caller back to it.
struct DepthKey {
    float depth;
    std::uint32_t index;
};

// Farthest first. A strict weak ordering over depths that are numbers: keys of equal depth are
// equivalent, never "before" each other, which is what std::sort and qsort require.
struct DepthOrder {
    bool operator()(const DepthKey& a, const DepthKey& b) const { return a.depth > b.depth; }
    // The same rule as a three-way comparison, for qsort-style callers.
    static int Compare(const DepthKey& a, const DepthKey& b) { return (a.depth < b.depth) - (a.depth > b.depth); }
};

// Sorts `keys` farthest first in linear time; keys of equal depth keep their relative order,
// and a NaN depth (a puff at a non-finite position) sorts as the nearest. `scratch` is working
// memory, kept by the caller so that a sort every frame allocates nothing once it has grown.
void SortFarthestFirst(std::span<DepthKey> keys, std::vector<DepthKey>& scratch);

}  // namespace aircraft
