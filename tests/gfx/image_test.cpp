#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "gfx/image.h"

namespace {

using namespace gfx;
using Bytes = std::vector<std::uint8_t>;

// Gradients that tell rows and columns apart, a gentle wave and a varying alpha.
Image TestPicture(unsigned width, unsigned height) {
    Image image{width, height, std::vector<std::uint8_t>(size_t{width} * height * 4)};
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            std::uint8_t* p = &image.pixels[(size_t{y} * width + x) * 4];
            p[0] = std::uint8_t(x * 255 / (width - 1));
            p[1] = std::uint8_t(y * 255 / (height - 1));
            p[2] = std::uint8_t(128 + 100 * std::sin(x * 0.2) * std::cos(y * 0.15));
            p[3] = std::uint8_t((x + y) * 7);
        }
    }
    return image;
}

// Mean absolute difference of the colour channels.
double ColourError(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        if (i % 4 != 3) sum += std::abs(a.pixels[i] - b.pixels[i]);
    }
    return sum / double(a.pixels.size() / 4 * 3);
}

TEST(Jpeg, DecodesWhatWasEncoded) {
    const Image picture = TestPicture(67, 45);  // not a multiple of the 8 x 8 blocks
    const Bytes jpeg = EncodeJpeg(picture, 98);
    const auto decoded = DecodeJpeg(jpeg);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 67u);
    EXPECT_EQ(decoded->height, 45u);
    EXPECT_LT(ColourError(*decoded, picture), 3.0);
    for (size_t i = 3; i < decoded->pixels.size(); i += 4) ASSERT_EQ(decoded->pixels[i], 255);
    EXPECT_TRUE(DecodeImage(jpeg));  // recognised by its marker
}

TEST(Jpeg, BrokenDataIsAnErrorNotAnExit) {
    const Bytes jpeg = EncodeJpeg(TestPicture(64, 64), 90);
    EXPECT_FALSE(DecodeJpeg({}));
    EXPECT_FALSE(DecodeJpeg(Bytes{0xFF, 0xD8}));
    EXPECT_FALSE(DecodeJpeg(Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2))));  // truncated
    EXPECT_FALSE(DecodeJpeg(Bytes(jpeg.begin(), jpeg.end() - 2)));                       // no end marker
    Bytes garbage(500, 0x5A);
    EXPECT_FALSE(DecodeJpeg(garbage));
    // Restart markers where no restart interval was set.
    Bytes misplaced = jpeg;
    for (size_t i = misplaced.size() - 40; i < misplaced.size() - 10; ++i) misplaced[i] = i % 2 ? 0xFF : 0xD3;
    EXPECT_FALSE(DecodeJpeg(misplaced));
}

TEST(Jpeg, CorruptTablesAreAnError) {
#if defined(_WIN32)
    GTEST_SKIP() << "WIC decodes what libjpeg only warns about inside a valid structure (here the symbols of a "
                    "Huffman table); the Windows decoder refuses only what breaks the structure";
#endif
    const Bytes jpeg = EncodeJpeg(TestPicture(64, 64), 90);
    Bytes corrupt = jpeg;
    for (size_t i = corrupt.size() / 2; i < corrupt.size() / 2 + 40; ++i) corrupt[i] = i % 2 ? 0xFF : 0xD3;
    EXPECT_FALSE(DecodeJpeg(corrupt));
}

// The frame header's height and width, big-endian after the SOF0 marker, length and precision.
void SetJpegSize(Bytes& jpeg, unsigned width, unsigned height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = std::uint8_t(height >> 8);
            jpeg[i + 6] = std::uint8_t(height);
            jpeg[i + 7] = std::uint8_t(width >> 8);
            jpeg[i + 8] = std::uint8_t(width);
            return;
        }
    }
    FAIL() << "no frame header";
}

TEST(Jpeg, RefusesHugeSizesBeforeAllocating) {
    Bytes jpeg = EncodeJpeg(TestPicture(16, 16), 90);
    SetJpegSize(jpeg, 60000, 60000);
    EXPECT_FALSE(DecodeJpeg(jpeg));
    SetJpegSize(jpeg, kMaxImageSide + 1, 16);
    EXPECT_FALSE(DecodeJpeg(jpeg));
}

