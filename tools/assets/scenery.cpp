#include "tools/assets/scenery.h"

#include <algorithm>
#include <cmath>

#include "tools/assets/noise.h"

namespace assets {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = kPi / 180.0;
// Radius in the texture of a zenith angle: the band from the horizon up to 25 degrees, where
// the long lens mostly looks, gets as much radius as the 65 degrees above it. Each part is
// linear, and the mesh has a ring at the knee, so texture coordinates interpolate exactly
// along every meridian. Below the horizon the texture runs on outwards to kFoldAngle, then
// folds back; the ground hides everything that far down.
constexpr double kKneeAngle = 65.0;
constexpr double kKneeRadius = kSkyHorizonRadius / 2;
constexpr double kFoldAngle = 96.0;

double SkyRadius(double zenithDegrees) {
    if (zenithDegrees <= kKneeAngle) return kKneeRadius * zenithDegrees / kKneeAngle;
    double slope = (kSkyHorizonRadius - kKneeRadius) / (90.0 - kKneeAngle);
    if (zenithDegrees <= kFoldAngle) return kKneeRadius + (zenithDegrees - kKneeAngle) * slope;
    return SkyRadius(kFoldAngle) * (180.0 - zenithDegrees) / (180.0 - kFoldAngle);
}

double SkyZenithAngle(double radius) {
    if (radius <= kKneeRadius) return radius / kKneeRadius * kKneeAngle;
    double slope = (kSkyHorizonRadius - kKneeRadius) / (90.0 - kKneeAngle);
    return std::min(kKneeAngle + (radius - kKneeRadius) / slope, kFoldAngle);
}

const Rgba kZenith{0.13f, 0.33f, 0.70f, 1};
const Rgba kHorizon{0.60f, 0.73f, 0.88f, 1};
const Rgba kHaze{0.84f, 0.87f, 0.90f, 1};
const Rgba kDistantLand{0.52f, 0.60f, 0.50f, 1};
const V3 kSun = Normalized({0.3, 0.6, 0});  // opposite to the scene light's direction

float Clamp01(double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); }

// Cumulus: flat bases at height 1, rounded tops up to 1 + kCloudDepth. `cover` (0..1) is the
// large-scale field; a cloud fills the heights where it exceeds a threshold that rises with
// height, so each cloud narrows towards its top.
constexpr double kCloudDepth = 0.45;

float CloudCover(double x, double z) {
    float shape = Fbm2(static_cast<float>(x * 0.45), static_cast<float>(z * 0.45), 7u, 5, 0.5f);
    float region = Fbm2(static_cast<float>(x * 0.09 + 40), static_cast<float>(z * 0.09 - 13), 11u, 2);
    return shape + 0.25f * region;
}

float CloudDensity(float cover, double heightFraction) {
    double h = std::clamp(heightFraction, 0.0, 1.0);
    return Smoothstep(0.0f, 0.12f, cover - 0.14f - static_cast<float>(0.30 * h * h));
}

