#pragma once
// The read-only view of file or resource bytes that the decoders and loaders take.

#include <cstdint>
#include <span>

namespace gfx {

using ByteSpan = std::span<const std::uint8_t>;

}  // namespace gfx
