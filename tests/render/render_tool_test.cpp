// vantaro-render as its users run it: a command line in, a PNG or a one-line error out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "tools/render/png_file.h"

namespace {

const std::string kRenderer = std::string(VANTARO_BINARY_DIR) + "/vantaro-render";

// The renderer's exit status, or -1 when it did not exit by itself (a crash).
int RunRenderer(const std::string& arguments, const std::string& environment = "") {
    std::string command = environment + " " + kRenderer + " " + arguments + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

}  // namespace
