// Properties of the generators that the committed files alone do not show: how the sky's
// texture wraps the sphere, how the fuselage texture runs along the body, and the shape
// tables' interpolation.

#include <gtest/gtest.h>

#include <cmath>

#include "tools/assets/aircraft.h"
#include "tools/assets/profile.h"
#include "tools/assets/scenery.h"

namespace {

using assets::V3;

constexpr double kPi = 3.14159265358979323846;

V3 Direction(double azimuthDegrees, double elevationDegrees) {
    double a = azimuthDegrees * kPi / 180, e = elevationDegrees * kPi / 180;
    return {std::cos(e) * std::cos(a), std::sin(e), std::cos(e) * std::sin(a)};
}

double Distance(const std::array<double, 2>& a, const std::array<double, 2>& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1]);
}

TEST(SkyMapping, TexelsShowTheDirectionsThatMapToThemWithoutSeamOrPole) {
    for (double e = -3; e <= 90; e += 1.5) {
        for (double a = 0; a < 360; a += 7.5) {
            V3 d = Direction(a, e);
            auto uv = assets::SkyTexCoord(d);
            V3 back = assets::SkyDirection(uv[0], uv[1]);
            ASSERT_NEAR(assets::Dot(back, d), 1.0, 1e-9) << "azimuth " << a << " elevation " << e;
            // Neighbouring directions land on neighbouring texels, across azimuth 0 as anywhere.
            EXPECT_LT(Distance(uv, assets::SkyTexCoord(Direction(a + 0.5, e))), 0.01);
            EXPECT_LT(Distance(uv, assets::SkyTexCoord(Direction(a, std::min(e + 0.5, 90.0)))), 0.01);
            EXPECT_GE(std::min(uv[0], uv[1]), 0.0);
            EXPECT_LE(std::max(uv[0], uv[1]), 1.0);
        }
    }
}

TEST(SkyMapping, MeshTexCoordsInterpolateCloseToTheTrueMappingAboveTheHorizon) {
    // Anywhere on a sky triangle the texture shows nearly the direction it should: the error
    // of interpolating between the corners stays within a few texels of the 1024 image.
    assets::Mesh sky = assets::BuildSky();
    double worst = 0;
    for (const auto& t : sky.triangles[0]) {
        const assets::Vertex* v[3] = {&sky.vertices[t[0]], &sky.vertices[t[1]], &sky.vertices[t[2]]};
        if (std::min({v[0]->position.y, v[1]->position.y, v[2]->position.y}) < 0) continue;
        for (double b0 : {0.5, 1.0 / 3}) {
            double b1 = b0 == 0.5 ? 0.5 : 1.0 / 3, b2 = 1 - b0 - b1;
            V3 p = v[0]->position * b0 + v[1]->position * b1 + v[2]->position * b2;
            std::array<double, 2> interpolated = {v[0]->u * b0 + v[1]->u * b1 + v[2]->u * b2,
                                                  v[0]->v * b0 + v[1]->v * b1 + v[2]->v * b2};
            worst = std::max(worst, Distance(interpolated, assets::SkyTexCoord(p)));
        }
    }
    EXPECT_LT(worst * 1024, 4.0);
}

TEST(FuselageTexture, RunsTheWholeLengthOnceAndInvertsExactly) {
    EXPECT_DOUBLE_EQ(assets::FuselageTextureV(assets::kNoseZ), 0.0);
    EXPECT_DOUBLE_EQ(assets::FuselageTextureV(assets::kTailZ), 1.0);
    double previous = -1;
    for (double z = assets::kNoseZ; z <= assets::kTailZ; z += 0.01) {
        double v = assets::FuselageTextureV(z);
        EXPECT_GT(v, previous) << z;
        EXPECT_NEAR(assets::FuselageTextureZ(v), z, 1e-12);
        previous = v;
    }
}

TEST(ShapeProfile, PassesThroughItsRowsWithoutOvershoot) {
    assets::Profile p({{0, 0}, {1, 1}, {2, 1}, {3, 4}, {4, 0}});
    const double rows[][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 4}, {4, 0}};
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(p(r[0], 1), r[1]);
    for (double x = 0; x <= 4; x += 0.01) {
        int i = std::min(static_cast<int>(x), 3);
        double lo = std::min(rows[i][1], rows[i + 1][1]), hi = std::max(rows[i][1], rows[i + 1][1]);
        EXPECT_GE(p(x, 1), lo - 1e-12) << x;
        EXPECT_LE(p(x, 1), hi + 1e-12) << x;  // the flat stretch from 1 to 2 stays flat
    }
    EXPECT_DOUBLE_EQ(p(-1, 1), 0.0);
    EXPECT_DOUBLE_EQ(p(9, 1), 0.0);
}

}  // namespace
