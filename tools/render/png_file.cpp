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

#include "platform/linux/private_folder.h"

namespace tools {

namespace {

// The temporary file of the output in progress, removed by the handler of any signal that
// would end the program.
char pendingTemporary[PATH_MAX + 16] = {};
volatile sig_atomic_t pendingSet = 0;

// Signals whose default action ends the process and that a handler can catch (the C
// library's own real-time signals below SIGRTMIN aside).
bool EndsTheProcess(int signal) {
    switch (signal) {
        case SIGKILL:
        case SIGSTOP:
        case SIGCHLD:
        case SIGCONT:
        case SIGTSTP:
        case SIGTTIN:
        case SIGTTOU:
        case SIGURG:
        case SIGWINCH: return false;
        default: return signal < 32 || signal >= SIGRTMIN;
    }
}

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
        for (int signal = 1; signal <= SIGRTMAX; ++signal) {
            if (!EndsTheProcess(signal)) continue;
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
    struct stat info {};
    const bool exists = stat(path.c_str(), &info) == 0;
    struct stat entry {};
    const bool isLink = lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode);
    if (exists && S_ISDIR(info.st_mode)) {
        error = "cannot write " + path + ": it is a folder";
        return nullptr;
    }
    // A terminal, a pipe or a FIFO (also as /dev/stdout): nothing to replace, so it is written
    // as it is. Any other link is replaced, never followed.
    if (exists && !S_ISREG(info.st_mode) && (!isLink || S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode))) {
        const int direct = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (direct < 0) {
            error = "cannot write " + path + ": " + Reason(errno);
            return nullptr;
        }
        return std::unique_ptr<PngOutput>(new PngOutput(path, "", direct));
    }
    if (const std::string unsafe = platform::UnsafeFolderReason(platform::FolderOf(path)); !unsafe.empty()) {
        error = "cannot write " + path + ": " + unsafe;
        return nullptr;
    }
    const std::string& target = path;
    std::string temporary = target + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write " + path + ": " + Reason(errno);
        return nullptr;
    }
    // The picture gets the permissions a new file would, or those of the file it replaces.
    const bool replacesFile = exists && !isLink;
    fchmod(fd, replacesFile ? (info.st_mode & 07777) : (0666 & ~CurrentUmask()));
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
