#include "tools/assets/glyphs.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace assets {

namespace {

constexpr float kPi = 3.14159265f;

// A stroke: a segment from (x0, y0) to (x1, y1), or, when radius > 0, an arc about (x0, y0)
// from angle x1 to angle y1 (degrees, counter-clockwise when y1 > x1).
struct Stroke {
    float x0, y0, x1, y1, radius;
};

float SegmentDistance(const Stroke& s, float x, float y) {
    float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    float t = std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(x - (s.x0 + t * dx), y - (s.y0 + t * dy));
}

float ArcDistance(const Stroke& s, float x, float y) {
    float lo = std::min(s.x1, s.y1) * kPi / 180, hi = std::max(s.x1, s.y1) * kPi / 180;
    float angle = std::atan2(y - s.y0, x - s.x0);
    while (angle < lo) angle += 2 * kPi;
    if (angle <= hi) return std::abs(std::hypot(x - s.x0, y - s.y0) - s.radius);
    float best = 1e9f;
    for (float a : {lo, hi}) {
        best = std::min(best, std::hypot(x - (s.x0 + s.radius * std::cos(a)), y - (s.y0 + s.radius * std::sin(a))));
    }
    return best;
}

const std::vector<Stroke>& Strokes(int digit) {
    static const std::vector<Stroke> table[10] = {
        {{0.3f, 0.7f, 0, 180, 0.22f}, {0.3f, 0.3f, 180, 360, 0.22f}, {0.08f, 0.3f, 0.08f, 0.7f, 0}, {0.52f, 0.3f, 0.52f, 0.7f, 0}},
        {{0.34f, 0.0f, 0.34f, 1.0f, 0}, {0.34f, 1.0f, 0.10f, 0.80f, 0}, {0.10f, 0.0f, 0.56f, 0.0f, 0}},
        {{0.3f, 0.72f, -35, 165, 0.235f}, {0.492f, 0.585f, 0.05f, 0.0f, 0}, {0.05f, 0.0f, 0.56f, 0.0f, 0}},
        {{0.29f, 0.76f, -90, 160, 0.22f}, {0.29f, 0.28f, -160, 90, 0.27f}},
        {{0.44f, 0.0f, 0.44f, 1.0f, 0}, {0.44f, 1.0f, 0.03f, 0.33f, 0}, {0.03f, 0.33f, 0.58f, 0.33f, 0}},
        {{0.54f, 1.0f, 0.11f, 1.0f, 0}, {0.11f, 1.0f, 0.08f, 0.55f, 0}, {0.29f, 0.31f, -150, 125, 0.27f}},
        {{0.31f, 0.29f, 0, 360, 0.26f}, {0.05f, 0.32f, 0.10f, 0.65f, 0}, {0.10f, 0.65f, 0.44f, 1.0f, 0}},
        {{0.04f, 1.0f, 0.56f, 1.0f, 0}, {0.56f, 1.0f, 0.22f, 0.0f, 0}},
        {{0.3f, 0.76f, 0, 360, 0.2f}, {0.3f, 0.28f, 0, 360, 0.27f}},
        {{0.29f, 0.71f, 0, 360, 0.26f}, {0.55f, 0.68f, 0.50f, 0.35f, 0}, {0.50f, 0.35f, 0.16f, 0.0f, 0}},
    };
    static const std::vector<Stroke> none;
    return digit >= 0 && digit <= 9 ? table[digit] : none;
}

}  // namespace

float DigitDistance(int digit, float x, float y) {
    float best = 1e9f;
    for (const Stroke& s : Strokes(digit)) {
        best = std::min(best, s.radius > 0 ? ArcDistance(s, x, y) : SegmentDistance(s, x, y));
    }
    return best;
}

}  // namespace assets
