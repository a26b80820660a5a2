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

// A smoke puff: where it was born and how long ago, in milliseconds.
struct Puff {
    gfx::Vec3 position;
    float age;
};

// An offscreen device set up as the saver's window sets its own, with the sky, the ground and
// the smoke puff's quad and texture.
struct AssetScene {
    std::unique_ptr<scene::RenderDevice> device;
    Model sky, ground;
    std::unique_ptr<scene::VertexBuffer> puffQuad;
    std::unique_ptr<scene::Texture> puffTexture;
};
bool MakeAssetScene(unsigned width, unsigned height, AssetScene& scene);

// An aircraft model and its world transform.
struct Placed {
    const Model* model;
    gfx::Matrix world;
};

// One frame seen from `eye` towards `at`: the scenery pass, the aircraft, then the puffs as
// growing, fading billboards, farthest first.
gfx::Image DrawFrame(AssetScene& s, const std::vector<Placed>& aircraft, gfx::Vec3 eye, gfx::Vec3 at, float fovDegrees,
                     const std::vector<Puff>& puffs = {});

}  // namespace assets
