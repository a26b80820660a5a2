#pragma once
// The switches a screensaver host starts the saver with. Only the first two characters choose
// the mode: '-' or '/', then a letter in either case; anything else runs the saver full screen.

#include <cstdint>
#include <string_view>

enum class RunMode { kFullScreen, kPreview, kWindowed, kConfigure, kExit };

struct SaverCommand {
    RunMode mode = RunMode::kFullScreen;
    std::uintptr_t previewParent = 0;  // the host's window, in preview mode
};

// A preview switch without a usable window number runs full screen.
SaverCommand ParseCommandLine(std::string_view line);

// The text after the last blank read as a decimal integer: an optional sign, then digits up to
// the first other character; 0 when there are none. Values that are no window id give 0.
std::uintptr_t PreviewWindowFrom(std::string_view line);
