#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/mesh_file.h"

namespace {

using namespace gfx;

MeshFileResult Load(const std::string& text) {
    return LoadMeshFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// A frame moved by (10, 0, 0) and scaled by 2 holding a sub-frame moved by (0, 5, 0) that
// holds the mesh: a unit square (one four-cornered face) and a triangle above it. The square
// uses the material by reference, the triangle the inline one with a texture.
const std::string kSample = R"(xof 0302txt 0064
// exported by hand
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}
Header { 1; 0; 1; }
# a material that the list refers to
Material Grey {
 0.5; 0.5; 0.5; 1.0;;
 12.5;
 0.25; 0.25; 0.25;;
 0.0; 0.0; 0.1;;
}
Frame Body {
 FrameTransformMatrix {
  2.0, 0.0, 0.0, 0.0,
  0.0, 2.0, 0.0, 0.0,
  0.0, 0.0, 2.0, 0.0,
  10.0, 0.0, 0.0, 1.0;;
 }
 Frame Fin {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,5,0,1;; }
  Mesh FinMesh {
   5;
   0.0; 0.0; 0.0;,
   0.0; 1.0; 0.0;,
   1.0; 1.0; 0.0;,
   1.0; 0.0; 0.0;,
   0.5; 2.0; 0.0;;
   2;
   4; 0, 1, 2, 3;,
   3; 1, 4, 2;;
   MeshNormals {
    2;
    0.0; 0.0; -1.0;,
    0.0; 0.0; 1.0;;
    2;
    4; 0, 0, 0, 0;,
    3; 1, 1, 1;;
   }
   MeshTextureCoords {
    5;
    0.0; 1.0;, 0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;, 0.5; -1.0;;
   }
   MeshMaterialList {
    2;
    2;
    1,
    0;;
    Material Livery {
     1.0; 0.8; 0.2; 0.75;;
     5.0;
     1.0; 1.0; 1.0;;
     0.2; 0.2; 0.2;;
     TextureFilename { "KZ004.jpg"; }
    }
    { Grey }
   }
  }
 }
}
)";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

