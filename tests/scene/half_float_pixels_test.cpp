// Half-float frames made bytes on the way to the window and to read-backs: every half value,
// in every channel, both byte orders, both code paths, and runs of pixels of every length
// the vector path splits differently.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "scene/gl/half_float_pixels.h"

namespace scene::gl {
namespace {

// OpenGL's rule for a float stored as an unsigned normalised byte, worked out in double from
// the compiler's own half type.
std::uint8_t Expected(std::uint16_t half) {
    const double value = static_cast<double>(std::bit_cast<_Float16>(half));
    if (std::isnan(value) || value <= 0) return 0;
    if (value >= 1) return 255;
    return static_cast<std::uint8_t>(std::nearbyint(value * 255));  // exact in double, ties to even
}

using Conversion = void (*)(const std::uint16_t*, std::size_t, std::uint8_t*, ByteOrder);

struct Path {
    const char* name;
    Conversion convert;
};
const Path kPaths[] = {{"fastest", HalfFloatsToBytes}, {"portable", HalfFloatsToBytesPortable}};

TEST(HalfFloatPixels, EveryHalfValueInEveryChannelBecomesTheByteOpenGlWouldStore) {
    // Pixel i carries half value i in channel c and the neighbouring values in the others, so
    // a channel taken from the wrong place shows.
    constexpr std::size_t kValues = 65536;
    std::vector<std::uint16_t> halves(kValues * 4);
    for (std::size_t i = 0; i < kValues; ++i) {
        for (std::size_t c = 0; c < 4; ++c) halves[i * 4 + c] = static_cast<std::uint16_t>(i + c * 16411);
    }
    for (const Path& path : kPaths) {
        for (ByteOrder order : {ByteOrder::kRgba, ByteOrder::kBgra}) {
            SCOPED_TRACE(testing::Message() << path.name << (order == ByteOrder::kBgra ? " BGRA" : " RGBA"));
            std::vector<std::uint8_t> bytes(kValues * 4, 0xcd);
            path.convert(halves.data(), kValues, bytes.data(), order);
            const std::size_t place[4] = {order == ByteOrder::kBgra ? 2u : 0u, 1, order == ByteOrder::kBgra ? 0u : 2u, 3};
            int wrong = 0;
            for (std::size_t i = 0; i < kValues && wrong < 5; ++i) {
                for (std::size_t c = 0; c < 4; ++c) {
                    const std::uint16_t half = halves[i * 4 + c];
                    if (bytes[i * 4 + place[c]] != Expected(half)) {
                        ADD_FAILURE() << "half 0x" << std::hex << half << " in channel " << c << " became "
                                      << std::dec << int{bytes[i * 4 + place[c]]} << ", not " << int{Expected(half)};
                        ++wrong;
                    }
                }
            }
        }
    }
}

TEST(HalfFloatPixels, RunsOfAnyLengthAreConvertedWholeAndNothingBeyondThemIsWritten) {
    // 0.5 (127.5, the one tie a half can hold), about 1/255, 0.9921875, 2 and -0 in turn.
    const std::uint16_t samples[] = {0x3800, 0x1c04, 0x3bf0, 0x4000, 0x8000};
    for (std::size_t count = 0; count <= 13; ++count) {
        std::vector<std::uint16_t> halves(count * 4);
        for (std::size_t i = 0; i < halves.size(); ++i) halves[i] = samples[i % 5];
        std::vector<std::uint8_t> bytes(count * 4 + 8, 0xcd);
        HalfFloatsToBytes(halves.data(), count, bytes.data(), ByteOrder::kRgba);
        for (std::size_t i = 0; i < count * 4; ++i) {
            ASSERT_EQ(bytes[i], Expected(halves[i])) << count << " pixels, byte " << i;
        }
        for (std::size_t i = count * 4; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0xcd) << count << " pixels";
    }
}

}  // namespace
}  // namespace scene::gl
