// The OpenGL device against the pictures the device semantics promise, read back offscreen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "gl_test_support.h"
#include "gfx/math.h"

namespace scene {
namespace {

using testing::FlatMaterial;
using testing::PixelAt;
using testing::Quad;
using testing::ReadBack;
using testing::Rgb;
using testing::UploadVertices;
using testing::Vertex;

constexpr std::uint32_t kSceneBlue = 0xff000028;
constexpr std::uint32_t kSceneAmbient = 0x00505050;

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        device = testing::MakeOffscreen();
        ASSERT_NE(device, nullptr) << "no offscreen OpenGL 3.3 device";
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    }

    void DrawQuad(const std::vector<Vertex>& vertices) {
        auto buffer = UploadVertices(*device, vertices);
        ASSERT_NE(buffer, nullptr);
        ASSERT_EQ(device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kOk);
        device->SetStreamSource(0, nullptr, 0, 0);
    }

    void FullScreenQuad(const Material& material, float z = 0.5f) {
        device->SetMaterial(material);
        DrawQuad(Quad(-1, -1, 1, 1, z));
    }

    Rgb Centre() { return PixelAt(ReadBack(*device), 32, 32); }

    std::unique_ptr<RenderDevice> device;
};

void ExpectNear(const Rgb& actual, float r, float g, float b, float tolerance = 2) {
    EXPECT_NEAR(actual.r, r * 255, tolerance);
    EXPECT_NEAR(actual.g, g * 255, tolerance);
    EXPECT_NEAR(actual.b, b * 255, tolerance);
}

TEST_F(GlDeviceTest, ClearsToTheExactColour) {
    ASSERT_EQ(device->Clear(kClearTarget | kClearZBuffer, kSceneBlue, 1, 0), kOk);
    auto image = ReadBack(*device);
    std::set<std::tuple<int, int, int>> colours;
    for (unsigned y = 0; y < image.height; ++y) {
        for (unsigned x = 0; x < image.width; ++x) {
            Rgb p = PixelAt(image, x, y);
            colours.insert({p.r, p.g, p.b});
        }
    }
    EXPECT_EQ(colours, (std::set<std::tuple<int, int, int>>{{0, 0, 40}}));
    EXPECT_EQ(device->Clear(kClearStencil, 0, 1, 0), kFail);  // there is no stencil buffer
}

// The lighting equation at one vertex in view space, as the device defines it.
gfx::Vec3 LitColour(const Material& m, const Light& light, float ambient, gfx::Vec3 n, gfx::Vec3 position,
                    bool specular) {
    gfx::Vec3 toLight = gfx::Vec3Normalize({-light.direction.x, -light.direction.y, -light.direction.z});
    float nDotL = n.x * toLight.x + n.y * toLight.y + n.z * toLight.z;
    gfx::Vec3 toEye = gfx::Vec3Normalize({-position.x, -position.y, -position.z});
    gfx::Vec3 h = gfx::Vec3Normalize({toEye.x + toLight.x, toEye.y + toLight.y, toEye.z + toLight.z});
    float nDotH = n.x * h.x + n.y * h.y + n.z * h.z;
    float d = std::max(nDotL, 0.0f);
    float s = specular && nDotL > 0 && nDotH > 0 ? std::pow(nDotH, m.power) : 0;
    auto channel = [&](float e, float a, float md, float ld, float ms, float ls) {
        return std::min(std::min(e + a * ambient + md * ld * d, 1.0f) + ms * ls * s, 1.0f);
    };
    return {channel(m.emissive.r, m.ambient.r, m.diffuse.r, light.diffuse.r, m.specular.r, light.specular.r),
            channel(m.emissive.g, m.ambient.g, m.diffuse.g, light.diffuse.g, m.specular.g, light.specular.g),
            channel(m.emissive.b, m.ambient.b, m.diffuse.b, light.diffuse.b, m.specular.b, light.specular.b)};
}

