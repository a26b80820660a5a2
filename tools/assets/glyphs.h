// Stroke-drawn digits for the aircraft numbers: bold, rounded, readable at a distance.
#pragma once

namespace assets {

// Distance from (x, y) to the centre line of digit d (0 to 9), in a box 0.6 wide and 1 high
// with y up; a large number when d has no strokes.
float DigitDistance(int digit, float x, float y);
constexpr float kDigitWidth = 0.6f;
constexpr float kDigitStroke = 0.105f;  // half the stroke width

}  // namespace assets
