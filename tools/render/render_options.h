#pragma once
// The command line of vantaro-render, read through one table of options.

#include <optional>
#include <string>

namespace tools {

// What the renderer is asked to do: the test subject (a mesh in a studio), a programme's frame
// or contact sheet, or a listing of the programme data.
enum class RenderTask { kSubject, kFrame, kSheet, kList, kDumpTrack, kDumpPose };

struct RenderOptions {
    RenderTask task = RenderTask::kSubject;
    unsigned width = 640, height = 480;
    std::string out;
    std::string meshFile;     // a text mesh file to show instead of the test mesh
    std::string textureFile;  // JPEG or Targa for every material of the mesh file that names one
    float yaw = 35, pitch = 25;  // degrees: where the camera stands, around and above the subject
    bool help = false;

    int programme = 0;            // 1 to 40
    float progress = 0;           // 0 to 1
    int smoke = 2;                // the smoke amount, 1 to 3
    float fps = 60;               // frames per second of the virtual clock
    unsigned rows = 0, columns = 0;  // of a contact sheet
};

// Fills `options` from argv; an error message (one line) when the arguments are wrong.
std::optional<std::string> ParseRenderOptions(int argc, char** argv, RenderOptions& options);

std::string RenderUsage();

}  // namespace tools
