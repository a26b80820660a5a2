#include "scene/d3dx.h"

#include "gfx/image.h"
#include "gfx/mesh_file.h"
#include "platform/heartbeat.h"
#include "platform/resources.h"

namespace scene {

namespace {

MeshMaterial ToDeviceMaterial(const gfx::MeshMaterial& file) {
    MeshMaterial result;
    result.material.diffuse = file.diffuse;
    result.material.specular = file.specular;
    result.material.emissive = file.emissive;
    result.material.power = file.power;
    result.textureFilename = file.textureFileName;
    return result;
}

}  // namespace

HResult LoadMeshFromXResource(Device& device, int resourceId, std::vector<MeshMaterial>& materials,
                              std::unique_ptr<Mesh>& mesh) {
    materials.clear();
    mesh.reset();
    auto bytes = platform::FindResource(platform::ResourceType::kMESH, resourceId);
    if (!bytes) {
        return kFail;
    }
    gfx::MeshFileResult file = gfx::LoadMeshFile(*bytes);
    platform::Heartbeat();  // a large model takes a while to read and to hand to the device
    std::unique_ptr<Mesh> made;
    if (!file || Failed(device.CreateMesh(file.mesh, made))) {
        return kFail;
    }
    for (const gfx::MeshMaterial& material : file.mesh.materials) {
        materials.push_back(ToDeviceMaterial(material));
    }
    mesh = std::move(made);
    platform::Heartbeat();
    return kOk;
}

HResult CreateTextureFromResource(Device& device, int resourceId, std::unique_ptr<Texture>& texture) {
    texture.reset();
    auto bytes = platform::FindResource(platform::ResourceType::kRCDATA, resourceId);
    if (!bytes) {
        return kFail;
    }
    std::optional<gfx::Image> image = gfx::DecodeImage(*bytes);
    platform::Heartbeat();
    if (!image) {
        return kFail;
    }
    const HResult made = device.CreateTexture(*image, texture);
    platform::Heartbeat();
    return made;
}

}  // namespace scene
