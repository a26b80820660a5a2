#pragma once
// The renderer's programme tasks: a frame, a contact sheet, the catalogue listing, a track dump
// and a pose dump. Each returns the program's exit status and reports failures in one line.

#include <cstdio>
#include <string>

#include "tools/render/png_file.h"
#include "tools/render/render_options.h"

namespace tools {

// Why no offscreen device of `width` x `height` could be made, in one line: the size, when the
// device's largest side (`largestSide`, 0 when that was not the reason) is smaller.
std::string DeviceFailure(unsigned width, unsigned height, unsigned largestSide);

// The picture goes to `output`, opened before anything is drawn.
int RenderProgrammeFrame(const RenderOptions& options, PngOutput& output);
int RenderContactSheet(const RenderOptions& options, PngOutput& output);
int ListProgrammes(std::FILE* out);
int DumpTrack(const RenderOptions& options, std::FILE* out);
int DumpPose(const RenderOptions& options, std::FILE* out);

}  // namespace tools
