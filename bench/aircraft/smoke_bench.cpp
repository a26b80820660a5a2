// Smoke trail costs per frame: the depth sort of a full trail (12,996 live puffs), measured
// beside the plain method of copying the pool and sorting it with a comparison that transforms
// both positions on every call; the whole DrawAll on a device that does nothing; one emission.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "aircraft/smoke_trail.h"
#include "platform/message_box.h"
#include "platform/resources.h"

namespace {

using aircraft::SmokeParticle;
using aircraft::SmokeTrail;

class NullVertexBuffer final : public scene::VertexBuffer {
public:
    explicit NullVertexBuffer(std::size_t length) : memory(length) {}
    std::size_t Length() const override { return memory.size(); }
    std::span<std::byte> Lock() override { return memory; }
    void Unlock() override {}

private:
    std::vector<std::byte> memory;
};

// Accepts everything and draws nothing, so that only the smoke code is timed.
class NullDevice final : public scene::Device {
public:
    scene::HResult Clear(std::uint32_t, std::uint32_t, float, std::uint32_t) override { return scene::kOk; }
    scene::HResult BeginScene() override { return scene::kOk; }
    scene::HResult EndScene() override { return scene::kOk; }
    scene::HResult Present() override { return scene::kOk; }
    scene::HResult SetTransform(scene::TransformType type, const gfx::Matrix& matrix) override {
        if (type == scene::TransformType::kView) view = matrix;
        benchmark::DoNotOptimize(matrix);
        return scene::kOk;
    }
    scene::HResult GetTransform(scene::TransformType, gfx::Matrix& matrix) const override {
        matrix = view;
        return scene::kOk;
    }
    scene::HResult GetViewport(gfx::Viewport&) const override { return scene::kOk; }
    scene::HResult SetMaterial(const scene::Material& material) override {
        benchmark::DoNotOptimize(material);
        return scene::kOk;
    }
    scene::HResult SetLight(std::uint32_t, const scene::Light&) override { return scene::kOk; }
    scene::HResult LightEnable(std::uint32_t, bool) override { return scene::kOk; }
    scene::HResult SetRenderState(scene::RenderState, std::uint32_t) override { return scene::kOk; }
    scene::HResult SetTextureStageState(std::uint32_t, scene::TextureStageState, std::uint32_t) override {
        return scene::kOk;
    }
    scene::HResult SetSamplerState(std::uint32_t, scene::SamplerState, std::uint32_t) override { return scene::kOk; }
    scene::HResult SetTexture(std::uint32_t, scene::Texture*) override { return scene::kOk; }
    scene::HResult CreateVertexBuffer(std::uint32_t length, std::uint32_t, std::uint32_t, scene::Pool,
                                      std::unique_ptr<scene::VertexBuffer>& buffer) override {
        buffer = std::make_unique<NullVertexBuffer>(length);
        return scene::kOk;
    }
    scene::HResult SetStreamSource(std::uint32_t, scene::VertexBuffer*, std::uint32_t, std::uint32_t) override {
        return scene::kOk;
    }
    scene::HResult SetFVF(std::uint32_t) override { return scene::kOk; }
    scene::HResult DrawPrimitive(scene::PrimitiveType, std::uint32_t, std::uint32_t) override { return scene::kOk; }
    scene::HResult CreateMesh(const gfx::MeshData&, std::unique_ptr<scene::Mesh>&) override { return scene::kFail; }
    scene::HResult CreateTexture(const gfx::Image&, std::unique_ptr<scene::Texture>&) override { return scene::kFail; }

    gfx::Matrix view;
};

const gfx::Matrix kView = gfx::MatrixLookAtLH({60.0f, 0.2f, -27.0f}, {0, 60, 0}, {0, 1, 0});
constexpr std::uint32_t kNow = 1000;

// A trail filled to its limit. Path 0: a looping figure flown through the sky, the way trails
// grow; path 1: puffs scattered at random, the sort's hardest case.
std::unique_ptr<SmokeTrail> FullTrail(int path) {
    auto trail = std::make_unique<SmokeTrail>();
    std::mt19937 random(3);
    std::uniform_real_distribution<float> spread(-60.0f, 60.0f);
    for (int i = 0; trail->ParticleCount() < SmokeTrail::kEmissionLimit; ++i) {
        const float a = static_cast<float>(i) * 0.004f;
        const gfx::Vec3 p = path == 0 ? gfx::Vec3{40 * std::cos(a), 60 + 40 * std::sin(a), static_cast<float>(i) * 0.004f}
                                      : gfx::Vec3{spread(random), 60 + spread(random), spread(random)};
        trail->Emit(p, 0, aircraft::kNoEmitPoint);
    }
    return trail;
}

void BM_DepthSort(benchmark::State& state) {
    auto trail = FullTrail(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(trail->SortLive(kView, kNow).data());
    state.counters["puffs"] = static_cast<double>(trail->SortLive(kView, kNow).size());
}
BENCHMARK(BM_DepthSort)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The plain method: a copy of the whole pool, sorted by qsort with a comparison that reads the
// view from a global and transforms both positions on every call.
gfx::Matrix literalView;
int LiteralDepthCompare(const void* a, const void* b) {
    const gfx::Vec4 za = gfx::Vec3Transform(static_cast<const SmokeParticle*>(a)->position, literalView);
    const gfx::Vec4 zb = gfx::Vec3Transform(static_cast<const SmokeParticle*>(b)->position, literalView);
    return za.z > zb.z ? -1 : 1;
}

void BM_DepthSortLiteral(benchmark::State& state) {
    auto trail = FullTrail(static_cast<int>(state.range(0)));
    std::vector<SmokeParticle> copy(SmokeTrail::kCapacity);
    literalView = kView;
    for (auto _ : state) {
        std::memcpy(copy.data(), trail->Particles().data(), SmokeTrail::kCapacity * sizeof(SmokeParticle));
        std::qsort(copy.data(), trail->ParticleCount(), sizeof(SmokeParticle), LiteralDepthCompare);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_DepthSortLiteral)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DrawAllFullTrail(benchmark::State& state) {
    platform::MessageCapture quiet;  // the bench carries no puff image; puffs draw untextured
    platform::ScopedResourceOverride resources;
    resources.Hide(platform::ResourceType::kRCDATA, 226);
    NullDevice device;
    device.view = kView;
    auto trail = FullTrail(0);
    trail->Init(device);
    for (auto _ : state) trail->DrawAll(device, kNow);
}
BENCHMARK(BM_DrawAllFullTrail)->Unit(benchmark::kMicrosecond);

void BM_Emit(benchmark::State& state) {
    const int amount = static_cast<int>(state.range(0));
    auto trail = std::make_unique<SmokeTrail>();
    trail->SetAmount(amount);
    gfx::Vec3 nozzle{0, 50, 0}, previous = aircraft::kNoEmitPoint;
    std::uint32_t now = 0;
    for (auto _ : state) {
        trail->Emit(nozzle, now, previous);
        previous = nozzle;
        nozzle.z += 0.1f;
        ++now;
        if (trail->ParticleCount() >= SmokeTrail::kEmissionLimit) {
            state.PauseTiming();
            trail = std::make_unique<SmokeTrail>();
            trail->SetAmount(amount);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_Emit)->Arg(1)->Arg(2)->Arg(3);

}  // namespace

BENCHMARK_MAIN();
