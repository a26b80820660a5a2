#include "scene/recording_device.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gfx/image.h"
#include "gfx/mesh_file.h"

namespace scene {
namespace {

gfx::Matrix Translation(float x, float y, float z) {
    gfx::Matrix m;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

std::unique_ptr<VertexBuffer> MakeQuadBuffer(RecordingDevice& device) {
    std::unique_ptr<VertexBuffer> buffer;
    EXPECT_EQ(device.CreateVertexBuffer(128, kUsageWriteOnly, kFvfXyz | kFvfNormal | kFvfTex1, Pool::kManaged, buffer),
              kOk);
    return buffer;
}

TEST(RecordingDevice, DrawsCarryTheStateInForceWhenTheyWereMade) {
    RecordingDevice device;
    auto buffer = MakeQuadBuffer(device);
    auto texture = device.MakeTexture(4, 4);
    Material material;
    material.diffuse = {1, 1, 1, 0.25f};

    ASSERT_EQ(device.BeginScene(), kOk);
    device.SetStreamSource(0, buffer.get(), 0, 32);
    device.SetFVF(kFvfXyz | kFvfNormal | kFvfTex1);
    device.SetTexture(0, texture.get());
    device.SetMaterial(material);
    device.SetTransform(TransformType::kWorld, Translation(1, 2, 3));
    ASSERT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kOk);
    device.SetTexture(0, nullptr);
    device.SetTransform(TransformType::kWorld, Translation(4, 5, 6));
    ASSERT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kOk);
    device.EndScene();

    auto draws = device.Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].texture, texture.get());
    EXPECT_EQ(draws[0].buffer, buffer.get());
    EXPECT_FLOAT_EQ(draws[0].material.diffuse.a, 0.25f);
    EXPECT_FLOAT_EQ(draws[0].world.m[3][2], 3);
    EXPECT_TRUE(draws[0].inScene);
    EXPECT_EQ(draws[1].texture, nullptr);
    EXPECT_FLOAT_EQ(draws[1].world.m[3][0], 4);

    // The whole sequence is kept in call order.
    const auto& calls = device.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, CallKind::kCreateVertexBuffer);
    EXPECT_EQ(calls[0].length, 128u);
    EXPECT_EQ(calls[1].kind, CallKind::kBeginScene);
    EXPECT_EQ(calls.back().kind, CallKind::kEndScene);
}

TEST(RecordingDevice, KeepsStateWithTheDefaultsOfAFreshDevice) {
    RecordingDevice device;
    EXPECT_EQ(device.State().Get(RenderState::kCullMode), kCullCcw);
    EXPECT_EQ(device.State().Get(RenderState::kLighting), 1u);
    EXPECT_EQ(device.State().Get(RenderState::kZWriteEnable), 1u);
    EXPECT_EQ(device.State().Get(TextureStageState::kColorOp), kTopModulate);
    EXPECT_EQ(device.State().Get(SamplerState::kMipFilter), kTexfNone);

    gfx::Viewport viewport;
    device.GetViewport(viewport);
    EXPECT_EQ(viewport.width, 640u);
    EXPECT_EQ(viewport.height, 480u);
    device.SetViewport({0, 0, 800, 600, 0, 1});
    device.GetViewport(viewport);
    EXPECT_EQ(viewport.width, 800u);

    device.SetTransform(TransformType::kView, Translation(7, 8, 9));
    gfx::Matrix view;
    ASSERT_EQ(device.GetTransform(TransformType::kView, view), kOk);
    EXPECT_FLOAT_EQ(view.m[3][1], 8);

    device.SetRenderState(RenderState::kZFunc, kCmpLess);
    device.SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    EXPECT_EQ(device.ValuesSet(RenderState::kZFunc), (std::vector<std::uint32_t>{kCmpLess, kCmpLessEqual}));

    // Values no device here can honour are refused and change nothing.
    EXPECT_EQ(device.SetRenderState(RenderState::kZFunc, 99), kFail);
    EXPECT_EQ(device.State().Get(RenderState::kZFunc), kCmpLessEqual);
    EXPECT_EQ(device.SetTextureStageState(1, TextureStageState::kAlphaOp, kTopModulate), kFail);
}

