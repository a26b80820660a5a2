#include "aircraft/smoke_trail.h"

#include <cmath>
#include <cstring>

#include "platform/message_box.h"
#include "platform/random.h"
#include "scene/resource_cache.h"

namespace aircraft {
namespace {

constexpr int kSmokeTextureResource = 226;
constexpr std::uint32_t kQuadFvf = scene::kFvfXyz | scene::kFvfNormal | scene::kFvfTex1;

struct QuadVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 32);

// The unit puff, 0.06 across, facing -z, drawn as a triangle strip.
constexpr QuadVertex kQuad[4] = {
    {-0.03f, 0.03f, 0, 0, 0, -1, 0, 0},
    {0.03f, 0.03f, 0, 0, 0, -1, 1, 0},
    {-0.03f, -0.03f, 0, 0, 0, -1, 0, 1},
    {0.03f, -0.03f, 0, 0, 0, -1, 1, 1},
};

// Lifetimes step down by 5 s before each puff and start again from the top after 20 s.
constexpr std::uint32_t kShortestLifetime = 20000;
constexpr std::uint32_t kLifetimeStep = 5000;
constexpr std::uint32_t kMainLifetimeTop = 90000;
constexpr std::uint32_t kMidLifetimeTop = 50000;
constexpr std::uint32_t kQuarterPuffLifetime = 500;

void StepLifetime(std::uint32_t& counter, std::uint32_t top) {
    counter = counter == kShortestLifetime ? top : counter - kLifetimeStep;
}

// Up to about +-0.0082 units of random offset per coordinate.
float Jitter(float coordinate) {
    return static_cast<float>(coordinate + (platform::Rand() - 16383.5) * 5e-7);
}

gfx::Vec3 Midpoint(const gfx::Vec3& a, const gfx::Vec3& b) { return (a + b) * 0.5f; }

bool IsEmitPoint(const gfx::Vec3& p) {
    return p.x != kNoEmitPoint.x || p.y != kNoEmitPoint.y || p.z != kNoEmitPoint.z;
}

// A puff's opacity fades with the tenth power of its age (repeated multiplication) to a floor
// of 0.007; it is 1.007 at birth.
float PuffAlpha(float age) {
    const float fade = 1.0f - age * 0.000011111111f;
    float alpha = fade;
    for (int power = 1; power < 10; ++power) alpha *= fade;
    return alpha + 0.007f;
}

// The quad grows with the square root of the age: nothing at birth, 0.57 units after 1 s.
float PuffSize(float age) { return std::sqrt(age) * 0.3f; }

// Scaling(size, size, 1) * billboard * Translation(at), written out: the scaling scales the
// first two rows, and the translation adds to each row its fourth element times `at`. Two
// general matrix products per puff become a dozen multiplications.
gfx::Matrix PuffWorld(float size, const gfx::Matrix& billboard, const gfx::Vec3& at) {
    gfx::Matrix world;
    const float rowScale[4] = {size, size, 1.0f, 1.0f};
    for (int r = 0; r < 4; ++r) {
        const float* b = billboard.m[r];
        const float s = rowScale[r];
        const float w = s * b[3];
        world.m[r][0] = s * b[0] + w * at.x;
        world.m[r][1] = s * b[1] + w * at.y;
        world.m[r][2] = s * b[2] + w * at.z;
        world.m[r][3] = w;
    }
    return world;
}

}  // namespace

SmokeTrail::SmokeTrail() = default;

void SmokeTrail::Init(scene::Device& device, scene::ResourceCache* shared) {
    smokeMaterial = {};
    smokeMaterial.diffuse = smokeMaterial.ambient = smokeMaterial.emissive = {1.0f, 1.0f, 1.0f, 1.0f};
    smokeTexture.reset();
    quad.reset();

    scene::ResourceCache own(device);
    scene::ResourceCache& cache = shared && shared->MakesFor(device) ? *shared : own;
    if (platform::Failed(cache.ShareVertexBuffer(std::as_bytes(std::span(kQuad)), kQuadFvf, quad))) {
        quad.reset();
        return;
    }
    if (platform::Failed(cache.LoadTexture(kSmokeTextureResource, smokeTexture))) {
        smokeTexture.reset();
        platform::ShowMessage("Could not find smoke texture map");
    }
}

