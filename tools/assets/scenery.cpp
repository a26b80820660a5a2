#include "tools/assets/scenery.h"

#include <algorithm>
#include <cmath>

#include "tools/assets/noise.h"

namespace assets {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = kPi / 180.0;
// Below the horizon the texture runs on outwards to this zenith angle, then folds back; the
// ground hides everything that far down.
constexpr double kFoldAngle = 100.0;

const Rgba kZenith{0.13f, 0.33f, 0.70f, 1};
const Rgba kHorizon{0.70f, 0.79f, 0.88f, 1};
const Rgba kHaze{0.84f, 0.87f, 0.90f, 1};
const Rgba kDistantLand{0.47f, 0.55f, 0.49f, 1};
const V3 kSun = Normalized({0.3, 0.6, 0});  // opposite to the scene light's direction

float Clamp01(double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); }

// Cloud cover of the cumulus layer above a horizontal point, 0..1.
float CloudDensity(double x, double z) {
    float base = Fbm2(static_cast<float>(x * 0.55), static_cast<float>(z * 0.55), 7u, 6, 0.52f);
    float cover = Fbm2(static_cast<float>(x * 0.12 + 40), static_cast<float>(z * 0.12 - 13), 11u, 3);
    return Smoothstep(0.10f, 0.42f, base + 0.22f * cover);
}

Rgba SkyColour(const V3& d) {
    double elevation = std::asin(std::clamp(d.y, -1.0, 1.0));
    if (elevation < 0) {
        // Distant countryside fading into the haze at the horizon.
        return Mix(kHaze, kDistantLand, Smoothstep(0.0f, static_cast<float>(1.2 * kDegrees), static_cast<float>(-elevation)));
    }
    Rgba sky = Mix(kZenith, kHorizon, Clamp01(std::exp(-elevation / 0.32)));
    sky = Mix(sky, kHaze, Clamp01(std::exp(-elevation / 0.045)));
    double sun = std::max(0.0, Dot(d, kSun));
    float glow = static_cast<float>(0.22 * std::pow(sun, 24) + 0.6 * std::pow(sun, 900));
    sky = {sky.r + glow, sky.g + glow * 0.95f, sky.b + glow * 0.8f, 1};

    // Clouds on a layer at height 1: far ones crowd towards the horizon and fade into haze.
    if (d.y > 0.004) {
        double k = 1.0 / d.y;
        double x = d.x * k, z = d.z * k;
        float density = CloudDensity(x, z);
        if (density > 0) {
            // Lit where the cover thins towards the sun, shaded where it thickens.
            float towardsSun = CloudDensity(x + 0.12, z) - density;
            float light = std::clamp(0.86f - 1.6f * towardsSun, 0.55f, 1.0f);
            Rgba cloud = Mix(Rgba{0.58f, 0.63f, 0.72f, 1}, Rgba{0.98f, 0.98f, 0.99f, 1}, light);
            float distanceFade = static_cast<float>(std::exp(-std::hypot(x, z) / 14.0));
            float amount = density * (0.35f + 0.65f * distanceFade) * Smoothstep(0.0f, 0.09f, static_cast<float>(elevation));
            cloud = Mix(kHaze, cloud, 0.35f + 0.65f * distanceFade);
            sky = Mix(sky, cloud, amount * 0.95f);
        }
    }
    return sky;
}

// Direction seen at texture coordinates (u, v): the inverse of SkyTexCoord above the fold.
V3 SkyDirection(double u, double v) {
    double dx = u - 0.5, dz = -(v - 0.5);
    double r = std::hypot(dx, dz);
    double zenithAngle = std::min(r / kSkyHorizonRadius * 90.0, kFoldAngle) * kDegrees;
    if (r < 1e-9) return {0, 1, 0};
    return {std::sin(zenithAngle) * dx / r, std::cos(zenithAngle), std::sin(zenithAngle) * dz / r};
}

