#include "scene/resource_cache.h"

namespace scene {

HResult ResourceCache::LoadMesh(int resourceId, std::vector<MeshMaterial>& materials, std::shared_ptr<Mesh>& mesh) {
    if (auto found = meshes.find(resourceId); found != meshes.end()) {
        materials = found->second.materials;
        mesh = found->second.mesh;
        return kOk;
    }
    std::unique_ptr<Mesh> made;
    if (Failed(LoadMeshFromXResource(device, resourceId, materials, made))) {
        mesh.reset();
        return kFail;
    }
    mesh = std::move(made);
    meshes.emplace(resourceId, LoadedMesh{mesh, materials});
    return kOk;
}

HResult ResourceCache::LoadTexture(int resourceId, std::shared_ptr<Texture>& texture) {
    if (auto found = textures.find(resourceId); found != textures.end()) {
        texture = found->second;
        return kOk;
    }
    std::unique_ptr<Texture> made;
    if (Failed(CreateTextureFromResource(device, resourceId, made))) {
        texture.reset();
        return kFail;
    }
    texture = std::move(made);
    textures.emplace(resourceId, texture);
    return kOk;
}

}  // namespace scene
