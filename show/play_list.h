#pragma once
// The play list: programme numbers in play order, ending at the first 0; a full list has none.

#include <array>
#include <cstdint>

namespace show {

inline constexpr int kPlayListLength = 40;
using PlayList = std::array<std::int8_t, kPlayListLength>;

}  // namespace show
