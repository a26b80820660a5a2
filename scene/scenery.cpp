#include "scene/scenery.h"

#include "platform/message_box.h"
#include "scene/d3dx.h"

namespace scene {
namespace {

struct ModelResources {
    int mesh;
    int texture;
    const char* missingModel;
    const char* missingTexture;
};

constexpr ModelResources kSky{kSkyMeshResource, kSkyTextureResource, "Could not find SKY.x",
                              "Could not find sky texture map"};
constexpr ModelResources kGround{kGroundMeshResource, kGroundTextureResource, "Could not find RUNWAY.x",
                                 "Could not find land texture map"};

// Every texture a scenery model names is its one image resource, whatever the file name says.
HResult LoadModel(Device& device, const ModelResources& resources, SceneryModel& model) {
    std::vector<MeshMaterial> loaded;
    if (platform::Failed(LoadMeshFromXResource(device, resources.mesh, loaded, model.mesh))) {
        platform::ShowMessage(resources.missingModel);
        return platform::kFail;
    }
    model.materials.clear();
    model.textures.clear();
    for (const MeshMaterial& m : loaded) {
        Material material = m.material;
        material.ambient = material.diffuse;
        model.materials.push_back(material);
        std::unique_ptr<Texture>& texture = model.textures.emplace_back();
        if (m.textureFilename.empty()) continue;
        if (platform::Failed(CreateTextureFromResource(device, resources.texture, texture))) {
            texture.reset();
            platform::ShowMessage(resources.missingTexture);
        }
    }
    return platform::kOk;
}

}  // namespace

void SceneryModel::Draw(Device& device) const {
    for (std::uint32_t i = 0; i < SubsetCount(); ++i) {
        device.SetMaterial(materials[i]);
        device.SetTexture(0, textures[i].get());
        if (mesh) mesh->DrawSubset(i);
    }
}

Light SceneLight() {
    Light light{};
    light.type = LightType::kDirectional;
    light.diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.specular = {1.0f, 1.0f, 1.0f, 0.0f};
    light.ambient = {0.0f, 0.0f, 0.0f, 0.0f};
    light.direction = gfx::Vec3Normalize({-0.3f, -0.6f, 0.0f});
    light.range = 1000.0f;
    return light;
}

HResult Scenery::SetUpLight(Device& device) {
    if (platform::Failed(device.SetLight(0, SceneLight()))) return platform::kFail;
    if (platform::Failed(device.LightEnable(0, true))) return platform::kFail;
    return platform::kOk;
}

HResult Scenery::LoadSky(Device& device) { return LoadModel(device, kSky, sky); }

HResult Scenery::LoadGround(Device& device) { return LoadModel(device, kGround, ground); }

void Scenery::Draw(Device& device) const {
    device.SetRenderState(RenderState::kZFunc, kCmpLess);
    device.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopSelectArg1);
    device.SetTextureStageState(0, TextureStageState::kAlphaArg1, kTaTexture);
    device.SetTextureStageState(0, TextureStageState::kAlphaArg2, kTaCurrent);
    device.SetSamplerState(0, SamplerState::kMagFilter, kTexfLinear);
    device.SetSamplerState(0, SamplerState::kMinFilter, kTexfLinear);
    device.SetTransform(TransformType::kWorld, gfx::MatrixIdentity());
    sky.Draw(device);
    device.SetTransform(TransformType::kWorld, gfx::MatrixIdentity());
    ground.Draw(device);
    device.SetSamplerState(0, SamplerState::kMagFilter, kTexfPoint);
    device.SetSamplerState(0, SamplerState::kMinFilter, kTexfPoint);
}

}  // namespace scene
