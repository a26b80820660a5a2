// JPEG through the Windows Imaging Component against libjpeg: every texture we ship decoded by
// both (libjpeg's pictures are made at build time by djpeg, the library's own tool), and the
// failures the libjpeg path refuses refused here too.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "gfx/image.h"
#include "manifest_entries.h"
#include "platform/resources.h"

namespace {

// A binary PPM (P6) or PGM (P5) as RGBA.
std::optional<gfx::Image> ReadNetpbm(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    char kind = 0;
    unsigned width = 0, height = 0, maxValue = 0;
    int headerEnd = 0;
    if (std::sscanf(text.c_str(), "P%c %u %u %u%n", &kind, &width, &height, &maxValue, &headerEnd) != 4 ||
        maxValue != 255 || (kind != '5' && kind != '6')) {
        return std::nullopt;
    }
    const std::size_t channels = kind == '6' ? 3 : 1;
    const std::size_t start = static_cast<std::size_t>(headerEnd) + 1;
    if (bytes.size() < start + std::size_t{width} * height * channels) return std::nullopt;
    gfx::Image image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4, 255)};
    for (std::size_t p = 0; p < std::size_t{width} * height; ++p) {
        for (std::size_t c = 0; c < 3; ++c) image.pixels[p * 4 + c] = bytes[start + p * channels + (channels == 3 ? c : 0)];
    }
    return image;
}

// True when a colour JPEG stores its chroma at a lower resolution than its luma (as 4:2:0
// does); libjpeg and WIC upsample it differently.
bool SubsamplesChroma(platform::ResourceBytes bytes) {
    for (std::size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1 || bytes[i + 1] == 0xC2)) {
            const int components = bytes[i + 9];
            if (components < 3 || i + 10 + 3 * components > bytes.size()) return false;
            return bytes[i + 11] != bytes[i + 14];  // luma's sampling factors against the first chroma's
        }
    }
    return false;
}

int LargestDifference(const gfx::Image& a, const gfx::Image& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        largest = std::max(largest, std::abs(int{a.pixels[i]} - int{b.pixels[i]}));
    }
    return largest;
}

TEST(WicJpeg, EveryShippedTextureMatchesLibjpeg) {
    int compared = 0;
    int largestOverall = 0;
    for (const ManifestEntry& entry : ReadManifest()) {
        if (entry.type != "RCDATA" || entry.file.substr(entry.file.size() - 4) != ".jpg") continue;
        const auto bytes = platform::FindResource(platform::ResourceType::kRCDATA, entry.id);
        ASSERT_TRUE(bytes.has_value()) << entry.id;
        const auto wic = gfx::DecodeJpeg(*bytes);
        ASSERT_TRUE(wic.has_value()) << entry.file;
        const auto reference = ReadNetpbm(VANTARO_BINARY_DIR "/tests/windows/libjpeg/" + std::to_string(entry.id) + ".pnm");
        ASSERT_TRUE(reference.has_value()) << entry.id;
        ASSERT_EQ(wic->width, reference->width) << entry.file;
        ASSERT_EQ(wic->height, reference->height) << entry.file;
        const int largest = LargestDifference(*wic, *reference);
        // Full-resolution chroma and grey decode alike; upsampled chroma differs a little.
        EXPECT_LE(largest, SubsamplesChroma(*bytes) ? 24 : 1) << entry.file;
        largestOverall = std::max(largestOverall, largest);
        std::printf("RCDATA %d %s: largest channel difference %d%s\n", entry.id, entry.file.c_str(), largest,
                    SubsamplesChroma(*bytes) ? " (chroma upsampled)" : "");
        ++compared;
    }
    EXPECT_EQ(compared, 12);
    RecordProperty("largest_difference", largestOverall);
}

TEST(WicJpeg, HalfResolutionChromaDiffersOnlyByItsUpsampling) {
    const auto bytes = ReadFileBytes(VANTARO_BINARY_DIR "/tests/windows/libjpeg/subsampled.jpg");
    ASSERT_TRUE(SubsamplesChroma(bytes));
    const auto wic = gfx::DecodeJpeg(bytes);
    const auto reference = ReadNetpbm(VANTARO_BINARY_DIR "/tests/windows/libjpeg/subsampled.pnm");
    ASSERT_TRUE(wic.has_value());
    ASSERT_TRUE(reference.has_value());
    ASSERT_EQ(wic->width, reference->width);
    ASSERT_EQ(wic->height, reference->height);
    // Upsampling differs only next to edges in the colour: large there, nothing elsewhere.
    const int largest = LargestDifference(*wic, *reference);
    double sum = 0;
    for (std::size_t i = 0; i < wic->pixels.size(); ++i) sum += std::abs(int{wic->pixels[i]} - int{reference->pixels[i]});
    const double mean = sum / static_cast<double>(wic->pixels.size());
    std::printf("4:2:0 texture 147: largest channel difference %d, mean %.3f\n", largest, mean);
    EXPECT_LE(largest, 64);
    EXPECT_LT(mean, 1.0);
}

TEST(WicJpeg, RefusesWhatLibjpegRefuses) {
    const auto bytes = platform::FindResource(platform::ResourceType::kRCDATA, 147);
    ASSERT_TRUE(bytes.has_value());
    const std::vector<std::uint8_t> whole(bytes->begin(), bytes->end());
    EXPECT_FALSE(gfx::DecodeJpeg({}).has_value());
    // Truncated at several points, the end-of-image marker lost.
    for (std::size_t keep : {std::size_t{2}, std::size_t{200}, whole.size() / 2, whole.size() - 2}) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_FALSE(gfx::DecodeJpeg(cut).has_value()) << keep;
    }
    // Only the start-of-image marker, then noise.
    std::vector<std::uint8_t> noise(4096, 0x5A);
    noise[0] = 0xFF;
    noise[1] = 0xD8;
    EXPECT_FALSE(gfx::DecodeJpeg(noise).has_value());
    // A frame header claiming a side beyond the limit.
    std::vector<std::uint8_t> huge = whole;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0x20;  // height 0x20xx: over 8000 lines
            break;
        }
    }
    EXPECT_FALSE(gfx::DecodeJpeg(huge).has_value());
    EXPECT_TRUE(gfx::DecodeJpeg(whole).has_value());
}

TEST(WicJpeg, EncodedImagesDecodeBackClosely) {
    gfx::Image image{64, 48, std::vector<std::uint8_t>(64 * 48 * 4)};
    for (unsigned y = 0; y < image.height; ++y) {
        for (unsigned x = 0; x < image.width; ++x) {
            std::uint8_t* p = &image.pixels[(std::size_t{y} * image.width + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 4);
            p[1] = static_cast<std::uint8_t>(y * 5);
            p[2] = 128;
            p[3] = 255;
        }
    }
    const auto encoded = gfx::EncodeJpeg(image, 95);
    ASSERT_FALSE(encoded.empty());
    const auto decoded = gfx::DecodeJpeg(encoded);
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->width, 64u);
    ASSERT_EQ(decoded->height, 48u);
    EXPECT_LE(LargestDifference(image, *decoded), 16);
    EXPECT_TRUE(gfx::EncodeJpeg(gfx::Image{}, 90).empty());
}

}  // namespace
