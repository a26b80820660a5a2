// The device on Direct3D 9: what each operation hands to IDirect3DDevice9, what it refuses,
// textures and meshes as made, who releases what, and pictures read back.

#include <gtest/gtest.h>

#include <cstring>

#include "gfx/image.h"
#include "gfx/math.h"
#include "gfx/mesh_file.h"
#include "scene/d3d9/d3d9_device.h"
#include "scene/d3d9/d3d9_objects.h"

namespace {

using namespace scene;

class D3d9DeviceTest : public testing::Test {
protected:
    void SetUp() override {
        made = CreateOffscreenDevice(64, 48, DeviceType::kHardware);
        ASSERT_TRUE(made);
        device = static_cast<d3d9::D3d9Device*>(made.get());
    }
    IDirect3DDevice9& Direct3D() const { return device->Direct3DDevice(); }
    DWORD HeldState(D3DRENDERSTATETYPE type) const {
        DWORD value = 0xDEADBEEF;
        Direct3D().GetRenderState(type, &value);
        return value;
    }

    std::unique_ptr<RenderDevice> made;
    d3d9::D3d9Device* device = nullptr;
};

gfx::Image Chequer(unsigned width, unsigned height) {
    gfx::Image image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            std::uint8_t* p = &image.pixels[(std::size_t{y} * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 7);
            p[1] = static_cast<std::uint8_t>(y * 5);
            p[2] = (x + y) % 2 ? 255 : 0;
            p[3] = static_cast<std::uint8_t>(128 + x);
        }
    }
    return image;
}

gfx::MeshData Triangle() {
    gfx::MeshData mesh;
    mesh.vertices = {{{-1, -1, 0}, {0, 0, -1}, {0, 1}}, {{0, 1, 0}, {0, 0, -1}, {0.5f, 0}}, {{1, -1, 0}, {0, 0, -1}, {1, 1}}};
    mesh.indices = {0, 1, 2};
    mesh.subsets = {{0, 3}};
    mesh.materials.resize(1);
    return mesh;
}

TEST_F(D3d9DeviceTest, StatesReachTheDeviceAndRefusedOnesDoNot) {
    const std::pair<scene::RenderState, std::uint32_t> states[] = {
        {RenderState::kZEnable, 0},          {RenderState::kZWriteEnable, 0}, {RenderState::kSrcBlend, kBlendSrcAlpha},
        {RenderState::kDestBlend, kBlendInvSrcAlpha}, {RenderState::kCullMode, kCullNone},
        {RenderState::kZFunc, kCmpLess},     {RenderState::kAlphaBlendEnable, 1}, {RenderState::kSpecularEnable, 1},
        {RenderState::kLighting, 0},         {RenderState::kAmbient, 0x00505050},
    };
    for (auto [type, value] : states) {
        EXPECT_EQ(device->SetRenderState(type, value), kOk);
        EXPECT_EQ(HeldState(static_cast<D3DRENDERSTATETYPE>(type)), value) << static_cast<int>(type);
    }
    EXPECT_EQ(device->SetRenderState(RenderState::kCullMode, 9), kFail);
    EXPECT_EQ(HeldState(D3DRS_CULLMODE), DWORD{D3DCULL_NONE});

    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate), kOk);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::kAlphaArg2, kTaCurrent), kOk);
    DWORD value = 0;
    Direct3D().GetTextureStageState(0, D3DTSS_ALPHAOP, &value);
    EXPECT_EQ(value, DWORD{D3DTOP_MODULATE});
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::kColorOp, 77), kFail);
    Direct3D().GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, DWORD{D3DTOP_MODULATE});  // the device's default, untouched

    EXPECT_EQ(device->SetSamplerState(0, SamplerState::kMagFilter, kTexfLinear), kOk);
    Direct3D().GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
    EXPECT_EQ(value, DWORD{D3DTEXF_LINEAR});
    EXPECT_EQ(device->SetSamplerState(0, SamplerState::kMinFilter, 0), kFail);
    Direct3D().GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD{D3DTEXF_POINT});
}

