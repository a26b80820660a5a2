// Drawing the embedded assets with the saver's own device and render states: the scenery
// pass of every frame, then an aircraft model. Used by the look tool and by the tests.
#pragma once

#include <memory>
#include <vector>

#include "gfx/image.h"
#include "gfx/math.h"
#include "scene/device_factory.h"

namespace assets {

// A mesh resource with its materials (ambient as diffuse) and textures.
struct Model {
    std::unique_ptr<scene::Mesh> mesh;
    std::vector<scene::Material> materials;
    std::vector<std::unique_ptr<scene::Texture>> textures;

    void Draw(scene::Device& device) const;
};

// MESH `meshId`, its textures from the RCDATA resources the materials name ("KZ004.jpg" being
// aircraft `aircraftNumber`'s). False, with a message on stderr, when the mesh cannot be made.
bool LoadModel(scene::Device& device, int meshId, int aircraftNumber, Model& model);

inline const gfx::Vec3 kSpectators = {60.0f, 0.2f, -27.0f};

// An offscreen device set up as the saver's window sets its own, with the sky and the ground.
struct AssetScene {
    std::unique_ptr<scene::RenderDevice> device;
    Model sky, ground;
};
bool MakeAssetScene(unsigned width, unsigned height, AssetScene& scene);

// An aircraft model and its world transform.
struct Placed {
    const Model* model;
    gfx::Matrix world;
};

// One frame seen from `eye` towards `at`: the scenery pass, then the aircraft.
gfx::Image DrawFrame(AssetScene& s, const std::vector<Placed>& aircraft, gfx::Vec3 eye, gfx::Vec3 at, float fovDegrees);

}  // namespace assets
