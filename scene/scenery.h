#pragma once
// What surrounds the display: the sky sphere, the airfield ground and the one directional
// light under which everything is lit. Made once per device; drawn at the start of every frame
// under the camera the running programme set in the frame before.

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/device.h"

namespace scene {

inline constexpr int kSkyMeshResource = 161;
inline constexpr int kSkyTextureResource = 230;
inline constexpr int kGroundMeshResource = 163;
inline constexpr int kGroundTextureResource = 158;

// A model with one material and one texture (or none) per subset.
struct SceneryModel {
    std::unique_ptr<Mesh> mesh;
    std::vector<Material> materials;  // ambient replaced by diffuse
    std::vector<std::unique_ptr<Texture>> textures;  // null where the subset has no texture

    std::uint32_t SubsetCount() const { return static_cast<std::uint32_t>(materials.size()); }
    void Draw(Device& device) const;
};

// The scene light: white, directional, downwards and towards -x.
Light SceneLight();

class Scenery {
public:
    // Sets and enables light 0; kFail when either step fails.
    HResult SetUpLight(Device& device);
    // Load the models and their textures; each reports its own failures in a message box and
    // returns kFail only when the model itself cannot be loaded.
    HResult LoadSky(Device& device);
    HResult LoadGround(Device& device);

    // The scenery pass: depth test LESS, texture alpha selected, linear filtering for the sky
    // and the ground, then point filtering for what the programme draws after them.
    void Draw(Device& device) const;

    const SceneryModel& Sky() const { return sky; }
    const SceneryModel& Ground() const { return ground; }

private:
    SceneryModel sky;
    SceneryModel ground;
};

}  // namespace scene