TEST_F(GlDeviceTest, LitTriangleFollowsTheLightingEquation) {
    Light light;
    light.type = LightType::kDirectional;
    light.diffuse = {1, 0.9f, 0.8f, 0};
    light.specular = {1, 1, 1, 0};
    light.direction = gfx::Vec3Normalize({0.3f, -0.5f, 0.8f});
    ASSERT_EQ(device->SetLight(0, light), kOk);
    ASSERT_EQ(device->LightEnable(0, true), kOk);
    device->SetRenderState(RenderState::kAmbient, kSceneAmbient);
    const float ambient = 0x50 / 255.0f;

    Material material;
    material.diffuse = {0.6f, 0.5f, 0.4f, 1};
    material.ambient = {0.3f, 0.2f, 0.1f, 1};
    material.emissive = {0.05f, 0.1f, 0.15f, 1};
    material.specular = {0.5f, 0.4f, 0.3f, 1};
    material.power = 8;

    // Without specular lighting the specular colour plays no part.
    FullScreenQuad(material);
    gfx::Vec3 flat = LitColour(material, light, ambient, {0, 0, -1}, {0, 0, 0.5f}, false);
    ExpectNear(Centre(), flat.x, flat.y, flat.z);

    // Normals turn with the world transform, through its inverse transpose and without being
    // made unit length again: stretching z by 2 halves a normal along z.
    device->SetTransform(TransformType::kWorld, gfx::MatrixRotationYawPitchRoll(0, 0.5f, 0));
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    FullScreenQuad(material);
    gfx::Vec4 turned = gfx::Vec3Transform({0, 0, -1}, gfx::MatrixRotationYawPitchRoll(0, 0.5f, 0));
    gfx::Vec3 tilted = LitColour(material, light, ambient, {turned.x, turned.y, turned.z}, {0, 0, 0.5f}, false);
    ExpectNear(Centre(), tilted.x, tilted.y, tilted.z);
    device->SetTransform(TransformType::kWorld, gfx::MatrixScaling(1, 1, 2));
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    FullScreenQuad(material, 0.2f);
    gfx::Vec3 stretched = LitColour(material, light, ambient, {0, 0, -0.5f}, {0, 0, 0.4f}, false);
    ExpectNear(Centre(), stretched.x, stretched.y, stretched.z);
    device->SetTransform(TransformType::kWorld, gfx::MatrixIdentity());

    // A light from behind the surface leaves emissive and ambient only.
    light.direction = {0, 0, -1};
    device->SetLight(0, light);
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    FullScreenQuad(material);
    ExpectNear(Centre(), 0.05f + 0.3f * ambient, 0.1f + 0.2f * ambient, 0.15f + 0.1f * ambient);

    // Specular is per vertex with a local viewer: the centre of a small quad is the mean of the
    // two corners on its diagonal.
    light.direction = gfx::Vec3Normalize({0.3f, -0.5f, 0.8f});
    device->SetLight(0, light);
    device->SetRenderState(RenderState::kSpecularEnable, 1);
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    device->SetMaterial(material);
    DrawQuad(Quad(-0.25f, -0.25f, 0.25f, 0.25f, 0.5f));
    gfx::Vec3 a = LitColour(material, light, ambient, {0, 0, -1}, {0.25f, 0.25f, 0.5f}, true);
    gfx::Vec3 b = LitColour(material, light, ambient, {0, 0, -1}, {-0.25f, -0.25f, 0.5f}, true);
    ExpectNear(Centre(), (a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2);
    EXPECT_GT((a.x + b.x) / 2, flat.x + 0.05f) << "the case must show specular light";
}

TEST_F(GlDeviceTest, PointAndSpotLightsFadeWithDistanceRangeAndCone) {
    Material material;
    material.diffuse = {0.8f, 0.8f, 0.8f, 1};
    Light lamp;
    lamp.type = LightType::kPoint;
    lamp.diffuse = {1, 1, 1, 0};
    lamp.position = {0, 0, 0};  // at the eye, facing the quad
    lamp.range = 10;
    lamp.attenuation0 = 1;
    lamp.attenuation1 = 2;
    device->LightEnable(0, true);
    auto litCentre = [&](const Light& light) {
        device->SetLight(0, light);
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        device->SetMaterial(material);
        DrawQuad(Quad(-0.05f, -0.05f, 0.05f, 0.05f, 0.5f));
        return Centre();
    };
    // Every corner sees the lamp at the same distance and angle.
    const float distance = std::sqrt(0.05f * 0.05f * 2 + 0.25f);
    const float expected = 0.8f * (0.5f / distance) / (1 + 2 * distance);
    ExpectNear(litCentre(lamp), expected, expected, expected);
    lamp.range = 0.4f;
    ExpectNear(litCentre(lamp), 0, 0, 0);

    Light spot = lamp;
    spot.type = LightType::kSpot;
    spot.range = 10;
    spot.direction = {0, 0, 1};
    spot.theta = 0.5f;  // the corners are 8 degrees off the axis: inside the bright cone
    spot.phi = 1.0f;
    spot.falloff = 1;
    ExpectNear(litCentre(spot), expected, expected, expected);
    spot.direction = {0, 0, -1};  // turned away
    ExpectNear(litCentre(spot), 0, 0, 0);
}

TEST_F(GlDeviceTest, CullsCounterClockwiseFacesUnlessToldOtherwise) {
    auto quad = Quad(-1, -1, 1, 1, 0.5f);
    std::vector<Vertex> mirrored = {quad[1], quad[0], quad[3], quad[2]};  // counter-clockwise on screen
    device->SetMaterial(FlatMaterial(1, 1, 1));
    DrawQuad(mirrored);
    ExpectNear(Centre(), 0, 0, 0, 0);
    DrawQuad(quad);
    ExpectNear(Centre(), 1, 1, 1, 0);

    device->Clear(kClearTarget, 0xff000000, 1, 0);
    device->SetRenderState(RenderState::kCullMode, kCullCw);
    DrawQuad(quad);
    ExpectNear(Centre(), 0, 0, 0, 0);
    device->SetRenderState(RenderState::kCullMode, kCullNone);
    DrawQuad(mirrored);
    ExpectNear(Centre(), 1, 1, 1, 0);
}

TEST_F(GlDeviceTest, DepthLessHidesAnEqualDepthRedrawThatLessEqualShows) {
    device->SetRenderState(RenderState::kZFunc, kCmpLess);
    FullScreenQuad(FlatMaterial(1, 0, 0));
    FullScreenQuad(FlatMaterial(0, 1, 0));
    ExpectNear(Centre(), 1, 0, 0, 0);
    device->SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    FullScreenQuad(FlatMaterial(0, 0, 1));
    ExpectNear(Centre(), 0, 0, 1, 0);

    // Without depth writes a nearer quad leaves the way open for a farther one.
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    device->SetRenderState(RenderState::kZWriteEnable, 0);
    FullScreenQuad(FlatMaterial(1, 0, 0), 0.2f);
    device->SetRenderState(RenderState::kZWriteEnable, 1);
    FullScreenQuad(FlatMaterial(0, 1, 0), 0.8f);
    ExpectNear(Centre(), 0, 1, 0, 0);
}

TEST_F(GlDeviceTest, HalfAlphaBlendsToTheMean) {
    device->SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device->SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device->SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    device->SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    device->SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    FullScreenQuad(FlatMaterial(1, 0, 0));
    FullScreenQuad(FlatMaterial(0, 0, 1, 0.5f));
    ExpectNear(Centre(), 0.5f, 0, 0.5f, 1);
}

// A material whose emissive colour is white lights to white at its diffuse alpha, which the
// device draws without running the lighting; wherever a light or a material colour could pull
// the sum under white, and wherever such a material is drawn in one batch with others, the
// lighting must still run.
TEST_F(GlDeviceTest, WhiteEmissiveMaterialsStayWhiteAndWhatCanDarkenThemStillDoes) {
    device->SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device->SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device->SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    device->SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    device->SetRenderState(RenderState::kAmbient, kSceneAmbient);
    device->SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    const float ambient = 0x50 / 255.0f;
    Light light;
    light.diffuse = {1, 1, 1, 0};
    light.direction = {0, 0, 1};  // straight onto the quads
    device->SetLight(0, light);
    device->LightEnable(0, true);
    Material puff;
    puff.emissive = {1, 1, 1, 1};
    puff.diffuse = puff.ambient = {0.5f, 0.5f, 0.5f, 0.4f};
    // Over red: white at alpha 0.4.
    auto overRed = [&](const Material& material) {
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        FullScreenQuad(FlatMaterial(1, 0, 0));
        FullScreenQuad(material);
        return Centre();
    };
    ExpectNear(overRed(puff), 1, 0.4f, 0.4f);

    const float dimmed = 1 + 0.5f * ambient - 0.5f;  // a light of diffuse -1 head on
    light.diffuse = {-1, -1, -1, 0};
    device->SetLight(0, light);
    ExpectNear(overRed(puff), 0.4f * dimmed + 0.6f, 0.4f * dimmed, 0.4f * dimmed);
    light.diffuse = {1, 1, 1, 0};
    light.ambient = {0, -3, 0, 0};
    device->SetLight(0, light);
    ExpectNear(overRed(puff), 1, 0.4f * (1 + 0.5f * (ambient - 3) + 0.5f), 0.4f);
    light.ambient = {0, 0, 0, 0};
    device->SetLight(0, light);
    Material darkDiffuse = puff;
    darkDiffuse.diffuse = {-0.5f, 0.5f, 0.5f, 0.4f};
    ExpectNear(overRed(darkDiffuse), 0.4f * (1 + 0.5f * ambient - 0.5f) + 0.6f, 0.4f, 0.4f);

    // One batch, two instances side by side: the white puff on the left, a grey one on the right.
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    auto buffer = UploadVertices(*device, Quad(-1, -1, 0, 1, 0.5f));
    ASSERT_NE(buffer, nullptr);
    [[maybe_unused]] const auto before = device->Stats();
    device->SetMaterial(puff);
    device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
    device->SetTransform(TransformType::kWorld, gfx::MatrixTranslation(1, 0, 0));
    Material grey = FlatMaterial(0.5f, 0.5f, 0.5f, 0.4f);
    device->SetMaterial(grey);
    device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
    device->SetTransform(TransformType::kWorld, gfx::MatrixIdentity());
    const gfx::Image both = ReadBack(*device);
#if !defined(_WIN32)
    // The OpenGL device draws the two as one instanced batch, which is the case under test; the
    // Direct3D 9 device has no instancing without a vertex shader and issues each draw.
    EXPECT_EQ(device->Stats().drawCalls - before.drawCalls, 1u) << "the case needs one batch";
#endif
    ExpectNear(PixelAt(both, 16, 32), 0.4f, 0.4f, 0.4f);
    ExpectNear(PixelAt(both, 48, 32), 0.2f, 0.2f, 0.2f);
}

class GlTextureStageTest : public GlDeviceTest {
protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        device->SetRenderState(RenderState::kAlphaBlendEnable, 1);
        device->SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
        device->SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    }

    std::unique_ptr<Texture> MakeTexture(const gfx::Image& image) {
        std::unique_ptr<Texture> texture;
        EXPECT_EQ(device->CreateTexture(image, texture), kOk);
        return texture;
    }

    // Red at half alpha through stage 0 with `alphaOp`, over black.
    Rgb DrawRed(Texture* texture, std::uint32_t alphaOp) {
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, TextureStageState::kAlphaOp, alphaOp);
        device->SetTextureStageState(0, TextureStageState::kAlphaArg1, kTaTexture);
        device->SetTextureStageState(0, TextureStageState::kAlphaArg2, kTaCurrent);
        FullScreenQuad(FlatMaterial(1, 0, 0, 0.5f));
        return Centre();
    }
};

