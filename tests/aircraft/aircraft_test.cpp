#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "aircraft/aircraft.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/resources.h"
#include "scene/recording_device.h"
#include "tests/aircraft/test_assets.h"

namespace aircraft {
namespace {

using platform::ResourceType;
using scene::CallKind;

// Every texture resource the models can name, each an image of its own width, so that a
// texture tells which resource it was made from.
constexpr std::array<std::pair<int, unsigned>, 10> kTextureWidths = {{
    {147, 1}, {159, 2}, {149, 4}, {150, 8}, {152, 16}, {153, 32}, {154, 64}, {155, 128}, {156, 256}, {157, 512},
}};

// Smoke on, off, on: segments 0-1 and 1-2 smoke, 2-3 none, 3-4 and after smoke.
std::vector<Keyframe> GappyTrack() {
    return {
        {-0.1f, 0, 50, 100, 0, 0, 0, 1}, {0.0f, 0, 50, 80, 0, 0, 0, 1},  {0.3f, 0, 50, 50, 0, 0, 0, 0},
        {0.5f, 0, 50, 30, 0, 0, 0, 1},   {0.8f, 0, 50, 0, 0, 0, 0, 1},   {1.0f, 0, 50, -20, 0, 0, 0, 1},
        {1.2f, 0, 50, -40, 0, 0, 0, 0},
    };
}

class AircraftTest : public ::testing::Test {
protected:
    AircraftTest() {
        for (const auto& [id, width] : kTextureWidths) resources.Replace(ResourceType::kRCDATA, id, testing::MakeTarga(width, 1));
        resources.Replace(ResourceType::kRCDATA, 226, testing::MakeTarga(4, 4));
        resources.Replace(ResourceType::kMESH, kCleanMeshResource,
                          testing::MakeMeshFile({"KZ000.jpg", "KZ001.jpg", "KZ002.jpg", "KZ003.jpg", "KZ004.jpg", ""}));
        resources.Replace(ResourceType::kMESH, kGearDownMeshResource,
                          testing::MakeMeshFile({"KZ004.jpg", "KZ000.jpg"}));
        platform::SeedRand(1);
    }

    std::unique_ptr<Aircraft> MakeAircraft(int number, bool gearDown, scene::HResult* result = nullptr,
                                           scene::ResourceCache* shared = nullptr) {
        auto plane = std::make_unique<Aircraft>();
        const scene::HResult r =
            plane->Init(device, number, gearDown, static_cast<int>(track.size()), track.data(), shared);
        if (result) *result = r;
        return plane;
    }

    // Widths of the textures bound for the subsets drawn, 0 for none.
    std::vector<unsigned> DrawnTextureWidths() const {
        std::vector<unsigned> widths;
        for (const auto& draw : device.CallsOf(CallKind::kDrawSubset)) widths.push_back(draw.texture ? draw.texture->Width() : 0);
        return widths;
    }

