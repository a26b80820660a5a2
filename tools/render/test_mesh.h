#pragma once
// The renderer's own test subject: a torus in two subsets (a textured half and a glossy plain
// half) and a chequered texture, so light, texture and both subsets show in one picture.

#include "gfx/image.h"
#include "gfx/mesh_file.h"

namespace tools {

gfx::MeshData MakeTestMesh();
gfx::Image MakeTestTexture();

}  // namespace tools
