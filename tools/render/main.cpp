// vantaro-render: draws offscreen, without any X server, and writes PNG pictures.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "scene/device_factory.h"
#include "platform/standard_streams.h"
#include "tools/render/png_file.h"
#include "tools/render/programme_tasks.h"
#include "tools/render/render_options.h"
#include "tools/render/studio.h"
#include "tools/render/test_mesh.h"

namespace {

constexpr int kExitBadArguments = 2;
constexpr int kExitFailed = 1;

int Fail(const std::string& message) {
    std::fprintf(stderr, "vantaro-render: %s\n", message.c_str());
    return kExitFailed;
}

// Far above the largest mesh or image the saver carries (about 1 MB).
constexpr std::uintmax_t kLargestInputBytes = 64u << 20;

// The bytes of the regular file at `path`; an error message instead when it is not one, is
// larger than any asset could be, or cannot be read.
std::string ReadInputFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) return path + ": " + error.message();
    if (!std::filesystem::is_regular_file(status)) return path + ": not a regular file";
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return path + ": " + error.message();
    if (size > kLargestInputBytes) {
        return path + ": larger than " + std::to_string(kLargestInputBytes >> 20) + " MiB, too large for a mesh or an image";
    }
    std::ifstream file(path, std::ios::binary);
    bytes.resize(static_cast<std::size_t>(size));
    // The file may have changed since: what is read is what was there, within the limit.
    if (!file || !file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return path + ": cannot be read";
    }
    return {};
}

// The subject the options ask for; an error message when it cannot be loaded.
std::string LoadSubject(const tools::RenderOptions& options, tools::Subject& subject) {
    if (options.meshFile.empty()) {
        subject = {tools::MakeTestMesh(), tools::MakeTestTexture()};
        return {};
    }
    std::vector<std::uint8_t> bytes;
    if (std::string error = ReadInputFile(options.meshFile, bytes); !error.empty()) return error;
    gfx::MeshFileResult file = gfx::LoadMeshFile(bytes);
    if (!file) {
        return options.meshFile + ":" + std::to_string(file.line) + ": " + gfx::Describe(file.error);
    }
    subject.mesh = std::move(file.mesh);
    if (!options.textureFile.empty()) {
        if (std::string error = ReadInputFile(options.textureFile, bytes); !error.empty()) return error;
        subject.texture = gfx::DecodeImage(bytes);
        if (!subject.texture) {
            return options.textureFile + ": not a JPEG or Targa image this program reads";
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    platform::KeepStandardStreamsOpen();
#ifdef _WIN32
    // The listings and dumps are the same bytes as on Linux: no carriage returns added.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    tools::RenderOptions options;
    if (auto error = tools::ParseRenderOptions(argc, argv, options)) {
        std::fprintf(stderr, "vantaro-render: %s (--help lists the options)\n", error->c_str());
        return kExitBadArguments;
    }
    if (options.help) {
        std::fputs(tools::RenderUsage().c_str(), stdout);
        return 0;
    }
    switch (options.task) {
        case tools::RenderTask::kList: return tools::ListProgrammes(stdout);
        case tools::RenderTask::kDumpTrack: return tools::DumpTrack(options, stdout);
        case tools::RenderTask::kDumpPose: return tools::DumpPose(options, stdout);
        case tools::RenderTask::kFrame:
        case tools::RenderTask::kSheet:
        case tools::RenderTask::kSubject: break;
    }
    // Where the picture goes is settled before any drawing: a place it cannot go fails at once.
    std::string error;
    auto output = tools::PngOutput::Open(options.out, error);
    if (!output) {
        return Fail(error);
    }
    if (options.task == tools::RenderTask::kFrame) return tools::RenderProgrammeFrame(options, *output);
    if (options.task == tools::RenderTask::kSheet) return tools::RenderContactSheet(options, *output);
    tools::Subject subject;
    if (error = LoadSubject(options, subject); !error.empty()) {
        return Fail(error);
    }
    unsigned largestSide = 0;
    auto device = scene::CreateDeviceWithFallback([&](scene::DeviceType type) {
        return scene::CreateOffscreenDevice(options.width, options.height, type, &largestSide);
    });
    if (!device) {
        return Fail(tools::DeviceFailure(options.width, options.height, largestSide));
    }
    gfx::Image picture;
    if (!tools::DrawSubject(*device, subject, options.yaw, options.pitch) || scene::Failed(device->ReadBackBuffer(picture))) {
        return Fail("drawing failed");
    }
    if (!output->Commit(picture, error)) {
        return Fail(error);
    }
    return 0;
}
