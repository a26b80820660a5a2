// A formation's smoke on the Direct3D 9 device, under Wine or Windows, as the saver draws it:
// six full trails (about 78,000 puffs of ages up to 20 s) merged and sorted farthest first and
// drawn through SmokeTrail's calls. Timed three ways: with the device's batched runs (the
// saver's path), with one draw call per puff, and as one bare draw of the same puffs as
// world-space quads from one dynamic buffer (the most batching can give); and the pictures of
// the first and the last held against per-puff drawing. Google Benchmark is not built for this
// toolchain, so the program times whole frames itself: wall time per frame and CPU seconds per
// wall second.
//   bench_device_d3d9 [WIDTH HEIGHT [FRAMES]]     (800 x 600, 3 frames)

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/depth_order.h"
#include "aircraft/smoke_trail.h"
#include "gfx/math.h"
#include "scene/d3d9/d3d9_device.h"
#include "scene/recording_device.h"
#include "scene/resource_cache.h"
#include "tools/render/png_file.h"

namespace {

constexpr int kTrails = 6;
constexpr std::uint32_t kNow = 100000;
constexpr std::uint32_t kOldest = 20000;  // the shortest lifetime: every puff is still drawn

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

struct Timing {
    double msPerFrame, cores;
};

Timing Time(int frames, const std::function<void()>& frame) {
    frame();  // warm-up: caches, shaders, first uploads
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) frame();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {wall * 1000 / frames, (CpuSeconds() - cpu) / wall};
}

// Six trails flown side by side through the view, each filled to the emission limit with two
// puffs an emission, born over the last 20 seconds.
class Formation {
public:
    explicit Formation(scene::Device& device) : cache(device) {
        for (int slot = 0; slot < kTrails; ++slot) {
            auto& trail = *trails.emplace_back(std::make_unique<aircraft::SmokeTrail>());
            trail.Init(device, &cache);
            trail.SetAmount(2);
            gfx::Vec3 previous = aircraft::kNoEmitPoint;
            const std::uint32_t emissions = aircraft::SmokeTrail::kEmissionLimit / 2;
            for (std::uint32_t i = 0; trail.ParticleCount() < aircraft::SmokeTrail::kEmissionLimit; ++i) {
                const float s = static_cast<float>(i);
                const gfx::Vec3 at{static_cast<float>(slot) * 6.0f + std::sin(s * 0.002f) * 40.0f,
                                   60.0f + std::cos(s * 0.0013f) * 30.0f, -150.0f + s * 0.04f};
                trail.Emit(at, kNow - kOldest + i * kOldest / emissions, previous);
                previous = at;
            }
        }
        view = gfx::MatrixLookAtLH({60.0f, 0.2f, -27.0f}, {5.0f, 70.0f, 5.0f}, {0, 1, 0});
    }

    // The frame as the saver draws merged smoke: every trail's live puffs sorted together.
    void Draw(scene::Device& device, float aspect) {
        using namespace scene;
        device.Clear(kClearTarget | kClearZBuffer, 0xff000028, 1, 0);
        device.BeginScene();
        device.SetTransform(TransformType::kView, view);
        device.SetTransform(TransformType::kProjection, gfx::MatrixPerspectiveFovLH(1.0471976f, aspect, 13, 1000));
        device.SetRenderState(RenderState::kAlphaBlendEnable, 1);
        device.SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
        device.SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
        device.SetRenderState(RenderState::kZFunc, kCmpLessEqual);
        device.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
        device.SetTextureStageState(0, TextureStageState::kAlphaArg1, kTaTexture);
        device.SetTextureStageState(0, TextureStageState::kAlphaArg2, kTaCurrent);
        order.clear();
        for (std::uint32_t slot = 0; slot < kTrails; ++slot) {
            const auto puffs = trails[slot]->Particles();
            for (std::uint32_t j = 0; j < puffs.size(); ++j) {
                if (aircraft::IsAlive(puffs[j], kNow)) {
                    order.push_back({aircraft::ViewDepth(puffs[j].position, view), slot * 65536 + j});
                }
            }
        }
        aircraft::SortFarthestFirst(order, scratch);
        for (const aircraft::DepthKey& key : order) {
            trails[key.index / 65536]->DrawParticle(device, key.index % 65536, kNow, view);
        }
        device.EndScene();
    }

    std::size_t PuffCount() const { return order.size(); }

private:
    scene::ResourceCache cache;
    std::vector<std::unique_ptr<aircraft::SmokeTrail>> trails;
    gfx::Matrix view;
    std::vector<aircraft::DepthKey> order, scratch;
};

struct BareVertex {
    float x, y, z;
    DWORD colour;
    float u, v;
};
constexpr DWORD kBareFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The formation's puffs as the draws of a recorded frame give them: world and lit alpha.
struct BarePuff {
    gfx::Matrix world;
    float alpha;
};

std::vector<BarePuff> RecordPuffs(Formation& formation, float aspect) {
    scene::RecordingDevice recorder;
    formation.Draw(recorder, aspect);
    std::vector<BarePuff> puffs;
    for (const auto& draw : recorder.CallsOf(scene::CallKind::kDrawPrimitive)) {
        puffs.push_back({draw.world, std::clamp(draw.material.diffuse.a, 0.0f, 1.0f)});
    }
    return puffs;
}

