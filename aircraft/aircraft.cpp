#include "aircraft/aircraft.h"

#include <string_view>

#include "platform/message_box.h"
#include "scene/resource_cache.h"

namespace aircraft {
namespace {

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

}  // namespace

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
    if (platform::Failed(cache.LoadMesh(gearDown ? kGearDownMeshResource : kCleanMeshResource, loaded, mesh)) || !mesh) {
        mesh.reset();
        platform::ShowMessage(gearDown ? "Could not find KZd.x" : "Could not find KZ.x");
        return platform::kFail;
    }

    // The light model is a saving, not a part of the aircraft: without it, or when it does not
    // match the full model subset for subset, the full model is drawn at every size.
    std::vector<scene::MeshMaterial> lightMaterials;
    if (platform::Failed(cache.LoadMesh(gearDown ? kLightGearDownMeshResource : kLightCleanMeshResource, lightMaterials, lightMesh)) ||
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

gfx::Vec3 Aircraft::UpdatePose(scene::Device& device, float t, PositionMode mode, std::uint32_t now) {
    const Pose pose = PoseAt(keys, t, mode);
    device.SetTransform(scene::TransformType::kWorld, pose.world);
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

void Aircraft::DrawSmoke(scene::Device& device, std::uint32_t now) { smokeTrail.DrawAll(device, now); }

}  // namespace aircraft
