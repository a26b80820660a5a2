// vantaro-render as its users run it: a command line in, a PNG or a one-line error out.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "tools/render/png_file.h"

namespace {

const std::string kRenderer = std::string(VANTARO_BINARY_DIR) + "/vantaro-render";

// The renderer's exit status, or -1 when it did not exit by itself (a crash).
int RunRenderer(const std::string& arguments, const std::string& environment = "") {
    std::string command = environment + " " + kRenderer + " " + arguments + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct RendererRun {
    int status = -1;     // -1 when it did not exit by itself (a crash)
    std::string errors;  // standard error
    double seconds = 0;
};

// Runs the renderer through the shell, `prefix` before it (limits, environment), with its
// standard error captured.
RendererRun RunCapturing(const std::string& arguments, const std::string& prefix = "") {
    const std::string errors = std::filesystem::temp_directory_path() / ("vantaro-render-err-" + std::to_string(getpid()));
    const std::string command =
        "bash -c '" + prefix + " exec " + kRenderer + " " + arguments + "' >/dev/null 2>" + errors;
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    RendererRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = FileBytes(errors);
    std::filesystem::remove(errors);
    return run;
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

// Files in `folder` whose names start with `stem`.
std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& stem) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(stem, 0) == 0) found.push_back(name);
    }
    return found;
}

// A fresh folder of this test process's own under the temporary folder, named after `name`.
std::string TempFolder(const char* name) {
    const std::string folder =
        std::filesystem::temp_directory_path() / ("vantaro-render-" + std::string(name) + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

std::string TempPng(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("vantaro-render-") + name + ".png")).string();
}

TEST(RenderTool, DrawsTheLitTexturedTestMeshOverTheSaversBackground) {
    std::string out = TempPng("torus");
    ASSERT_EQ(RunRenderer("--size 96x64 --out " + out), 0);
    auto picture = tools::ReadPng(out);
    std::filesystem::remove(out);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 96u);
    EXPECT_EQ(picture->height, 64u);
    const std::uint8_t* corner = picture->Pixel(0, 0);
    EXPECT_EQ(corner[2], 40);  // the dark blue behind everything
    std::set<int> shades;      // light, shadow and texture make many shades in the middle
    for (unsigned x = 30; x < 66; ++x) {
        shades.insert(picture->Pixel(x, 32)[0]);
    }
    EXPECT_GT(shades.size(), 10u);
}