TEST_F(D3d9DeviceTest, TransformsMaterialsAndLightsReachTheDevice) {
    const gfx::Matrix world = gfx::MatrixTranslation(1, 2, 3);
    const gfx::Matrix projection = gfx::MatrixPerspectiveFovLH(0.5f, 1.3f, 1, 100);
    ASSERT_EQ(device->SetTransform(TransformType::kWorld, world), kOk);
    ASSERT_EQ(device->SetTransform(TransformType::kProjection, projection), kOk);
    D3DMATRIX held{};
    Direct3D().GetTransform(D3DTS_WORLD, &held);
    EXPECT_EQ(std::memcmp(&held, &world, sizeof held), 0);
    EXPECT_EQ(held._41, 1);  // the translation is the fourth row
    Direct3D().GetTransform(D3DTS_PROJECTION, &held);
    EXPECT_EQ(std::memcmp(&held, &projection, sizeof held), 0);
    gfx::Matrix back;
    ASSERT_EQ(device->GetTransform(TransformType::kWorld, back), kOk);
    EXPECT_EQ(std::memcmp(&back, &world, sizeof back), 0);

    Material material{{1, 0.5f, 0.25f, 0.75f}, {0.1f, 0.2f, 0.3f, 1}, {1, 1, 1, 1}, {0.25f, 0.25f, 0.25f, 1}, 5};
    ASSERT_EQ(device->SetMaterial(material), kOk);
    D3DMATERIAL9 onDevice{};
    Direct3D().GetMaterial(&onDevice);
    EXPECT_EQ(onDevice.Diffuse.g, 0.5f);
    EXPECT_EQ(onDevice.Diffuse.a, 0.75f);
    EXPECT_EQ(onDevice.Ambient.b, 0.3f);
    EXPECT_EQ(onDevice.Emissive.r, 0.25f);
    EXPECT_EQ(onDevice.Power, 5);

    Light sun;
    sun.diffuse = {1, 1, 1, 0};
    sun.specular = {1, 1, 1, 0};
    sun.direction = {-0.447f, -0.894f, 0};
    sun.range = 1000;
    ASSERT_EQ(device->SetLight(0, sun), kOk);
    ASSERT_EQ(device->LightEnable(0, true), kOk);
    D3DLIGHT9 light{};
    Direct3D().GetLight(0, &light);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Direction.y, -0.894f);
    EXPECT_EQ(light.Range, 1000);
    BOOL enabled = FALSE;
    Direct3D().GetLightEnable(0, &enabled);
    EXPECT_TRUE(enabled);
}

TEST_F(D3d9DeviceTest, TexturesHaveTheWholeMipChainInTheManagedPool) {
    const gfx::Image image = Chequer(177, 100);
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(device->CreateTexture(image, texture), kOk);
    EXPECT_EQ(texture->Width(), 256u);
    EXPECT_EQ(texture->Height(), 128u);
    ASSERT_EQ(device->SetTexture(0, texture.get()), kOk);
    IDirect3DBaseTexture9* bound = nullptr;
    ASSERT_EQ(Direct3D().GetTexture(0, &bound), D3D_OK);
    ASSERT_NE(bound, nullptr);
    auto* object = static_cast<IDirect3DTexture9*>(bound);
    EXPECT_EQ(object->GetLevelCount(), 9u);  // 256 x 128 down to 1 x 1
    D3DSURFACE_DESC level{};
    object->GetLevelDesc(0, &level);
    EXPECT_EQ(level.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(level.Format, D3DFMT_A8R8G8B8);
    const std::vector<gfx::Image> chain = gfx::BuildMipChain(image);
    for (UINT i : {0u, 3u, 8u}) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(object->LockRect(i, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const auto* texel = static_cast<const std::uint8_t*>(locked.pBits) + locked.Pitch * (chain[i].height - 1);
        const std::uint8_t* expected = chain[i].Pixel(0, chain[i].height - 1);
        EXPECT_EQ(texel[0], expected[2]) << i;  // B, G, R, A
        EXPECT_EQ(texel[1], expected[1]) << i;
        EXPECT_EQ(texel[2], expected[0]) << i;
        EXPECT_EQ(texel[3], expected[3]) << i;
        object->UnlockRect(i);
    }
    bound->Release();
    std::unique_ptr<Texture> none;
    EXPECT_EQ(device->CreateTexture(gfx::Image{4, 4, {}}, none), kFail);
    EXPECT_FALSE(none);
}

TEST_F(D3d9DeviceTest, ObjectsOfAnotherDeviceAreRefused) {
    auto other = CreateOffscreenDevice(16, 16, DeviceType::kHardware);
    ASSERT_TRUE(other);
    std::unique_ptr<Texture> texture;
    std::unique_ptr<VertexBuffer> buffer;
    ASSERT_EQ(other->CreateTexture(Chequer(4, 4), texture), kOk);
    ASSERT_EQ(other->CreateVertexBuffer(96, kUsageWriteOnly, kFvfXyz, Pool::kManaged, buffer), kOk);
    EXPECT_EQ(device->SetTexture(0, texture.get()), kFail);
    EXPECT_EQ(device->SetStreamSource(0, buffer.get(), 0, 12), kFail);
}

TEST_F(D3d9DeviceTest, ReleasingABoundObjectUnbindsItAndTheLastReleaseEndsTheDevice) {
    IDirect3DDevice9* raw = &Direct3D();
    raw->AddRef();
    std::unique_ptr<Texture> texture;
    std::unique_ptr<VertexBuffer> buffer;
    std::unique_ptr<Mesh> mesh;
    ASSERT_EQ(device->CreateTexture(Chequer(8, 8), texture), kOk);
    ASSERT_EQ(device->CreateVertexBuffer(96, kUsageWriteOnly, kFvfXyz, Pool::kManaged, buffer), kOk);
    ASSERT_EQ(device->CreateMesh(Triangle(), mesh), kOk);
    ASSERT_EQ(device->SetTexture(0, texture.get()), kOk);
    ASSERT_EQ(device->SetStreamSource(0, buffer.get(), 0, 12), kOk);
    texture.reset();
    buffer.reset();
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    Direct3D().GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    IDirect3DVertexBuffer9* stream = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
    UINT offset = 0, stride = 0;
    Direct3D().GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::kTriangleList, 0, 1), kFail);  // nothing to draw from

    made.reset();  // the mesh still holds the device
    EXPECT_GT(raw->AddRef(), 1u);
    raw->Release();
    EXPECT_EQ(mesh->DrawSubset(0), kOk);
    mesh.reset();
    EXPECT_EQ(raw->Release(), 0u);  // everything that held the device has let go
}

