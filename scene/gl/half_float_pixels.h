#pragma once
// Frames drawn into half floats become bytes on this thread: the software rasteriser spends
// more on a pass over the whole frame (about 2 ms at 640 x 480) than a vector loop here does.

#include <cstddef>
#include <cstdint>

namespace scene::gl {

enum class ByteOrder { kRgba, kBgra };

// `count` pixels of four half floats (red, green, blue, alpha) to four bytes each, in `order`
// (alpha stays last): each channel clamped to 0..1, scaled by 255 and rounded to the nearest,
// ties to even, as OpenGL makes unsigned normalised bytes of floats; NaN becomes 0.
void HalfFloatsToBytes(const std::uint16_t* halves, std::size_t count, std::uint8_t* bytes, ByteOrder order);

// The same through a table of every half value's byte: what the vector path must agree with,
// and what runs where the processor lacks it.
void HalfFloatsToBytesPortable(const std::uint16_t* halves, std::size_t count, std::uint8_t* bytes,
                               ByteOrder order);

}  // namespace scene::gl
