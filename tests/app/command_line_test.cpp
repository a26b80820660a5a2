#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

TEST(CommandLine, TheFirstTwoCharactersChooseTheMode) {
    EXPECT_EQ(ParseCommandLine("").mode, RunMode::kFullScreen);
    EXPECT_EQ(ParseCommandLine("-s").mode, RunMode::kFullScreen);
    EXPECT_EQ(ParseCommandLine("/S").mode, RunMode::kFullScreen);
    EXPECT_EQ(ParseCommandLine("-root").mode, RunMode::kFullScreen);
    EXPECT_EQ(ParseCommandLine("w").mode, RunMode::kFullScreen);  // no - or /
    EXPECT_EQ(ParseCommandLine("-").mode, RunMode::kFullScreen);
    EXPECT_EQ(ParseCommandLine("-a").mode, RunMode::kExit);
    EXPECT_EQ(ParseCommandLine("/A").mode, RunMode::kExit);
    EXPECT_EQ(ParseCommandLine("-c").mode, RunMode::kConfigure);
    EXPECT_EQ(ParseCommandLine("/c:1234").mode, RunMode::kConfigure);  // the handle is ignored
    EXPECT_EQ(ParseCommandLine("-W").mode, RunMode::kWindowed);
    EXPECT_EQ(ParseCommandLine("-wide").mode, RunMode::kWindowed);
}

TEST(CommandLine, PreviewTakesTheNumberAfterTheLastBlank) {
    const SaverCommand preview = ParseCommandLine("/p 4194306");
    EXPECT_EQ(preview.mode, RunMode::kPreview);
    EXPECT_EQ(preview.previewParent, 4194306u);
    EXPECT_EQ(ParseCommandLine("-P 1 2 77").previewParent, 77u);
    EXPECT_EQ(ParseCommandLine("-p 123abc").previewParent, 123u);  // the first other character ends it
    EXPECT_EQ(ParseCommandLine("-p +99").previewParent, 99u);
}

TEST(CommandLine, PreviewWithoutAUsableNumberRunsFullScreen) {
    for (const char* line : {"-p", "-p ", "-p x12", "-p -5", "-p 99999999999999999999", "-p 0"}) {
        const SaverCommand command = ParseCommandLine(line);
        EXPECT_EQ(command.mode, RunMode::kFullScreen) << line;
        EXPECT_EQ(command.previewParent, 0u) << line;
    }
}

}  // namespace
