// The merged smoke of a six-aircraft programme with every trail full (6 x 12,996 live puffs):
// gather and sort beside the literal method, the whole frame offscreen, and the start of a
// six-aircraft programme with its six models and thirty textures.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "aircraft/smoke_trail.h"
#include "manoeuvres/manoeuvre.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/device_factory.h"
#include "scene/recording_device.h"
#include "scene/scenery.h"
#include "show/frame.h"

namespace {

using manoeuvres::Keyframe;

constexpr std::uint32_t kNow = 100000;
const gfx::Vec3 kEye = manoeuvres::kGroundCamera;

// Programme 22's row (six aircraft, fixed target, merged smoke) flying straight tracks of
// our own, each trail filled to the emission limit along a 300-unit path.
struct FullTrails {
    FullTrails() {
        info = *manoeuvres::FindProgramme(22);
        for (int slot = 0; slot < 6; ++slot) {
            auto& track = tracks.emplace_back();
            for (int k = 0; k < info.keysPerTrack; ++k) {
                const float t = static_cast<float>(k - 1) / static_cast<float>(info.keysPerTrack - 3);
                track.push_back({t, static_cast<float>(slot) * 2.0f, 60.0f, -150.0f + 300.0f * t, 0, 0, 0, 1});
            }
            data.tracks[static_cast<std::size_t>(slot)] = track;
        }
        data.camera = tracks[0];
    }

    std::unique_ptr<manoeuvres::Manoeuvre> Start(scene::Device& device) {
        auto m = std::make_unique<manoeuvres::Manoeuvre>(info, data);
        m->Init(device, kEye.x, kEye.y, kEye.z, 800, 600, 0, 3);
        int slot = 0;
        for (auto& plane : m->Formation()) {
            gfx::Vec3 previous = aircraft::kNoEmitPoint;
            for (int i = 0; plane.Smoke().ParticleCount() < aircraft::SmokeTrail::kEmissionLimit; ++i) {
                const gfx::Vec3 at{static_cast<float>(slot) * 2.0f + std::sin(i * 0.01f) * 20.0f,
                                   60.0f + std::cos(i * 0.013f) * 30.0f, -150.0f + i * 0.1f};
                plane.Smoke().Emit(at, kNow - static_cast<std::uint32_t>(i % 400), previous);  // all alive
                previous = at;
            }
            ++slot;
        }
        return m;
    }

    manoeuvres::Programme info{};
    std::vector<std::vector<Keyframe>> tracks;
    manoeuvres::FlightData data;
};

std::unique_ptr<scene::RenderDevice> OffscreenDevice() {
    return scene::CreateDeviceWithFallback(
        [](scene::DeviceType type) { return scene::CreateOffscreenDevice(800, 600, type); });
}

struct Camera {
    gfx::Matrix view, projection;
    gfx::Viewport viewport{0, 0, 800, 600, 0.0f, 1.0f};
    Camera() {
        view = gfx::MatrixLookAtLH(kEye, {-5.0f, 70.0f, 5.0f}, {0, 1, 0});
        projection = gfx::MatrixPerspectiveFovLH(1.0471976f, 800.0f / 600.0f, 13.0f, 1000.0f);
    }
};

// Six full trails on a recording device, seen by the benchmark camera: what both sorts start from.
struct SortScene {
    platform::MessageCapture messages;
    scene::RecordingDevice device;
    FullTrails trails;
    std::unique_ptr<manoeuvres::Manoeuvre> m = trails.Start(device);
    const Camera camera;
};

void BM_GatherAndSort(benchmark::State& state) {
    SortScene scene;
    const Camera& camera = scene.camera;
    std::size_t count = 0;
    for (auto _ : state) {
        count = scene.m->GatherSmoke(kNow, camera.view, camera.projection, camera.viewport).size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["puffs"] = static_cast<double>(count);
}
BENCHMARK(BM_GatherAndSort)->Unit(benchmark::kMillisecond);

// The literal method: gather every live puff, then qsort with a comparison that transforms both
// positions by the view on every call and never answers "equal".
struct ParticleRef {
    int aircraftIndex;
    std::uint32_t particleIndex;
    std::uint32_t birth;
    gfx::Vec3 position;
};
gfx::Matrix sortView;

int LiteralOrder(const void* a, const void* b) {
    const gfx::Vec4 za = gfx::Vec3Transform(static_cast<const ParticleRef*>(a)->position, sortView);
    const gfx::Vec4 zb = gfx::Vec3Transform(static_cast<const ParticleRef*>(b)->position, sortView);
    return za.z < zb.z ? 1 : -1;
}

void BM_GatherAndSortLiteral(benchmark::State& state) {
    SortScene scene;
    sortView = scene.camera.view;
    std::vector<ParticleRef> refs(6 * aircraft::SmokeTrail::kCapacity);
    for (auto _ : state) {
        std::size_t n = 0;
        int slot = 0;
        for (auto& plane : scene.m->Formation()) {
            const auto puffs = plane.Smoke().Particles();
            for (std::uint32_t j = 0; j < puffs.size(); ++j) {
                if (aircraft::IsAlive(puffs[j], kNow)) refs[n++] = {slot, j, puffs[j].birth, puffs[j].position};
            }
            ++slot;
        }
        std::qsort(refs.data(), n, sizeof(ParticleRef), LiteralOrder);
        benchmark::DoNotOptimize(refs.data());
    }
}
BENCHMARK(BM_GatherAndSortLiteral)->Unit(benchmark::kMillisecond);

// The whole frame through the saver's own code, offscreen at 800 x 600: scenery, six aircraft,
// 77,976 puffs.
void BM_WholeFrameOffscreen(benchmark::State& state) {
    platform::MessageCapture messages;
    auto device = OffscreenDevice();
    if (!device) {
        state.SkipWithError("no OpenGL device");
        return;
    }
    scene::Scenery scenery;
    show::PrepareScene(*device, scenery);
    platform::TestClock clock(kNow - 5000);
    FullTrails trails;
    auto m = trails.Start(*device);
    clock.Set(kNow);
    for (auto _ : state) {
        device->Clear(scene::kClearTarget | scene::kClearZBuffer, show::kClearColor, 1.0f, 0);
        device->BeginScene();
        scenery.Draw(*device);
        m->Update(*device);
        device->EndScene();
        device->Present();
        device->Finish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeFrameOffscreen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

// Starting a six-aircraft programme: six models and thirty textures loaded afresh.
void BM_SixAircraftStart(benchmark::State& state) {
    platform::MessageCapture messages;
    auto device = OffscreenDevice();
    if (!device) {
        state.SkipWithError("no OpenGL device");
        return;
    }
    for (auto _ : state) {
        auto m = manoeuvres::CreateManoeuvre(36);
        m->Init(*device, kEye.x, kEye.y, kEye.z, 800, 600, 0);
        device->Finish();
        state.PauseTiming();
        m.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SixAircraftStart)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