void SmokeTrail::EmitPuff(std::uint32_t now, std::uint32_t lifetime, const gfx::Vec3& at) {
    // One statement per coordinate: the random numbers go to x, y and z in that order.
    gfx::Vec3 position;
    position.x = Jitter(at.x);
    position.y = Jitter(at.y);
    position.z = Jitter(at.z);
    particles[particleCount++] = {now, lifetime, position};
}

void SmokeTrail::Emit(const gfx::Vec3& nozzle, std::uint32_t now, const gfx::Vec3& previous) {
    if (particleCount >= kEmissionLimit) return;
    if (amount > 1 && IsEmitPoint(previous)) {
        const gfx::Vec3 mid = Midpoint(nozzle, previous);
        StepLifetime(midLifetime, kMidLifetimeTop);
        EmitPuff(now, midLifetime, mid);
        if (amount == 3) {
            EmitPuff(now, kQuarterPuffLifetime, Midpoint(mid, previous));
            EmitPuff(now, kQuarterPuffLifetime, Midpoint(mid, nozzle));
        }
    }
    StepLifetime(mainLifetime, kMainLifetimeTop);
    EmitPuff(now, mainLifetime, nozzle);
}

const gfx::Matrix& SmokeTrail::BillboardFor(const gfx::Matrix& view) {
    // Every puff of a frame is seen through the same view: invert it once, not per puff.
    if (!billboardValid || std::memcmp(&view, &billboardView, sizeof view) != 0) {
        billboardView = view;
        gfx::Matrix rotation = view;
        rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0.0f;
        billboard = gfx::MatrixInverse(rotation);
        billboardValid = true;
    }
    return billboard;
}

void SmokeTrail::DrawPuff(scene::Device& device, const SmokeParticle& puff, std::uint32_t now,
                          const gfx::Matrix& rotation) {
    const float age = static_cast<float>(now - puff.birth);
    smokeMaterial.diffuse.a = PuffAlpha(age);
    device.SetMaterial(smokeMaterial);
    device.SetStreamSource(0, quad.get(), 0, sizeof(QuadVertex));
    device.SetFVF(kQuadFvf);
    device.SetTexture(0, smokeTexture.get());

    device.SetTransform(scene::TransformType::kWorld, PuffWorld(PuffSize(age), rotation, puff.position));
    device.DrawPrimitive(scene::PrimitiveType::kTriangleStrip, 0, 2);
}

std::span<const DepthKey> SmokeTrail::SortLive(const gfx::Matrix& view, std::uint32_t now) {
    // Dead puffs stay in the pool; only the live ones are sorted, each depth computed once.
    drawOrder.clear();
    drawOrder.reserve(particleCount);
    for (std::uint32_t i = 0; i < particleCount; ++i) {
        if (IsAlive(particles[i], now)) drawOrder.push_back({ViewDepth(particles[i].position, view), i});
    }
    SortFarthestFirst(drawOrder, sortScratch);
    return drawOrder;
}

void SmokeTrail::DrawAll(scene::Device& device, std::uint32_t now) {
    if (!quad) return;
    gfx::Matrix view;
    device.GetTransform(scene::TransformType::kView, view);
    const gfx::Matrix& rotation = BillboardFor(view);
    for (const DepthKey& key : SortLive(view, now)) DrawPuff(device, particles[key.index], now, rotation);
}

void SmokeTrail::DrawParticle(scene::Device& device, std::uint32_t index, std::uint32_t now, gfx::Matrix view) {
    if (!quad || index >= particleCount) return;
    DrawPuff(device, particles[index], now, BillboardFor(view));
}

}  // namespace aircraft