TEST_F(GlTextureStageTest, AlphaSelectsTheTextureOrModulatesItWithTheMaterial) {
    auto texture = MakeTexture(testing::SolidImage(4, 4, 255, 255, 255, 128));
    EXPECT_NEAR(DrawRed(texture.get(), kTopSelectArg1).r, 128, 1);
    EXPECT_NEAR(DrawRed(texture.get(), kTopModulate).r, 64, 1);
}

// A stage without a texture passes the material on wherever its operation would read the
// texture: the material's alpha even where the texture's alpha is selected (a glass canopy
// stays glass), the material's colour even where the texture's colour is selected.
TEST_F(GlTextureStageTest, AnOperationOnAMissingTexturePassesTheMaterialOn) {
    struct Case {
        std::uint32_t op, arg1, arg2;
    };
    const Case alphaCases[] = {{kTopSelectArg1, kTaTexture, kTaCurrent}, {kTopSelectArg2, kTaCurrent, kTaTexture},
                               {kTopModulate, kTaTexture, kTaCurrent},   {kTopSelectArg2, kTaTexture, kTaCurrent},
                               {kTopSelectArg1, kTaDiffuse, kTaTexture}};
    for (const Case& alpha : alphaCases) {
        device->SetTextureStageState(0, TextureStageState::kAlphaArg1, alpha.arg1);
        device->SetTextureStageState(0, TextureStageState::kAlphaArg2, alpha.arg2);
        device->SetTextureStageState(0, TextureStageState::kAlphaOp, alpha.op);
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        device->SetTexture(0, nullptr);
        FullScreenQuad(FlatMaterial(1, 0, 0, 0.5f));
        EXPECT_NEAR(Centre().r, 128, 1) << alpha.op << " " << alpha.arg1 << " " << alpha.arg2;
    }
    // The colour selected from the missing texture is the material's red, not white.
    device->SetTextureStageState(0, TextureStageState::kColorOp, kTopSelectArg1);
    device->SetTextureStageState(0, TextureStageState::kAlphaOp, kTopSelectArg2);
    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    FullScreenQuad(FlatMaterial(1, 0, 0, 1));
    ExpectNear(Centre(), 1, 0, 0, 1);
    // With a texture the same operations read it.
    auto green = MakeTexture(testing::SolidImage(4, 4, 0, 255, 0, 255));
    EXPECT_EQ(DrawRed(green.get(), kTopSelectArg1).g, 255) << "the colour must come through the texture";
    device->SetTextureStageState(0, TextureStageState::kColorOp, kTopModulate);
    EXPECT_EQ(DrawRed(green.get(), kTopSelectArg1).r, 0);
}

