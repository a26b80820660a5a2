#pragma once
// The command line of vantaro-render, read through one table of options.

#include <optional>
#include <string>

namespace tools {

struct RenderOptions {
    unsigned width = 640, height = 480;
    std::string out;
    std::string meshFile;     // a text mesh file to show instead of the test mesh
    std::string textureFile;  // JPEG or Targa for every material of the mesh file that names one
    float yaw = 35, pitch = 25;  // degrees: where the camera stands, around and above the subject
    bool help = false;
};

// Fills `options` from argv; an error message (one line) when the arguments are wrong.
std::optional<std::string> ParseRenderOptions(int argc, char** argv, RenderOptions& options);

std::string RenderUsage();

}  // namespace tools
