#include "tools/assets/noise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace assets {

namespace {

uint32_t Hash(int x, int y, unsigned seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

// Dot product of the lattice point's pseudo-random unit gradient with the offset.
float Gradient(int ix, int iy, unsigned seed, float dx, float dy) {
    float angle = static_cast<float>(Hash(ix, iy, seed) & 0xffffu) * (6.2831853f / 65536.0f);
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

float Noise2(float x, float y, unsigned seed) {
    float fx = std::floor(x);
    float fy = std::floor(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    float dx = x - fx;
    float dy = y - fy;
    float n00 = Gradient(ix, iy, seed, dx, dy);
    float n10 = Gradient(ix + 1, iy, seed, dx - 1, dy);
    float n01 = Gradient(ix, iy + 1, seed, dx, dy - 1);
    float n11 = Gradient(ix + 1, iy + 1, seed, dx - 1, dy - 1);
    float u = Fade(dx);
    float v = Fade(dy);
    float a = n00 + (n10 - n00) * u;
    float b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.4142f;
}

float Fbm2(float x, float y, unsigned seed, int octaves, float gain) {
    float sum = 0;
    float amplitude = 1;
    float norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * Noise2(x, y, seed + static_cast<unsigned>(i) * 101u);
        norm += amplitude;
        amplitude *= gain;
        // Rotate each octave a little so the lattice never lines up.
        float nx = 1.6f * x + 1.2f * y + 17.0f;
        float ny = -1.2f * x + 1.6f * y + 31.0f;
        x = nx;
        y = ny;
    }
    return sum / norm;
}

float Hash01(int x, int y, unsigned seed) { return static_cast<float>(Hash(x, y, seed) & 0xffffffu) / 16777215.0f; }

float Smoothstep(float edge0, float edge1, float x) {
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace assets
