#include "gfx/image.h"

#include <algorithm>
#include <cmath>

namespace gfx {

namespace {

// Targa header fields, at their byte offsets.
constexpr size_t kTargaHeaderSize = 18;
enum TargaField : size_t {
    kIdLength = 0,
    kColourMapType = 1,
    kImageType = 2,
    kColourMapLength = 5,
    kColourMapEntryBits = 7,
    kWidth = 12,
    kHeight = 14,
    kPixelBits = 16,
    kDescriptor = 17,
};
constexpr std::uint8_t kTargaTrueColour = 2;
constexpr std::uint8_t kTargaRunLengthTrueColour = 10;
constexpr std::uint8_t kDescriptorRightToLeft = 0x10;
constexpr std::uint8_t kDescriptorTopToBottom = 0x20;
constexpr unsigned kMaxRunLength = 128;

unsigned Word(ByteSpan bytes, size_t at) { return bytes[at] | unsigned{bytes[at + 1]} << 8; }

// Pixels of a Targa image in file order: B, G, R (and A) each, expanded to RGBA.
class TargaPixels {
public:
    TargaPixels(ByteSpan pixelData, unsigned pixelBytes) : data(pixelData), bytesPerPixel(pixelBytes) {}

    bool Uncompressed(size_t count, std::uint8_t* out) {
        if (count > MaxPixels(false)) return false;
        for (size_t i = 0; i < count; ++i) Copy(&data[i * bytesPerPixel], out + i * 4);
        return true;
    }

    // Packets: a header byte, then either one pixel repeated (top bit set) or raw pixels, each
    // packet 1 to 128 pixels. A packet may run on into the next row but not past the image.
    bool RunLength(size_t count, std::uint8_t* out) {
        size_t at = 0;
        for (size_t done = 0; done < count;) {
            if (at >= data.size()) return false;
            const std::uint8_t header = data[at++];
            const size_t run = (header & 0x7Fu) + 1u;
            const bool repeated = (header & 0x80u) != 0;
            const size_t payload = (repeated ? 1 : run) * bytesPerPixel;
            if (run > count - done || data.size() - at < payload) return false;
            for (size_t i = 0; i < run; ++i, ++done) Copy(&data[at + (repeated ? 0 : i * bytesPerPixel)], out + done * 4);
            at += payload;
        }
        return true;
    }

    // The most pixels the data could describe, so that a header cannot make us allocate more.
    size_t MaxPixels(bool runLength) const {
        return runLength ? data.size() / (1 + bytesPerPixel) * kMaxRunLength : data.size() / bytesPerPixel;
    }

private:
    void Copy(const std::uint8_t* in, std::uint8_t* out) const {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = bytesPerPixel == 4 ? in[3] : 255;
    }

    ByteSpan data;
    unsigned bytesPerPixel;
};

// Puts rows stored bottom-up, or pixels stored right to left, into top-down left-to-right order.
void Reorient(Image& image, bool topToBottom, bool rightToLeft) {
    const size_t rowBytes = size_t{image.width} * 4;
    std::uint8_t* p = image.pixels.data();
    if (!topToBottom) {
        for (unsigned y = 0; y < image.height / 2; ++y) {
            std::swap_ranges(p + y * rowBytes, p + (y + 1) * rowBytes, p + (image.height - 1 - y) * rowBytes);
        }
    }
    if (!rightToLeft) return;
    for (unsigned y = 0; y < image.height; ++y) {
        std::uint8_t* row = p + y * rowBytes;
        for (unsigned x = 0; x < image.width / 2; ++x) {
            std::swap_ranges(row + size_t{x} * 4, row + size_t{x} * 4 + 4, row + size_t{image.width - 1 - x} * 4);
        }
    }
}

// Source pixels and weights of one output pixel along one axis.
struct Tap {
    unsigned first = 0;
    std::vector<float> weights;
};

// A tent filter one output pixel wide (at least one input pixel), centres aligned; taps that
// would fall outside the image are dropped and the rest renormalised to sum to 1.
std::vector<Tap> TentTaps(unsigned from, unsigned to) {
    const double scale = double(from) / to;
    const double radius = std::max(1.0, scale);
    std::vector<Tap> taps(to);
    for (unsigned i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int lo = std::max(0, int(std::ceil(centre - radius)));
        const int hi = std::min(int(from) - 1, int(std::floor(centre + radius)));
        Tap& tap = taps[i];
        tap.first = unsigned(lo);
        double sum = 0;
        for (int s = lo; s <= hi; ++s) {
            const double weight = std::max(0.0, 1 - std::fabs(s - centre) / radius);
            tap.weights.push_back(float(weight));
            sum += weight;
        }
        for (float& weight : tap.weights) weight = sum > 0 ? float(weight / sum) : 1.0f;
        if (tap.weights.empty()) tap = {unsigned(std::clamp(int(std::lround(centre)), 0, int(from) - 1)), {1.0f}};
    }
    return taps;
}

}  // namespace

std::optional<Image> DecodeTarga(ByteSpan bytes) {
    if (bytes.size() < kTargaHeaderSize) return std::nullopt;
    const std::uint8_t type = bytes[kImageType];
    const unsigned bits = bytes[kPixelBits];
    if ((type != kTargaTrueColour && type != kTargaRunLengthTrueColour) || (bits != 24 && bits != 32) ||
        bytes[kColourMapType] > 1) {
        return std::nullopt;
    }
    Image image;
    image.width = Word(bytes, kWidth);
    image.height = Word(bytes, kHeight);
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide || image.height > kMaxImageSide) {
        return std::nullopt;
    }
    // A true-colour image may still carry a colour map, which it does not use: skip it.
    const size_t mapBytes =
        bytes[kColourMapType] == 1 ? size_t{Word(bytes, kColourMapLength)} * ((bytes[kColourMapEntryBits] + 7u) / 8u) : 0;
    const size_t skip = kTargaHeaderSize + bytes[kIdLength] + mapBytes;
    if (skip > bytes.size()) return std::nullopt;
    TargaPixels pixels(bytes.subspan(skip), bits / 8);
    const size_t count = size_t{image.width} * image.height;
    const bool runLength = type == kTargaRunLengthTrueColour;
    if (count > pixels.MaxPixels(runLength)) return std::nullopt;
    image.pixels.resize(count * 4);
    const bool ok = runLength ? pixels.RunLength(count, image.pixels.data()) : pixels.Uncompressed(count, image.pixels.data());
    if (!ok) return std::nullopt;
    const std::uint8_t descriptor = bytes[kDescriptor];
    Reorient(image, (descriptor & kDescriptorTopToBottom) != 0, (descriptor & kDescriptorRightToLeft) != 0);
    return image;
}