    platform::ScopedResourceOverride resources;
    platform::MessageCapture messages;
    platform::TestClock clock{1000};
    scene::RecordingDevice device;
    std::vector<Keyframe> track = GappyTrack();
};

TEST_F(AircraftTest, LoadsTheModelItsMaterialsAndTheLiveryOfItsNumber) {
    scene::HResult result = scene::kFail;
    auto plane = MakeAircraft(3, false, &result);
    EXPECT_EQ(result, scene::kOk);
    EXPECT_TRUE(messages.Messages().empty());
    ASSERT_EQ(plane->MaterialCount(), 6u);

    plane->Draw(device);
    EXPECT_EQ(DrawnTextureWidths(), (std::vector<unsigned>{1, 2, 4, 8, 64, 0})) << "livery of aircraft 3 is 154";
    const auto draws = device.CallsOf(CallKind::kDrawSubset);
    for (std::uint32_t j = 0; j < draws.size(); ++j) {
        EXPECT_EQ(draws[j].subset, j);
        EXPECT_NEAR(draws[j].material.diffuse.r, 0.05f * static_cast<float>(j), 1e-6f);
        EXPECT_EQ(draws[j].material.ambient.r, draws[j].material.diffuse.r) << "ambient takes the diffuse colour";
        EXPECT_EQ(draws[j].material.ambient.g, 0.5f);
        EXPECT_EQ(draws[j].material.ambient.b, 0.25f);
        EXPECT_EQ(draws[j].material.ambient.a, 1.0f);
        EXPECT_EQ(draws[j].material.power, 8.0f);
    }

    device.ForgetCalls();
    auto other = MakeAircraft(6, true);
    other->Draw(device);
    EXPECT_EQ(DrawnTextureWidths(), (std::vector<unsigned>{512, 1})) << "gear-down model, livery of aircraft 6";
}

TEST_F(AircraftTest, TextureNamesMatchOnlyExactly) {
    resources.Replace(ResourceType::kMESH, kCleanMeshResource,
                      testing::MakeMeshFile({"kz000.jpg", "KZ000.JPG", "KZ000.jpg.bak", "KZ000", "xKZ000.jpg", "KZ003.jpg"}));
    auto plane = MakeAircraft(1, false);
    plane->Draw(device);
    EXPECT_EQ(DrawnTextureWidths(), (std::vector<unsigned>{0, 0, 0, 0, 0, 8}));
    EXPECT_TRUE(messages.Messages().empty()) << "an unknown name is no failure";
}

TEST_F(AircraftTest, AMissingTextureIsReportedOncePerAircraftAndLoadingGoesOn) {
    resources.Hide(ResourceType::kRCDATA, 147);
    std::vector<std::unique_ptr<Aircraft>> formation;
    for (int number = 1; number <= 3; ++number) formation.push_back(MakeAircraft(number, false));
    EXPECT_EQ(messages.Messages(), std::vector<std::string>(3, "Could not find texture map"));
    formation[1]->Draw(device);
    EXPECT_EQ(DrawnTextureWidths(), (std::vector<unsigned>{0, 2, 4, 8, 32, 0}));
    formation[1]->UpdatePose(device, 0.1f, PositionMode::kCatmullRom, platform::timeGetTime());
    formation[1]->DrawSmoke(device, platform::timeGetTime());
    EXPECT_EQ(device.Count(CallKind::kDrawPrimitive), 1u) << "the smoke trail was made ready";
}

TEST_F(AircraftTest, AMissingModelIsReportedAndTheAircraftStillFliesUnseen) {
    resources.Hide(ResourceType::kMESH, kGearDownMeshResource);
    std::vector<std::unique_ptr<Aircraft>> formation;
    std::vector<scene::HResult> results(6);
    for (int slot = 0; slot < 6; ++slot) formation.push_back(MakeAircraft(slot + 1, true, &results[slot]));
    EXPECT_EQ(messages.Messages(), std::vector<std::string>(6, "Could not find KZd.x"));
    EXPECT_EQ(results, std::vector<scene::HResult>(6, scene::kFail));
    EXPECT_EQ(device.LiveTextures(), 0u) << "no textures after a failed model, not even the smoke";
    EXPECT_EQ(device.LiveVertexBuffers(), 0u);

    Aircraft& plane = *formation[0];
    EXPECT_EQ(plane.Keys().size(), track.size()) << "the track is kept";
    const gfx::Vec3 at = plane.UpdatePose(device, 0.15f, PositionMode::kLinear, platform::timeGetTime());
    EXPECT_NEAR(at.z, 65.0f, 1e-4f);
    EXPECT_EQ(device.CallsOf(CallKind::kSetTransform).back().matrix.m[3][2], at.z);
    EXPECT_EQ(plane.Smoke().ParticleCount(), 1u) << "smoke still fills the pool";
    device.ForgetCalls();
    plane.Draw(device);
    plane.DrawSmoke(device, platform::timeGetTime());
    EXPECT_TRUE(device.Draws().empty());

    resources.Hide(ResourceType::kMESH, kCleanMeshResource);
    messages.Clear();
    MakeAircraft(1, false);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Could not find KZ.x"});
}

TEST_F(AircraftTest, SmokeFollowsTheSegmentFlagsAndStartsAfreshAfterAGap) {
    auto plane = MakeAircraft(1, false);
    plane->Smoke().SetAmount(3);
    const SmokeTrail& smoke = plane->Smoke();
    std::vector<std::uint32_t> added;
    for (float t : {0.0f, 0.1f, 0.2f, 0.35f, 0.45f, 0.55f, 0.6f}) {
        const std::uint32_t before = smoke.ParticleCount();
        clock.Advance(16);
        plane->UpdatePose(device, t, PositionMode::kCatmullRom, platform::timeGetTime());
        added.push_back(smoke.ParticleCount() - before);
    }
    // First emission alone; then four per frame; none in the gap; alone again after it.
    EXPECT_EQ(added, (std::vector<std::uint32_t>{1, 4, 4, 0, 0, 1, 4}));
    EXPECT_EQ(smoke.Particles()[0].birth, 1016u);
    EXPECT_EQ(smoke.Particles().back().birth, 1000u + 7 * 16);
}

TEST_F(AircraftTest, SmokeLeavesFromTheNozzleOfThePosedModel) {
    track[1].yaw = 90;
    track[1].roll = 30;
    auto plane = MakeAircraft(1, false);
    plane->UpdatePose(device, 0.0f, PositionMode::kCatmullRom, platform::timeGetTime());
    const gfx::Matrix world = device.State().world;
    const gfx::Vec4 nozzle = gfx::Vec3Transform(Aircraft::kNozzleOffset, world);
    ASSERT_EQ(plane->Smoke().ParticleCount(), 1u);
    const gfx::Vec3 puff = plane->Smoke().Particles()[0].position;
    EXPECT_NEAR(puff.x, nozzle.x, 0.0083f);
    EXPECT_NEAR(puff.y, nozzle.y, 0.0083f);
    EXPECT_NEAR(puff.z, nozzle.z, 0.0083f);
    // Turned right, the tail (+z in the model) points along +x: the nozzle sits behind, at x > 0.
    EXPECT_GT(puff.x, 0.3f);
}

// The camera looks along +z from the origin with a 640 x 480 viewport; an aircraft `distance`
// ahead is kModelLength * 38.19 * 240 / distance pixels long (a 3-degree lens).
class AircraftDetailTest : public AircraftTest {
protected:
    AircraftDetailTest() {
        const std::vector<std::string> names = {"KZ000.jpg", "KZ001.jpg", "KZ002.jpg", "KZ003.jpg", "KZ004.jpg", ""};
        resources.Replace(ResourceType::kMESH, kLightCleanMeshResource, testing::MakeMeshFile(names));
        device.SetTransform(scene::TransformType::kView, gfx::MatrixIdentity());
        device.SetTransform(scene::TransformType::kProjection,
                            gfx::MatrixPerspectiveFovLH(3.0f * gfx::kRadiansPerDegree, 640.0f / 480.0f, 1.0f, 2000.0f));
    }

