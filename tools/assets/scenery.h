// The sky dome, the airfield, the smoke puff and the program's icon.
#pragma once

#include <vector>

#include "tools/assets/mesh.h"
#include "tools/assets/picture.h"

namespace assets {

constexpr double kSkyRadius = 800.0;
constexpr double kGroundHalfSize = 176.0;

// The sky texture is a view of the whole sky from below, zenith in the middle, horizon on a
// circle (radius kSkyHorizonRadius in texture units) and the ground-level haze beyond it: no
// seam anywhere and no pinch at the zenith.
constexpr double kSkyHorizonRadius = 0.44;
// Texture coordinates of a direction (need not be normalised).
std::array<double, 2> SkyTexCoord(const V3& direction);
// The direction a texel shows: the inverse of SkyTexCoord down to a little below the horizon.
V3 SkyDirection(double u, double v);

Mesh BuildSky();                 // "SKY.x"
Picture PaintSky();              // "SKY.jpg", 1024 x 1024
Mesh BuildGround();              // "RUNWAY.x"
Picture PaintGround();           // "land21.jpg", 177 x 177
Picture PaintSmokePuff();        // 100 x 100 with alpha
Picture PaintIcon(int size);     // square, transparent corners
std::vector<int> IconSizes();

}  // namespace assets
