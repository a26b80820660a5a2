#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <utility>

#include "app/framework/profile_store.h"
#include "tests/settings/profile_home.h"

namespace {

using framework::ProfileStore;

std::string AllCodes() {
    std::string bytes;
    for (int c = 1; c <= 255; ++c) bytes += static_cast<char>(c);
    return bytes;
}

TEST(ProfileStrings, EveryCodeFrom1To255SurvivesTheFileAsReadableText) {
    ProfileHome home;
    {
        ProfileStore store(home.SettingsFile());
        ASSERT_TRUE(store.WriteString("Option", "Program", AllCodes()));
    }
    const std::string text = home.Read();
    for (unsigned char c : text) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << int{c} << " written raw";
    }
    ProfileStore again(home.SettingsFile());
    EXPECT_EQ(again.GetString("Option", "Program", "unused"), AllCodes());
    EXPECT_FALSE(again.HasProblems());
}

TEST(ProfileStrings, ReadsTheKeyFileEscapesAndRejectsMalformedOnes) {
    EXPECT_EQ(framework::UnescapeProfileString(R"(\s\t\n\r\\\x41\x7e)"), std::optional<std::string>(" \t\n\r\\A~"));
    EXPECT_EQ(framework::UnescapeProfileString("caf\xC3\xA9"), std::optional<std::string>("caf\xC3\xA9"));
    for (const char* bad : {R"(\)", R"(\q)", R"(\x4)", R"(\xG1)", R"(\x00)"}) {
        EXPECT_EQ(framework::UnescapeProfileString(bad), std::nullopt) << bad;
    }
}

TEST(ProfileFile, IntegersAreStoredAsIntegersAndOnlyWritesCreateTheFile) {
    ProfileHome home;
    ProfileStore store(home.SettingsFile());
    EXPECT_EQ(store.GetInt("Option", "Width", 800), 800);
    EXPECT_FALSE(std::filesystem::exists(home.SettingsFile()));
    ASSERT_TRUE(store.WriteInt("Option", "Width", -1024));
    EXPECT_NE(home.Read().find("[Option]\nWidth=-1024\n"), std::string::npos) << home.Read();
    EXPECT_EQ(ProfileStore(home.SettingsFile()).GetInt("Option", "Width", 800), -1024);
}

TEST(ProfileFile, ABatchOfWritesReplacesTheFileOnce) {
    ProfileHome home;
    ProfileStore store(home.SettingsFile());
    int renames = 0;
    store.SetBeforeRenameHook([&] { ++renames; });
    store.BeginBatch();
    store.WriteInt("Option", "Sound", 0);
    store.WriteInt("Option", "Smoke", 3);
    EXPECT_FALSE(std::filesystem::exists(home.SettingsFile()));
    EXPECT_TRUE(store.EndBatch());
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(home.Read(), "[Option]\nSound=0\nSmoke=3\n");
}