// The device leaves blending out where it cannot change a pixel; wherever a fragment's alpha
// may be below 1, it must still blend.
TEST_F(GlTextureStageTest, BlendsEveryFragmentWhoseAlphaMayBeBelowOne) {
    // Opaque red but for one clear texel at the top right, point-sampled over a blue frame.
    gfx::Image almostOpaque{2, 2, {255, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255}};
    auto texture = MakeTexture(almostOpaque);
    auto opaque = MakeTexture(testing::SolidImage(2, 2, 255, 0, 0, 255));
    device->SetRenderState(RenderState::kZFunc, kCmpAlways);
    auto drawOverBlue = [&](Texture* drawn, std::uint32_t alphaOp, float materialAlpha) {
        device->Clear(kClearTarget | kClearZBuffer, 0xff0000ff, 1, 0);
        device->SetTexture(0, drawn);
        device->SetTextureStageState(0, TextureStageState::kAlphaOp, alphaOp);
        FullScreenQuad(FlatMaterial(1, 1, 1, materialAlpha));
        return ReadBack(*device);
    };
    const auto selected = drawOverBlue(texture.get(), kTopSelectArg1, 1);
    EXPECT_EQ(PixelAt(selected, 61, 2).b, 255) << "the clear texel must let the frame through";
    EXPECT_EQ(PixelAt(selected, 2, 2).r, 255);
    EXPECT_EQ(PixelAt(selected, 2, 2).b, 0);
    // An opaque texture whose alpha is modulated with the material's half alpha still blends.
    EXPECT_NEAR(PixelAt(drawOverBlue(opaque.get(), kTopModulate, 0.5f), 32, 32).b, 128, 1);
    // Selected from an opaque texture, the colour is the texture's exactly.
    const Rgb covered = PixelAt(drawOverBlue(opaque.get(), kTopSelectArg1, 0.5f), 32, 32);
    EXPECT_EQ(covered.r, 255);
    EXPECT_EQ(covered.b, 0);
}

