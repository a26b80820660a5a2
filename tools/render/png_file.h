#pragma once
// PNG files of RGBA images: through libpng on Linux; on Windows written without compression,
// and only such files (8-bit RGBA, stored) read back.

#include <memory>
#include <optional>
#include <string>

#include "gfx/image.h"

namespace tools {

// A PNG on its way to `path`, made before anything is drawn: Open checks that a file can be
// written there (making the temporary file beside it that the picture goes into), Commit
// writes the picture and renames the temporary file over `path`. A failed write, or an object
// destroyed (or a run ended by any signal that a handler can catch) before Commit, leaves
// whatever was at `path` as it was and no temporary file. A symbolic link at `path` is
// replaced, never followed, and a folder another user owns or may write in is refused; only a
// terminal, a pipe or a FIFO (/dev/stdout among them) is written directly.
class PngOutput {
public:
    // Nothing, with the reason in `error` (one line), when nothing can be written at `path`.
    static std::unique_ptr<PngOutput> Open(const std::string& path, std::string& error);
    ~PngOutput();
    PngOutput(const PngOutput&) = delete;
    PngOutput& operator=(const PngOutput&) = delete;

    // Writes 8-bit RGBA; false, with the reason in `error`, when it could not be written.
    // Once only.
    bool Commit(const gfx::Image& image, std::string& error);

private:
    PngOutput(std::string target, std::string temporary, int fd);
    void Discard();

    std::string target;
    std::string temporary;  // empty when writing to `target` directly
    int fd;
};

// Writes 8-bit RGBA through a PngOutput; false when the file cannot be written.
bool WritePng(const std::string& path, const gfx::Image& image);

// Reads any PNG as 8-bit RGBA; nothing when the file is missing or not a PNG.
std::optional<gfx::Image> ReadPng(const std::string& path);

}  // namespace tools
