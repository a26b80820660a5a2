#include "tools/assets/asset_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "gfx/mesh_file.h"
#include "platform/resources.h"

namespace assets {

using namespace scene;

namespace {

constexpr float kRadians = 0.017453292f;
constexpr std::uint32_t kPuffFvf = kFvfXyz | kFvfNormal | kFvfTex1;

// Puffs grow with the square root of their age and fade with a tenth power of it.
void DrawPuffs(AssetScene& s, std::vector<Puff> puffs) {
    Device& d = *s.device;
    gfx::Matrix view;
    d.GetTransform(TransformType::kView, view);
    std::sort(puffs.begin(), puffs.end(), [&](const Puff& a, const Puff& b) {
        return gfx::Vec3TransformCoord(a.position, view).z > gfx::Vec3TransformCoord(b.position, view).z;
    });
    gfx::Matrix rotation = view;
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0;
    gfx::Matrix billboard = gfx::MatrixInverse(rotation);
    d.SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    d.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    d.SetStreamSource(0, s.puffQuad.get(), 0, 32);
    d.SetFVF(kPuffFvf);
    d.SetTexture(0, s.puffTexture.get());
    for (const Puff& p : puffs) {
        float fade = 1 - p.age * 0.000011111111f, alpha = 0.007f;
        float power = 1;
        for (int i = 0; i < 10; ++i) power *= fade;
        alpha += power;
        float size = std::sqrt(p.age) * 0.3f;
        Material m{{1, 1, 1, alpha}, {1, 1, 1, 1}, {0, 0, 0, 0}, {1, 1, 1, 1}, 0};
        d.SetMaterial(m);
        d.SetTransform(TransformType::kWorld,
                       gfx::MatrixMultiply(gfx::MatrixMultiply(gfx::MatrixScaling(size, size, 1), billboard),
                                           gfx::MatrixTranslation(p.position.x, p.position.y, p.position.z)));
        d.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
    }
}

int TextureResource(const std::string& name, int meshId, int aircraftNumber) {
    if (meshId == 161) return 230;
    if (meshId == 163) return 158;
    const struct {
        const char* name;
        int id;
    } table[] = {{"KZ000.jpg", 147}, {"KZ001.jpg", 159}, {"KZ002.jpg", 149}, {"KZ003.jpg", 150}, {"KZ004.jpg", 151 + aircraftNumber}};
    for (const auto& row : table) {
        if (name == row.name) return row.id;
    }
    return -1;
}

std::unique_ptr<Texture> MakeTexture(Device& device, int resourceId) {
    std::unique_ptr<Texture> texture;
    auto bytes = platform::FindResource(platform::ResourceType::kRCDATA, resourceId);
    std::optional<gfx::Image> image = bytes ? gfx::DecodeImage(*bytes) : std::nullopt;
    if (!image || Failed(device.CreateTexture(*image, texture))) {
        std::fprintf(stderr, "no texture from RCDATA %d\n", resourceId);
    }
    return texture;
}

// The device set-up of the saver's window and the scene light.
void SetUpDevice(Device& device) {
    device.SetRenderState(RenderState::kZEnable, 1);
    device.SetRenderState(RenderState::kAmbient, 0x00505050);
    device.SetRenderState(RenderState::kSpecularEnable, 1);
    device.SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device.SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device.SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    Light light;
    light.type = LightType::kDirectional;
    light.diffuse = {1, 1, 1, 0};
    light.specular = {1, 1, 1, 0};
    light.direction = gfx::Vec3Normalize({-0.3f, -0.6f, 0.0f});
    light.range = 1000;
    device.SetLight(0, light);
    device.LightEnable(0, true);
}

}  // namespace

void Model::Draw(Device& device) const {
    for (std::uint32_t j = 0; j < materials.size(); ++j) {
        device.SetMaterial(materials[j]);
        device.SetTexture(0, textures[j].get());
        mesh->DrawSubset(j);
    }
}

bool LoadModel(Device& device, int meshId, int aircraftNumber, Model& model) {
    auto bytes = platform::FindResource(platform::ResourceType::kMESH, meshId);
    gfx::MeshFileResult file = bytes ? gfx::LoadMeshFile(*bytes) : gfx::MeshFileResult{gfx::MeshFileError::NoMesh, 0, {}};
    if (!file || Failed(device.CreateMesh(file.mesh, model.mesh))) {
        std::fprintf(stderr, "cannot load MESH %d: %s\n", meshId, gfx::Describe(file.error));
        return false;
    }
    for (const gfx::MeshMaterial& m : file.mesh.materials) {
        model.materials.push_back({m.diffuse, m.diffuse, m.specular, m.emissive, m.power});
        model.textures.push_back(m.textureFileName.empty()
                                     ? nullptr
                                     : MakeTexture(device, TextureResource(m.textureFileName, meshId, aircraftNumber)));
    }
    return true;
}

bool MakeAssetScene(unsigned width, unsigned height, AssetScene& s) {
    s.device = CreateOffscreenDevice(width, height, DeviceType::kReference);
    if (!s.device) {
        std::fputs("no offscreen device\n", stderr);
        return false;
    }
    SetUpDevice(*s.device);
    // The unit puff quad: position, normal, texture coordinates, as a triangle strip.
    const float quad[4][8] = {{-0.03f, 0.03f, 0, 0, 0, -1, 0, 0},
                              {0.03f, 0.03f, 0, 0, 0, -1, 1, 0},
                              {-0.03f, -0.03f, 0, 0, 0, -1, 0, 1},
                              {0.03f, -0.03f, 0, 0, 0, -1, 1, 1}};
    if (Failed(s.device->CreateVertexBuffer(sizeof(quad), kUsageWriteOnly, kPuffFvf, Pool::kManaged, s.puffQuad))) return false;
    std::span<std::byte> bytes = s.puffQuad->Lock();
    if (bytes.size() < sizeof(quad)) return false;
    std::memcpy(bytes.data(), quad, sizeof(quad));
    s.puffQuad->Unlock();
    s.puffTexture = MakeTexture(*s.device, 226);
    return LoadModel(*s.device, 161, 0, s.sky) && LoadModel(*s.device, 163, 0, s.ground);
}

gfx::Image DrawFrame(AssetScene& s, const std::vector<Placed>& aircraft, gfx::Vec3 eye, gfx::Vec3 at, float fovDegrees,
                     const std::vector<Puff>& puffs) {
    Device& d = *s.device;
    gfx::Viewport viewport;
    d.GetViewport(viewport);
    d.SetTransform(TransformType::kView, gfx::MatrixLookAtLH(eye, at, {0, 1, 0}));
    d.SetTransform(TransformType::kProjection, gfx::MatrixPerspectiveFovLH(fovDegrees * kRadians,
                   static_cast<float>(viewport.width) / viewport.height, 0.05f, 2000.0f));
    d.Clear(kClearTarget | kClearZBuffer, ColorArgb(0, 0, 0, 0x20), 1.0f, 0);
    d.BeginScene();
    d.SetRenderState(RenderState::kZFunc, kCmpLess);
    d.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopSelectArg1);
    d.SetTextureStageState(0, TextureStageState::kAlphaArg1, kTaTexture);
    d.SetTextureStageState(0, TextureStageState::kAlphaArg2, kTaCurrent);
    d.SetSamplerState(0, SamplerState::kMagFilter, kTexfLinear);
    d.SetSamplerState(0, SamplerState::kMinFilter, kTexfLinear);
    d.SetTransform(TransformType::kWorld, gfx::MatrixIdentity());
    s.sky.Draw(d);
    s.ground.Draw(d);
    d.SetSamplerState(0, SamplerState::kMagFilter, kTexfPoint);
    d.SetSamplerState(0, SamplerState::kMinFilter, kTexfPoint);
    for (const Placed& a : aircraft) {
        d.SetTransform(TransformType::kWorld, a.world);
        a.model->Draw(d);
    }
    if (!puffs.empty()) DrawPuffs(s, puffs);
    d.EndScene();
    gfx::Image image;
    s.device->ReadBackBuffer(image);
    return image;
}

}  // namespace assets
