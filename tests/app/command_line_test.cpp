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

TEST(CommandLine, AHostWindowTurnsOnlyTheFullScreenModeIntoTheHostedOne) {
    for (const char* line : {"", "--root", "-root", "-s", "-p", "-p 0"}) {
        const SaverCommand command = ParseCommandLine(line, "0x2a00007");
        EXPECT_EQ(command.mode, RunMode::kHosted) << line;
        EXPECT_EQ(command.hostWindow, 0x2a00007u) << line;
    }
    EXPECT_EQ(ParseCommandLine("-w", "0x2a00007").mode, RunMode::kWindowed);
    EXPECT_EQ(ParseCommandLine("-c", "0x2a00007").mode, RunMode::kConfigure);
    EXPECT_EQ(ParseCommandLine("-a", "0x2a00007").mode, RunMode::kExit);
    const SaverCommand preview = ParseCommandLine("-p 77", "0x2a00007");
    EXPECT_EQ(preview.mode, RunMode::kPreview);
    EXPECT_EQ(preview.previewParent, 77u);
    EXPECT_EQ(ParseCommandLine("--root", "").mode, RunMode::kFullScreen);  // set but empty
    EXPECT_EQ(ParseCommandLine("--root", nullptr).mode, RunMode::kFullScreen);
    // A variable that names no window still means a host is there: it is not ignored.
    const SaverCommand unusable = ParseCommandLine("--root", "window");
    EXPECT_EQ(unusable.mode, RunMode::kHosted);
    EXPECT_EQ(unusable.hostWindow, 0u);
}

TEST(CommandLine, HostWindowIsHexWithItsPrefixOrDecimalAndNothingElse) {
    EXPECT_EQ(HostWindowFrom("0x2a00007"), 0x2a00007u);
    EXPECT_EQ(HostWindowFrom("0X2A00007"), 0x2a00007u);
    EXPECT_EQ(HostWindowFrom("44040199"), 44040199u);
    EXPECT_EQ(HostWindowFrom("0xffffffff"), 0xffffffffu);
    for (const char* text : {"", "0x", "x12", "2a00007", "0x2a00007 ", " 12", "12abc", "-12", "+12", "0x-5",
                             "0x100000000", "4294967296", "99999999999999999999"}) {
        EXPECT_EQ(HostWindowFrom(text), 0u) << '"' << text << '"';
    }
}

}  // namespace
