#pragma once
// The renderer's programme tasks: a frame, a contact sheet, the catalogue listing, a track dump
// and a pose dump. Each returns the program's exit status and reports failures in one line.

#include <cstdio>

#include "tools/render/render_options.h"

namespace tools {

int RenderProgrammeFrame(const RenderOptions& options);
int RenderContactSheet(const RenderOptions& options);
int ListProgrammes(std::FILE* out);
int DumpTrack(const RenderOptions& options, std::FILE* out);
int DumpPose(const RenderOptions& options, std::FILE* out);

}  // namespace tools
