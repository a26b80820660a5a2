#pragma once
// One frame of the saver, shared by the saver window and the offscreen renderer so both draw
// exactly the same picture: the device set-up once, then per frame the programme change, the
// clear, the scenery, the running programme and the presentation.

#include <cstdint>

#include "scene/device.h"
#include "scene/scenery.h"
#include "show/sequencer.h"

namespace show {

// Opaque, red 0, green 0, blue 40: a very dark blue, seen only where there is no sky.
inline constexpr std::uint32_t kClearColor = 0xff000028;
inline constexpr std::uint32_t kAmbientLight = 0x00505050;

// The render states the whole run keeps: depth test, the ambient light, specular lighting and
// alpha blending.
void SetRunStates(scene::Device& device);

// The device states the whole run keeps, the light, the sky and the ground. Fails only when
// the light cannot be set; a missing sky or ground is reported and left out.
bool PrepareScene(scene::Device& device, scene::Scenery& scenery);

// Draws one frame: starts the next programme when none runs, clears, draws the scenery under
// the previous frame's camera, lets the programme draw, and presents.
void RenderFrame(scene::Device& device, const scene::Scenery& scenery, Sequencer& sequencer);

}  // namespace show