TEST_F(GlTextureStageTest, PointAndLinearFilteringDifferOnATwoByTwoTexture) {
    gfx::Image checker{2, 2, {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 255}};
    auto texture = MakeTexture(checker);
    device->SetTexture(0, texture.get());
    device->SetRenderState(RenderState::kLighting, 0);

    auto levels = [&](std::uint32_t filter) {
        device->SetSamplerState(0, SamplerState::kMagFilter, filter);
        device->SetSamplerState(0, SamplerState::kMinFilter, filter);
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        DrawQuad(Quad(-1, -1, 1, 1, 0.5f));
        auto image = ReadBack(*device);
        std::set<int> greys;
        for (unsigned y = 0; y < image.height; ++y) {
            for (unsigned x = 0; x < image.width; ++x) {
                greys.insert(PixelAt(image, x, y).r);
            }
        }
        return std::make_pair(greys.size(), image);
    };
    auto [pointLevels, pointImage] = levels(kTexfPoint);
    EXPECT_EQ(pointLevels, 2u);
    // The first texel of the image is at the top left of the quad.
    EXPECT_EQ(PixelAt(pointImage, 2, 2).r, 255);
    EXPECT_EQ(PixelAt(pointImage, 61, 2).r, 0);
    EXPECT_GT(levels(kTexfLinear).first, 20u);
}