// Every puff as two triangles in world space, its alpha in the vertex colour, in one draw: the
// smoke texture stays bound from the frames drawn before.
void DrawBareFrame(scene::d3d9::D3d9Device& device, IDirect3DVertexBuffer9& buffer, const std::vector<BarePuff>& puffs) {
    constexpr float h = 0.03f;
    const float corners[4][4] = {{-h, h, 0, 0}, {h, h, 1, 0}, {-h, -h, 0, 1}, {h, -h, 1, 1}};
    IDirect3DDevice9& d3d = device.Direct3DDevice();
    d3d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000028, 1, 0);
    d3d.BeginScene();
    void* memory = nullptr;
    buffer.Lock(0, 0, &memory, D3DLOCK_DISCARD);
    auto* out = static_cast<BareVertex*>(memory);
    for (const BarePuff& puff : puffs) {
        const DWORD colour = (static_cast<DWORD>(std::lround(puff.alpha * 255)) << 24) | 0x00FFFFFF;
        BareVertex quad[4];
        for (int i = 0; i < 4; ++i) {
            const gfx::Vec3 p = gfx::Vec3TransformCoord({corners[i][0], corners[i][1], 0}, puff.world);
            quad[i] = {p.x, p.y, p.z, colour, corners[i][2], corners[i][3]};
        }
        for (int i : {0, 1, 2, 2, 1, 3}) *out++ = quad[i];
    }
    buffer.Unlock();
    d3d.SetRenderState(D3DRS_LIGHTING, FALSE);
    const D3DMATRIX identity{{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};
    d3d.SetTransform(D3DTS_WORLD, &identity);
    d3d.SetFVF(kBareFvf);
    d3d.SetStreamSource(0, &buffer, 0, sizeof(BareVertex));
    d3d.DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(2 * puffs.size()));
    d3d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d.EndScene();
    device.Present();
    device.Finish();
}

void Compare(const char* what, const gfx::Image& a, const gfx::Image& b) {
    double squares = 0;
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        if (i % 4 == 3) continue;
        const int difference = std::abs(a.pixels[i] - b.pixels[i]);
        squares += difference * difference;
        largest = std::max(largest, difference);
    }
    const double mse = squares / (static_cast<double>(a.pixels.size()) / 4 * 3);
    std::printf("%-24s PSNR %5.1f dB against one call per puff, largest channel difference %d\n", what,
                mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 999.0, largest);
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned width = argc > 2 ? static_cast<unsigned>(std::max(1, std::atoi(argv[1]))) : 800;
    const unsigned height = argc > 2 ? static_cast<unsigned>(std::max(1, std::atoi(argv[2]))) : 600;
    const int frames = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    auto made = scene::CreateOffscreenDevice(width, height, scene::DeviceType::kHardware);
    if (!made) {
        std::fprintf(stderr, "bench_device_d3d9: no Direct3D 9 device of %u x %u (Wine needs a display)\n", width,
                     height);
        return 1;
    }
    auto& device = static_cast<scene::d3d9::D3d9Device&>(*made);
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    Formation formation(device);
    const std::vector<BarePuff> puffs = RecordPuffs(formation, aspect);
    std::printf("%s\n%u x %u, %zu puffs, %d frames each\n", device.RendererName().c_str(), width, height,
                puffs.size(), frames);

    auto saverFrame = [&] {
        device.ResetStats();
        formation.Draw(device, aspect);
        device.Present();
        device.Finish();
    };
    device.SetBatching(false);
    const Timing oneByOne = Time(frames, saverFrame);
    gfx::Image oneByOnePicture;
    device.ReadBackBuffer(oneByOnePicture);
    const auto oneByOneDraws = device.Stats().drawCalls;

    device.SetBatching(true);
    const Timing batched = Time(frames, saverFrame);
    gfx::Image batchedPicture;
    device.ReadBackBuffer(batchedPicture);
    const auto batchedDraws = device.Stats().drawCalls;

    IDirect3DVertexBuffer9* buffer = nullptr;
    if (FAILED(device.Direct3DDevice().CreateVertexBuffer(static_cast<UINT>(6 * puffs.size() * sizeof(BareVertex)),
                                                          D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kBareFvf,
                                                          D3DPOOL_DEFAULT, &buffer, nullptr))) {
        std::fprintf(stderr, "bench_device_d3d9: no dynamic vertex buffer\n");
        return 1;
    }
    const Timing bare = Time(frames, [&] { DrawBareFrame(device, *buffer, puffs); });
    gfx::Image barePicture;
    device.ReadBackBuffer(barePicture);
    buffer->Release();

    std::printf("| smoke frame | ms a frame | cores | draw calls | vs bare draw |\n|---|---|---|---|---|\n");
    auto row = [&](const char* what, const Timing& timing, std::uint64_t draws) {
        std::printf("| %s | %.1f | %.2f | %llu | %.2fx |\n", what, timing.msPerFrame, timing.cores,
                    static_cast<unsigned long long>(draws), timing.msPerFrame / bare.msPerFrame);
    };
    row("saver's path (SmokeTrail, batched runs)", batched, batchedDraws);
    row("one call per puff", oneByOne, oneByOneDraws);
    row("one bare draw of all puffs", bare, 1);
    Compare("saver's path:", batchedPicture, oneByOnePicture);
    Compare("bare draw (8-bit alpha):", barePicture, oneByOnePicture);
    if (const char* folder = std::getenv("VANTARO_BENCH_PICTURES")) {
        // The three pictures, to be looked at.
        tools::WritePng(std::string(folder) + "/smoke-one-by-one.png", oneByOnePicture);
        tools::WritePng(std::string(folder) + "/smoke-batched.png", batchedPicture);
        tools::WritePng(std::string(folder) + "/smoke-bare.png", barePicture);
    }
    return 0;
}
