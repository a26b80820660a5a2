// The committed meshes and images, checked by tools that are not ours (assimp, djpeg,
// ImageMagick, gdk-pixbuf), by the embedded-resource table, and against a fresh run of the
// generator.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <set>

#include "aircraft/aircraft.h"
#include "app/saver_app.h"
#include "platform/resources.h"
#include "scene/scenery.h"
#include "tests/assets/external_tools.h"

namespace assets_test {
namespace {

namespace fs = std::filesystem;
using platform::ResourceType;

const fs::path kResources = fs::path(VANTARO_SOURCE_DIR) / "resources";
const std::multiset<std::string> kAircraftTextures = {"KZ000.jpg", "KZ001.jpg", "KZ002.jpg", "KZ003.jpg", "KZ004.jpg"};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct ModelCase {
    const char* file;
    size_t materials;
    std::multiset<std::string> textures;
};

// The full models and the light ones drawn while an aircraft is small on screen.
const char* const kAircraftModels[] = {"KZ.x", "KZd.x", "KZ_light.x", "KZd_light.x"};
bool GearDown(const std::string& file) { return file.rfind("KZd", 0) == 0; }

const ModelCase kModels[] = {
    {"KZ.x", 19, kAircraftTextures},
    {"KZd.x", 22, kAircraftTextures},
    {"KZ_light.x", 19, kAircraftTextures},
    {"KZd_light.x", 22, kAircraftTextures},
    {"SKY.x", 1, {"SKY.jpg"}},
    {"RUNWAY.x", 1, {"land21.jpg"}},
};

ObjModel Export(const char* file, const TempDir& scratch) {
    std::string error;
    ObjModel model = ExportThroughAssimp(kResources / "models" / file, scratch, error);
    EXPECT_EQ(error, "") << file;
    return model;
}

struct Box {
    P3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
};
Box Bounds(const ObjModel& model) {
    Box b;
    for (const P3& p : model.positions) {
        for (size_t i = 0; i < 3; ++i) b.lo[i] = std::min(b.lo[i], p[i]), b.hi[i] = std::max(b.hi[i], p[i]);
    }
    return b;
}

// Directions spread evenly over the sphere.
std::vector<P3> SphereDirections(int n) {
    std::vector<P3> out;
    const double golden = 3.14159265358979 * (3 - std::sqrt(5.0));
    for (int i = 0; i < n; ++i) {
        double y = 1 - 2 * (i + 0.5) / n, r = std::sqrt(1 - y * y);
        out.push_back({r * std::cos(golden * i), y, r * std::sin(golden * i)});
    }
    return out;
}

// The first face that each ray from `eye` meets must face the eye (clockwise), or the
// device's back-face culling would open a hole there.
int BackFacesSeen(const ObjModel& model, const P3& eye, const std::vector<P3>& targets) {
    int wrong = 0;
    for (const P3& target : targets) {
        P3 d = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
        Hit hit = CastRay(model, eye, d);
        if (hit.face >= 0 && !ClockwiseFrom(model, hit.face, eye)) ++wrong;
    }
    return wrong;
}

TEST(AssetModels, AssimpReadsEachModelWithItsMaterialsAndTextureNames) {
    for (const ModelCase& c : kModels) {
        TempDir scratch;
        ObjModel model = Export(c.file, scratch);
        EXPECT_EQ(model.materials.size(), c.materials) << c.file;
        std::multiset<std::string> textures;
        for (const auto& [material, texture] : model.textureOf) textures.insert(texture);
        EXPECT_EQ(textures, c.textures) << c.file;
    }
}

TEST(AssetModels, AircraftFollowTheFrameOfReference) {
    for (const char* file : kAircraftModels) {
        TempDir scratch;
        Box b = Bounds(Export(file, scratch));
        EXPECT_NEAR(b.hi[0] - b.lo[0], 0.99, 0.01) << file << ": wingspan";
        EXPECT_NEAR(b.hi[0] + b.lo[0], 0.0, 1e-3) << file << ": symmetric about x = 0";
        EXPECT_NEAR(b.hi[2] - b.lo[2], 1.30, 0.03) << file << ": length";
        EXPECT_LT(b.lo[2], -0.8) << file << ": the nose points towards -z";
        EXPECT_LT(b.hi[2], 0.5) << file;
        EXPECT_NEAR(b.hi[1], 0.27, 0.03) << file << ": fin tip";
        EXPECT_NEAR(b.lo[1], GearDown(file) ? -0.168 : -0.085, 0.003) << file << ": lowest point";
    }
}

TEST(AssetModels, SkyAndGroundHaveTheirSizes) {
    TempDir scratch;
    ObjModel sky = Export("SKY.x", scratch);
    EXPECT_NEAR(static_cast<double>(sky.positions.size()), 404, 10);
    for (const P3& p : sky.positions) ASSERT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 800, 0.01);
    Box ground = Bounds(Export("RUNWAY.x", scratch));
    EXPECT_EQ(ground.lo, (P3{-176, 0, -176}));
    EXPECT_EQ(ground.hi, (P3{176, 0, 176}));
}

TEST(AssetModels, EverySurfaceFacesTheEyesThatSeeIt) {
    // Aircraft from all round, at targets spread through its body.
    for (const char* file : kAircraftModels) {
        TempDir scratch;
        ObjModel model = Export(file, scratch);
        std::vector<P3> targets;
        for (const P3& d : SphereDirections(48)) targets.push_back({d[0] * 0.45, d[1] * 0.08, d[2] * 0.6});
        int wrong = 0;
        for (const P3& d : SphereDirections(30)) wrong += BackFacesSeen(model, {d[0] * 4, d[1] * 4, d[2] * 4}, targets);
        EXPECT_EQ(wrong, 0) << file;
    }
    // Sky from the ground camera, ground from above.
    TempDir scratch;
    std::vector<P3> far;
    for (const P3& d : SphereDirections(400)) far.push_back({d[0] * 2000, d[1] * 2000, d[2] * 2000});
    EXPECT_EQ(BackFacesSeen(Export("SKY.x", scratch), {60, 0.2, -27}, far), 0);
    std::vector<P3> field;
    for (int i = 0; i < 50; ++i) field.push_back({-170.0 + 6.9 * i, 0, 150.0 - 6.1 * i});
    EXPECT_EQ(BackFacesSeen(Export("RUNWAY.x", scratch), {60, 30, -27}, field), 0);
}

// The ground texture's colour at world point (x, 0, z), through the mesh's texture coordinates.
std::array<int, 3> GroundColourAt(const ObjModel& ground, const Rgb8Image& image, double x, double z) {
    for (const ObjModel::Face& f : ground.faces) {
        const P3& a = ground.positions[static_cast<size_t>(f.position[0])];
        const P3& b = ground.positions[static_cast<size_t>(f.position[1])];
        const P3& c = ground.positions[static_cast<size_t>(f.position[2])];
        double det = (b[0] - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (b[2] - a[2]);
        double wb = ((x - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (z - a[2])) / det;
        double wc = ((b[0] - a[0]) * (z - a[2]) - (x - a[0]) * (b[2] - a[2])) / det;
        if (wb < 0 || wc < 0 || wb + wc > 1) continue;
        double uv[2];
        for (size_t i = 0; i < 2; ++i) {
            uv[i] = (1 - wb - wc) * ground.texCoords[static_cast<size_t>(f.texCoord[0])][i] +
                    wb * ground.texCoords[static_cast<size_t>(f.texCoord[1])][i] +
                    wc * ground.texCoords[static_cast<size_t>(f.texCoord[2])][i];
        }
        return image.At(std::min(static_cast<int>(uv[0] * image.width), image.width - 1),
                        std::min(static_cast<int>(uv[1] * image.height), image.height - 1));
    }
    return {-1, -1, -1};
}

TEST(AssetModels, RunwayRunsAlongZOnTheCentreLineAmidGrass) {
    TempDir scratch;
    ObjModel ground = Export("RUNWAY.x", scratch);
    Rgb8Image image = DecodeWithDjpeg(kResources / "textures" / "land21.jpg");
    ASSERT_EQ(image.width, 177);
    auto grey = [](const std::array<int, 3>& c) { return std::abs(c[0] - c[1]) < 20 && std::abs(c[1] - c[2]) < 20; };
    auto green = [](const std::array<int, 3>& c) { return c[1] > c[0] + 10 && c[1] > c[2] + 10; };
    for (double z : {-120.0, -60.0, 0.0, 60.0, 120.0}) {
        EXPECT_TRUE(grey(GroundColourAt(ground, image, 0, z))) << "runway at z = " << z;
        EXPECT_TRUE(green(GroundColourAt(ground, image, 12, z))) << "grass beside it at z = " << z;
    }
    for (double x : {-70.0, -40.0, -10.0, 40.0, 70.0}) {
        EXPECT_TRUE(green(GroundColourAt(ground, image, x, 40))) << "no runway across, at x = " << x;
    }
    EXPECT_TRUE(green(GroundColourAt(ground, image, 0, 165))) << "grass beyond the runway's ends";
    EXPECT_TRUE(green(GroundColourAt(ground, image, 0, -165)));
}

TEST(AssetModels, SmokeNozzlePointSitsInsideTheLeftNozzle) {
    const P3 nozzle = {-0.046, -0.028, 0.425};
    for (const char* file : kAircraftModels) {
        TempDir scratch;
        ObjModel model = Export(file, scratch);
        // Walled in on every side but the open exit behind it.
        for (P3 d : {P3{1, 0, 0}, P3{-1, 0, 0}, P3{0, 1, 0}, P3{0, -1, 0}, P3{0, 0, -1}}) {
            Hit hit = CastRay(model, nozzle, d);
            EXPECT_TRUE(hit.distance > 0 && hit.distance < 0.04) << file << " towards " << d[0] << "," << d[1] << "," << d[2];
        }
        EXPECT_EQ(CastRay(model, nozzle, {0, 0, 1}).face, -1) << file << ": the nozzle is open at the back";
    }
}

TEST(AssetImages, EveryJpegDecodesAtItsSizeAsBaseline) {
    const struct {
        const char* file;
        int width, height;
    } images[] = {{"KZ000.jpg", 365, 334}, {"KZ001.jpg", 365, 334}, {"KZ002.jpg", 197, 183}, {"KZ003.jpg", 197, 183},
                  {"KZ004_1.jpg", 512, 512}, {"KZ004_2.jpg", 512, 512}, {"KZ004_3.jpg", 512, 512},
                  {"KZ004_4.jpg", 512, 512}, {"KZ004_5.jpg", 512, 512}, {"KZ004_6.jpg", 512, 512},
                  {"SKY.jpg", 1024, 1024}, {"land21.jpg", 177, 177}};
    for (const auto& image : images) {
        fs::path path = kResources / "textures" / image.file;
        CommandResult decoded = RunCommand("djpeg -pnm " + Quoted(path) + " | head -c 20");
        std::string expected = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
        EXPECT_EQ(decoded.output.substr(0, expected.size()), expected) << image.file;
        CommandResult info = RunCommand("identify -format '%[interlace] %[colorspace]' " + Quoted(path));
        EXPECT_EQ(info.output, "None sRGB") << image.file << ": a baseline colour JPEG";
    }
}

TEST(AssetImages, SmokePuffIsASoftWhiteTargaWithAlpha) {
    fs::path puff = kResources / "textures" / "smoke.tga";
    EXPECT_EQ(RunCommand("identify -format '%m %w %h %[channels] %[compression]' " + Quoted(puff)).output, "TGA 100 100 srgba None");
    // Alpha: clear at the rim, dense in the middle, falling without steps along a radius.
    CommandResult alpha = RunCommand("convert " + Quoted(puff) + " -alpha extract -depth 8 gray:-");
    ASSERT_EQ(alpha.output.size(), 100u * 100u);
    auto at = [&](int x, int y) { return static_cast<unsigned char>(alpha.output[static_cast<size_t>(y * 100 + x)]); };
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(at(i, 0) + at(0, i) + at(i, 99) + at(99, i), 0) << "rim at " << i;
    }
    EXPECT_GT(at(50, 50), 200);
    for (int x = 50; x < 99; ++x) EXPECT_LE(std::abs(at(x + 1, 50) - at(x, 50)), 16) << "step at x = " << x;
    std::string colour = RunCommand("convert " + Quoted(puff) + " -format '%[fx:minima.r>0.85&&minima.b>0.85]' info:").output;
    EXPECT_EQ(colour, "1") << "the puff is white";
}

TEST(AssetImages, IconCarriesWindowManagerSizesThatGdkPixbufLoads) {
    fs::path icon = kResources / "icons" / "vantaro.ico";
    std::string sizes = RunCommand("identify -format '%w,%[channels] ' " + Quoted(icon)).output;
    EXPECT_EQ(sizes, "16,srgba 24,srgba 32,srgba 48,srgba 64,srgba 128,srgba ");
    TempDir scratch;
    fs::path thumb = scratch.path() / "icon.png";
    EXPECT_EQ(RunCommand("gdk-pixbuf-thumbnailer -s 128 " + Quoted(icon) + " " + Quoted(thumb)).status, 0);
    EXPECT_EQ(RunCommand("identify -format '%w %h' " + Quoted(thumb)).output, "128 128");
}

TEST(AssetResources, ManifestEmbedsEveryAssetUnderItsId) {
    const struct {
        ResourceType type;
        int id;
        const char* file;
    } entries[] = {
        {ResourceType::kMESH, scene::kSkyMeshResource, "models/SKY.x"},
        {ResourceType::kMESH, aircraft::kGearDownMeshResource, "models/KZd.x"},
        {ResourceType::kMESH, scene::kGroundMeshResource, "models/RUNWAY.x"},
        {ResourceType::kMESH, aircraft::kCleanMeshResource, "models/KZ.x"},
        {ResourceType::kMESH, aircraft::kLightGearDownMeshResource, "models/KZd_light.x"},
        {ResourceType::kMESH, aircraft::kLightCleanMeshResource, "models/KZ_light.x"},
        {ResourceType::kRCDATA, 147, "textures/KZ000.jpg"}, {ResourceType::kRCDATA, 159, "textures/KZ001.jpg"},
        {ResourceType::kRCDATA, 149, "textures/KZ002.jpg"}, {ResourceType::kRCDATA, 150, "textures/KZ003.jpg"},
        {ResourceType::kRCDATA, 152, "textures/KZ004_1.jpg"}, {ResourceType::kRCDATA, 157, "textures/KZ004_6.jpg"},
        {ResourceType::kRCDATA, 158, "textures/land21.jpg"}, {ResourceType::kRCDATA, 230, "textures/SKY.jpg"},
        {ResourceType::kRCDATA, 226, "textures/smoke.tga"}, {ResourceType::kICON, kIconResource, "icons/vantaro.ico"},
    };
    for (const auto& e : entries) {
        auto bytes = platform::FindResource(e.type, e.id);
        ASSERT_TRUE(bytes.has_value()) << e.id;
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), ReadAll(kResources / e.file)) << e.id;
    }
    // Each aircraft's livery is its own image.
    std::set<std::string> liveries;
    for (int id = 152; id <= 157; ++id) {
        auto bytes = platform::FindResource(ResourceType::kRCDATA, id);
        ASSERT_TRUE(bytes.has_value()) << id;
        liveries.insert(std::string(bytes->begin(), bytes->end()));
    }
    EXPECT_EQ(liveries.size(), 6u);
}

TEST(AssetGenerators, RegeneratingWritesTheCommittedFilesByteForByte) {
    TempDir scratch;
    CommandResult r = RunCommand(Quoted(fs::path(VANTARO_BINARY_DIR) / "vantaro-make-assets") + " " + Quoted(scratch.path()));
    ASSERT_EQ(r.status, 0) << r.output;
    std::set<std::string> generated, committed;
    for (const char* folder : {"models", "textures", "icons"}) {
        for (const auto& entry : fs::directory_iterator(scratch.path() / folder)) {
            generated.insert(fs::path(folder) / entry.path().filename());
        }
        for (const auto& entry : fs::directory_iterator(kResources / folder)) {
            committed.insert(fs::path(folder) / entry.path().filename());
        }
    }
    EXPECT_EQ(generated, committed);
    for (const std::string& file : generated) {
        EXPECT_TRUE(ReadAll(scratch.path() / file) == ReadAll(kResources / file)) << file << " differs";
    }
}

}  // namespace
}  // namespace assets_test
