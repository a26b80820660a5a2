#include "aircraft/aircraft.h"

#include <algorithm>
#include <string_view>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/resource_cache.h"

namespace aircraft {
namespace {

constexpr int kGearDownMesh = 162;
constexpr int kCleanMesh = 164;
constexpr int kLightGearDownMesh = 165;
constexpr int kLightCleanMesh = 166;

// The textures the models name, matched exactly and case-sensitively. The livery texture
// differs from aircraft to aircraft: its resource is the base plus the aircraft number.
struct TextureName {
    std::string_view name;
    int resource;
    bool perAircraft;
};
constexpr TextureName kTextureNames[] = {
    {"KZ000.jpg", 147, false}, {"KZ001.jpg", 159, false}, {"KZ002.jpg", 149, false},
    {"KZ003.jpg", 150, false}, {"KZ004.jpg", 151, true},
};

// The RCDATA resource of a material's texture; 0 when it names none we know.
int TextureResource(std::string_view name, int aircraftNumber) {
    for (const TextureName& entry : kTextureNames) {
        if (name == entry.name) return entry.perAircraft ? entry.resource + aircraftNumber : entry.resource;
    }
    return 0;
}

gfx::Matrix RotationOf(const Keyframe& k) {
    return gfx::MatrixRotationYawPitchRoll(k.yaw * gfx::kRadiansPerDegree, k.pitch * gfx::kRadiansPerDegree,
                                           k.roll * gfx::kRadiansPerDegree);
}

gfx::Quaternion OrientationOf(const Keyframe& k) {
    return gfx::QuaternionRotationYawPitchRoll(k.yaw * gfx::kRadiansPerDegree, k.pitch * gfx::kRadiansPerDegree,
                                               k.roll * gfx::kRadiansPerDegree);
}

gfx::Vec3 PositionOf(const Keyframe& k) { return {k.x, k.y, k.z}; }

}  // namespace

Pose PoseAt(std::span<const Keyframe> keys, float t, int positionMode) {
    Pose pose;
    const int count = static_cast<int>(keys.size());
    if (count == 0) return pose;
    // Indices outside the track are clamped to its ends, so no progress reads past `keys`.
    const auto key = [&](int j) -> const Keyframe& { return keys[static_cast<std::size_t>(std::clamp(j, 0, count - 1))]; };

    // The sample whose time equals t ends the segment that holds t.
    int i = 0;
    while (i < count && !(t <= keys[static_cast<std::size_t>(i)].time)) ++i;
    const bool pastEnd = i == count;  // also NaN: it compares false with every time
    if (pastEnd) i = count - 1;

    gfx::Matrix rotation;
    if (i <= 1) {
        // At or before progress 0: the second sample's pose, uninterpolated.
        rotation = RotationOf(key(1));
        pose.position = PositionOf(key(1));
    } else {
        const Keyframe& a = key(i - 1);
        const Keyframe& b = key(i);
        // a.time < t <= b.time here, so the division is safe.
        const float s = pastEnd ? 1.0f : (t - a.time) / (b.time - a.time);
        rotation = gfx::MatrixRotationQuaternion(gfx::QuaternionSlerp(OrientationOf(a), OrientationOf(b), s));
        pose.position = positionMode == kLinearPositions
                            ? gfx::Vec3Lerp(PositionOf(a), PositionOf(b), s)
                            : gfx::Vec3CatmullRom(PositionOf(key(i - 2)), PositionOf(a), PositionOf(b),
                                                  PositionOf(key(i + 1)), s);
    }
    pose.smoke = key(i - 1).smoke != 0;
    pose.world = gfx::MatrixMultiply(rotation, gfx::MatrixTranslation(pose.position.x, pose.position.y, pose.position.z));
    return pose;
}

Aircraft::Aircraft() = default;
Aircraft::~Aircraft() = default;

scene::HResult Aircraft::Init(scene::Device& device, int aircraftNumber, bool gearDown, int keyCount,
                              const Keyframe* track, scene::ResourceCache* shared) {
    keys.clear();
    if (track && keyCount > 0) keys.assign(track, track + keyCount);
    scene::ResourceCache own(device);
    scene::ResourceCache& cache = shared && shared->MakesFor(device) ? *shared : own;
    if (platform::Failed(LoadModel(cache, aircraftNumber, gearDown))) return platform::kFail;
    smokeTrail.Init(device, &cache);
    return platform::kOk;
}

scene::HResult Aircraft::LoadModel(scene::ResourceCache& cache, int aircraftNumber, bool gearDown) {
    materials.clear();
    textures.clear();
    mesh.reset();
    lightMesh.reset();

    std::vector<scene::MeshMaterial> loaded;
    if (platform::Failed(cache.LoadMesh(gearDown ? kGearDownMesh : kCleanMesh, loaded, mesh)) || !mesh) {
        mesh.reset();
        platform::ShowMessage(gearDown ? "Could not find KZd.x" : "Could not find KZ.x");
        return platform::kFail;
    }

    // The light model is a saving, not a part of the aircraft: without it, or when it does not
    // match the full model subset for subset, the full model is drawn at every size.
    std::vector<scene::MeshMaterial> lightMaterials;
    if (platform::Failed(cache.LoadMesh(gearDown ? kLightGearDownMesh : kLightCleanMesh, lightMaterials, lightMesh)) ||
        !lightMesh || lightMaterials.size() != loaded.size() || lightMesh->SubsetCount() != mesh->SubsetCount()) {
        lightMesh.reset();
    }

    materials.reserve(loaded.size());
    textures.resize(loaded.size());
    for (std::size_t j = 0; j < loaded.size(); ++j) {
        scene::Material material = loaded[j].material;
        material.ambient = material.diffuse;
        materials.push_back(material);

        const int resource = TextureResource(loaded[j].textureFilename, aircraftNumber);
        if (resource == 0) continue;
        if (platform::Failed(cache.LoadTexture(resource, textures[j]))) {
            textures[j].reset();
            platform::ShowMessage("Could not find texture map");
        }
    }
    return platform::kOk;
}

gfx::Vec3 Aircraft::UpdatePose(scene::Device& device, float t, int positionMode) {
    const Pose pose = PoseAt(keys, t, positionMode);
    device.SetTransform(scene::TransformType::kWorld, pose.world);
    const std::uint32_t now = platform::timeGetTime();
    const gfx::Vec4 nozzle = gfx::Vec3Transform(kNozzleOffset, pose.world);

    if (pose.smoke) {
        const gfx::Vec3 point{nozzle.x, nozzle.y, nozzle.z};
        smokeTrail.Emit(point, now, lastEmitPoint);
        lastEmitPoint = point;
    } else {
        lastEmitPoint = kNoEmitPoint;
    }
    return pose.position;
}

void Aircraft::Draw(scene::Device& device) {
    if (materials.empty()) return;
    scene::Mesh* drawn = mesh.get();
    if (lightMesh) {
        gfx::Matrix world;
        const bool placed = scene::Succeeded(device.GetTransform(scene::TransformType::kWorld, world));
        if (placed && DrawsLightModel(modelChoice, ProjectedLength(device, world))) drawn = lightMesh.get();
    }
    for (std::size_t j = 0; j < materials.size(); ++j) {
        device.SetMaterial(materials[j]);
        device.SetTexture(0, textures[j].get());
        drawn->DrawSubset(static_cast<std::uint32_t>(j));
    }
}

void Aircraft::DrawSmoke(scene::Device& device) { smokeTrail.DrawAll(device, platform::timeGetTime()); }

}  // namespace aircraft
