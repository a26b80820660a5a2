#include "scene/resource_cache.h"

#include <cstring>

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

HResult ResourceCache::ShareVertexBuffer(std::span<const std::byte> contents, std::uint32_t fvf,
                                         std::shared_ptr<VertexBuffer>& buffer) {
    if (auto found = vertexBuffers.find(contents.data()); found != vertexBuffers.end()) {
        buffer = found->second;
        return kOk;
    }
    buffer.reset();
    std::unique_ptr<VertexBuffer> made;
    if (Failed(device.CreateVertexBuffer(static_cast<std::uint32_t>(contents.size()), kUsageWriteOnly, fvf,
                                         Pool::kManaged, made)) ||
        !made) {
        return kFail;
    }
    const std::span<std::byte> locked = made->Lock();
    if (locked.size() < contents.size()) return kFail;
    std::memcpy(locked.data(), contents.data(), contents.size());
    made->Unlock();
    buffer = std::move(made);
    vertexBuffers.emplace(contents.data(), buffer);
    return kOk;
}

}  // namespace scene