void ExpectVec3(const Vec3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(MeshFile, LoadsSubsetsMaterialsAndTransformedVertices) {
    const MeshFileResult loaded = Load(kSample);
    ASSERT_TRUE(loaded) << Describe(loaded.error) << " at line " << loaded.line;
    const MeshData& mesh = loaded.mesh;

    // Vertex i is position i; position 1 and 2 carry two normals and are split once each.
    ASSERT_EQ(mesh.vertices.size(), 7u);
    ExpectVec3(mesh.vertices[0].position, 10, 10, 0);  // (0, 0, 0) + (0, 5, 0), scaled, + (10, 0, 0)
    ExpectVec3(mesh.vertices[4].position, 11, 14, 0);
    EXPECT_FLOAT_EQ(mesh.vertices[4].texCoord.y, -1);
    ExpectVec3(mesh.vertices[4].normal, 0, 0, 1);  // unit length after the scaling frame

    // Subset 0 is the triangle (material 0, Livery); subset 1 the square as a fan.
    ASSERT_EQ(mesh.subsets.size(), 2u);
    EXPECT_EQ(mesh.subsets[0].firstIndex, 0u);
    EXPECT_EQ(mesh.subsets[0].indexCount, 3u);
    EXPECT_EQ(mesh.subsets[1].firstIndex, 3u);
    EXPECT_EQ(mesh.subsets[1].indexCount, 6u);
    const std::vector<std::uint32_t> square(mesh.indices.begin() + 3, mesh.indices.end());
    EXPECT_EQ(square, (std::vector<std::uint32_t>{0, 5, 6, 0, 6, 3}));  // 1 and 2 split; winding as written
    // The triangle: corner 4 unsplit; 1 and 2 first used by it, then split for the square.
    EXPECT_EQ(mesh.indices[1], 4u);
    ExpectVec3(mesh.vertices[mesh.indices[0]].normal, 0, 0, 1);
    ExpectVec3(mesh.vertices[square[1]].normal, 0, 0, -1);
    ExpectVec3(mesh.vertices[square[1]].position, 10, 12, 0);
    EXPECT_NE(square[1], mesh.indices[0]);

    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_EQ(mesh.materials[0].textureFileName, "KZ004.jpg");
    EXPECT_FLOAT_EQ(mesh.materials[0].diffuse.a, 0.75f);
    EXPECT_FLOAT_EQ(mesh.materials[0].power, 5);
    EXPECT_EQ(mesh.materials[1].textureFileName, "");
    EXPECT_FLOAT_EQ(mesh.materials[1].power, 12.5f);
    EXPECT_FLOAT_EQ(mesh.materials[1].specular.g, 0.25f);
    EXPECT_FLOAT_EQ(mesh.materials[1].emissive.b, 0.1f);
}

TEST(MeshFile, AcceptsVariantsTheFormatAllows) {
    EXPECT_TRUE(Load(Replace(kSample, "0302txt 0064", "0303txt 0032")));
    // Exponents, a plus sign, and a value below the float range (taken as 0).
    const auto exponents = Load(Replace(kSample, "0.5; 2.0; 0.0;;", "5e-1; +2.0E0; -1e-60;;"));
    ASSERT_TRUE(exponents) << Describe(exponents.error);
    ExpectVec3(exponents.mesh.vertices[4].position, 11, 14, 0);
    // One material index for all faces.
    const auto single = Load(Replace(kSample, "2;\n    1,\n    0;;", "1;\n    0;;"));
    ASSERT_TRUE(single) << Describe(single.error);
    EXPECT_EQ(single.mesh.subsets[0].indexCount, 9u);
    EXPECT_EQ(single.mesh.subsets[1].indexCount, 0u);
    // Without a material list: one plain white material for the whole mesh.
    const size_t list = kSample.find("   MeshMaterialList");
    const std::string bare = kSample.substr(0, list) + "  }\n }\n}\n";
    const auto plain = Load(bare);
    ASSERT_TRUE(plain) << Describe(plain.error) << " line " << plain.line;
    ASSERT_EQ(plain.mesh.materials.size(), 1u);
    EXPECT_EQ(plain.mesh.subsets[0].indexCount, 9u);
    EXPECT_FLOAT_EQ(plain.mesh.materials[0].diffuse.r, 1);
    // Two meshes: their materials follow each other, subset j still drawn with material j.
    const size_t frame = kSample.find("Frame Body");
    const auto twice = Load(kSample + kSample.substr(frame));
    ASSERT_TRUE(twice);
    ASSERT_EQ(twice.mesh.materials.size(), 4u);
    EXPECT_EQ(twice.mesh.subsets[2].firstIndex, 9u);
    EXPECT_EQ(twice.mesh.materials[2].textureFileName, "KZ004.jpg");
    EXPECT_EQ(twice.mesh.vertices.size(), 14u);
    EXPECT_EQ(twice.mesh.indices[9 + 1], 7u + 4u);  // the second mesh's own vertices
}

TEST(MeshFile, EveryTruncationIsAnError) {
    for (size_t length = 0; length + 1 < kSample.size(); ++length) {  // all but the final newline
        const auto result = Load(kSample.substr(0, length));
        ASSERT_FALSE(result) << "cut at " << length;
        ASSERT_TRUE(result.mesh.vertices.empty());
    }
}

TEST(MeshFile, MalformedDataIsReported) {
    struct Case {
        const char* what;
        std::string text;
        MeshFileError error;
    };
    const Case cases[] = {
        {"binary", Replace(kSample, "txt ", "bin "), MeshFileError::BadHeader},
        {"face index", Replace(kSample, "3; 1, 4, 2;;", "3; 1, 5, 2;;"), MeshFileError::IndexOutOfRange},
        {"normal index", Replace(kSample, "3; 1, 1, 1;;", "3; 1, 2, 1;;"), MeshFileError::IndexOutOfRange},
        {"material index", Replace(kSample, "1,\n    0;;", "2,\n    0;;"), MeshFileError::IndexOutOfRange},
        {"huge vertex count", Replace(kSample, "   5;\n   0.0;", "   4000000000;\n   0.0;"), MeshFileError::TooLarge},
        {"huge face count", Replace(kSample, "   2;\n   4;", "   999999999;\n   4;"), MeshFileError::TooLarge},
        {"count beyond 32 bits", Replace(kSample, "   5;\n   0.0;", "   99999999999;\n   0.0;"), MeshFileError::Syntax},
        {"more vertices than said", Replace(kSample, "   5;\n   0.0;", "   4;\n   0.0;"), MeshFileError::Syntax},
        {"fewer vertices than said", Replace(kSample, "   5;\n   0.0;", "   6;\n   0.0;"), MeshFileError::Syntax},
        {"normal faces", Replace(kSample, "    2;\n    4; 0", "    1;\n    4; 0"), MeshFileError::CountMismatch},
        {"normal corners", Replace(kSample, "4; 0, 0, 0, 0;", "3; 0, 0, 0;"), MeshFileError::CountMismatch},
        {"texture coordinates", Replace(kSample, "    5;\n    0.0; 1.0;", "    4;\n    0.0; 1.0;"),
         MeshFileError::CountMismatch},
        {"material count", Replace(kSample, "    2;\n    2;\n    1,", "    3;\n    2;\n    1,"),
         MeshFileError::CountMismatch},
        {"more materials than said", Replace(kSample, "    { Grey }", "    { Grey }\n    { Grey }"),
         MeshFileError::CountMismatch},
        {"undefined material", Replace(kSample, "{ Grey }", "{ Gray }"), MeshFileError::UnknownReference},
        {"not a number", Replace(kSample, "0.5; 2.0; 0.0;;", "0.5; two; 0.0;;"), MeshFileError::Syntax},
        {"number with junk", Replace(kSample, "0.5; 2.0; 0.0;;", "0.5; 2.0f; 0.0;;"), MeshFileError::Syntax},
        {"beyond the float range", Replace(kSample, "0.5; 2.0; 0.0;;", "0.5; 2e39; 0.0;;"), MeshFileError::Syntax},
        {"NaN", Replace(kSample, "0.5; 2.0; 0.0;;", "0.5; 1.#QNAN0; 0.0;;"), MeshFileError::Syntax},
        {"two-cornered face", Replace(kSample, "3; 1, 4, 2;;", "2; 1, 4;;"), MeshFileError::Syntax},
        {"negative index", Replace(kSample, "3; 1, 4, 2;;", "3; 1, -4, 2;;"), MeshFileError::Syntax},
        {"stray brace", kSample + "}\n", MeshFileError::Syntax},
        {"no faces section", Replace(kSample, "   2;\n   4; 0, 1, 2, 3;,\n   3; 1, 4, 2;;", ""), MeshFileError::Syntax},
        {"unclosed string", Replace(kSample, "\"KZ004.jpg\"", "\"KZ004.jpg"), MeshFileError::UnexpectedEnd},
        {"no mesh", kSample.substr(0, kSample.find("Frame Body")), MeshFileError::NoMesh},
    };
    for (const Case& c : cases) {
        const auto result = Load(c.text);
        EXPECT_EQ(result.error, c.error) << c.what << ": " << Describe(result.error) << " at line " << result.line;
    }
    std::string deep = "xof 0302txt 0064\n";
    for (int i = 0; i < 100000; ++i) deep += "Frame {";
    EXPECT_EQ(Load(deep).error, MeshFileError::TooDeep);
    std::string wide = "xof 0302txt 0064\nUnknown {";  // skipped without recursion
    for (int i = 0; i < 100000; ++i) wide += "{";
    EXPECT_EQ(Load(wide).error, MeshFileError::UnexpectedEnd);
}

TEST(MeshFile, ErrorsNameTheirLine) {
    const auto result = Load(Replace(kSample, "3; 1, 4, 2;;", "3; 1, 9, 2;;"));
    EXPECT_EQ(result.error, MeshFileError::IndexOutOfRange);
    EXPECT_EQ(result.line, 35u);
}

}  // namespace
