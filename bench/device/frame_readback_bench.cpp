// A 640 x 480 half-float frame made bytes for the window, the vector path beside the portable
// one, and the whole read-back of such a frame from the offscreen device.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gfx/image.h"
#include "platform/random.h"
#include "scene/device_factory.h"
#include "scene/gl/half_float_pixels.h"

namespace {

constexpr unsigned kWidth = 640, kHeight = 480;

// Halves between 0 and 1 and a few beyond, as a frame of sky and smoke holds.
std::vector<std::uint16_t> HalfFloatFrame() {
    platform::SeedRand(7);
    std::vector<std::uint16_t> halves(std::size_t{kWidth} * kHeight * 4);
    for (std::uint16_t& half : halves) half = static_cast<std::uint16_t>(platform::Rand() % 0x3c40);
    return halves;
}

void Convert(benchmark::State& state, void (*convert)(const std::uint16_t*, std::size_t, std::uint8_t*,
                                                      scene::gl::ByteOrder)) {
    const std::vector<std::uint16_t> halves = HalfFloatFrame();
    std::vector<std::uint8_t> bytes(halves.size());
    for (auto _ : state) {
        convert(halves.data(), std::size_t{kWidth} * kHeight, bytes.data(), scene::gl::ByteOrder::kBgra);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_HalfFloatFrameToBytes(benchmark::State& state) { Convert(state, scene::gl::HalfFloatsToBytes); }
BENCHMARK(BM_HalfFloatFrameToBytes)->Unit(benchmark::kMicrosecond);

void BM_HalfFloatFrameToBytesPortable(benchmark::State& state) {
    Convert(state, scene::gl::HalfFloatsToBytesPortable);
}
BENCHMARK(BM_HalfFloatFrameToBytesPortable)->Unit(benchmark::kMicrosecond);

// What the saver's window costs a frame beyond drawing it: the back buffer read and made bytes.
void BM_ReadBackFrame(benchmark::State& state) {
    auto device = scene::CreateOffscreenDevice(kWidth, kHeight, scene::DeviceType::kHardware);
    if (!device) {
        state.SkipWithError("no OpenGL device");
        return;
    }
    gfx::Image image;
    for (auto _ : state) {
        device->Clear(scene::kClearTarget, 0xff203040, 1, 0);
        if (scene::Failed(device->ReadBackBuffer(image))) state.SkipWithError("read-back failed");
    }
}
BENCHMARK(BM_ReadBackFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
