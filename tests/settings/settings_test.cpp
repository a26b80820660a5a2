#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/framework/profile_store.h"
#include "app/saver_app.h"
#include "tests/settings/profile_home.h"

namespace {

using show::PlayList;

// The application as the saver sets it up: key "KELDRAN", start-up volume known.
class SaverSettings : public testing::Test {
protected:
    SaverSettings() {
        app.SetRegistryKey("KELDRAN");
        app.startupVolume = 0x1234;
    }

    Settings Loaded() {
        CSaverApp fresh;
        fresh.SetRegistryKey("KELDRAN");
        fresh.startupVolume = 0x1234;
        fresh.LoadSettings();
        return fresh.settings;
    }

    // The raw Program value as the file holds it, unescaped.
    std::string StoredProgram() {
        framework::ProfileStore store(home.SettingsFile());
        return store.GetString("Option", "Program", "<absent>");
    }

    ProfileHome home;
    CSaverApp app;
};

PlayList ListOf(std::initializer_list<int> numbers) {
    PlayList list{};
    std::transform(numbers.begin(), numbers.end(), list.begin(), [](int n) { return static_cast<signed char>(n); });
    return list;
}

TEST_F(SaverSettings, AFreshUserGetsTheDefaultsAndNothingIsWritten) {
    testing::internal::CaptureStderr();
    app.LoadSettings();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(app.settings.program, ListOf({1, 2, 3, 4, 16, 24, 27}));
    EXPECT_EQ(app.settings.sound, 1);
    EXPECT_EQ(app.settings.width, 800);
    EXPECT_EQ(app.settings.height, 600);
    EXPECT_EQ(app.settings.volume, 0x1234);
    EXPECT_EQ(app.settings.smoke, 2);
    EXPECT_FALSE(std::filesystem::exists(home.Folder() + "/KELDRAN"));
}

TEST_F(SaverSettings, SavingWritesEveryValueInOrderAsTheyLoadBack) {
    app.settings.program = ListOf({5, 0, 7});
    app.settings.sound = 0;
    app.settings.width = 1600;
    app.settings.height = 1200;
    app.settings.volume = 65535;
    app.settings.smoke = 3;
    ASSERT_TRUE(app.SaveSettings());
    EXPECT_EQ(home.Read(), "[Option]\nProgram=\\x05\nSound=0\nWidth=1600\nHeight=1200\nVolume=65535\nSmoke=3\n");
    const Settings loaded = Loaded();
    EXPECT_EQ(loaded.program, ListOf({5}));  // saving stops at the first 0
    EXPECT_EQ(loaded.sound, 0);
    EXPECT_EQ(loaded.width, 1600);
    EXPECT_EQ(loaded.height, 1200);
    EXPECT_EQ(loaded.volume, 65535);
    EXPECT_EQ(loaded.smoke, 3);
}

TEST_F(SaverSettings, PlayListLengths) {
    // 45 stored characters: the first 40 fill the whole list, with no terminating 0.
    std::string stored;
    for (int i = 0; i < 45; ++i) stored += static_cast<char>(1 + i % 40);
    home.Write("[Option]\nProgram=" + framework::EscapeProfileString(stored) + "\n");
    const Settings loaded = Loaded();
    EXPECT_TRUE(std::equal(loaded.program.begin(), loaded.program.end(), stored.begin()));

    // 40 programmes are saved as exactly 40 characters.
    app.settings.program = loaded.program;
    ASSERT_TRUE(app.SaveSettings());
    EXPECT_EQ(StoredProgram(), stored.substr(0, 40));

    // An empty string is an empty play list, not the default one.
    home.Write("[Option]\nProgram=\n");
    EXPECT_EQ(Loaded().program, PlayList{});
}

TEST_F(SaverSettings, BlankQuoteAndEveryOtherCodeRoundTrip) {
    app.settings.program = ListOf({32, 34});
    ASSERT_TRUE(app.SaveSettings());
    EXPECT_EQ(StoredProgram(), " \"");
    EXPECT_EQ(Loaded().program, ListOf({32, 34}));

    // Codes outside 1 to 40 are kept as they are; the list holds 40 at a time.
    for (int first = 1; first <= 255; first += 40) {
        PlayList list{};
        for (int i = 0; i < 40 && first + i <= 255; ++i) list[static_cast<std::size_t>(i)] = static_cast<signed char>(first + i);
        app.settings.program = list;
        ASSERT_TRUE(app.SaveSettings());
        EXPECT_EQ(Loaded().program, list) << "codes from " << first;
    }
}

TEST_F(SaverSettings, ACorruptFileGivesDefaultsForItsBadValuesSaysSoOnceAndIsNotRewritten) {
    std::string garbage = "\x7F" "ELF\x02\x01";
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    home.Write(garbage);
    testing::internal::CaptureStderr();
    Settings loaded = Loaded();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(home.SettingsFile()), std::string::npos) << said;
    EXPECT_EQ(loaded.program, ListOf({1, 2, 3, 4, 16, 24, 27}));
    EXPECT_EQ(loaded.width, 800);
    EXPECT_EQ(home.Read(), garbage);

    // Wrong types and malformed escapes spoil only their own values.
    home.Write("[Option]\nProgram=\\x05\\q\nSound=on\nWidth=99999999999\nHeight=2.5\nVolume=77\nSmoke=3\n");
    testing::internal::CaptureStderr();
    loaded = Loaded();
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("Width"), std::string::npos) << said;
    EXPECT_EQ(loaded.program, ListOf({1, 2, 3, 4, 16, 24, 27}));
    EXPECT_EQ(loaded.sound, 1);
    EXPECT_EQ(loaded.width, 800);
    EXPECT_EQ(loaded.height, 600);
    EXPECT_EQ(loaded.volume, 77);
    EXPECT_EQ(loaded.smoke, 3);

    // Saving (the configuration dialog's OK) writes a clean file again.
    app.settings = loaded;
    ASSERT_TRUE(app.SaveSettings());
    testing::internal::CaptureStderr();
    EXPECT_EQ(Loaded().volume, 77);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(SaverSettings, ValuesAreTakenAsStoredWithoutRangeChecks) {
    home.Write("[Option]\nWidth=0\nHeight=-5\nVolume=-1\nSmoke=9\nSound=7\nProgram=\\xC8" "abc\n");
    const Settings loaded = Loaded();
    EXPECT_EQ(loaded.width, 0);
    EXPECT_EQ(loaded.height, -5);
    EXPECT_EQ(loaded.volume, -1);
    EXPECT_EQ(loaded.smoke, 9);
    EXPECT_EQ(loaded.sound, 7);
    EXPECT_EQ(loaded.program, ListOf({200 - 256, 'a', 'b', 'c'}));
}

}  // namespace
