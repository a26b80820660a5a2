#include "tools/render/studio.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "gfx/math.h"
#include "scene/scenery.h"
#include "show/frame.h"

namespace tools {

namespace {

using namespace scene;

constexpr std::uint32_t kBackground = show::kClearColor;
constexpr float kFieldOfView = 40 * gfx::kRadiansPerDegree;

bool SetUpLikeTheSaver(Device& device) {
    show::SetRunStates(device);
    device.SetSamplerState(0, SamplerState::kMagFilter, kTexfLinear);
    device.SetSamplerState(0, SamplerState::kMinFilter, kTexfLinear);
    return Succeeded(device.SetLight(0, SceneLight())) && Succeeded(device.LightEnable(0, true));
}

// Places the camera so that the mesh's bounding sphere fills most of the picture.
void FrameSubject(Device& device, const gfx::MeshData& mesh, float yawDegrees, float pitchDegrees) {
    gfx::Vec3 low = mesh.vertices.front().position, high = low;
    for (const auto& vertex : mesh.vertices) {
        low = {std::min(low.x, vertex.position.x), std::min(low.y, vertex.position.y), std::min(low.z, vertex.position.z)};
        high = {std::max(high.x, vertex.position.x), std::max(high.y, vertex.position.y),
                std::max(high.z, vertex.position.z)};
    }
    gfx::Vec3 centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
    float radius = 0;
    for (const auto& vertex : mesh.vertices) {
        gfx::Vec3 d{vertex.position.x - centre.x, vertex.position.y - centre.y, vertex.position.z - centre.z};
        radius = std::max(radius, std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
    }
    radius = std::max(radius, 1e-3f);
    float distance = radius / std::sin(kFieldOfView / 2) * 1.05f;
    float yaw = yawDegrees * gfx::kRadiansPerDegree, pitch = pitchDegrees * gfx::kRadiansPerDegree;
    gfx::Vec3 eye{centre.x + distance * std::cos(pitch) * std::sin(yaw), centre.y + distance * std::sin(pitch),
                  centre.z - distance * std::cos(pitch) * std::cos(yaw)};
    gfx::Viewport viewport;
    device.GetViewport(viewport);
    float aspect = static_cast<float>(viewport.width) / static_cast<float>(viewport.height);
    device.SetTransform(TransformType::kView, gfx::MatrixLookAtLH(eye, centre, {0, 1, 0}));
    float zNear = std::max(distance - radius * 1.5f, distance * 0.01f);
    device.SetTransform(TransformType::kProjection,
                        gfx::MatrixPerspectiveFovLH(kFieldOfView, aspect, zNear, distance + radius * 1.5f));
    device.SetTransform(TransformType::kWorld, gfx::MatrixIdentity());
}

}  // namespace

bool DrawSubject(Device& device, const Subject& subject, float yawDegrees, float pitchDegrees) {
    std::unique_ptr<Mesh> mesh;
    if (!SetUpLikeTheSaver(device) || Failed(device.CreateMesh(subject.mesh, mesh))) {
        return false;
    }
    std::unique_ptr<Texture> texture;
    if (subject.texture) {
        device.CreateTexture(*subject.texture, texture);
    }
    FrameSubject(device, subject.mesh, yawDegrees, pitchDegrees);
    device.Clear(kClearTarget | kClearZBuffer, kBackground, 1, 0);
    device.BeginScene();
    for (std::uint32_t i = 0; i < mesh->SubsetCount(); ++i) {
        const auto& materials = subject.mesh.materials;
        const gfx::MeshMaterial file = i < materials.size() ? materials[i] : gfx::MeshMaterial{};
        Material material;
        material.diffuse = material.ambient = file.diffuse;  // as the scenery and the aircraft do
        material.specular = file.specular;
        material.emissive = file.emissive;
        material.power = file.power;
        device.SetMaterial(material);
        device.SetTexture(0, file.textureFileName.empty() ? nullptr : texture.get());
        mesh->DrawSubset(i);
    }
    device.EndScene();
    return true;
}

}  // namespace tools