TEST_F(D3d9DeviceTest, VertexBuffersLockOnceAndHoldWhatWasWritten) {
    std::unique_ptr<VertexBuffer> buffer;
    ASSERT_EQ(device->CreateVertexBuffer(36, kUsageWriteOnly, kFvfXyz, Pool::kManaged, buffer), kOk);
    EXPECT_EQ(buffer->Length(), 36u);
    std::span<std::byte> memory = buffer->Lock();
    ASSERT_EQ(memory.size(), 36u);
    EXPECT_TRUE(buffer->Lock().empty());  // already locked
    const float corners[9] = {-1, -1, 0.5f, 0, 1, 0.5f, 1, -1, 0.5f};
    std::memcpy(memory.data(), corners, sizeof corners);
    buffer->Unlock();
    std::unique_ptr<VertexBuffer> empty;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, kFvfXyz, Pool::kManaged, empty), kFail);

    // Unlit and untransformed, without vertex colours or a texture, the triangle is white over
    // the dark blue, across the middle of the picture.
    ASSERT_EQ(device->SetRenderState(RenderState::kLighting, 0), kOk);
    ASSERT_EQ(device->SetStreamSource(0, buffer.get(), 0, 12), kOk);
    ASSERT_EQ(device->SetFVF(kFvfXyz), kOk);
    ASSERT_EQ(device->Clear(kClearTarget | kClearZBuffer, 0xff000028, 1, 0), kOk);
    ASSERT_EQ(device->BeginScene(), kOk);
    EXPECT_EQ(device->BeginScene(), kFail);  // scenes do not nest
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::kTriangleList, 0, 1), kOk);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::kTriangleList, 1, 1), kFail);  // beyond the buffer
    ASSERT_EQ(device->EndScene(), kOk);
    gfx::Image picture;
    ASSERT_EQ(device->ReadBackBuffer(picture), scene::kOk);
    const std::uint8_t* middle = picture.Pixel(32, 30);
    EXPECT_EQ(middle[0], 255);
    EXPECT_EQ(middle[2], 255);
    const std::uint8_t* corner = picture.Pixel(1, 1);
    EXPECT_EQ(corner[0], 0);
    EXPECT_EQ(corner[2], 40);
    EXPECT_EQ(device->Stats().drawCalls, 1u);
}

TEST_F(D3d9DeviceTest, AClearOfTheStencilIsRefused) {
    EXPECT_EQ(device->Clear(kClearTarget | kClearStencil, 0, 1, 0), kFail);
    EXPECT_EQ(device->EndScene(), kFail);
}

TEST_F(D3d9DeviceTest, FramesAreDrawnWithMorePrecisionThanTheBackBuffer) {
    auto drawnInto = [&] {
        IDirect3DSurface9* target = nullptr;
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(Direct3D().GetRenderTarget(0, &target))) {
            target->GetDesc(&desc);
            target->Release();
        }
        return desc;
    };
    EXPECT_EQ(drawnInto().Format, D3DFMT_A16B16G16R16F);
    EXPECT_EQ(drawnInto().Width, 64u);
    ASSERT_TRUE(device->SetColourPrecision(ColourPrecision::kFloat));
    EXPECT_EQ(drawnInto().Format, D3DFMT_A32B32G32R32F);
    ASSERT_TRUE(device->SetColourPrecision(ColourPrecision::kEightBit));
    EXPECT_EQ(drawnInto().Format, D3DFMT_X8R8G8B8);
}

// A discarding swap may leave anything in the back buffer after Present: the frame read back
// afterwards is still the frame drawn, in every precision.
TEST_F(D3d9DeviceTest, TheFrameCanBeReadBackAfterItWasPresented) {
    for (ColourPrecision precision : {ColourPrecision::kEightBit, ColourPrecision::kHalfFloat, ColourPrecision::kFloat}) {
        SCOPED_TRACE(static_cast<int>(precision));
        ASSERT_TRUE(device->SetColourPrecision(precision));
        ASSERT_EQ(device->Clear(kClearTarget | kClearZBuffer, 0xff204060, 1, 0), kOk);
        ASSERT_EQ(device->BeginScene(), kOk);
        ASSERT_EQ(device->EndScene(), kOk);
        device->Present();
        device->Present();
        gfx::Image picture;
        ASSERT_EQ(device->ReadBackBuffer(picture), scene::kOk);
        const std::uint8_t* pixel = picture.Pixel(10, 10);
        EXPECT_EQ(pixel[0], 0x20);
        EXPECT_EQ(pixel[1], 0x40);
        EXPECT_EQ(pixel[2], 0x60);
    }
}

}  // namespace
