#pragma once
// PNG files of RGBA images, through libpng.

#include <optional>
#include <string>

#include "gfx/image.h"

namespace tools {

// Writes 8-bit RGBA; false when the file cannot be written.
bool WritePng(const std::string& path, const gfx::Image& image);

// Reads any PNG as 8-bit RGBA; nothing when the file is missing or not a PNG.
std::optional<gfx::Image> ReadPng(const std::string& path);

}  // namespace tools