// A one-texel black and white checker averages to grey from its second level down: a quad an
// eighth of the texture's size shows grey only if every level reached the texture.
TEST_F(GlTextureStageTest, MinifiedTexturesReadTheirSmallerLevels) {
    gfx::Image checker{64, 64, {}};
    for (unsigned y = 0; y < 64; ++y) {
        for (unsigned x = 0; x < 64; ++x) {
            const std::uint8_t v = (x + y) % 2 == 0 ? 255 : 0;
            checker.pixels.insert(checker.pixels.end(), {v, v, v, 255});
        }
    }
    auto texture = MakeTexture(checker);
    device->SetTexture(0, texture.get());
    device->SetRenderState(RenderState::kLighting, 0);
    device->SetSamplerState(0, SamplerState::kMinFilter, kTexfPoint);

    auto greys = [&](std::uint32_t mipFilter) {
        device->SetSamplerState(0, SamplerState::kMipFilter, mipFilter);
        device->Clear(kClearTarget | kClearZBuffer, 0xff0000ff, 1, 0);
        DrawQuad(Quad(-0.125f, -0.125f, 0.125f, 0.125f, 0.5f));  // 8 x 8 pixels
        auto image = ReadBack(*device);
        std::set<int> seen;
        for (unsigned y = 29; y < 35; ++y) {
            for (unsigned x = 29; x < 35; ++x) {
                seen.insert(PixelAt(image, x, y).r);
            }
        }
        return seen;
    };
    for (std::uint32_t filter : {kTexfPoint, kTexfLinear}) {
        for (int grey : greys(filter)) {
            EXPECT_NEAR(grey, 128, 1) << "mip filter " << filter;
        }
    }
    const std::set<int> topLevel = greys(kTexfNone);
    EXPECT_TRUE(std::ranges::all_of(topLevel, [](int grey) { return grey == 0 || grey == 255; }));
}