// Airfield: mown grass, the runway along z centred on x = 0, a parallel taxiway and an apron
// on the far side from the spectators, farmland beyond.
Rgba GroundColour(double x, double z) {
    float fx = static_cast<float>(x), fz = static_cast<float>(z);
    float patches = Fbm2(fx * 0.02f, fz * 0.02f, 21u, 4);
    Rgba grass{0.29f + 0.04f * patches, 0.43f + 0.05f * patches, 0.17f + 0.01f * patches, 1};
    if (std::abs(x) < 75 && std::abs(z) < 160) {
        bool stripe = static_cast<int>(std::floor((x + 200) / 8.0)) % 2 == 0;
        grass = Scaled(grass, stripe ? 1.04f : 0.97f);
        grass.a = 1;
    } else {
        // Fields: each cell of an irregular grid gets its own crop.
        int cx = static_cast<int>(std::floor((x + 13 * Noise2(fz * 0.01f, 3.0f, 5u)) / 34.0));
        int cz = static_cast<int>(std::floor((z + 13 * Noise2(fx * 0.01f, 7.0f, 6u)) / 46.0));
        float h = Hash01(cx, cz, 9u);
        static const Rgba crops[] = {{0.36f, 0.47f, 0.18f, 1}, {0.52f, 0.52f, 0.24f, 1}, {0.27f, 0.40f, 0.16f, 1},
                                     {0.45f, 0.40f, 0.28f, 1}, {0.33f, 0.46f, 0.20f, 1}};
        grass = Mix(grass, crops[static_cast<int>(h * 4.999f)], 0.75f);
    }
    Rgba asphalt{0.31f + 0.02f * patches, 0.32f + 0.02f * patches, 0.33f + 0.02f * patches, 1};
    Rgba concrete{0.60f, 0.60f, 0.58f, 1};
    if (std::abs(z) < 140 && std::abs(x) < 2.6) {
        if (std::abs(z) > 134) return concrete;  // threshold markings
        return std::abs(x) < 0.5 ? Mix(asphalt, concrete, 0.35f) : asphalt;  // centre line
    }
    bool taxiway = (std::abs(x + 22) < 1.0 && std::abs(z) < 126) || (std::abs(z) > 124 && std::abs(z) < 127 && x < 0 && x > -22);
    if (taxiway) return Mix(asphalt, concrete, 0.25f);
    if (x > -52 && x < -26 && std::abs(z) < 28) return Mix(concrete, grass, 0.1f);  // apron
    return grass;
}

