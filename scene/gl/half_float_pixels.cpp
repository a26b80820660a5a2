#include "scene/gl/half_float_pixels.h"

#include <array>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VANTARO_HALF_FLOAT_VECTORS 1
#endif

namespace scene::gl {

namespace {

float HalfToFloat(std::uint16_t half) {
    const std::uint32_t sign = static_cast<std::uint32_t>(half & 0x8000u) << 16;
    const std::uint32_t exponent = (half >> 10) & 0x1fu;
    const std::uint32_t mantissa = half & 0x3ffu;
    if (exponent == 0) {  // zero or subnormal: mantissa x 2^-24
        const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
        return sign != 0 ? -magnitude : magnitude;
    }
    // Infinity and NaN keep an all-ones exponent; the others are rebiased from 15 to 127.
    const std::uint32_t floatExponent = exponent == 0x1f ? 0xffu : exponent + 112;
    const std::uint32_t bits = sign | floatExponent << 23 | mantissa << 13;
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint8_t UnsignedNormalisedByte(float value) {
    if (!(value > 0.0f)) {
        return 0;  // negative, zero or NaN
    }
    if (value >= 1.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(std::nearbyint(value * 255.0f));
}

// The byte of every half value, worked out once: a look-up per channel is several times
// quicker than converting each one.
const std::array<std::uint8_t, 65536>& ByteOfEveryHalf() {
    static const std::array<std::uint8_t, 65536> table = [] {
        std::array<std::uint8_t, 65536> bytes{};
        for (std::size_t half = 0; half < bytes.size(); ++half) {
            bytes[half] = UnsignedNormalisedByte(HalfToFloat(static_cast<std::uint16_t>(half)));
        }
        return bytes;
    }();
    return table;
}

#if VANTARO_HALF_FLOAT_VECTORS
#define VANTARO_VECTOR_CODE __attribute__((target("avx2,f16c")))

// Eight half floats to integers 0..255.
VANTARO_VECTOR_CODE inline __m256i ScaledIntegers(const std::uint16_t* eight) {
    const __m256 value = _mm256_cvtph_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(eight)));
    // max returns its second operand for NaN, so NaN becomes 0 as in the portable path.
    const __m256 clamped = _mm256_min_ps(_mm256_max_ps(value, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
    return _mm256_cvtps_epi32(_mm256_mul_ps(clamped, _mm256_set1_ps(255.0f)));  // nearest, ties to even
}

// Four pixels an iteration; what is left over goes one channel at a time.
VANTARO_VECTOR_CODE std::size_t HalfFloatsToBytesVector(const std::uint16_t* halves, std::size_t count,
                                                        std::uint8_t* bytes, ByteOrder order) {
    // After the packs below, 32-bit lanes hold pixels 0, 2, 0, 2 | 1, 3, 1, 3.
    const __m256i pixelOrder = _mm256_setr_epi32(0, 4, 1, 5, 0, 0, 0, 0);
    const __m256i channels = order == ByteOrder::kBgra
                                 ? _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1, 0, 3, 6,
                                                    5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15)
                                 : _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4,
                                                    5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    std::size_t done = 0;
    for (; done + 4 <= count; done += 4) {
        const __m256i first = ScaledIntegers(halves + done * 4), second = ScaledIntegers(halves + done * 4 + 8);
        const __m256i words = _mm256_packs_epi32(first, second);
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, words), pixelOrder);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done * 4),
                         _mm256_castsi256_si128(_mm256_shuffle_epi8(packed, channels)));
    }
    return done;
}

bool HasVectorConversion() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("f16c");
    return has;
}
#endif

}  // namespace

void HalfFloatsToBytesPortable(const std::uint16_t* halves, std::size_t count, std::uint8_t* bytes,
                               ByteOrder order) {
    const std::array<std::uint8_t, 65536>& byteOf = ByteOfEveryHalf();
    const bool swap = order == ByteOrder::kBgra;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t* in = halves + i * 4;
        std::uint8_t* out = bytes + i * 4;
        out[swap ? 2 : 0] = byteOf[in[0]];
        out[1] = byteOf[in[1]];
        out[swap ? 0 : 2] = byteOf[in[2]];
        out[3] = byteOf[in[3]];
    }
}

void HalfFloatsToBytes(const std::uint16_t* halves, std::size_t count, std::uint8_t* bytes, ByteOrder order) {
    std::size_t done = 0;
#if VANTARO_HALF_FLOAT_VECTORS
    if (HasVectorConversion()) {
        done = HalfFloatsToBytesVector(halves, count, bytes, order);
    }
#endif
    HalfFloatsToBytesPortable(halves + done * 4, count - done, bytes + done * 4, order);
}

}  // namespace scene::gl
