#include "tools/assets/livery.h"

#include <algorithm>
#include <cmath>

#include "tools/assets/aircraft.h"
#include "tools/assets/glyphs.h"
#include "tools/assets/noise.h"

namespace assets {

namespace {

const Rgba kWhite{0.95f, 0.95f, 0.96f, 1};
const Rgba kBlue{0.04f, 0.15f, 0.56f, 1};
const Rgba kRed{0.84f, 0.06f, 0.09f, 1};
const Rgba kNavy{0.03f, 0.05f, 0.15f, 1};
const Rgba kCockpitGrey{0.15f, 0.15f, 0.16f, 1};

constexpr int kSamples = 3;  // per texel and axis

bool Between(double v, double lo, double hi) { return v >= lo && v <= hi; }

double SmoothMax(double a, double b, double k) { return 0.5 * (a + b + std::sqrt((a - b) * (a - b) + k * k)); }

// Height below which the fuselage side is blue: the whole nose, then a line that sweeps down
// under the canopy, runs along the lower side and climbs towards the tail.
double BlueLine(double z) {
    double floor = -0.030 + 0.125 * SmoothMax(z, 0.0, 0.08);
    return SmoothMax(floor, 0.07 - 0.5 * (z + 0.62), 0.03);
}

// Distance above the blue line, measured square to it in the side view.
double AboveBlueLine(double y, double z) {
    double slope = (BlueLine(z + 1e-3) - BlueLine(z - 1e-3)) / 2e-3;
    return (y - BlueLine(z)) / std::sqrt(1 + slope * slope);
}

// A white digit, or nothing (alpha 0) outside it: plain white on the blue reads best from
// afar, where a rim would only blur into the fill.
Rgba NumberPaint(int number, double gx, double gy) {
    float d = DigitDistance(number, static_cast<float>(gx), static_cast<float>(gy));
    return d < kDigitStroke ? kWhite : Rgba{0, 0, 0, 0};
}

Rgba Over(const Rgba& base, const Rgba& top) { return top.a > 0 ? top : base; }

// Chevrons across the upper surfaces, swept like the wing's leading edge.
Rgba TopDesign(Rgba base, double x, double z) {
    double q = z - 0.625 * std::abs(x);
    if (Between(q, -0.168, -0.118)) return kBlue;
    if (Between(q, -0.108, -0.088)) return kRed;
    return base;
}

// A white and a red chevron on the blue underside.
Rgba BottomDesign(Rgba base, double x, double z) {
    double q = z - 0.45 * std::abs(x);
    if (Between(q, -0.10, -0.02)) return kWhite;
    if (Between(q, 0.0, 0.05)) return kRed;
    return base;
}

// Inside a five-pointed star of outer radius r, one point up.
bool InStar(double dx, double dy, double r) {
    const double pi = 3.14159265358979;
    double a = std::fmod(std::abs(std::atan2(dx, dy)), 2 * pi / 5);
    if (a > pi / 5) a = 2 * pi / 5 - a;
    double d = std::hypot(dx, dy);
    double px = d * std::cos(a), py = d * std::sin(a);
    double inner = r * std::cos(2 * pi / 5) / std::cos(pi / 5);
    double qx = inner * std::cos(pi / 5), qy = inner * std::sin(pi / 5);
    // Same side of the edge from the outer point (r, 0) to the inner corner as the centre.
    double edge = (qx - r) * (py - 0) - (qy - 0) * (px - r);
    double centre = (qx - r) * (0 - 0) - (qy - 0) * (0 - r);
    return edge * centre >= 0;
}

Rgba PanelLine(Rgba c, bool onLine) { return onLine ? Scaled(c, 0.82f) : c; }

Rgba FuselagePaint(const V3& p, const V3& n, int number) {
    Rgba c = kWhite;
    double above = AboveBlueLine(p.y, p.z);
    if (above < 0) c = kBlue;
    else if (Between(above, 0.006, 0.020)) c = kRed;
    if (n.y > 0.35 && p.z > kCanopyRearZ) c = TopDesign(c, p.x, p.z);
    if (n.y < -0.3) c = BottomDesign(c, p.x, p.z);
    if (p.z < -0.806) c = kRed;
    if (n.y > 0.5 && Between(p.z, -0.74, kCanopyFrontZ + 0.01)) c = kNavy;  // anti-glare panel
    if (Between(p.z, kCanopyFrontZ, kCanopyRearZ) && std::abs(p.x) < 0.95 * CanopyHalfWidth(p.z) && n.y > 0.2) {
        c = kCockpitGrey;
    }
    // Numbers: on both nose sides, reading from the front; large under the belly, top towards the nose.
    const double sideZ = -0.685, sideHeight = 0.064, bellyZ = -0.235, bellyHeight = 0.12;
    double sideY = FuselageSection(sideZ).centre + 0.002;
    if (std::abs(n.x) > 0.3) {
        double gx = (n.x > 0 ? 1 : -1) * (p.z - sideZ) / sideHeight + kDigitWidth / 2;
        c = Over(c, NumberPaint(number, gx, (p.y - sideY) / sideHeight + 0.5));
    }
    if (n.y < -0.5) c = Over(c, NumberPaint(number, p.x / bellyHeight + kDigitWidth / 2, -(p.z - bellyZ) / bellyHeight + 0.5));
    bool line = false;
    for (double z : {-0.72, -0.24, -0.02, 0.19, 0.33}) line = line || std::abs(p.z - z) < 0.0012;
    return PanelLine(c, line && c.r + c.g + c.b > 0.6f);
}

// Aileron and flap hinge lines and the joint between them.
bool ControlSurfaceLine(double x, double z) {
    const Planform& w = Wing();
    double span = std::abs(x);
    double f = w.ChordFraction(span, z);
    if (!Between(span, 0.10, 0.455) || !Between(f, 0.0, 1.0)) return false;
    return std::abs(f - 0.74) * w.Chord(span) < 0.0012 || (f > 0.74 && std::abs(span - 0.29) < 0.0012);
}

template <typename Paint>
Picture PaintPlanar(int width, int height, const PlanarMap& map, Paint&& paint) {
    Picture picture(width, height);
    PaintSupersampled(picture, kSamples, [&](float u, float v) { return paint(map.Across(u), map.Down(v)); });
    return picture;
}

}  // namespace

Picture PaintFuselageTexture(int aircraftNumber) {
    Picture picture(512, 512);
    PaintSupersampled(picture, kSamples, [&](float u, float v) {
        double z = FuselageTextureZ(v);
        return FuselagePaint(FuselagePoint(z, u), FuselageNormal(z, u), aircraftNumber);
    });
    return picture;
}

Picture PaintWingTopTexture() {
    return PaintPlanar(365, 334, WingMap(), [](double x, double z) {
        Rgba c = TopDesign(kWhite, x, z);
        if (std::abs(x) > 0.435) c = kRed;
        return PanelLine(c, ControlSurfaceLine(x, z));
    });
}

Picture PaintWingBottomTexture() {
    return PaintPlanar(365, 334, WingMap(), [](double x, double z) {
        return PanelLine(BottomDesign(kBlue, x, z), ControlSurfaceLine(x, z));
    });
}

Picture PaintFinTexture() {
    // The same image shows on both faces of the fin, so the design is symmetric about the vertical.
    return PaintPlanar(197, 183, FinMap(), [](double z, double y) {
        const Planform& fin = Fin();
        double rise = y - 0.55 * (z - 0.10);  // parallel to the fuselage stripe's climb, steepened
        Rgba c = kBlue;
        if (rise > 0.085) c = kWhite;
        else if (rise > 0.062) c = kRed;
        else if (rise > 0.052) c = kWhite;
        if (y > fin.tipSpan - 0.035) c = kRed;
        if (InStar(z - 0.345, y - 0.085, 0.033)) c = kWhite;  // team star on the blue
        if (std::abs(fin.ChordFraction(y, z) - 0.72) * fin.Chord(y) < 0.0012 && y > 0.06) c = Scaled(c, 0.82f);
        return c;
    });
}

Picture PaintTailplaneTexture() {
    return PaintPlanar(197, 183, TailplaneMap(), [](double x, double z) {
        const Planform& t = Tailplane();
        double span = std::abs(x);
        double f = t.ChordFraction(span, z);
        Rgba c = f < 0.32 ? kBlue : kWhite;
        if (Between(f, 0.36, 0.46)) c = kRed;
        if (span > t.tipSpan - 0.02) c = kRed;
        if (std::abs(f - 0.7) * t.Chord(span) < 0.0012) c = Scaled(c, 0.82f);
        return c;
    });
}

}  // namespace assets
