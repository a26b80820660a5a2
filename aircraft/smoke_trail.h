#pragma once
// An aircraft's smoke: a fixed pool of puffs, filled in emission order and never reused during
// a programme. A puff stays where it was born, grows with the square root of its age, fades
// with a tenth power of it, and is drawn as a camera-facing textured quad until its lifetime
// has run out.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "aircraft/depth_order.h"
#include "gfx/math.h"
#include "scene/device.h"
#include "scene/resource_cache.h"

namespace aircraft {

// The user's smoke amount, 1 (few) to 3 (many): how many puffs one emission adds.
inline constexpr int kDefaultSmokeAmount = 2;

struct SmokeParticle {
    std::uint32_t birth = 0;     // millisecond clock at the emission
    std::uint32_t lifetime = 0;  // milliseconds after birth during which the puff is drawn
    gfx::Vec3 position;          // world position, fixed for the puff's life
};

// Whether a puff is still drawn at `now`; unsigned arithmetic keeps ages right across the wrap
// of the millisecond clock.
constexpr bool IsAlive(const SmokeParticle& puff, std::uint32_t now) { return now - puff.birth < puff.lifetime; }

// The emission point a trail is given when there is no previous one.
inline constexpr gfx::Vec3 kNoEmitPoint{1000.0f, 1000.0f, 1000.0f};

class SmokeTrail {
public:
    static constexpr std::uint32_t kCapacity = 13000;
    // Emission stops once this many puffs exist; one emission adds at most four, so the last
    // entries of the pool are never used.
    static constexpr std::uint32_t kEmissionLimit = 12996;

    SmokeTrail();
    SmokeTrail(const SmokeTrail&) = delete;
    SmokeTrail& operator=(const SmokeTrail&) = delete;

    // Makes the quad, the material and the puff texture. Without a quad the trail draws
    // nothing; without the texture it draws plain quads. Trails started through one `shared`
    // cache share the quad and the texture, so merged smoke can be drawn in long batches.
    void Init(scene::Device& device, scene::ResourceCache* shared = nullptr);

    // The smoke amount this trail emits with, kDefaultSmokeAmount until set. Read at every
    // emission, so a change shows at the next one.
    void SetAmount(int smokeAmount) { amount = smokeAmount; }
    int Amount() const { return amount; }

    // One frame's smoke: a puff at the nozzle point and, when there is a previous emission point
    // (not kNoEmitPoint), puffs filling the gap between the two.
    void Emit(const gfx::Vec3& nozzle, std::uint32_t now, const gfx::Vec3& previous);

    // Draws this trail's live puffs, farthest first, under the device's view transform.
    void DrawAll(scene::Device& device, std::uint32_t now);

    // Draws puff `index` as seen through `view`, whether or not it is still alive: callers that
    // merge several trails test the lifetime and sort the puffs themselves.
    void DrawParticle(scene::Device& device, std::uint32_t index, std::uint32_t now, gfx::Matrix view);

    // The puffs alive at `now`, farthest from the camera of `view` first: the order DrawAll
    // draws them in. Valid until the next call.
    std::span<const DepthKey> SortLive(const gfx::Matrix& view, std::uint32_t now);

    // The puffs made so far, in emission order.
    std::span<const SmokeParticle> Particles() const { return {particles.data(), particleCount}; }
    std::uint32_t ParticleCount() const { return particleCount; }

private:
    void EmitPuff(std::uint32_t now, std::uint32_t lifetime, const gfx::Vec3& at);
    void DrawPuff(scene::Device& device, const SmokeParticle& puff, std::uint32_t now, const gfx::Matrix& billboard);
    const gfx::Matrix& BillboardFor(const gfx::Matrix& view);

    std::shared_ptr<scene::Texture> smokeTexture;
    std::shared_ptr<scene::VertexBuffer> quad;
    std::array<SmokeParticle, kCapacity> particles;
    std::uint32_t particleCount = 0;
    int amount = kDefaultSmokeAmount;
    scene::Material smokeMaterial{};
    std::uint32_t mainLifetime = 90000;  // steps before each nozzle puff: 85000 ... 20000, 90000
    std::uint32_t midLifetime = 50000;   // steps before each midpoint puff: 45000 ... 20000, 50000

    // Scratch for the draw: the live puffs' depths, and the billboard of the last view seen.
    std::vector<DepthKey> drawOrder;
    std::vector<DepthKey> sortScratch;
    gfx::Matrix billboardView;
    gfx::Matrix billboard;
    bool billboardValid = false;
};

}  // namespace aircraft