std::optional<Image> DecodeImage(ByteSpan bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return DecodeJpeg(bytes);
    return DecodeTarga(bytes);
}

unsigned RoundUpToPowerOfTwo(unsigned n) {
    unsigned p = 1;
    while (p < n && p < (1u << 31)) p <<= 1;
    return p;
}

namespace {

// Every tap's weights in one array: output pixel i reads `count[i]` source pixels from
// `first[i]`, weighted by weights[offset[i]...].
struct FlatTaps {
    std::vector<unsigned> first, count, offset;
    std::vector<float> weights;

    explicit FlatTaps(const std::vector<Tap>& taps) {
        for (const Tap& tap : taps) {
            first.push_back(tap.first);
            count.push_back(unsigned(tap.weights.size()));
            offset.push_back(unsigned(weights.size()));
            weights.insert(weights.end(), tap.weights.begin(), tap.weights.end());
        }
    }
};

// One source row filtered across into `out` (width x 4 floats, zero on entry).
void FilterRow(const std::uint8_t* source, const FlatTaps& taps, float* out) {
    for (size_t x = 0; x < taps.first.size(); ++x, out += 4) {
        const std::uint8_t* p = source + size_t{taps.first[x]} * 4;
        const float* w = &taps.weights[taps.offset[x]];
        for (unsigned k = 0, n = taps.count[x]; k < n; ++k, p += 4) {
            const float weight = w[k];
            for (int c = 0; c < 4; ++c) out[c] += weight * p[c];
        }
    }
}

}  // namespace

// Separable: rows first into a float buffer, then whole rows of that buffer summed down the
// columns, which keeps the inner loop running along memory.
Image ResizeImage(const Image& image, unsigned width, unsigned height) {
    if (width == image.width && height == image.height) return image;
    Image out{width, height, std::vector<std::uint8_t>(size_t{width} * height * 4)};
    if (image.pixels.empty() || width == 0 || height == 0) return out;
    const FlatTaps across(TentTaps(image.width, width)), down(TentTaps(image.height, height));
    const size_t rowFloats = size_t{width} * 4;
    std::vector<float> rows(rowFloats * image.height);
    for (unsigned y = 0; y < image.height; ++y) FilterRow(image.Pixel(0, y), across, &rows[y * rowFloats]);
    std::vector<float> sum(rowFloats);
    for (unsigned y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* w = &down.weights[down.offset[y]];
        for (unsigned k = 0; k < down.count[y]; ++k) {
            const float weight = w[k];
            const float* row = &rows[(down.first[y] + k) * rowFloats];
            float* total = sum.data();
            for (size_t i = 0; i < rowFloats; ++i) total[i] += weight * row[i];
        }
        std::uint8_t* q = &out.pixels[y * rowFloats];
        for (size_t i = 0; i < rowFloats; ++i) {
            q[i] = std::uint8_t(std::min(std::max(sum[i] + 0.5f, 0.0f), 255.0f));  // min/max: no branches
        }
    }
    return out;
}

namespace {

// The next smaller level: 2 x 2 box average, or 2 x 1 once one side has reached 1.
Image HalveImage(const Image& image) {
    const unsigned w = std::max(1u, image.width / 2), h = std::max(1u, image.height / 2);
    const size_t nextPixel = image.width > 1 ? 4 : 0;
    const size_t nextRow = image.height > 1 ? size_t{image.width} * 4 : 0;
    Image out{w, h, std::vector<std::uint8_t>(size_t{w} * h * 4)};
    std::uint8_t* q = out.pixels.data();
    for (unsigned y = 0; y < h; ++y) {
        const std::uint8_t* a = image.Pixel(0, y * 2);
        for (unsigned x = 0; x < w; ++x, a += nextPixel * 2) {
            const std::uint8_t* c = a + nextRow;
            for (size_t k = 0; k < 4; ++k, ++q) {
                *q = std::uint8_t((a[k] + a[k + nextPixel] + c[k] + c[k + nextPixel] + 2) / 4);
            }
        }
    }
    return out;
}

}  // namespace

std::vector<Image> BuildMipChain(const Image& image) {
    std::vector<Image> levels;
    if (image.width == 0 || image.height == 0 || image.pixels.size() != size_t{image.width} * image.height * 4) {
        return levels;
    }
    levels.push_back(ResizeImage(image, RoundUpToPowerOfTwo(image.width), RoundUpToPowerOfTwo(image.height)));
    while (levels.back().width > 1 || levels.back().height > 1) levels.push_back(HalveImage(levels.back()));
    return levels;
}

}  // namespace gfx
