// Old smoke as the saver's device draws it, against the same frames drawn into full floats:
// hundreds of nearly transparent puffs over one another must fade to a faint haze, not drift
// into pink, green and purple bands.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <limits>
#include <utility>
#include <vector>

#include "platform/random.h"
#include "scene/device_factory.h"
#include "tools/render/png_file.h"
#include "tools/render/programme_player.h"

namespace scene {
namespace {

constexpr unsigned kWidth = 320, kHeight = 240;
constexpr float kFramesPerSecond = 60;  // the saver's pace: puffs are emitted once a frame
// Below this the bands catch the eye; the half-float buffer gives about 40 dB and more.
constexpr double kRequiredPsnr = 38;

struct Renderings {
    gfx::Image drawn, reference, eightBit;
};

// One frame drawn three ways. Drawing the frame again at the same moment gives the same
// picture: the puffs it emits are of age 0, which have no size. The frame is drawn once first
// so that the sky of all three is drawn with this frame's camera, not the one before.
bool RenderThreeWays(RenderDevice& device, tools::ProgrammePlayer& player, float progress, Renderings& out) {
    player.PlayTo(progress);
    const std::pair<ColourPrecision, gfx::Image*> ways[] = {{kDrawingPrecision, &out.drawn},
                                                           {ColourPrecision::kFloat, &out.reference},
                                                           {ColourPrecision::kEightBit, &out.eightBit}};
    for (const auto& [precision, image] : ways) {
        if (!device.SetColourPrecision(precision)) return false;
        player.PlayTo(progress);
        if (Failed(device.ReadBackBuffer(*image))) return false;
    }
    return device.SetColourPrecision(kDrawingPrecision);
}

// Peak signal to noise ratio over the colour channels, in dB; infinite for equal pictures.
double Psnr(const gfx::Image& a, const gfx::Image& b) {
    double squares = 0;
    std::size_t samples = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        if (i % 4 == 3) continue;  // alpha
        const double difference = static_cast<double>(a.pixels[i]) - static_cast<double>(b.pixels[i]);
        squares += difference * difference;
        ++samples;
    }
    if (squares == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 / (squares / static_cast<double>(samples)));
}

// Programme 33's delta 360 turn ends in a sky full of its own old smoke, fainter and more
// overlapped the later it gets.
const float kSmokyMoments[] = {0.9f, 0.93f, 0.96f};

// With VANTARO_TEST_PICTURES naming a folder, the three renderings land there to be looked at.
void KeepPictures(float progress, const Renderings& frame) {
    const char* folder = std::getenv("VANTARO_TEST_PICTURES");
    if (folder == nullptr) return;
    const std::string stem = std::string(folder) + "/old-smoke-" + std::to_string(std::lround(progress * 100));
    tools::WritePng(stem + "-drawn.png", frame.drawn);
    tools::WritePng(stem + "-reference.png", frame.reference);
    tools::WritePng(stem + "-eight-bit.png", frame.eightBit);
}

TEST(OldSmoke, FadesToAHazeAsAFullFloatBufferDrawsIt) {
    platform::SeedRand(1);
    auto device = CreateDeviceWithFallback(
        [](DeviceType type) { return CreateOffscreenDevice(kWidth, kHeight, type); });
    ASSERT_NE(device, nullptr);
    tools::ProgrammePlayer player(*device, 33, kFramesPerSecond);
    for (float progress : kSmokyMoments) {
        SCOPED_TRACE(testing::Message() << "programme 33 at " << progress);
        Renderings frame;
        ASSERT_TRUE(RenderThreeWays(*device, player, progress, frame));
        const double drawn = Psnr(frame.drawn, frame.reference);
        EXPECT_GE(drawn, kRequiredPsnr);
        // The same frame in eight bits shows the bands, so the comparison can see them; but it
        // is the same frame, not an empty or stale one.
        const double eightBit = Psnr(frame.eightBit, frame.reference);
        EXPECT_LT(eightBit, drawn - 3);
        EXPECT_GT(eightBit, 20);
        RecordProperty("psnr_" + std::to_string(std::lround(progress * 100)), std::to_string(drawn));
        KeepPictures(progress, frame);
    }
}

}  // namespace
}  // namespace scene
