#include "tools/render/programme_tasks.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/smoke_trail.h"
#include "manoeuvres/catalogue.h"
#include "manoeuvres/flight_data.h"
#include "manoeuvres/manoeuvre.h"
#include "platform/clock.h"
#include "scene/device_factory.h"
#include "scene/recording_device.h"
#include "tools/render/label_font.h"
#include "tools/render/png_file.h"
#include "tools/render/programme_player.h"

namespace tools {
namespace {

constexpr int kExitFailed = 1;

int Fail(const std::string& message) {
    std::fprintf(stderr, "vantaro-render: %s\n", message.c_str());
    return kExitFailed;
}

// Programmes without flight data cannot be drawn; say which and why.
bool CheckFlyable(int programme) {
    if (manoeuvres::FindFlightData(programme)) return true;
    std::fprintf(stderr, "vantaro-render: programme %d has no flight data yet\n", programme);
    return false;
}

std::unique_ptr<scene::RenderDevice> MakeDevice(unsigned width, unsigned height, std::string& failure) {
    unsigned largestSide = 0;
    auto device = scene::CreateDeviceWithFallback(
        [&](scene::DeviceType type) { return scene::CreateOffscreenDevice(width, height, type, &largestSide); });
    if (!device) failure = DeviceFailure(width, height, largestSide);
    return device;
}

void ReportLoading(const ProgrammePlayer& player) {
    const std::string messages = player.Messages();
    if (!messages.empty()) std::fprintf(stderr, "vantaro-render: %s", messages.c_str());
}

// Halves an image by averaging 2 x 2 blocks.
gfx::Image Half(const gfx::Image& image) {
    gfx::Image half;
    half.width = image.width / 2;
    half.height = image.height / 2;
    half.pixels.resize(std::size_t{half.width} * half.height * 4);
    for (unsigned y = 0; y < half.height; ++y) {
        for (unsigned x = 0; x < half.width; ++x) {
            for (unsigned c = 0; c < 4; ++c) {
                const unsigned sum = image.Pixel(2 * x, 2 * y)[c] + image.Pixel(2 * x + 1, 2 * y)[c] +
                                     image.Pixel(2 * x, 2 * y + 1)[c] + image.Pixel(2 * x + 1, 2 * y + 1)[c];
                half.pixels[(std::size_t{y} * half.width + x) * 4 + c] = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
    return half;
}

void Paste(gfx::Image& sheet, const gfx::Image& cell, unsigned left, unsigned top) {
    for (unsigned y = 0; y < cell.height; ++y) {
        const auto* from = cell.Pixel(0, y);
        std::copy(from, from + std::size_t{cell.width} * 4, &sheet.pixels[(std::size_t{top + y} * sheet.width + left) * 4]);
    }
}

std::string ProgressLabel(float progress) {
    char text[16];
    std::snprintf(text, sizeof text, "t=%.3f", static_cast<double>(progress));
    return text;
}

void PrintMatrix(std::FILE* out, const gfx::Matrix& m) {
    std::fputc('[', out);
    for (int i = 0; i < 16; ++i) std::fprintf(out, "%s%.9g", i ? "," : "", static_cast<double>(m.m[i / 4][i % 4]));
    std::fputc(']', out);
}

void PrintTrack(std::FILE* out, const std::string& name, std::span<const manoeuvres::Keyframe> keys) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const auto& key = keys[k];
        std::fprintf(out, "%s,%zu,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%d\n", name.c_str(), k,
                     static_cast<double>(key.time), static_cast<double>(key.x), static_cast<double>(key.y),
                     static_cast<double>(key.z), static_cast<double>(key.yaw), static_cast<double>(key.pitch),
                     static_cast<double>(key.roll), key.smoke);
    }
}

}  // namespace

std::string DeviceFailure(unsigned width, unsigned height, unsigned largestSide) {
    if (largestSide == 0) return "no OpenGL 3.3 device could be made (hardware, software or reference)";
    return "--size " + std::to_string(width) + "x" + std::to_string(height) +
           " is larger than the OpenGL device can draw (at most " + std::to_string(largestSide) + " pixels a side)";
}

int RenderProgrammeFrame(const RenderOptions& options, PngOutput& output) {
    if (!CheckFlyable(options.programme)) return kExitFailed;
    std::string failure;
    auto device = MakeDevice(options.width, options.height, failure);
    if (!device) return Fail(failure);
    ProgrammePlayer player(*device, options.programme, options.fps, options.smoke);
    player.PlayTo(options.progress);
    ReportLoading(player);
    gfx::Image picture;
    if (scene::Failed(device->ReadBackBuffer(picture))) return Fail("the picture could not be read back");
    if (!output.Commit(picture, failure)) return Fail(failure);
    return 0;
}

int RenderContactSheet(const RenderOptions& options, PngOutput& output) {
    if (!CheckFlyable(options.programme)) return kExitFailed;
    std::string failure;
    auto device = MakeDevice(options.width, options.height, failure);
    if (!device) return Fail(failure);
    const unsigned cells = options.rows * options.columns;
    gfx::Image sheet;
    sheet.width = options.columns * (options.width / 2);
    sheet.height = options.rows * (options.height / 2);
    sheet.pixels.assign(std::size_t{sheet.width} * sheet.height * 4, 0);
    ProgrammePlayer player(*device, options.programme, options.fps, options.smoke);
    for (unsigned i = 0; i < cells; ++i) {
        const float progress = cells == 1 ? 0.0f : static_cast<float>(i) / static_cast<float>(cells - 1);
        player.PlayTo(progress);
        gfx::Image frame;
        if (scene::Failed(device->ReadBackBuffer(frame))) return Fail("the picture could not be read back");
        gfx::Image cell = Half(frame);
        DrawLabel(cell, 4, 4, ProgressLabel(progress), 2);
        Paste(sheet, cell, (i % options.columns) * cell.width, (i / options.columns) * cell.height);
    }
    ReportLoading(player);
    if (!output.Commit(sheet, failure)) return Fail(failure);
    return 0;
}

int ListProgrammes(std::FILE* out) {
    std::fprintf(out, "number\tname\taircraft\tkeys\tduration_ms\troutine\tflyable\n");
    for (const manoeuvres::Programme& p : manoeuvres::Programmes()) {
        std::fprintf(out, "%d\t%s\t%d\t%d\t%u\tUpdateProgramme%02d\t%s\n", p.number,
                     manoeuvres::ProgrammeName(p.number).c_str(), p.aircraftCount, p.keysPerTrack, p.duration,
                     p.routineNumber, manoeuvres::FindFlightData(p.number) ? "yes" : "no");
    }
    return 0;
}

int DumpTrack(const RenderOptions& options, std::FILE* out) {
    if (!CheckFlyable(options.programme)) return kExitFailed;
    const auto& programme = *manoeuvres::FindProgramme(options.programme);
    const auto& data = *manoeuvres::FindFlightData(options.programme);
    std::fprintf(out, "track,key,time,x,y,z,yaw,pitch,roll,smoke\n");
    for (int slot = 0; slot < programme.aircraftCount; ++slot) {
        PrintTrack(out, std::to_string(slot + 1), data.tracks[static_cast<std::size_t>(slot)]);
    }
    if (!data.camera.empty()) PrintTrack(out, "camera", data.camera);
    return 0;
}

// Plays the programme to the progress on a recording device (no drawing needed), then reports
// the camera and every aircraft as they were set in the last frame.
int DumpPose(const RenderOptions& options, std::FILE* out) {
    if (!CheckFlyable(options.programme)) return kExitFailed;
    scene::RecordingDevice device;
    device.SetViewport({0, 0, options.width, options.height, 0.0f, 1.0f});
    ProgrammePlayer player(device, options.programme, options.fps, options.smoke);
    player.PlayTo(options.progress, [&device] { device.ForgetCalls(); });
    manoeuvres::Manoeuvre* programme = player.Programme();
    if (!programme) return Fail("the programme did not start");

    const float t = static_cast<float>(player.Elapsed()) / static_cast<float>(programme->Duration());
    const auto aim = programme->AimAt(t);
    std::fprintf(out, "{\"camera\":{\"target\":[%.9g,%.9g,%.9g],\"view\":", static_cast<double>(aim.target.x),
                 static_cast<double>(aim.target.y), static_cast<double>(aim.target.z));
    PrintMatrix(out, device.State().view);
    std::fprintf(out, ",\"projection\":");
    PrintMatrix(out, device.State().projection);
    std::fprintf(out, ",\"positionMode\":%d}}\n", static_cast<int>(aim.positionMode));

    // Each aircraft's pose is the first world transform set for it after the camera.
    std::vector<gfx::Matrix> worlds;
    bool afterCamera = false;
    for (const auto& call : device.CallsOf(scene::CallKind::kSetTransform)) {
        if (call.transform == scene::TransformType::kProjection) afterCamera = true;
        if (afterCamera && call.transform == scene::TransformType::kWorld) worlds.push_back(call.matrix);
    }
    const auto formation = programme->Formation();
    for (std::size_t slot = 0; slot < formation.size() && slot < worlds.size(); ++slot) {
        const gfx::Matrix& world = worlds[slot];
        std::uint32_t live = 0;
        const std::uint32_t now = platform::timeGetTime();
        for (const auto& puff : formation[slot].Smoke().Particles()) live += aircraft::IsAlive(puff, now) ? 1 : 0;
        std::fprintf(out, "{\"slot\":%zu,\"position\":[%.9g,%.9g,%.9g],\"world\":", slot + 1,
                     static_cast<double>(world.m[3][0]), static_cast<double>(world.m[3][1]),
                     static_cast<double>(world.m[3][2]));
        PrintMatrix(out, world);
        std::fprintf(out, ",\"livePuffs\":%u}\n", live);
    }
    return 0;
}

}  // namespace tools
