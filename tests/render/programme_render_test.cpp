// vantaro-render's programme tasks, run as users run them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/render/png_file.h"

namespace {

const std::string kRenderer = std::string(VANTARO_BINARY_DIR) + "/vantaro-render";

struct RendererRun {
    int status = -1;
    std::vector<std::string> lines;  // standard output
};

RendererRun RunRenderer(const std::string& arguments) {
    RendererRun run;
    const std::string command = kRenderer + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) run.lines.push_back(line);
    return run;
}

TEST(RenderProgrammes, ListsTheCatalogue) {
    const RendererRun run = RunRenderer("--list");
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 41u);
    EXPECT_EQ(run.lines[0], "number\tname\taircraft\tkeys\tduration_ms\troutine\tflyable");
    EXPECT_EQ(run.lines[36], "36\tデルタ・ダーティー\t6\t4\t18000\tUpdateProgramme36\tyes");
}

TEST(RenderProgrammes, DumpsEveryTrackAsCsv) {
    const RendererRun run = RunRenderer("--dump-track 36");
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 1u + 7u * 4u);  // six aircraft and the camera, four keys each
    EXPECT_EQ(run.lines[0], "track,key,time,x,y,z,yaw,pitch,roll,smoke");
    EXPECT_EQ(run.lines[1].rfind("1,0,-0.038097", 0), 0u);
    EXPECT_EQ(run.lines.back().rfind("camera,3,1.0383284", 0), 0u);
}

TEST(RenderProgrammes, DumpsThePoseAtAProgress) {
    const RendererRun run = RunRenderer("--dump-pose 39 0.5 --fps 20");
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 7u);
    // Halfway along the straight pass: the camera target is halfway between keys 1 and 2.
    EXPECT_NE(run.lines[0].find("\"target\":[0,15,-69.97"), std::string::npos) << run.lines[0];
    EXPECT_NE(run.lines[0].find("\"positionMode\":1"), std::string::npos);
    EXPECT_EQ(run.lines[1].rfind("{\"slot\":1,\"position\":[0,15,-68.97", 0), 0u) << run.lines[1];
    EXPECT_NE(run.lines[1].find("\"livePuffs\":0}"), std::string::npos);  // the leader trails no smoke
    EXPECT_EQ(run.lines[2].find("\"livePuffs\":0}"), std::string::npos);
}

TEST(RenderProgrammes, DrawsAFrameOfAFormation) {
    const std::string out = (std::filesystem::temp_directory_path() / "vantaro-render-frame.png").string();
    ASSERT_EQ(RunRenderer("--programme 38 --progress 0.4 --size 160x120 --fps 15 --out " + out).status, 0);
    const auto picture = tools::ReadPng(out);
    std::filesystem::remove(out);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 160u);
    std::set<std::uint32_t> colours;
    for (unsigned y = 0; y < picture->height; ++y) {
        for (unsigned x = 0; x < picture->width; ++x) {
            const auto* p = picture->Pixel(x, y);
            colours.insert(static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]));
        }
    }
    EXPECT_GT(colours.size(), 200u);  // sky, aircraft and smoke, not a cleared frame
}

TEST(RenderProgrammes, RefusesWhatItCannotDo) {
    EXPECT_EQ(RunRenderer("--programme 41 --progress 0.5 --out /tmp/x.png").status, 2);
    EXPECT_EQ(RunRenderer("--programme 36 --progress 1.5 --out /tmp/x.png").status, 2);
    EXPECT_EQ(RunRenderer("--programme 36 --out /tmp/x.png").status, 2);
    EXPECT_EQ(RunRenderer("--progress 0.5 --out /tmp/x.png").status, 2);
    EXPECT_EQ(RunRenderer("--dump-pose 36").status, 2);
    EXPECT_EQ(RunRenderer("--programme 36 --sheet 0x3 --out /tmp/x.png").status, 2);
    EXPECT_EQ(RunRenderer("--dump-track 0").status, 2);
}

}  // namespace