// Top view of the jet in the icon, nose up, in a box -1..1.
bool InJetOutline(double x, double y) {
    static const double half[][2] = {{0, 1.0}, {0.07, 0.86}, {0.10, 0.56}, {0.11, 0.26}, {0.80, -0.22},
                                     {0.80, -0.38}, {0.13, -0.30}, {0.12, -0.56}, {0.40, -0.80}, {0.40, -0.93},
                                     {0.09, -0.88}, {0.07, -1.0}};
    double px = std::abs(x);
    bool inside = false;
    const int n = sizeof(half) / sizeof(half[0]);
    for (int i = 0, j = n - 1; i < n; j = i++) {
        double xi = half[i][0], yi = half[i][1], xj = half[j][0], yj = half[j][1];
        if ((yi > y) != (yj > y) && px < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    // The half outline closes along the centre line, which the mirrored half shares.
    return inside;
}

Rgba IconColour(double u, double v) {
    // Rounded square of sky.
    double cx = std::max(std::abs(u - 0.5) - 0.30, 0.0), cy = std::max(std::abs(v - 0.5) - 0.30, 0.0);
    if (std::hypot(cx, cy) > 0.18) return {0, 0, 0, 0};
    Rgba c = Mix(Rgba{0.07f, 0.24f, 0.62f, 1}, Rgba{0.47f, 0.72f, 0.95f, 1}, static_cast<float>(v));
    // Three smoke trails curving up from the lower left to the jet.
    const Rgba trails[] = {{0.86f, 0.08f, 0.10f, 1}, {1, 1, 1, 1}, {0.05f, 0.18f, 0.62f, 1}};
    for (int i = 0; i < 3; ++i) {
        double offset = (i - 1) * 0.075;
        // A circular arc about a centre to the lower right.
        double r = std::hypot(u - 0.95, v - 0.95) - (0.62 + offset);
        double along = std::atan2(0.95 - v, 0.95 - u);  // 0 at the left, pi/2 at the top
        if (std::abs(r) < 0.028 && along > 0.15 && along < 1.05) c = Mix(c, trails[i], 0.95f);
    }
    // The jet at the head of the trails, climbing to the upper right.
    double jx = u - 0.66, jy = -(v - 0.32);
    double angle = -0.85;
    double lx = (jx * std::cos(angle) - jy * std::sin(angle)) / 0.2;
    double ly = (jx * std::sin(angle) + jy * std::cos(angle)) / 0.2;
    if (InJetOutline(lx, ly)) c = Rgba{0.98f, 0.98f, 1.0f, 1};
    return c;
}

}  // namespace

std::array<double, 2> SkyTexCoord(const V3& direction) {
    V3 d = Normalized(direction);
    double zenithAngle = std::acos(std::clamp(d.y, -1.0, 1.0)) / kDegrees;
    double r = zenithAngle <= kFoldAngle ? kSkyHorizonRadius * zenithAngle / 90.0
                                         : kSkyHorizonRadius * kFoldAngle / 90.0 * (180.0 - zenithAngle) / (180.0 - kFoldAngle);
    double h = std::hypot(d.x, d.z);
    if (h < 1e-12) return {0.5, 0.5};
    return {0.5 + r * d.x / h, 0.5 - r * d.z / h};
}

Mesh BuildSky() {
    Mesh mesh;
    Material m;
    m.emissive[0] = m.emissive[1] = m.emissive[2] = 1;
    m.texture = "SKY.jpg";
    mesh.AddMaterial(m);
    // Rings crowd towards the horizon, where the long lens looks; 40 around, shared all the way
    // round since the texture has no seam.
    const double elevations[] = {72, 54, 38, 25, 15, 8, 3, 0, -4, -30};
    const int around = 40;
    auto add = [&](const V3& d) {
        auto uv = SkyTexCoord(d);
        return mesh.AddVertex({d * kSkyRadius, d * -1.0, uv[0], uv[1]});  // normals face inwards
    };
    uint32_t zenith = add({0, 1, 0});
    uint32_t first = static_cast<uint32_t>(mesh.vertices.size());
    for (double e : elevations) {
        for (int i = 0; i < around; ++i) {
            double a = 2 * kPi * i / around;
            add({std::cos(e * kDegrees) * std::cos(a), std::sin(e * kDegrees), std::cos(e * kDegrees) * std::sin(a)});
        }
    }
    uint32_t nadir = add({0, -1, 0});
    const uint32_t rings = sizeof(elevations) / sizeof(elevations[0]);
    for (uint32_t i = 0; i < static_cast<uint32_t>(around); ++i) {
        uint32_t next = (i + 1) % around;
        mesh.AddTriangle(0, zenith, first + i, first + next);
        for (uint32_t r = 0; r + 1 < rings; ++r) {
            uint32_t a = first + r * around;
            mesh.AddQuad(0, a + i, a + around + i, a + around + next, a + next);
        }
        mesh.AddTriangle(0, nadir, first + (rings - 1) * around + i, first + (rings - 1) * around + next);
    }
    return mesh;
}

Picture PaintSky() {
    Picture picture(1024, 1024);
    PaintSupersampled(picture, 2, [](float u, float v) { return SkyColour(SkyDirection(u, v)); });
    return picture;
}

Mesh BuildGround() {
    Mesh mesh;
    Material m;
    m.power = 5;
    m.emissive[0] = m.emissive[1] = m.emissive[2] = 0.25f;
    m.texture = "land21.jpg";
    mesh.AddMaterial(m);
    const double s = kGroundHalfSize;
    uint32_t idx[4];
    const double corners[4][2] = {{-s, -s}, {s, -s}, {s, s}, {-s, s}};
    for (int i = 0; i < 4; ++i) {
        double x = corners[i][0], z = corners[i][1];
        idx[i] = mesh.AddVertex({{x, 0, z}, {0, 1, 0}, (x + s) / (2 * s), (s - z) / (2 * s)});
    }
    mesh.AddQuad(0, idx[0], idx[1], idx[2], idx[3]);
    return mesh;
}

Picture PaintGround() {
    Picture picture(177, 177);
    const double s = kGroundHalfSize;
    PaintSupersampled(picture, 4, [&](float u, float v) { return GroundColour(-s + u * 2 * s, s - v * 2 * s); });
    return picture;
}

Picture PaintSmokePuff() {
    Picture picture(100, 100);
    PaintSupersampled(picture, 2, [](float u, float v) {
        float dx = u - 0.5f, dy = v - 0.5f;
        float r = 2 * std::hypot(dx, dy);
        // A soft round cloud with a little billowing; alpha reaches 0 before the rim.
        float billow = 0.85f + 0.15f * Fbm2(u * 6, v * 6, 31u, 3);
        float falloff = 1 - Smoothstep(0.0f, 0.96f, r);
        float alpha = std::clamp(falloff * falloff * (3 - 2 * falloff) * billow, 0.0f, 1.0f);
        float shade = 0.93f + 0.07f * Fbm2(u * 5 + 9, v * 5, 37u, 3);
        return Rgba{shade, shade, shade, alpha};
    });
    return picture;
}

Picture PaintIcon(int size) {
    Picture picture(size, size);
    PaintSupersampled(picture, 8, [](float u, float v) { return IconColour(u, v); });
    // Outside samples are transparent black: undo their darkening of the edge pixels' colour.
    for (Rgba& c : picture.pixels) {
        if (c.a > 0) c = {c.r / c.a, c.g / c.a, c.b / c.a, c.a};
    }
    return picture;
}

std::vector<int> IconSizes() { return {16, 24, 32, 48, 64, 128}; }

}  // namespace assets
