// The team livery: white with bold blue and red, numbered per aircraft, painted into the
// five aircraft textures by evaluating one design at the surface points of their texels.
#pragma once

#include "tools/assets/picture.h"

namespace assets {

Picture PaintFuselageTexture(int aircraftNumber);  // "KZ004.jpg", 512 x 512, one per aircraft
Picture PaintWingTopTexture();                     // "KZ000.jpg", 365 x 334
Picture PaintWingBottomTexture();                  // "KZ001.jpg", 365 x 334
Picture PaintFinTexture();                         // "KZ002.jpg", 197 x 183
Picture PaintTailplaneTexture();                   // "KZ003.jpg", 197 x 183

}  // namespace assets
