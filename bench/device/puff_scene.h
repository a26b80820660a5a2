#pragma once
// The smoke benchmarks' frame: 78,000 textured, alpha-blended puffs of mixed sizes, each with
// its own world matrix and alpha, at 800 x 600, drawn through a device the way the smoke code
// draws them (one call per puff); the same on every device.

#include <memory>
#include <vector>

#include "gfx/image.h"
#include "gfx/math.h"
#include "scene/device_factory.h"

namespace bench {

inline constexpr unsigned kWidth = 800, kHeight = 600;
inline constexpr int kPuffCount = 78000;
inline constexpr float kHalfSide = 0.03f;  // the smoke quad: 0.06 units across at size factor 1

struct Puff {
    gfx::Matrix world;
    float alpha;
};

struct PuffScene {
    gfx::Matrix view, projection;
    std::vector<Puff> puffs;
    gfx::Image image;  // the puff texture, 64 x 64
};

// Puffs as a formation's trails leave them: ages up to 90 s (size factor up to 90), spread
// 100 to 400 units in front of a long lens, drawn farthest first. Made once.
const PuffScene& ThePuffScene();

// The quad's four corners: position, normal, texture coordinates.
extern const float kPuffQuad[4][8];

// The device objects and states of the smoke pass, made on `device`.
struct PuffPass {
    std::unique_ptr<scene::VertexBuffer> quad;
    std::unique_ptr<scene::Texture> texture;
};
PuffPass PreparePuffPass(scene::Device& device);

// One whole frame: clear, every puff as the smoke code draws it, present, and wait for it.
void DrawPuffFrame(scene::RenderDevice& device, const PuffPass& pass);

}  // namespace bench
