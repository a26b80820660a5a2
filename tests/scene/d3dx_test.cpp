#include "scene/d3dx.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/resources.h"
#include "scene/recording_device.h"

namespace scene {
namespace {

using platform::ResourceType;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Two triangles, one per material; the first material names a texture.
const std::string kTwoMaterialMesh = R"(xof 0302txt 0064
Mesh Wing {
 4;
 0.0; 0.0; 0.0;, 0.0; 1.0; 0.0;, 1.0; 1.0; 0.0;, 1.0; 0.0; 0.0;;
 2;
 3; 0, 1, 2;,
 3; 0, 2, 3;;
 MeshMaterialList {
  2;
  2;
  0,
  1;;
  Material {
   1.0; 0.5; 0.25; 0.75;;
   5.0;
   0.1; 0.2; 0.3;;
   0.0; 0.0; 0.4;;
   TextureFilename { "any.jpg"; }
  }
  Material {
   0.2; 0.2; 0.2; 1.0;;
   0.0;
   0.0; 0.0; 0.0;;
   0.0; 0.0; 0.0;;
  }
 }
}
)";

// An uncompressed 32-bit Targa image of `width` x `height`, all one colour.
std::vector<std::uint8_t> Targa(std::uint16_t width, std::uint16_t height) {
    std::vector<std::uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
                                       static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
                                       32, 8};
    for (int i = 0; i < width * height; ++i) {
        bytes.insert(bytes.end(), {10, 20, 30, 128});
    }
    return bytes;
}

TEST(LoadMeshFromXResource, GivesOneSubsetAndOneMaterialPerMaterialOfTheFile) {
    platform::ScopedResourceOverride resources;
    resources.Replace(ResourceType::kMESH, 901, Bytes(kTwoMaterialMesh));
    RecordingDevice device;
    std::vector<MeshMaterial> materials;
    std::unique_ptr<Mesh> mesh;
    ASSERT_EQ(LoadMeshFromXResource(device, 901, materials, mesh), kOk);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->SubsetCount(), 2u);
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_FLOAT_EQ(materials[0].material.diffuse.a, 0.75f);
    EXPECT_FLOAT_EQ(materials[0].material.power, 5);
    EXPECT_FLOAT_EQ(materials[0].material.specular.b, 0.3f);
    EXPECT_FLOAT_EQ(materials[0].material.emissive.b, 0.4f);
    EXPECT_EQ(materials[0].textureFilename, "any.jpg");
    EXPECT_EQ(materials[1].textureFilename, "");
}

TEST(LoadMeshFromXResource, FailsWithNothingLeftForMissingBrokenOrRefusedMeshes) {
    platform::ScopedResourceOverride resources;
    resources.Hide(ResourceType::kMESH, 902);
    resources.Replace(ResourceType::kMESH, 903, Bytes(kTwoMaterialMesh.substr(0, 60)));
    resources.Replace(ResourceType::kMESH, 904, Bytes(kTwoMaterialMesh));
    RecordingDevice device;
    device.FailOn(CallKind::kCreateMesh);
    std::vector<MeshMaterial> materials(3);
    std::unique_ptr<Mesh> mesh = device.MakeMesh(1, 3);
    for (int id : {902, 903, 904}) {
        EXPECT_EQ(LoadMeshFromXResource(device, id, materials, mesh), kFail) << id;
        EXPECT_TRUE(materials.empty());
        EXPECT_EQ(mesh, nullptr);
    }
    EXPECT_EQ(device.LiveMeshes(), 0u);
}

TEST(CreateTextureFromResource, DecodesTheImageAndRoundsItsSizeUp) {
    platform::ScopedResourceOverride resources;
    resources.Replace(ResourceType::kRCDATA, 905, Targa(100, 100));
    resources.Replace(ResourceType::kRCDATA, 906, {0xff, 0xd8, 0xff, 0xe0, 1, 2});  // a JPEG that stops at once
    resources.Hide(ResourceType::kRCDATA, 907);
    RecordingDevice device;
    std::unique_ptr<Texture> texture;
    ASSERT_EQ(CreateTextureFromResource(device, 905, texture), kOk);
    EXPECT_EQ(texture->Width(), 128u);
    EXPECT_EQ(texture->Height(), 128u);
    EXPECT_EQ(CreateTextureFromResource(device, 906, texture), kFail);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(CreateTextureFromResource(device, 907, texture), kFail);
}

}  // namespace
}  // namespace scene
