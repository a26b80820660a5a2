// vantaro-render: draws offscreen, without any X server, and writes PNG pictures.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "scene/device_factory.h"
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

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The subject the options ask for; an error message when it cannot be loaded.
std::string LoadSubject(const tools::RenderOptions& options, tools::Subject& subject) {
    if (options.meshFile.empty()) {
        subject = {tools::MakeTestMesh(), tools::MakeTestTexture()};
        return {};
    }
    gfx::MeshFileResult file = gfx::LoadMeshFile(ReadFile(options.meshFile));
    if (!file) {
        return options.meshFile + ":" + std::to_string(file.line) + ": " + gfx::Describe(file.error);
    }
    subject.mesh = std::move(file.mesh);
    if (!options.textureFile.empty()) {
        subject.texture = gfx::DecodeImage(ReadFile(options.textureFile));
        if (!subject.texture) {
            return options.textureFile + ": not a JPEG or Targa image this program reads";
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
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
