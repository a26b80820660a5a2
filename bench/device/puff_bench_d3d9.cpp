// The smoke frame of puff_scene.h on the Direct3D 9 device, under Wine or Windows: one call per
// puff through the device (what the smoke code does), against one bare draw of every puff as a
// world-space quad from one dynamic buffer (the most batching can give), and how far apart
// their pictures are. Google Benchmark is not built for this toolchain, so the program times
// whole frames itself: wall time per frame and CPU seconds per wall second.
//   bench_device_d3d9 [FRAMES]

#include "platform/windows_api.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/device/puff_scene.h"
#include "scene/d3d9/d3d9_device.h"

namespace {

using bench::kHeight;
using bench::kWidth;

struct BatchVertex {
    float x, y, z;
    DWORD colour;
    float u, v;
};
constexpr DWORD kBatchFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

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

gfx::Vec3 Corner(const gfx::Matrix& world, float x, float y) {
    return gfx::Vec3TransformCoord({x, y, 0}, world);
}

// Every puff as two triangles in world space; its alpha in the vertex colour.
void FillBatch(IDirect3DVertexBuffer9& buffer) {
    void* memory = nullptr;
    buffer.Lock(0, 0, &memory, D3DLOCK_DISCARD);
    auto* out = static_cast<BatchVertex*>(memory);
    const float (&q)[4][8] = bench::kPuffQuad;
    for (const bench::Puff& puff : bench::ThePuffScene().puffs) {
        const DWORD colour = (static_cast<DWORD>(std::lround(std::clamp(puff.alpha, 0.0f, 1.0f) * 255)) << 24) |
                             0x00FFFFFF;
        BatchVertex corners[4];
        for (int i = 0; i < 4; ++i) {
            const gfx::Vec3 p = Corner(puff.world, q[i][0], q[i][1]);
            corners[i] = {p.x, p.y, p.z, colour, q[i][6], q[i][7]};
        }
        for (int i : {0, 1, 2, 2, 1, 3}) *out++ = corners[i];
    }
    buffer.Unlock();
}

void DrawBatchFrame(scene::d3d9::D3d9Device& device, IDirect3DVertexBuffer9& buffer) {
    IDirect3DDevice9& d3d = device.Direct3DDevice();
    device.Clear(scene::kClearTarget | scene::kClearZBuffer, 0xff000028, 1, 0);
    d3d.BeginScene();
    FillBatch(buffer);
    d3d.SetRenderState(D3DRS_LIGHTING, FALSE);
    const D3DMATRIX identity{{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};
    d3d.SetTransform(D3DTS_WORLD, &identity);
    d3d.SetFVF(kBatchFvf);
    d3d.SetStreamSource(0, &buffer, 0, sizeof(BatchVertex));
    d3d.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2 * bench::kPuffCount);
    d3d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d.EndScene();
    device.Present();
    device.Finish();
}

void Compare(const gfx::Image& a, const gfx::Image& b) {
    double squares = 0;
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        if (i % 4 == 3) continue;
        const int difference = std::abs(a.pixels[i] - b.pixels[i]);
        squares += difference * difference;
        largest = std::max(largest, difference);
    }
    const double mse = squares / (a.pixels.size() / 4 * 3);
    std::printf("pictures: PSNR %.1f dB, largest channel difference %d\n",
                mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 999.0, largest);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    auto made = scene::CreateOffscreenDevice(kWidth, kHeight, scene::DeviceType::kHardware);
    if (!made) {
        std::fprintf(stderr, "bench_device_d3d9: no Direct3D 9 device (Wine needs a display)\n");
        return 1;
    }
    auto& device = static_cast<scene::d3d9::D3d9Device&>(*made);
    const bench::PuffPass pass = bench::PreparePuffPass(device);
    std::printf("%s, %u x %u, %d puffs, %d frames each\n", device.RendererName().c_str(), kWidth, kHeight,
                bench::kPuffCount, frames);

    const Timing oneByOne = Time(frames, [&] { bench::DrawPuffFrame(device, pass); });
    gfx::Image oneByOnePicture;
    device.ReadBackBuffer(oneByOnePicture);
    std::printf("one call per puff:     %8.1f ms a frame, %.2f cores\n", oneByOne.msPerFrame, oneByOne.cores);

    IDirect3DVertexBuffer9* buffer = nullptr;
    if (FAILED(device.Direct3DDevice().CreateVertexBuffer(6 * bench::kPuffCount * sizeof(BatchVertex),
                                                          D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kBatchFvf,
                                                          D3DPOOL_DEFAULT, &buffer, nullptr))) {
        std::fprintf(stderr, "bench_device_d3d9: no dynamic vertex buffer\n");
        return 1;
    }
    const Timing batched = Time(frames, [&] { DrawBatchFrame(device, *buffer); });
    gfx::Image batchedPicture;
    device.ReadBackBuffer(batchedPicture);
    buffer->Release();
    std::printf("one draw of all puffs: %8.1f ms a frame, %.2f cores\n", batched.msPerFrame, batched.cores);
    Compare(oneByOnePicture, batchedPicture);
    return 0;
}
