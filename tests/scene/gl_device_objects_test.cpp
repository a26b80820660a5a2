// The OpenGL device's objects: meshes, textures and vertex buffers, what they refuse, and their
// release after the device that made them.

#include <gtest/gtest.h>

#include "gl_test_support.h"
#include "gfx/mesh_file.h"
#include "scene/recording_device.h"

namespace scene {
namespace {

using testing::PixelAt;
using testing::ReadBack;
using testing::UploadVertices;

TEST(GlDeviceObjects, MeshesDrawTheirSubsetsAndObjectsStayUsableAfterTheirDevice) {
    auto device = testing::MakeOffscreen();
    ASSERT_NE(device, nullptr);
    gfx::MeshData data;
    auto corner = [](float x, float y) { return gfx::MeshVertex{{x, y, 0.5f}, {0, 0, -1}, {0, 0}}; };
    data.vertices = {corner(-1, 1), corner(0, 1), corner(-1, -1), corner(0, -1),
                     corner(0, 1),  corner(1, 1), corner(0, -1),  corner(1, -1)};
    data.indices = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};  // clockwise: left half, right half
    data.subsets = {{0, 6}, {6, 6}};
    data.materials.resize(2);
    std::unique_ptr<Mesh> mesh;
    ASSERT_EQ(device->CreateMesh(data, mesh), kOk);
    EXPECT_EQ(mesh->SubsetCount(), 2u);

    device->Clear(kClearTarget | kClearZBuffer, 0xff000000, 1, 0);
    device->SetMaterial(testing::FlatMaterial(0, 1, 0));
    EXPECT_EQ(mesh->DrawSubset(1), kOk);
    EXPECT_EQ(mesh->DrawSubset(2), kFail);
    auto image = ReadBack(*device);
    EXPECT_EQ(PixelAt(image, 16, 32).g, 0);
    EXPECT_EQ(PixelAt(image, 48, 32).g, 255);

    data.indices[4] = 8;  // past the last vertex
    std::unique_ptr<Mesh> broken;
    EXPECT_EQ(device->CreateMesh(data, broken), kFail);

    // Textures round up to powers of two; objects of another device are refused.
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(device->CreateTexture(testing::SolidImage(100, 3, 1, 2, 3, 4), texture), kOk);
    EXPECT_EQ(texture->Width(), 128u);
    EXPECT_EQ(texture->Height(), 4u);
    RecordingDevice other;
    auto foreign = other.MakeTexture(4, 4);
    EXPECT_EQ(device->SetTexture(0, foreign.get()), kFail);

    // A draw past the end of its stream draws nothing and says so.
    auto buffer = UploadVertices(*device, testing::Quad(-1, -1, 1, 1, 0.5f));
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::kTriangleStrip, 1, 2), kFail);

    // Released after the device, the objects still clean up in their own context.
    device->SetTexture(0, texture.get());
    device.reset();
    texture.reset();
    buffer.reset();
    mesh.reset();
}

}  // namespace
}  // namespace scene
