#pragma once
// Short labels burnt into pictures (a contact sheet's progress values): a 5 x 7 pixel font of
// the digits, the point, the equals sign, 't' and the blank, drawn white on a dark box.

#include <string_view>

#include "gfx/image.h"

namespace tools {

// Draws `text` with its top-left corner at (x, y), each font pixel `scale` pixels wide.
// Characters outside the font are left blank; whatever falls outside the image is clipped.
void DrawLabel(gfx::Image& image, int x, int y, std::string_view text, int scale);

}  // namespace tools