    std::unique_ptr<Aircraft> Make(int number, bool gearDown) {
        device.ForgetCalls();
        auto plane = MakeAircraft(number, gearDown);
        made.clear();
        for (const auto& call : device.CallsOf(CallKind::kCreateMesh)) made.push_back(call.mesh);
        return plane;
    }

    // The meshes (full 0, light 1, in the order Make loaded them) that drawing `plane` at
    // `distance` draws from.
    std::set<int> MeshesDrawnAt(Aircraft& plane, float distance) {
        device.SetTransform(scene::TransformType::kWorld, gfx::MatrixTranslation(0.5f, -0.3f, distance));
        device.ForgetCalls();
        plane.Draw(device);
        std::set<int> drawn;
        for (const auto& draw : device.CallsOf(CallKind::kDrawSubset)) {
            for (std::size_t i = 0; i < made.size(); ++i) {
                if (made[i] == draw.mesh) drawn.insert(static_cast<int>(i));
            }
        }
        return drawn;
    }

    std::vector<const scene::Mesh*> made;
};

TEST_F(AircraftDetailTest, SmallOnScreenTheLightModelIsDrawnWithTheSameMaterialsAndTextures) {
    const float lightBelow = kModelLength * 38.19f * 240.0f / kLightModelBelowPixels;  // distance of the switch
    auto plane = Make(3, false);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(device.LiveMeshes(), 2u);
    EXPECT_EQ(MeshesDrawnAt(*plane, lightBelow * 1.02f), std::set<int>{1});
    EXPECT_EQ(DrawnTextureWidths(), (std::vector<unsigned>{1, 2, 4, 8, 64, 0}));
    EXPECT_EQ(MeshesDrawnAt(*plane, 1500.0f), std::set<int>{1});
    EXPECT_EQ(MeshesDrawnAt(*plane, lightBelow * 0.98f), std::set<int>{0});
    EXPECT_EQ(MeshesDrawnAt(*plane, 2.0f), std::set<int>{0});
    EXPECT_EQ(MeshesDrawnAt(*plane, -40.0f), std::set<int>{0}) << "behind the camera: not small";

    plane->ChooseModel(ModelChoice::kLight);
    EXPECT_EQ(MeshesDrawnAt(*plane, 2.0f), std::set<int>{1});
    plane->ChooseModel(ModelChoice::kFull);
    EXPECT_EQ(MeshesDrawnAt(*plane, 1500.0f), std::set<int>{0});
    plane.reset();
    EXPECT_EQ(device.LiveMeshes(), 0u);
}

TEST_F(AircraftDetailTest, WithoutAMatchingLightModelTheFullOneIsDrawnAtEverySizeAndNothingIsReported) {
    // The gear-down light model is the real one: 22 subsets against the test model's two.
    auto geared = Make(1, true);
    EXPECT_EQ(MeshesDrawnAt(*geared, 1500.0f), std::set<int>{0});
    geared->ChooseModel(ModelChoice::kLight);
    EXPECT_EQ(MeshesDrawnAt(*geared, 1500.0f), std::set<int>{0});
    geared.reset();

    resources.Hide(ResourceType::kMESH, kLightCleanMeshResource);
    auto clean = Make(1, false);
    EXPECT_EQ(MeshesDrawnAt(*clean, 1500.0f), std::set<int>{0});
    EXPECT_TRUE(messages.Messages().empty()) << "the light model is a saving, not a part";
    EXPECT_EQ(device.LiveMeshes(), 1u);
}

TEST_F(AircraftTest, ReleasesEverythingItMade) {
    {
        auto plane = MakeAircraft(2, false);
        EXPECT_EQ(device.LiveMeshes(), 1u);
        EXPECT_EQ(device.LiveTextures(), 6u);  // five model textures and the puff
        EXPECT_EQ(device.LiveVertexBuffers(), 1u);
        plane->Init(device, 2, true, 0, nullptr);  // a second start replaces the first
        EXPECT_EQ(device.LiveMeshes(), 1u);
        EXPECT_EQ(device.LiveTextures(), 3u);
        EXPECT_EQ(device.LiveVertexBuffers(), 1u);
    }
    EXPECT_EQ(device.LiveMeshes(), 0u);
    EXPECT_EQ(device.LiveTextures(), 0u);
    EXPECT_EQ(device.LiveVertexBuffers(), 0u);
}

TEST_F(AircraftTest, AFormationLoadedThroughOneCacheSharesItsModelAndCommonTextures) {
    std::vector<std::unique_ptr<Aircraft>> formation;
    {
        scene::ResourceCache shared(device);
        for (int number = 1; number <= 3; ++number) formation.push_back(MakeAircraft(number, false, nullptr, &shared));
    }
    EXPECT_EQ(device.LiveMeshes(), 1u);
    EXPECT_EQ(device.LiveTextures(), 8u) << "four common textures, three liveries, one puff";
    EXPECT_EQ(device.LiveVertexBuffers(), 1u) << "one puff quad";
    formation.erase(formation.begin(), formation.begin() + 2);  // the last one keeps what it shares
    formation[0]->Draw(device);
    EXPECT_EQ(DrawnTextureWidths(), (std::vector<unsigned>{1, 2, 4, 8, 64, 0}));
    formation.clear();
    EXPECT_EQ(device.LiveMeshes(), 0u);
    EXPECT_EQ(device.LiveTextures(), 0u);
}

TEST_F(AircraftTest, ASharedCacheStillReportsAMissingTextureToEveryAircraft) {
    resources.Hide(ResourceType::kRCDATA, 149);
    resources.Hide(ResourceType::kRCDATA, 226);
    scene::ResourceCache shared(device);
    std::vector<std::unique_ptr<Aircraft>> formation;
    for (int number = 1; number <= 2; ++number) formation.push_back(MakeAircraft(number, false, nullptr, &shared));
    EXPECT_EQ(messages.Messages(), (std::vector<std::string>{"Could not find texture map", "Could not find smoke texture map",
                                                             "Could not find texture map", "Could not find smoke texture map"}));
}

TEST_F(AircraftTest, ACacheOfAnotherDeviceIsNotUsed) {
    scene::RecordingDevice other;
    scene::ResourceCache foreign(other);
    auto plane = MakeAircraft(1, false, nullptr, &foreign);
    EXPECT_EQ(other.LiveTextures(), 0u);
    EXPECT_EQ(device.LiveTextures(), 6u);
    EXPECT_EQ(device.LiveMeshes(), 1u);
}

}  // namespace
}  // namespace aircraft