TEST(RenderTool, RefusesBadArgumentsWithoutDrawing) {
    std::string out = TempPng("refused");
    EXPECT_EQ(RunRenderer("--size 0x64 --out " + out), 2);
    EXPECT_EQ(RunRenderer("--size 64 --out " + out), 2);
    EXPECT_EQ(RunRenderer("--frobnicate --out " + out), 2);
    EXPECT_EQ(RunRenderer("--size 64x64"), 2);
    EXPECT_EQ(RunRenderer("--mesh-file /nonexistent.x --out " + out), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(RenderTool, FailsCleanlyWhenNoOpenGLCanBeHad) {
    std::string out = TempPng("no-gl");
    // No EGL vendor library at all: every one of the three tries must fail, and say so.
    EXPECT_EQ(RunRenderer("--out " + out, "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent"), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(RenderTool, RefusesPicturesItCannotMakeInOneLineBeforeDrawing) {
    const std::string out = TempPng("impossible");
    struct Case {
        const char* arguments;
        const char* said;  // part of the one line
    };
    // A 16x16 sheet of 8192x8192 frames would be a 65536x65536 picture, 16 GiB; cells of a
    // 1x1 frame would be empty. The address space is bounded, so that a renderer that tried
    // anyway fails at once instead of taking the machine's memory (sanitised runs reserve
    // address space of their own and go without).
#if defined(__SANITIZE_ADDRESS__)
    const std::string bounded;
#else
    const std::string bounded = "ulimit -v 8000000;";
#endif
    for (const Case c : {Case{"--programme 36 --sheet 16x16 --size 8192x8192", "65536x65536"},
                         Case{"--programme 36 --sheet 2x2 --size 1x1", "at least 2x2"},
                         Case{"--programme 36 --sheet 1x2 --size 640x1", "at least 2x2"}}) {
        SCOPED_TRACE(c.arguments);
        const RendererRun run = RunCapturing(std::string(c.arguments) + " --out " + out, bounded);
        EXPECT_EQ(run.status, 2) << run.errors;
        EXPECT_EQ(Lines(run.errors), 1u) << run.errors;
        EXPECT_NE(run.errors.find(c.said), std::string::npos) << run.errors;
        EXPECT_LT(run.seconds, 2.0) << "it drew before refusing";
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // The largest sheet that fits is still made.
    EXPECT_EQ(RunCapturing("--programme 36 --sheet 1x2 --size 2x2 --out " + out).status, 0);
    EXPECT_TRUE(std::filesystem::exists(out));
    std::filesystem::remove(out);
}

TEST(RenderTool, AnOutputThatCannotBeWrittenFailsBeforeAnythingIsDrawn) {
    // Without any OpenGL the drawing would fail: the output's failure must come first.
    const std::string noGl = "export __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent;";
    const std::string folder = TempFolder("dir");
    for (const std::string& out : {std::string("/nonexistent-folder/frame.png"), folder}) {
        SCOPED_TRACE(out);
        for (const std::string& task : {std::string("--size 64x48"), std::string("--programme 36 --progress 0.5"),
                                        std::string("--programme 36 --sheet 2x2")}) {
            SCOPED_TRACE(task);
            const RendererRun run = RunCapturing(task + " --out " + out, noGl);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(Lines(run.errors), 1u) << run.errors;
            EXPECT_EQ(run.errors.rfind("vantaro-render: cannot write " + out, 0), 0u) << run.errors;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove(folder);
}

TEST(RenderTool, AFailedWriteLeavesTheOldPictureAndNoTemporaryFile) {
    const std::string folder = TempFolder("keep");
    const std::string out = folder + "/frame.png";
    ASSERT_EQ(RunRenderer("--size 16x16 --out " + out), 0);
    const std::string before = FileBytes(out);
    ASSERT_FALSE(before.empty());
    // Files may grow to 4 KiB (and a write past that fails rather than killing the program):
    // the 256x256 picture does not fit.
    const RendererRun run = RunCapturing("--size 256x256 --out " + out, "trap \"\" XFSZ; ulimit -f 4;");
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_EQ(Lines(run.errors), 1u) << run.errors;
    EXPECT_EQ(FileBytes(out), before) << "the old picture was touched";
    EXPECT_EQ(FilesStartingWith(folder, "frame.png"), std::vector<std::string>{"frame.png"});
    // A write that succeeds replaces it, with no temporary file left beside it.
    ASSERT_EQ(RunRenderer("--size 32x32 --out " + out), 0);
    EXPECT_EQ(tools::ReadPng(out)->width, 32u);
    EXPECT_EQ(FilesStartingWith(folder, "frame.png"), std::vector<std::string>{"frame.png"});
    std::filesystem::remove_all(folder);
}

TEST(RenderTool, InputsThatCannotBeAMeshOrAnImageAreRefusedInOneLine) {
    const std::string out = TempPng("inputs");
    const std::string folder = TempFolder("in");
    const std::string huge = folder + "/huge.x";
    { std::ofstream{huge}; }
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 30);  // sparse: no disk taken
    const std::string mesh = std::string(VANTARO_SOURCE_DIR) + "/resources/models/SKY.x";
#if defined(__SANITIZE_ADDRESS__)
    const std::string bounded;
#else
    const std::string bounded = "ulimit -v 8000000;";  // an endless read fails at once
#endif
    for (const std::string& arguments :
         {std::string("--mesh-file /dev/zero"), "--mesh-file " + folder, "--mesh-file " + huge,
          "--mesh-file " + mesh + " --texture-file /dev/zero", "--mesh-file " + mesh + " --texture-file " + folder}) {
        SCOPED_TRACE(arguments);
        const RendererRun run = RunCapturing(arguments + " --out " + out, bounded);
        EXPECT_EQ(run.status, 1) << run.errors;
        EXPECT_EQ(Lines(run.errors), 1u) << run.errors;
        EXPECT_LT(run.seconds, 5.0);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    std::filesystem::remove_all(folder);
}

TEST(RenderTool, TheOutputNeverGoesThroughALinkNorIntoAFolderOthersControl) {
    const std::string folder = TempFolder("link");
    const std::string victim = folder + "/authorized_keys";
    const std::string out = folder + "/frame.png";
    { std::ofstream(victim) << "ssh-ed25519 AAAA\n"; }
    std::filesystem::create_symlink(victim, out);
    ASSERT_EQ(RunRenderer("--size 16x16 --out " + out), 0);
    EXPECT_EQ(FileBytes(victim), "ssh-ed25519 AAAA\n");
    EXPECT_FALSE(std::filesystem::is_symlink(out));
    EXPECT_TRUE(tools::ReadPng(out));
    std::filesystem::permissions(folder, std::filesystem::perms::all);  // 0777, no sticky bit
    const RendererRun run = RunCapturing("--size 16x16 --out " + folder + "/other.png");
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_NE(run.errors.find("others may write"), std::string::npos) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(folder + "/other.png"));
    std::filesystem::remove_all(folder);
}

TEST(RenderTool, EverySignalThatEndsItLeavesNoTemporaryFile) {
    const std::string folder = TempFolder("sig");
    for (const int signal : {SIGTERM, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
        SCOPED_TRACE(signal);
        const pid_t child = fork();
        if (child == 0) {
            execl(kRenderer.c_str(), kRenderer.c_str(), "--programme", "22", "--sheet", "4x4", "--size", "640x480",
                  "--out", (folder + "/sheet.png").c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // The temporary file is made before the first frame is drawn.
        for (int i = 0; i < 500 && FilesStartingWith(folder, "sheet.png.").empty(); ++i) usleep(10000);
        EXPECT_FALSE(FilesStartingWith(folder, "sheet.png.").empty());
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_TRUE(std::filesystem::is_empty(folder)) << FilesStartingWith(folder, "sheet").size() << " file(s) left";
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