// Marches a ray through the cloud slab: returns the cloud colour premultiplied by its opacity.
Rgba CloudAlong(const V3& d) {
    // Low rays cross more cloud: more steps there, each ray's steps offset by a hash of its
    // direction so that the step pattern turns into fine grain rather than bands.
    const int steps = 10 + static_cast<int>(22 * std::pow(1 - d.y, 6));
    double t0 = 1.0 / d.y, t1 = std::min((1.0 + kCloudDepth) / d.y, t0 + 3.0);
    double dt = (t1 - t0) / steps;
    double jitter = Hash01(static_cast<int>(std::floor(d.x * 40000)), static_cast<int>(std::floor(d.z * 40000)), 3u);
    float transmittance = 1, r = 0, g = 0, b = 0;
    for (int i = 0; i < steps && transmittance > 0.02f; ++i) {
        double t = t0 + (i + jitter) * dt;
        double x = d.x * t, y = d.y * t, z = d.z * t;
        double hf = (y - 1.0) / kCloudDepth;
        float cover = CloudCover(x, z);
        float density = CloudDensity(cover, hf);
        if (density <= 0) continue;
        float alpha = 1 - std::exp(-density * static_cast<float>(dt) * 9.0f);
        // Lit from above and from the sun's side (+x); thick cores darker underneath.
        float towardsSun = CloudCover(x + 0.15, z) - cover;
        float light = std::clamp(0.62f + 0.38f * static_cast<float>(hf) - 0.9f * towardsSun, 0.45f, 1.0f);
        Rgba c = Mix(Rgba{0.56f, 0.61f, 0.70f, 1}, Rgba{1.0f, 0.99f, 0.97f, 1}, light);
        r += transmittance * alpha * c.r;
        g += transmittance * alpha * c.g;
        b += transmittance * alpha * c.b;
        transmittance *= 1 - alpha;
    }
    return {r, g, b, 1 - transmittance};
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
    float glow = static_cast<float>(0.18 * std::pow(sun, 24) + 0.35 * std::pow(sun, 700));
    sky = {sky.r + glow, sky.g + glow * 0.95f, sky.b + glow * 0.8f, 1};

    // Clouds: far ones crowd towards the horizon and fade into the haze.
    if (d.y > 0.01) {
        Rgba cloud = CloudAlong(d);
        if (cloud.a > 0) {
            double distance = std::hypot(d.x, d.z) / d.y;
            float fade = static_cast<float>(std::exp(-distance / 16.0)) * Smoothstep(0.0f, 0.06f, static_cast<float>(elevation));
            Rgba lit = {cloud.r / cloud.a, cloud.g / cloud.a, cloud.b / cloud.a, 1};
            lit = Mix(kHaze, lit, 0.3f + 0.7f * fade);
            sky = Mix(sky, lit, cloud.a * (0.25f + 0.75f * fade));
        }
    }
    return sky;
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
        // Fields: each cell of an irregular grid gets its own crop, with hedges between them.
        double wx = x + 13 * Noise2(fz * 0.01f, 3.0f, 5u), wz = z + 13 * Noise2(fx * 0.01f, 7.0f, 6u);
        int cx = static_cast<int>(std::floor(wx / 34.0));
        int cz = static_cast<int>(std::floor((wz + 17.0 * (cx & 1)) / 46.0));
        float h = Hash01(cx, cz, 9u);
        static const Rgba crops[] = {{0.36f, 0.47f, 0.18f, 1}, {0.52f, 0.52f, 0.24f, 1}, {0.27f, 0.40f, 0.16f, 1},
                                     {0.45f, 0.40f, 0.28f, 1}, {0.33f, 0.46f, 0.20f, 1}};
        grass = Mix(grass, crops[static_cast<int>(h * 4.999f)], 0.75f);
        double ex = wx - 34.0 * cx, ez = wz + 17.0 * (cx & 1) - 46.0 * cz;
        if (std::min({ex, 34.0 - ex, ez, 46.0 - ez}) < 1.2) grass = Rgba{0.17f, 0.27f, 0.11f, 1};
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
    double r = SkyRadius(zenithAngle);
    double h = std::hypot(d.x, d.z);
    if (h < 1e-12) return {0.5, 0.5};
    return {0.5 + r * d.x / h, 0.5 - r * d.z / h};
}

V3 SkyDirection(double u, double v) {
    double dx = u - 0.5, dz = -(v - 0.5);
    double r = std::hypot(dx, dz);
    double zenithAngle = SkyZenithAngle(r) * kDegrees;
    if (r < 1e-9) return {0, 1, 0};
    return {std::sin(zenithAngle) * dx / r, std::cos(zenithAngle), std::sin(zenithAngle) * dz / r};
}

Mesh BuildSky() {
    Mesh mesh;
    Material m;
    m.emissive[0] = m.emissive[1] = m.emissive[2] = 1;
    m.texture = "SKY.jpg";
    mesh.AddMaterial(m);
    // Rings crowd towards the horizon, where the long lens looks; 40 around, shared all the way
    // round since the texture has no seam.
    const double elevations[] = {72, 50, 90 - kKneeAngle, 17, 10, 5, 2, 0, -4, -30};
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
    PaintSupersampled(picture, 1, [](float u, float v) { return SkyColour(SkyDirection(u, v)); });
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
    // The spectators' camera never moves, so the far ground can carry the haze of its distance.
    const double cameraX = 60, cameraZ = -27;
    PaintSupersampled(picture, 4, [&](float u, float v) {
        double x = -s + u * 2 * s, z = s - v * 2 * s;
        float haze = static_cast<float>(1 - std::exp(-std::hypot(x - cameraX, z - cameraZ) / 330.0));
        return Mix(GroundColour(x, z), kHaze, haze);
    });
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
