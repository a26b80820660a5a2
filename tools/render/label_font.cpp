#include "tools/render/label_font.h"

#include <array>
#include <cstdint>

namespace tools {
namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

struct Glyph {
    char c;
    std::array<std::uint8_t, kGlyphHeight> rows;  // bit 4 is the leftmost pixel
};

constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}}, {' ', {0, 0, 0, 0, 0, 0, 0}},
};

const Glyph* Find(char c) {
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.c == c) return &glyph;
    }
    return nullptr;
}

void Fill(gfx::Image& image, int x, int y, int w, int h, std::uint8_t grey) {
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            if (row < 0 || col < 0 || row >= static_cast<int>(image.height) || col >= static_cast<int>(image.width)) continue;
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(row) * image.width + static_cast<std::size_t>(col)) * 4];
            p[0] = p[1] = p[2] = grey;
            p[3] = 255;
        }
    }
}

}  // namespace

void DrawLabel(gfx::Image& image, int x, int y, std::string_view text, int scale) {
    const int advance = (kGlyphWidth + 1) * scale;
    const int margin = 2 * scale;
    Fill(image, x, y, static_cast<int>(text.size()) * advance + 2 * margin - scale, kGlyphHeight * scale + 2 * margin, 24);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph* glyph = Find(text[i]);
        if (!glyph) continue;
        const int left = x + margin + static_cast<int>(i) * advance;
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if (glyph->rows[static_cast<std::size_t>(row)] & (0x10 >> col)) {
                    Fill(image, left + col * scale, y + margin + row * scale, scale, scale, 255);
                }
            }
        }
    }
}

}  // namespace tools
