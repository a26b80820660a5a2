#include "aircraft/depth_order.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace aircraft {

void SortFarthestFirst(std::span<DepthKey> keys) {
    // A NaN compares false with everything and would break the ordering std::sort relies on.
    for (DepthKey& key : keys) {
        if (std::isnan(key.depth)) key.depth = -std::numeric_limits<float>::infinity();
    }
    // Ties fall back on the index, so the result does not depend on the sort's internals and
    // equal depths keep the order in which the puffs were made.
    std::sort(keys.begin(), keys.end(), [](const DepthKey& a, const DepthKey& b) {
        return DepthOrder{}(a, b) || (a.depth == b.depth && a.index < b.index);
    });
}

}  // namespace aircraft
