#pragma once
// A single subject under the saver's lighting: the device set up as the saver sets it up (depth
// test, ambient 0x505050, specular light, alpha blending, the scene's sun), the camera framing
// the subject from a chosen bearing and elevation, the dark blue background of every frame.

#include <optional>

#include "gfx/image.h"
#include "gfx/mesh_file.h"
#include "scene/device.h"

namespace tools {

struct Subject {
    gfx::MeshData mesh;
    std::optional<gfx::Image> texture;  // for every material that names a texture file
};

// Draws one frame; false when the device refuses the mesh or the light.
bool DrawSubject(scene::Device& device, const Subject& subject, float yawDegrees, float pitchDegrees);

}  // namespace tools
