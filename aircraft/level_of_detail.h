#pragma once
// Which of an aircraft's two models to draw. The light model has about a third of the full
// model's triangles; while the aircraft is small on screen the two differ only along edges and
// in the canopy's facets, and drawing it spares the renderer most of the aircraft's vertex and
// triangle work.

#include "gfx/math.h"
#include "scene/device.h"

namespace aircraft {

enum class ModelChoice {
    kBySize,  // the light model below kLightModelBelowPixels, the full one from there up
    kFull,
    kLight,
};

// Nose to tail, in model units: the longest extent of either model.
inline constexpr float kModelLength = 1.3f;
// Projected length (pixels) below which the light model is drawn.
inline constexpr float kLightModelBelowPixels = 210.0f;

// The length in pixels of an aircraft placed by `world`, as the device's view, projection and
// viewport draw it at its distance; 0 when its centre is not in front of the camera.
float ProjectedLength(const scene::Device& device, const gfx::Matrix& world);

// Whether `choice` draws the light model at this projected length.
bool DrawsLightModel(ModelChoice choice, float projectedLength);

}  // namespace aircraft
