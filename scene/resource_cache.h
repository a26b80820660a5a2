#pragma once
// Device objects made from the executable's resources, handed out shared: the aircraft of one
// formation fly the same model and four of their five textures, and making each of those once
// keeps a six-aircraft start quick and holds one copy of the pixels instead of six.

#include <map>
#include <memory>
#include <vector>

#include "scene/d3dx.h"
#include "scene/device.h"

namespace scene {

class ResourceCache {
public:
    explicit ResourceCache(Device& target) : device(target) {}
    ResourceCache(const ResourceCache&) = delete;
    ResourceCache& operator=(const ResourceCache&) = delete;

    bool MakesFor(const Device& other) const { return &device == &other; }

    // As LoadMeshFromXResource; a resource loaded before through this cache is not loaded again.
    HResult LoadMesh(int resourceId, std::vector<MeshMaterial>& materials, std::shared_ptr<Mesh>& mesh);

    // As CreateTextureFromResource, likewise shared. Failures are not kept: every caller that
    // asks for a missing resource hears about it.
    HResult LoadTexture(int resourceId, std::shared_ptr<Texture>& texture);

private:
    struct LoadedMesh {
        std::shared_ptr<Mesh> mesh;
        std::vector<MeshMaterial> materials;
    };

    Device& device;
    std::map<int, LoadedMesh> meshes;
    std::map<int, std::shared_ptr<Texture>> textures;
};

}  // namespace scene
