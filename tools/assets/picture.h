// Pictures in linear floating-point RGBA and the file formats the assets are written in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba Scaled(const Rgba& c, float s);

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // row-major, top row first

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Fills every pixel with the mean of n x n samples of paint(u, v), u and v in 0..1 across the
// picture (u to the right, v downwards). The samples make edges of painted shapes smooth.
template <typename Paint>
void PaintSupersampled(Picture& picture, int n, Paint&& paint) {
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    float u = (x + (sx + 0.5f) / n) / picture.width;
                    float v = (y + (sy + 0.5f) / n) / picture.height;
                    Rgba c = paint(u, v);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                    sum.a += c.a;
                }
            }
            picture.at(x, y) = Scaled(sum, 1.0f / (n * n));
        }
    }
}

// 8-bit channels, clamped and rounded.
std::vector<uint8_t> ToRgb8(const Picture& picture);
std::vector<uint8_t> ToRgba8(const Picture& picture);

// Each writer returns false when the file cannot be written.
bool WriteJpeg(const std::string& path, const Picture& picture, int quality);  // baseline, 4:4:4
bool WritePng(const std::string& path, const Picture& picture);                // RGBA
bool WriteTarga(const std::string& path, const Picture& picture);              // 32-bit, uncompressed
// One icon file holding each picture as an uncompressed 32-bit image with its mask.
bool WriteIcon(const std::string& path, const std::vector<Picture>& sizes);

bool ReadJpeg(const std::string& path, Picture& picture);

}  // namespace assets
