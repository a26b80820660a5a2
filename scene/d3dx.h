#pragma once
// The utility functions the drawing code uses to make device objects from the executable's
// resources: a mesh with its materials from a MESH resource, a texture from an RCDATA image
// with the library's defaults (size rounded up to powers of two, full mip chain, managed).

#include <memory>
#include <string>
#include <vector>

#include "scene/device.h"

namespace scene {

struct MeshMaterial {
    Material material;          // as the file gives it; callers copy diffuse into ambient
    std::string textureFilename;  // empty when the material names no texture
};

// Loads MESH `resourceId`; on failure returns kFail and leaves `mesh` and `materials` empty.
HResult LoadMeshFromXResource(Device& device, int resourceId, std::vector<MeshMaterial>& materials,
                              std::unique_ptr<Mesh>& mesh);

// Makes a texture from RCDATA `resourceId` (JPEG or Targa); kFail when absent or undecodable.
HResult CreateTextureFromResource(Device& device, int resourceId, std::unique_ptr<Texture>& texture);

}  // namespace scene