TEST_F(GlDeviceTest, ProjectedPointLandsOnThePixelTheProjectFunctionPredicts) {
    device->SetRenderState(RenderState::kCullMode, kCullNone);
    gfx::Viewport viewport;
    device->GetViewport(viewport);
    const gfx::Matrix view = gfx::MatrixLookAtLH({60, 0.2f, -27}, {10, 8, 5}, {0, 1, 0});
    const gfx::Matrix projection = gfx::MatrixPerspectiveFovLH(0.5f, 1, 1, 1000);
    device->SetTransform(TransformType::kView, view);
    device->SetTransform(TransformType::kProjection, projection);
    device->SetMaterial(FlatMaterial(1, 1, 1));

    // Small squares facing the camera, placed so that their edges fall at different fractions
    // of a pixel: a rasteriser half a pixel off gets some of them wrong.
    gfx::Matrix facing = view;
    facing.m[3][0] = facing.m[3][1] = facing.m[3][2] = 0;
    for (const gfx::Vec3& point : {gfx::Vec3{14, 9, 2}, gfx::Vec3{13.6f, 8.8f, 2}, gfx::Vec3{14.3f, 9.2f, 2.4f}}) {
        SCOPED_TRACE(::testing::Message() << "square at " << point.x << ", " << point.y << ", " << point.z);
        gfx::Matrix world =
            gfx::MatrixMultiply(gfx::MatrixInverse(facing), gfx::MatrixTranslation(point.x, point.y, point.z));
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        device->SetTransform(TransformType::kWorld, world);
        DrawQuad(Quad(-1.5f, -1.5f, 1.5f, 1.5f, 0));

        // The pixels whose centres lie inside the projected square, left and top edges included.
        auto corner = [&](float x, float y) {
            gfx::Vec4 p = gfx::Vec3Transform({x, y, 0}, world);
            return gfx::Vec3Project({p.x, p.y, p.z}, viewport, projection, view, gfx::MatrixIdentity());
        };
        gfx::Vec3 topLeft = corner(-1.5f, 1.5f), bottomRight = corner(1.5f, -1.5f);
        gfx::Vec3 centre = gfx::Vec3Project(point, viewport, projection, view, gfx::MatrixIdentity());
        ASSERT_NEAR((topLeft.x + bottomRight.x) / 2, centre.x, 0.01);
        auto image = ReadBack(*device);
        for (unsigned y = 0; y < image.height; ++y) {
            for (unsigned x = 0; x < image.width; ++x) {
                bool inside = x >= std::ceil(topLeft.x) && x < std::ceil(bottomRight.x) &&
                              y >= std::ceil(topLeft.y) && y < std::ceil(bottomRight.y);
                ASSERT_EQ(PixelAt(image, x, y).r > 128, inside) << "pixel " << x << ", " << y;
            }
        }
    }

    // Depth runs 0 at the near plane to 1 at the far one: a square between the eye and the near
    // plane is clipped away, one just beyond it is drawn.
    auto drawAtDistance = [&](float distance) {
        device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
        device->SetTransform(TransformType::kView, gfx::MatrixIdentity());
        device->SetTransform(TransformType::kWorld, gfx::MatrixTranslation(0, 0, distance));
        DrawQuad(Quad(-1, -1, 1, 1, 0));
        return Centre().r;
    };
    EXPECT_EQ(drawAtDistance(0.8f), 0);
    EXPECT_EQ(drawAtDistance(1.2f), 255);
}

}  // namespace
}  // namespace scene
