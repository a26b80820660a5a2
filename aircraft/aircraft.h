#pragma once
// One aircraft of a formation: its own copy of its flight track, turned into a pose every
// frame; its model with materials and textures; and its smoke trail, fed once per pose while
// the current segment of the track has smoke on.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "aircraft/keyframe.h"
#include "aircraft/level_of_detail.h"
#include "aircraft/smoke_trail.h"
#include "aircraft/track.h"
#include "gfx/math.h"
#include "scene/device.h"
#include "scene/resource_cache.h"

namespace aircraft {

// The models' MESH resources: gear down and up, each in full detail and as the light model
// drawn while the aircraft is small on screen.
inline constexpr int kGearDownMeshResource = 162;
inline constexpr int kCleanMeshResource = 164;
inline constexpr int kLightGearDownMeshResource = 165;
inline constexpr int kLightCleanMeshResource = 166;

class Aircraft {
public:
    Aircraft();
    ~Aircraft();
    Aircraft(const Aircraft&) = delete;
    Aircraft& operator=(const Aircraft&) = delete;

    // Copies the track, then loads the gear-down or clean model with its textures (the livery
    // texture is that of `aircraftNumber`, 1 to 6) and makes the smoke trail ready. kFail when
    // the model cannot be loaded; the track is kept and the aircraft still flies, unseen.
    // Aircraft loaded through one `shared` cache share their model and common textures.
    scene::HResult Init(scene::Device& device, int aircraftNumber, bool gearDown, int keyCount, const Keyframe* track,
                        scene::ResourceCache* shared = nullptr);

    // Places the aircraft at progress t, sets the device's world transform and emits this
    // frame's smoke, stamped with the frame's clock reading `now`. Returns the position.
    gfx::Vec3 UpdatePose(scene::Device& device, float t, PositionMode mode, std::uint32_t now);

    // Draws the model under the world transform the last UpdatePose set: the light model while
    // the aircraft is small on screen, when there is one (see level_of_detail.h).
    void Draw(scene::Device& device);
    // Which model Draw chooses; by projected size unless a tool or test fixes it.
    void ChooseModel(ModelChoice choice) { modelChoice = choice; }

    // Draws this aircraft's own smoke as it stands at `now`, farthest puff first.
    void DrawSmoke(scene::Device& device, std::uint32_t now);

    SmokeTrail& Smoke() { return smokeTrail; }
    const SmokeTrail& Smoke() const { return smokeTrail; }
    std::span<const Keyframe> Keys() const { return keys; }
    std::uint32_t MaterialCount() const { return static_cast<std::uint32_t>(materials.size()); }

    // Smoke nozzle in model coordinates: near the tail, a little below and off to one side.
    static constexpr gfx::Vec3 kNozzleOffset{-0.046f, -0.028f, 0.425f};

private:
    scene::HResult LoadModel(scene::ResourceCache& cache, int aircraftNumber, bool gearDown);

    // Declared in reverse order of release: materials, textures, mesh, track, smoke trail.
    SmokeTrail smokeTrail;
    std::vector<Keyframe> keys;
    std::shared_ptr<scene::Mesh> mesh;
    std::shared_ptr<scene::Mesh> lightMesh;  // same subsets and materials as `mesh`; null when missing
    std::vector<std::shared_ptr<scene::Texture>> textures;  // one per material; null where untextured
    std::vector<scene::Material> materials;                 // one per subset of `mesh`
    gfx::Vec3 lastEmitPoint = kNoEmitPoint;
    ModelChoice modelChoice = ModelChoice::kBySize;
};

}  // namespace aircraft