TEST(ProfileFile, AWriteInterruptedBeforeTheRenameLeavesTheOldFileIntact) {
    ProfileHome home;
    const std::string old = "# mine\n[Option]\nWidth=1024\nHeight=768\n";
    home.Write(old);
    EXPECT_EXIT(
        {
            ProfileStore store(home.SettingsFile());
            store.SetBeforeRenameHook([] { std::raise(SIGKILL); });
            store.WriteInt("Option", "Width", 640);
        },
        testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(home.Read(), old);
    ProfileStore store(home.SettingsFile());
    EXPECT_EQ(store.GetInt("Option", "Width", 0), 1024);
    EXPECT_FALSE(store.HasProblems());
}

TEST(ProfileFile, AWriteNeverGoesThroughALinkNorIntoAFolderOthersControl) {
    ProfileHome home;
    // A file where the folder should be: nothing can be written.
    std::filesystem::create_directories(home.Folder());
    { std::ofstream(home.Folder() + "/KELDRAN") << "not a folder"; }
    EXPECT_FALSE(ProfileStore(home.SettingsFile()).WriteInt("Option", "Sound", 0));

    // A link planted at the path is replaced by the settings; the file it named is untouched.
    const std::string victim = home.Folder() + "/authorized_keys";
    const std::string link = home.Folder() + "/link.ini";
    { std::ofstream(victim) << "ssh-ed25519 AAAA\n"; }
    chmod(victim.c_str(), 0640);
    std::filesystem::create_symlink(victim, link);
    ASSERT_TRUE(ProfileStore(link).WriteInt("Option", "Sound", 0));
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ProfileStore(link).GetInt("Option", "Sound", 1), 0);
    std::string kept;
    std::getline(std::ifstream(victim), kept);
    EXPECT_EQ(kept, "ssh-ed25519 AAAA");
    // A regular file keeps the permissions its owner gave it.
    chmod(link.c_str(), 0640);
    ASSERT_TRUE(ProfileStore(link).WriteInt("Option", "Sound", 1));
    struct stat info {};
    ASSERT_EQ(stat(link.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // A folder anyone may write in (no sticky bit) is refused; with the sticky bit it is not.
    const std::string open = home.Folder() + "/open";
    std::filesystem::create_directories(open);
    chmod(open.c_str(), 0777);
    EXPECT_FALSE(ProfileStore(open + "/Vantaro.ini").WriteInt("Option", "Sound", 0));
    EXPECT_TRUE(std::filesystem::is_empty(open));
    chmod(open.c_str(), 01777);
    EXPECT_TRUE(ProfileStore(open + "/Vantaro.ini").WriteInt("Option", "Sound", 0));
}

TEST(ProfileFile, DamagedLinesAreSkippedAndTheRestIsRead) {
    ProfileHome home;
    std::string text = "[Option]\nWidth=1280\ngarbage \x01\xFE line\n[Bro";
    text += '\0';
    text += "ken]\nHeight=1\n[Option]\nSmoke=3\nSound=0";
    text += '\0';
    text += "\n";
    home.Write(text);
    ProfileStore store(home.SettingsFile());
    EXPECT_EQ(store.GetInt("Option", "Width", 0), 1280);
    EXPECT_EQ(store.GetInt("Option", "Smoke", 0), 3);
    // Keys under a damaged header never land in the group before it.
    EXPECT_EQ(store.GetInt("Option", "Height", 600), 600);
    EXPECT_EQ(store.GetInt("Option", "Sound", 1), 1);
    EXPECT_TRUE(store.HasProblems());
}

TEST(ProfileFile, UnreadableOrHugeFilesGiveDefaultsAndAreLeftAlone) {
    ProfileHome home;
    std::filesystem::create_directories(home.SettingsFile());  // a folder where the file should be
    ProfileStore folder(home.SettingsFile());
    EXPECT_EQ(folder.GetInt("Option", "Width", 800), 800);
    EXPECT_TRUE(folder.HasProblems());
    std::filesystem::remove(home.SettingsFile());

    const std::string huge = "[Option]\nWidth=1024\n#" + std::string(2 << 20, 'x') + "\n";
    home.Write(huge);
    ProfileStore store(home.SettingsFile());
    EXPECT_EQ(store.GetInt("Option", "Width", 800), 800);
    EXPECT_TRUE(store.HasProblems());
    EXPECT_EQ(std::filesystem::file_size(home.SettingsFile()), huge.size());
}

TEST(ProfilePath, FollowsTheConfigurationFolderConvention) {
    ProfileHome home;
    EXPECT_EQ(framework::ProfilePath("KELDRAN", "Vantaro"), home.Folder() + "/KELDRAN/Vantaro.ini");
    EXPECT_EQ(framework::ProfilePath("", "Vantaro"), home.Folder() + "/Vantaro.ini");
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(framework::ProfilePath("KELDRAN", "Vantaro"), "/home/someone/.config/KELDRAN/Vantaro.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(framework::ProfilePath("KELDRAN", "Vantaro"), "/home/someone/.config/KELDRAN/Vantaro.ini");
    setenv("HOME", savedHome.c_str(), 1);
}

TEST(ProfileFile, AFifoOrOtherNonRegularFileIsUnreadableWithoutWaiting) {
    ProfileHome home;
    std::filesystem::create_directories(home.Folder() + "/KELDRAN");
    ASSERT_EQ(mkfifo(home.SettingsFile().c_str(), 0600), 0);
    struct Read {
        int width = 0;
        bool problems = false;
        std::string said;
    };
    // Reading must not wait for a writer; if it does, the test opens the FIFO's other end
    // itself after a while, so that it fails instead of hanging.
    auto read = std::async(std::launch::async, [&] {
        ProfileStore store(home.SettingsFile());
        Read result;
        result.width = store.GetInt("Option", "Width", 800);
        result.problems = store.HasProblems();
        testing::internal::CaptureStderr();
        store.ReportProblems();
        result.said = testing::internal::GetCapturedStderr();
        return result;
    });
    const bool waited = read.wait_for(std::chrono::seconds(2)) != std::future_status::ready;
    if (waited) close(open(home.SettingsFile().c_str(), O_WRONLY | O_NONBLOCK));
    const Read result = read.get();
    EXPECT_FALSE(waited) << "reading the settings waited on a FIFO";
    EXPECT_EQ(result.width, 800);
    EXPECT_TRUE(result.problems) << "a FIFO is no settings file, and that is said";
    EXPECT_NE(result.said.find("not a regular file"), std::string::npos) << result.said;
    EXPECT_EQ(std::count(result.said.begin(), result.said.end(), '\n'), 1) << result.said;
    EXPECT_TRUE(std::filesystem::is_fifo(home.SettingsFile())) << "it was left as it was";

    ProfileStore device("/dev/zero");
    EXPECT_EQ(device.GetInt("Option", "Width", 800), 800);
    EXPECT_TRUE(device.HasProblems());
}

TEST(ProfileFile, AByteOrderMarkIsSkipped) {
    ProfileHome home;
    home.Write("\xEF\xBB\xBF[Option]\r\nSound=0\r\nWidth=1024\r\n");
    ProfileStore store(home.SettingsFile());
    EXPECT_EQ(store.GetInt("Option", "Sound", 1), 0);
    EXPECT_EQ(store.GetInt("Option", "Width", 800), 1024);
    EXPECT_FALSE(store.HasProblems());
}

TEST(ProfileFile, ASaveLeavesAFileItsOwnerCanReadAndWrite) {
    ProfileHome home;
    home.Write("[Option]\nSound=1\n");
    chmod(home.SettingsFile().c_str(), 0);
    ASSERT_TRUE(ProfileStore(home.SettingsFile()).WriteInt("Option", "Sound", 0));
    struct stat info {};
    ASSERT_EQ(stat(home.SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "mode " << std::oct << (info.st_mode & 0777);
    EXPECT_EQ(ProfileStore(home.SettingsFile()).GetInt("Option", "Sound", 1), 0);

    // What the user granted others stays granted.
    chmod(home.SettingsFile().c_str(), 0044);
    ASSERT_TRUE(ProfileStore(home.SettingsFile()).WriteInt("Option", "Sound", 1));
    ASSERT_EQ(stat(home.SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u) << "mode " << std::oct << (info.st_mode & 0777);
}

TEST(ProfilePath, ARelativeHomeIsIgnoredAsTheXdgRulesSay) {
    ProfileHome home;
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    unsetenv("XDG_CONFIG_HOME");
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const std::string expected = std::string(user->pw_dir) + (std::string(user->pw_dir) == "/" ? "" : "/") +
                                 ".config/KELDRAN/Vantaro.ini";
    for (const char* relative : {"relative/home", ".", ""}) {
        SCOPED_TRACE(relative);
        setenv("HOME", relative, 1);
        EXPECT_EQ(framework::ProfilePath("KELDRAN", "Vantaro"), expected);
    }
    setenv("HOME", "relative/home", 1);
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(framework::ProfilePath("KELDRAN", "Vantaro"), expected);
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