// A Targa file of `picture`, written the way a paint program might.
struct TargaOptions {
    unsigned bits = 32;
    bool runLength = false;
    bool topToBottom = false;
    bool rightToLeft = false;
    unsigned idLength = 0;
};

Bytes WriteTarga(const Image& picture, const TargaOptions& options) {
    const std::uint8_t descriptor =
        std::uint8_t((options.bits == 32 ? 8 : 0) | (options.topToBottom ? 0x20 : 0) | (options.rightToLeft ? 0x10 : 0));
    Bytes out = {std::uint8_t(options.idLength), 0, std::uint8_t(options.runLength ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                 std::uint8_t(picture.width), std::uint8_t(picture.width >> 8), std::uint8_t(picture.height),
                 std::uint8_t(picture.height >> 8), std::uint8_t(options.bits), descriptor};
    out.resize(out.size() + options.idLength, '!');
    std::vector<Bytes> pixels;  // in file order
    for (unsigned row = 0; row < picture.height; ++row) {
        const unsigned y = options.topToBottom ? row : picture.height - 1 - row;
        for (unsigned column = 0; column < picture.width; ++column) {
            const unsigned x = options.rightToLeft ? picture.width - 1 - column : column;
            const std::uint8_t* p = picture.Pixel(x, y);
            Bytes bgra{p[2], p[1], p[0]};
            if (options.bits == 32) bgra.push_back(p[3]);
            pixels.push_back(bgra);
        }
    }
    for (size_t i = 0; i < pixels.size();) {
        if (!options.runLength) {
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
            ++i;
            continue;
        }
        // Runs of equal pixels as repeat packets, anything else as raw packets of up to 128:
        // neither kind stops at the end of a row.
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
        if (run > 1) {
            out.push_back(std::uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
        } else {
            while (i + run < pixels.size() && run < 128 && pixels[i + run] != pixels[i + run - 1]) ++run;
            out.push_back(std::uint8_t(run - 1));
            for (size_t k = 0; k < run; ++k) out.insert(out.end(), pixels[i + k].begin(), pixels[i + k].end());
        }
        i += run;
    }
    return out;
}

// Wide bands of one colour, so that runs cross the ends of rows.
Image BandedPicture() {
    Image image{100, 37, std::vector<std::uint8_t>(100 * 37 * 4)};
    for (size_t i = 0; i < image.pixels.size() / 4; ++i) {
        const std::uint8_t band = std::uint8_t(i / 333);
        const std::uint8_t p[4] = {std::uint8_t(band * 20), std::uint8_t(255 - band * 9), std::uint8_t(i % 7 == 0 ? 9 : 90),
                                   std::uint8_t(band * 23)};
        std::copy(p, p + 4, &image.pixels[i * 4]);
    }
    return image;
}

TEST(Targa, EveryLayoutGivesTheSamePicture) {
    const Image picture = BandedPicture();
    for (bool runLength : {false, true}) {
        for (bool topToBottom : {false, true}) {
            for (bool rightToLeft : {false, true}) {
                const TargaOptions options{32, runLength, topToBottom, rightToLeft, 5};
                const auto decoded = DecodeTarga(WriteTarga(picture, options));
                ASSERT_TRUE(decoded) << runLength << topToBottom << rightToLeft;
                EXPECT_EQ(decoded->width, 100u);
                EXPECT_EQ(decoded->height, 37u);
                EXPECT_EQ(decoded->pixels, picture.pixels) << runLength << topToBottom << rightToLeft;
            }
        }
    }
    // 24 bits: the same colours, opaque.
    Image opaque = picture;
    for (size_t i = 3; i < opaque.pixels.size(); i += 4) opaque.pixels[i] = 255;
    for (bool runLength : {false, true}) {
        const auto decoded = DecodeImage(WriteTarga(picture, {24, runLength, false, false, 0}));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->pixels, opaque.pixels);
    }
}

TEST(Targa, BrokenFilesAreRefused) {
    const Image picture = BandedPicture();
    for (bool runLength : {false, true}) {
        const Bytes file = WriteTarga(picture, {32, runLength, false, false, 0});
        for (size_t length = 0; length < file.size(); length += runLength ? 1 : 97) {
            ASSERT_FALSE(DecodeTarga(Bytes(file.begin(), file.begin() + long(length)))) << length;
        }
    }
    Bytes file = WriteTarga(picture, {32, true, false, false, 0});
    Bytes longRun = file;
    longRun[18] = 0xFF;  // the first packet now repeats 128 pixels...
    longRun.resize(18 + 5);  // ...and is the only one: the image needs 3700
    EXPECT_FALSE(DecodeTarga(longRun));
    Bytes pastTheEnd = WriteTarga(Image{2, 1, Bytes(8, 1)}, {32, true, false, false, 0});
    pastTheEnd[18] = 0x82;  // three pixels into an image of two
    EXPECT_FALSE(DecodeTarga(pastTheEnd));
    Bytes huge = file;  // 65535 x 65535 from a few hundred bytes of packets
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    EXPECT_FALSE(DecodeTarga(huge));
    for (std::uint8_t unsupportedType : {0, 1, 3, 9, 11}) {
        file[2] = unsupportedType;
        EXPECT_FALSE(DecodeTarga(file)) << int(unsupportedType);
    }
    file[2] = 10;
    file[16] = 16;  // 16-bit pixels
    EXPECT_FALSE(DecodeTarga(file));
}

TEST(Texture, SizesRoundUpToPowersOfTwoWithAFullChain) {
    EXPECT_EQ(RoundUpToPowerOfTwo(0), 1u);
    EXPECT_EQ(RoundUpToPowerOfTwo(1), 1u);
    EXPECT_EQ(RoundUpToPowerOfTwo(177), 256u);
    EXPECT_EQ(RoundUpToPowerOfTwo(512), 512u);
    const auto chain = BuildMipChain(TestPicture(365, 334));
    ASSERT_EQ(chain.size(), 10u);  // 512 down to 1
    for (size_t level = 0; level < chain.size(); ++level) {
        EXPECT_EQ(chain[level].width, 512u >> level);
        EXPECT_EQ(chain[level].height, 512u >> level);
        EXPECT_EQ(chain[level].pixels.size(), size_t{chain[level].width} * chain[level].height * 4);
    }
    const auto narrow = BuildMipChain(TestPicture(100, 3));
    ASSERT_EQ(narrow.size(), 8u);  // 128 x 4, 64 x 2, 32 x 1, 16 x 1 ... 1 x 1
    EXPECT_EQ(narrow[2].height, 1u);
    EXPECT_EQ(narrow[7].width, 1u);
    EXPECT_TRUE(BuildMipChain(Image{}).empty());
}

TEST(Texture, FilteringKeepsColoursInPlace) {
    // Black and white side by side, stretched to four: the ends keep their colour and the
    // middle blends, nothing wraps round from the other edge.
    const Image pair{2, 1, {0, 0, 0, 255, 255, 255, 255, 255}};
    const Image wide = ResizeImage(pair, 4, 1);
    EXPECT_EQ(wide.Pixel(0, 0)[0], 0);
    EXPECT_EQ(wide.Pixel(1, 0)[0], 64);
    EXPECT_EQ(wide.Pixel(2, 0)[0], 191);
    EXPECT_EQ(wide.Pixel(3, 0)[0], 255);
    EXPECT_EQ(wide.Pixel(1, 0)[3], 255);
    // A checkerboard averages to grey one level down; a flat colour stays flat to the last.
    const Image checker{2, 2, {0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0}};
    EXPECT_EQ(BuildMipChain(checker)[1].pixels, (Bytes{128, 128, 128, 128}));
    const Image flat{3, 5, Bytes(60, 77)};
    for (const Image& level : BuildMipChain(flat)) {
        for (std::uint8_t v : level.pixels) ASSERT_EQ(v, 77);
    }
}

}  // namespace