TEST(RecordingDevice, FailsChosenOperationsWithoutChangingState) {
    RecordingDevice device;
    device.FailOn(CallKind::kCreateVertexBuffer);
    std::unique_ptr<VertexBuffer> buffer;
    EXPECT_EQ(device.CreateVertexBuffer(128, 0, 0, Pool::kManaged, buffer), kFail);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(device.LiveVertexBuffers(), 0u);
    device.FailOn(CallKind::kCreateVertexBuffer, false);
    buffer = MakeQuadBuffer(device);
    ASSERT_NE(buffer, nullptr);

    device.FailOn(CallKind::kSetLight);
    Light light;
    EXPECT_EQ(device.SetLight(0, light), kFail);
    EXPECT_EQ(device.State().FindLight(0), nullptr);
    EXPECT_EQ(device.CallsOf(CallKind::kSetLight).back().result, kFail);

    device.FailOn(CallKind::kLock);
    EXPECT_TRUE(buffer->Lock().empty());
}

TEST(RecordingDevice, VertexBuffersHoldWhatWasWrittenAndAreCountedUntilReleased) {
    RecordingDevice device;
    auto buffer = MakeQuadBuffer(device);
    const float value = 0.03f;
    auto memory = buffer->Lock();
    ASSERT_EQ(memory.size(), 128u);
    std::memcpy(memory.data() + 4, &value, sizeof value);
    buffer->Unlock();

    auto contents = device.Contents(buffer.get());
    ASSERT_EQ(contents.size(), 128u);
    float readBack = 0;
    std::memcpy(&readBack, contents.data() + 4, sizeof readBack);
    EXPECT_EQ(readBack, value);
    EXPECT_EQ(device.Count(CallKind::kLock), 1u);
    EXPECT_EQ(device.Count(CallKind::kUnlock), 1u);

    auto texture = device.MakeTexture(2, 2);
    device.SetStreamSource(0, buffer.get(), 0, 32);
    device.SetFVF(kFvfXyz | kFvfNormal | kFvfTex1);
    device.SetTexture(0, texture.get());
    EXPECT_EQ(device.LiveVertexBuffers(), 1u);
    EXPECT_EQ(device.LiveTextures(), 1u);
    buffer.reset();
    texture.reset();
    EXPECT_EQ(device.LiveVertexBuffers(), 0u);
    EXPECT_EQ(device.LiveTextures(), 0u);
    EXPECT_TRUE(device.Contents(nullptr).empty());
    // Released while bound, they leave no binding behind for a later draw to follow.
    EXPECT_EQ(device.State().stream.buffer, nullptr);
    EXPECT_EQ(device.State().texture, nullptr);
    EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kFail);
}

TEST(RecordingDevice, RefusesDrawsThatReadPastTheStreamAndNestedScenes) {
    RecordingDevice device;
    EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kFail);  // no stream
    auto buffer = MakeQuadBuffer(device);
    device.SetStreamSource(0, buffer.get(), 0, 32);
    device.SetFVF(kFvfXyz | kFvfNormal | kFvfTex1 | 0x040);  // a vertex colour no device draws
    EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kFail);
    device.SetFVF(kFvfXyz | kFvfNormal | kFvfTex1);
    EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2), kOk);
    EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleStrip, 1, 2), kFail);
    EXPECT_EQ(device.DrawPrimitive(PrimitiveType::kTriangleList, 0, 2), kFail);  // six vertices
    EXPECT_EQ(device.Draws().size(), 1u);

    EXPECT_EQ(device.EndScene(), kFail);
    EXPECT_EQ(device.BeginScene(), kOk);
    EXPECT_EQ(device.BeginScene(), kFail);
    EXPECT_EQ(device.EndScene(), kOk);
}

TEST(RecordingDevice, MakesObjectsFromDecodedDataAndRefusesBrokenData) {
    RecordingDevice device;
    gfx::Image image{100, 3, std::vector<std::uint8_t>(100 * 3 * 4)};
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(device.CreateTexture(image, texture), kOk);
    EXPECT_EQ(texture->Width(), 128u);
    EXPECT_EQ(texture->Height(), 4u);
    image.pixels.pop_back();
    EXPECT_EQ(device.CreateTexture(image, texture), kFail);
    EXPECT_EQ(texture, nullptr);

    gfx::MeshData data;
    data.vertices.resize(3);
    data.indices = {0, 1, 2};
    data.subsets = {{0, 3}};
    data.materials.resize(1);
    std::unique_ptr<Mesh> mesh;
    ASSERT_EQ(device.CreateMesh(data, mesh), kOk);
    EXPECT_EQ(mesh->SubsetCount(), 1u);
    EXPECT_EQ(mesh->DrawSubset(0), kOk);
    EXPECT_EQ(mesh->DrawSubset(1), kFail);
    EXPECT_EQ(device.Draws().back().mesh, mesh.get());

    data.indices[2] = 3;  // past the last vertex
    EXPECT_EQ(device.CreateMesh(data, mesh), kFail);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(device.LiveMeshes(), 0u);
}

}  // namespace
}  // namespace scene
