#pragma once
// Images decoded from bytes held in memory (JPEG and Targa) into 8-bit RGBA, and the levels of
// a texture made from one with the library's defaults.

#include <cstdint>
#include <optional>
#include <vector>

#include "gfx/bytes.h"

namespace gfx {

// Rows from top to bottom, each pixel R, G, B, A; pixels.size() == width * height * 4.
struct Image {
    unsigned width = 0, height = 0;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* Pixel(unsigned x, unsigned y) const { return &pixels[(size_t{y} * width + x) * 4]; }
};

// Larger images are refused before anything is allocated for them: a few header bytes must
// not be able to claim gigabytes. Every texture of the system is far smaller.
inline constexpr unsigned kMaxImageSide = 4096;

// Baseline and progressive JPEG, colour or grey (alpha 255). Nothing for corrupt or truncated
// data, for images the library only warns about, and for CMYK.
std::optional<Image> DecodeJpeg(ByteSpan bytes);

// Baseline JPEG of an image (alpha dropped) at quality 1 to 100; empty for an empty image. For
// the tools and tests that make images of their own.
std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality);

// Targa true colour, uncompressed (type 2) or run-length (type 10), 24 or 32 bits per pixel
// (the fourth byte is alpha), rows stored from the bottom or from the top. Nothing for any
// other kind and for corrupt or truncated data.
std::optional<Image> DecodeTarga(ByteSpan bytes);

// JPEG when the bytes start with its marker, else Targa (which has no signature).
std::optional<Image> DecodeImage(ByteSpan bytes);

// The smallest power of two >= n (1 for 0).
unsigned RoundUpToPowerOfTwo(unsigned n);

// Resampled with a linear (tent) filter, pixel centres aligned; nothing from beyond the edges.
Image ResizeImage(const Image& image, unsigned width, unsigned height);

// The texture levels the library's defaults make: level 0 is the image resampled to the next
// powers of two in width and height, each further level a 2 x 2 box average of the one before
// (a side already at 1 stays 1), down to 1 x 1. Empty for an empty image.
std::vector<Image> BuildMipChain(const Image& image);

}  // namespace gfx
