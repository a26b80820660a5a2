#include "bench/device/puff_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/random.h"

namespace bench {

namespace {

constexpr std::uint32_t kQuadFvf = scene::kFvfXyz | scene::kFvfNormal | scene::kFvfTex1;

PuffScene MakeScene() {
    PuffScene scene;
    scene.view = gfx::MatrixLookAtLH({0, 1, 0}, {0, 10, 100}, {0, 1, 0});
    scene.projection = gfx::MatrixPerspectiveFovLH(30 * gfx::kRadiansPerDegree, 4.0f / 3, 1, 1000);
    gfx::Matrix rotation = scene.view;
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0;
    const gfx::Matrix billboard = gfx::MatrixInverse(rotation);
    platform::SeedRand(1);
    auto unit = [] { return static_cast<float>(platform::Rand()) / platform::kRandMax; };
    for (int i = 0; i < kPuffCount; ++i) {
        float depth = 400 - 300 * static_cast<float>(i) / kPuffCount;
        float age = 90000 * unit();
        float size = std::sqrt(age) * 0.3f;
        gfx::Matrix world = gfx::MatrixMultiply(gfx::MatrixMultiply(gfx::MatrixScaling(size, size, 1), billboard),
                                                gfx::MatrixTranslation(unit() * 200 - 100, unit() * 80, depth));
        float fade = 1 - age * 0.000011111111f;
        scene.puffs.push_back({world, std::pow(fade, 10.0f) + 0.007f});
    }
    scene.image = {64, 64, {}};
    for (unsigned y = 0; y < 64; ++y) {
        for (unsigned x = 0; x < 64; ++x) {
            float dx = (static_cast<float>(x) - 31.5f) / 32, dy = (static_cast<float>(y) - 31.5f) / 32;
            auto alpha = static_cast<std::uint8_t>(255 * std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy)));
            scene.image.pixels.insert(scene.image.pixels.end(), {230, 230, 235, alpha});
        }
    }
    return scene;
}

}  // namespace

const float kPuffQuad[4][8] = {{-kHalfSide, kHalfSide, 0, 0, 0, -1, 0, 0},
                               {kHalfSide, kHalfSide, 0, 0, 0, -1, 1, 0},
                               {-kHalfSide, -kHalfSide, 0, 0, 0, -1, 0, 1},
                               {kHalfSide, -kHalfSide, 0, 0, 0, -1, 1, 1}};

const PuffScene& ThePuffScene() {
    static const PuffScene scene = MakeScene();
    return scene;
}

PuffPass PreparePuffPass(scene::Device& device) {
    using namespace scene;
    const PuffScene& scene = ThePuffScene();
    PuffPass pass;
    device.CreateVertexBuffer(sizeof kPuffQuad, kUsageWriteOnly, kQuadFvf, Pool::kManaged, pass.quad);
    if (pass.quad) {
        std::memcpy(pass.quad->Lock().data(), kPuffQuad, sizeof kPuffQuad);
        pass.quad->Unlock();
    }
    device.CreateTexture(scene.image, pass.texture);
    device.SetTransform(TransformType::kView, scene.view);
    device.SetTransform(TransformType::kProjection, scene.projection);
    Light sun;
    sun.diffuse = {1, 1, 1, 0};
    sun.direction = gfx::Vec3Normalize({-0.3f, -0.6f, 0});
    device.SetLight(0, sun);
    device.LightEnable(0, true);
    device.SetRenderState(RenderState::kAmbient, 0x00505050);
    device.SetRenderState(RenderState::kSpecularEnable, 1);
    device.SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device.SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device.SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    device.SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    device.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    return pass;
}

void DrawPuffFrame(scene::RenderDevice& device, const PuffPass& pass) {
    using namespace scene;
    Material material;
    material.diffuse = material.ambient = material.emissive = {1, 1, 1, 1};
    device.Clear(kClearTarget | kClearZBuffer, 0xff000028, 1, 0);
    device.BeginScene();
    for (const Puff& puff : ThePuffScene().puffs) {  // what the smoke code does for every puff
        material.diffuse.a = puff.alpha;
        device.SetMaterial(material);
        device.SetStreamSource(0, pass.quad.get(), 0, 32);
        device.SetFVF(kQuadFvf);
        device.SetTexture(0, pass.texture.get());
        device.SetTransform(TransformType::kWorld, puff.world);
        device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
    }
    device.EndScene();
    device.Present();
    device.Finish();
}

}  // namespace bench
