#include "tools/render/png_file.h"

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tools {

namespace {

// The temporary file of the output in progress, removed by a termination signal's handler.
char pendingTemporary[PATH_MAX + 16] = {};
volatile sig_atomic_t pendingSet = 0;
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemovePendingAndDie(int signal) {
    if (pendingSet) unlink(pendingTemporary);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

void SetPending(const std::string& path) {
    pendingSet = 0;
    if (path.size() >= sizeof pendingTemporary) return;
    std::memcpy(pendingTemporary, path.c_str(), path.size() + 1);
    pendingSet = 1;
    static const bool installed = [] {
        for (int signal : kCleanedSignals) {
            struct sigaction old {};
            sigaction(signal, nullptr, &old);
            if (old.sa_handler != SIG_DFL) continue;  // someone else's handler, or ignored: keep it
            struct sigaction action {};
            action.sa_handler = RemovePendingAndDie;
            sigemptyset(&action.sa_mask);
            sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

void ClearPending() { pendingSet = 0; }

std::string Reason(int error) { return std::strerror(error); }

// The file a replacement must land on: the target of a symbolic link rather than the link.
std::string ResolvedTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && realpath(path.c_str(), resolved)) return resolved;
    return path;
}

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

}  // namespace

PngOutput::PngOutput(std::string target_, std::string temporary_, int fd_)
    : target(std::move(target_)), temporary(std::move(temporary_)), fd(fd_) {}

PngOutput::~PngOutput() { Discard(); }

void PngOutput::Discard() {
    if (fd >= 0) close(fd);
    fd = -1;
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        ClearPending();
    }
    temporary.clear();
}

std::unique_ptr<PngOutput> PngOutput::Open(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "no output file named";
        return nullptr;
    }
    const std::string target = ResolvedTarget(path);
    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        error = "cannot write " + path + ": it is a folder";
        return nullptr;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a FIFO: nothing to replace, so it is written as it is.
        const int direct = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (direct < 0) {
            error = "cannot write " + path + ": " + Reason(errno);
            return nullptr;
        }
        return std::unique_ptr<PngOutput>(new PngOutput(target, "", direct));
    }
    std::string temporary = target + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write " + path + ": " + Reason(errno);
        return nullptr;
    }
    // The picture gets the permissions a new file would, or those of the file it replaces.
    fchmod(fd, exists ? (info.st_mode & 07777) : (0666 & ~CurrentUmask()));
    SetPending(temporary);
    return std::unique_ptr<PngOutput>(new PngOutput(target, std::move(temporary), fd));
}

bool PngOutput::Commit(const gfx::Image& image, std::string& error) {
    error = "cannot write " + target;
    if (fd < 0) return false;
    if (image.width == 0 || image.height == 0 || image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        error += ": the picture is empty";
        Discard();
        return false;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGBA;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        error += ": " + Reason(errno);
        Discard();
        return false;
    }
    fd = -1;  // the stream has it now
    errno = 0;
    bool written = png_image_write_to_stdio(&png, file, 0, image.pixels.data(), 0, nullptr) != 0;
    png_image_free(&png);
    written = std::fflush(file) == 0 && written;
    const int writeError = errno;
    if (written && !temporary.empty()) written = fsync(fileno(file)) == 0;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        error += writeError != 0 ? ": " + Reason(writeError) : std::string(": the write failed");
        Discard();
        return false;
    }
    if (!temporary.empty() && rename(temporary.c_str(), target.c_str()) != 0) {
        error += ": " + Reason(errno);
        Discard();
        return false;
    }
    temporary.clear();
    ClearPending();
    return true;
}

bool WritePng(const std::string& path, const gfx::Image& image) {
    std::string error;
    auto output = PngOutput::Open(path, error);
    return output && output->Commit(image, error);
}

std::optional<gfx::Image> ReadPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGBA;
    gfx::Image image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

}  // namespace tools
