#pragma once
// The switches a screensaver host starts the saver with. Only the first two characters choose
// the mode: '-' or '/', then a letter in either case; anything else runs the saver full screen.
// A host that gives the saver a window of its own to draw in (XSCREENSAVER_WINDOW) turns the
// full-screen mode into the hosted one; the other modes ignore it.

#include <cstdint>
#include <string_view>

enum class RunMode { kFullScreen, kHosted, kPreview, kWindowed, kConfigure, kExit };

struct SaverCommand {
    RunMode mode = RunMode::kFullScreen;
    std::uintptr_t previewParent = 0;  // the host's window, in preview mode
    std::uintptr_t hostWindow = 0;  // in hosted mode the window to draw in; 0 when none is usable
};

// A preview switch without a usable window number runs full screen. `hostWindow` is the text of
// the host's window variable, or null when it is not set; an empty text counts as not set.
SaverCommand ParseCommandLine(std::string_view line, const char* hostWindow = nullptr);

// A window id as hosts write it: "0x" and hex digits, or decimal digits, and nothing else.
// 0 for anything else, including numbers beyond 32 bits.
std::uintptr_t HostWindowFrom(std::string_view text);

// The text after the last blank read as a decimal integer: an optional sign, then digits up to
// the first other character; 0 when there are none. Values that are no window id give 0.
std::uintptr_t PreviewWindowFrom(std::string_view line);
