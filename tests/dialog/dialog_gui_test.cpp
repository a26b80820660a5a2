// The real dialogs on a virtual display, driven with the pointer and the keyboard through
// xdotool as a user drives them.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <functional>
#include <map>
#include <thread>

#include "app/config_dlg.h"
#include "app/saver_app.h"
#include "play_list.h"
#include "app/version_dlg.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "tests/support/xvfb.h"

namespace {

using framework::DialogRect;

Settings DefaultSettings() {
    Settings s;
    s.volume = 30000;
    return s;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A settings folder of the test's own, and the application reading its settings from it as
// the configuration mode does.
class SettingsFolder {
public:
    SettingsFolder() {
        char pattern[] = "/tmp/vantaro-dialog-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "";
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~SettingsFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::string File() const { return folder + "/KELDRAN/Vantaro.ini"; }

    std::unique_ptr<CSaverApp> LoadApp() const {
        auto app = std::make_unique<CSaverApp>();
        app->startupVolume = 30000;
        app->SetRegistryKey("KELDRAN");
        app->LoadSettings();
        return app;
    }

private:
    std::string folder;
};

// Where the controls stand on the screen, taken on the dialog's thread once it is shown.
struct Screen {
    std::map<int, DialogRect> controls;
    DialogRect client;
    int itemHeight = 0;
};

// Runs a program with the test's display; its standard output, and in `ok` whether it succeeded.
std::string RunProgram(const std::vector<std::string>& argv, bool* ok = nullptr) {
    int status = -1;
    std::string output = testsupport::RunAndCapture(argv, status);
    if (ok) *ok = status == 0;
    return output;
}

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(80)); }

void ClickAt(int x, int y) {
    RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    Pause();
}

// Presses the keys named, separated by blanks, one after the other.
void Key(const std::string& keys) {
    std::vector<std::string> argv{"xdotool", "key"};
    std::istringstream names(keys);
    for (std::string name; names >> name;) argv.push_back(name);
    RunProgram(argv);
    Pause();
}

// A dialog that runs `script` on a thread of its own once it is on screen.
template <typename Dialog>
class Driven : public Dialog {
public:
    using Script = std::function<void(const Screen&)>;

    template <typename... Args>
    explicit Driven(Script driver, Args&&... args) : Dialog(std::forward<Args>(args)...), script(std::move(driver)) {}
    // The test has finished with the dialog: the driver stops.
    ~Driven() override {
        ended = true;
        if (worker.joinable()) worker.join();
    }

private:
    void OnShown() override {
        Screen screen;
        screen.client = *this->ClientRect();
        screen.itemHeight = this->ListItemHeight();
        for (const auto& control : this->Template()->controls) {
            if (control.id != framework::IDC_STATIC) screen.controls[control.id] = *this->ControlRect(control.id);
        }
        worker = std::thread([this, screen] {
            // Without a window manager the keyboard follows the pointer: keys reach the
            // dialog while the pointer is over it.
            RunProgram({"xdotool", "mousemove", std::to_string(screen.client.x + screen.client.width / 2),
                 std::to_string(screen.client.y + screen.client.height / 2)});
            script(screen);
            // A script that left the dialog open must not hang the test: Escape ends it.
            for (int i = 0; i < 50 && !ended; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (i % 10 == 9) Key("Escape");
            }
        });
    }

    Script script;
    std::thread worker;
    std::atomic<bool> ended{false};
};

using DrivenConfigDlg = Driven<CConfigDlg>;

// With VANTARO_DIALOG_SCREENSHOTS set to a folder, saves the dialog's client area there.
void Screenshot(const Screen& s, const std::string& name) {
    const char* dir = std::getenv("VANTARO_DIALOG_SCREENSHOTS");
    if (!dir) return;
    const DialogRect& c = s.client;
    RunProgram({"import", "-window", "root", "-crop",
         std::to_string(c.width) + "x" + std::to_string(c.height) + "+" + std::to_string(c.x) + "+" + std::to_string(c.y),
         std::string(dir) + "/" + name});
}

void ClickControl(const Screen& s, int id) {
    const DialogRect& r = s.controls.at(id);
    ClickAt(r.x + r.width / 2, r.y + r.height / 2);
}

// Item `index` of a list box, counted from the top of its visible part.
void ClickItem(const Screen& s, int listId, int index) {
    const DialogRect& r = s.controls.at(listId);
    ClickAt(r.x + r.width / 3, r.y + 2 + index * s.itemHeight + s.itemHeight / 2);
}

// One display for the whole test program: the toolkit keeps its connection for the life of
// the process.
std::string SharedDisplay(std::string& whyNot) {
    // The test display has no accessibility bus to talk to.
    setenv("NO_AT_BRIDGE", "1", 1);
    return testsupport::StartVirtualDisplay(whyNot);
}

class DialogOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        if (SharedDisplay(whyNot).empty()) GTEST_SKIP() << whyNot;
        if (testsupport::FindProgram("xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    }
};

TEST_F(DialogOnScreen, ClicksComposeThePlayListAndOkStoresEverything) {
    SettingsFolder folder;
    const auto app = folder.LoadApp();
    std::string saverWindows;
    DrivenConfigDlg dialog([&](const Screen& s) {
        saverWindows = RunProgram({"xdotool", "search", "--class", "ssKZClass"});
        ClickItem(s, IDC_AVAILABLE_LIST, 1);  // programme 6
        ClickItem(s, IDC_AVAILABLE_LIST, 0);  // programme 5
        ClickControl(s, IDC_ADD);             // play list: 1 2 3 4 16 24 27 5 6
        ClickItem(s, IDC_PLAY_LIST, 0);
        ClickControl(s, IDC_REMOVE);          // 2 3 4 16 24 27 5 6
        ClickItem(s, IDC_PLAY_LIST, 7);
        ClickItem(s, IDC_AVAILABLE_LIST, 3);
        Screenshot(s, "config-dialog.png");
        ClickItem(s, IDC_AVAILABLE_LIST, 3);
        ClickControl(s, IDC_MOVE_UP);
        ClickControl(s, IDC_MOVE_UP);         // 2 3 4 16 24 6 27 5
        ClickControl(s, IDC_SOUND);           // sound off
        ClickControl(s, IDC_VOLUME);
        Key("End");                           // volume at its right end
        ClickControl(s, IDC_SMOKE);
        Key("Home");                          // least smoke
        ClickControl(s, framework::IDOK);
    }, app->settings);
    ASSERT_EQ(RunConfiguration(*app, dialog), framework::IDOK);

    const Settings stored = folder.LoadApp()->settings;
    EXPECT_EQ(PlayListOf(stored), (std::vector<int>{2, 3, 4, 16, 24, 6, 27, 5}));
    EXPECT_EQ(stored.sound, 0);
    EXPECT_EQ(stored.volume, 65535);
    EXPECT_EQ(stored.smoke, 1);
    EXPECT_EQ(stored.width, 800);
    EXPECT_EQ(stored.height, 600);
    // Programme 1 went back to the top of the available list.
    EXPECT_EQ(dialog.Controller().Items(ListId::Available).front().data, 0);
    // While the dialog is open, a second start of the program finds it.
    EXPECT_FALSE(saverWindows.empty());
}

TEST_F(DialogOnScreen, EmptyPlayListIsRefusedAndCancelLeavesTheFileAsItWas) {
    SettingsFolder folder;
    auto app = folder.LoadApp();
    app->settings.width = 1024;
    ASSERT_TRUE(app->SaveSettings());
    const std::string before = ReadFile(folder.File());
    app = folder.LoadApp();
    platform::MessageCapture messages;
    DrivenConfigDlg dialog([&](const Screen& s) {
        ClickControl(s, IDC_PLAY_SELECT_ALL);
        ClickControl(s, IDC_REMOVE);
        ClickControl(s, framework::IDOK);  // refused: the dialog stays open for Cancel
        ClickControl(s, IDC_SOUND);
        ClickControl(s, framework::IDCANCEL);
    }, app->settings);
    ASSERT_EQ(RunConfiguration(*app, dialog), framework::IDCANCEL);

    EXPECT_TRUE(dialog.Controller().Items(ListId::Play).empty());
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{std::string(kEmptyPlayListMessage)});
    EXPECT_EQ(ReadFile(folder.File()), before);
    EXPECT_EQ(app->settings.sound, 1);
}

TEST_F(DialogOnScreen, KeyboardAloneComposesAndConfirms) {
    Settings settings = DefaultSettings();
    DrivenConfigDlg dialog([&](const Screen&) {
        // From OK, Tab goes through Cancel, resolution, sound, ABOUT and volume to the list.
        Key("Tab Tab Tab Tab Tab Tab");
        Key("space Down Down space");  // programmes 5 and 7
        Key("Tab Tab space");           // past the play list to Add
        Key("Return");
    }, settings);
    ASSERT_EQ(dialog.DoModal(), framework::IDOK);
    EXPECT_EQ(PlayListOf(settings), (std::vector<int>{1, 2, 3, 4, 16, 24, 27, 5, 7}));
}

// A settings folder that cannot be made while `blocked`, a file, stands where its parent
// should be; removing the file makes room.
class BlockedSettings {
public:
    BlockedSettings() : blocked("/tmp/vantaro-dialog-blocked-" + std::to_string(getpid())) {
        std::ofstream{blocked};
        setenv("XDG_CONFIG_HOME", (blocked + "/config").c_str(), 1);
        app.SetRegistryKey("KELDRAN");
        app.LoadSettings();
    }
    ~BlockedSettings() {
        std::error_code ignored;
        std::filesystem::remove_all(blocked, ignored);
    }
    void MakeRoom() const { std::filesystem::remove(blocked); }
    std::string File() const { return blocked + "/config/KELDRAN/Vantaro.ini"; }

    const std::string blocked;
    CSaverApp app;
};

TEST_F(DialogOnScreen, AFailedSaveIsToldWhileTheDialogStaysOpenWithTheEdits) {
    BlockedSettings settings;
    const int soundBefore = settings.app.settings.sound;
    platform::MessageCapture messages;
    DrivenConfigDlg dialog([&](const Screen& s) {
        ClickControl(s, IDC_SOUND);        // an edit
        ClickControl(s, framework::IDOK);  // the save fails: the dialog must stay open
        ClickControl(s, framework::IDCANCEL);
    }, settings.app.settings);
    EXPECT_EQ(RunConfiguration(settings.app, dialog), framework::IDCANCEL)
        << "OK ended the dialog although nothing was saved";
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{std::string(kSettingsNotSavedMessage)});
    EXPECT_EQ(settings.app.settings.sound, soundBefore) << "the settings say what the file holds";
    EXPECT_FALSE(std::filesystem::exists(settings.File()));
}

TEST_F(DialogOnScreen, AfterAFailedSaveTheUserCanSaveAgain) {
    BlockedSettings settings;
    platform::MessageCapture messages;
    DrivenConfigDlg dialog([&](const Screen& s) {
        ClickControl(s, IDC_SOUND);        // sound off
        ClickControl(s, framework::IDOK);  // fails
        settings.MakeRoom();
        ClickControl(s, framework::IDOK);  // saved
    }, settings.app.settings);
    EXPECT_EQ(RunConfiguration(settings.app, dialog), framework::IDOK);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{std::string(kSettingsNotSavedMessage)});
    CSaverApp stored;
    stored.SetRegistryKey("KELDRAN");
    stored.LoadSettings();
    EXPECT_EQ(stored.settings.sound, 0);
}

TEST_F(DialogOnScreen, EscapeCancelsAndAboutOpensTheVersionDialog) {
    Settings settings = DefaultSettings();
    std::string versionWindows;
    DrivenConfigDlg dialog([&](const Screen& s) {
        ClickItem(s, IDC_AVAILABLE_LIST, 0);
        ClickControl(s, IDC_ADD);
        ClickControl(s, IDC_ABOUT);
        versionWindows = RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "Version|バージョン"});
        Screenshot(s, "version-dialog.png");
        Key("Return");  // the version dialog opens with the focus on its OK
        Key("Escape");
    }, settings);
    ASSERT_EQ(dialog.DoModal(), framework::IDCANCEL);
    EXPECT_FALSE(versionWindows.empty());
    EXPECT_EQ(PlayListOf(settings), PlayListOf(DefaultSettings()));
}

TEST_F(DialogOnScreen, VersionDialogShowsTheIconAndClosesWithEnter) {
    // A plain red icon, so that its place can be found in the picture.
    const std::string iconFile = "/tmp/vantaro-dialog-icon-" + std::to_string(getpid()) + ".png";
    bool made = false;
    RunProgram({"convert", "-size", "48x48", "xc:#ff0000", iconFile}, &made);
    ASSERT_TRUE(made);
    const std::string png = ReadFile(iconFile);
    std::filesystem::remove(iconFile);
    platform::ScopedResourceOverride resources;
    resources.Replace(platform::ResourceType::kICON, kIconResource, {png.begin(), png.end()});

    const auto t = framework::LoadDialogTemplate(kVersionDialogId);
    ASSERT_TRUE(t);
    const auto base = framework::MeasureBaseUnits(t->fontFace, t->fontPoints);
    ASSERT_TRUE(base);
    const DialogRect icon = framework::DialogUnitsToPixels(t->controls.front().rect, *base);
    std::string pixel;
    Driven<CVersionDlg> dialog([&](const Screen& s) {
        pixel = RunProgram({"import", "-window", "root", "-crop",
                     "1x1+" + std::to_string(s.client.x + icon.x + 16) + "+" + std::to_string(s.client.y + icon.y + 16),
                     "-depth", "8", "txt:-"});
        Key("Return");
    });
    EXPECT_EQ(dialog.DoModal(), framework::IDOK);
    EXPECT_NE(pixel.find("#FF0000"), std::string::npos) << pixel;
}

TEST_F(DialogOnScreen, ControlsStandWhereTheTemplatePutsThem) {
    Settings settings = DefaultSettings();
    Screen seen;
    DrivenConfigDlg dialog([&](const Screen& s) {
        seen = s;
        Key("Escape");
    }, settings);
    ASSERT_EQ(dialog.DoModal(), framework::IDCANCEL);
    const auto base = framework::MeasureBaseUnits("MS Shell Dlg", 8);
    ASSERT_TRUE(base);
    const framework::DialogTemplate* t = dialog.Template();
    ASSERT_NE(t, nullptr);
    const DialogRect client = framework::DialogUnitsToPixels({0, 0, t->width, t->height}, *base);
    EXPECT_EQ(seen.client.width, client.width);
    EXPECT_EQ(seen.client.height, client.height);
    for (const auto& control : t->controls) {
        if (control.id == framework::IDC_STATIC) continue;
        DialogRect expected = framework::DialogUnitsToPixels(control.rect, *base);
        expected.x += seen.client.x;
        expected.y += seen.client.y;
        DialogRect actual = seen.controls.at(control.id);
        if (control.kind == framework::ControlKind::ComboBox) expected.height = actual.height;
        EXPECT_EQ(actual, expected) << "control " << control.id << " at " << actual.x << "," << actual.y << " "
                                    << actual.width << "x" << actual.height;
    }
}

TEST_F(DialogOnScreen, DialogFontsDrawEveryCaption) {
    EXPECT_EQ(framework::ResolveFontFamily("MS Shell Dlg", 8), "IPAPGothic");
    EXPECT_EQ(framework::ResolveFontFamily("ＭＳ Ｐゴシック", 9), "IPAPGothic");
    for (int id : {kConfigDialogId, kVersionDialogId}) {
        const auto t = framework::LoadDialogTemplate(id);
        ASSERT_TRUE(t);
        std::vector<std::string> texts{t->title};
        for (const auto& c : t->controls) {
            texts.push_back(c.caption);
            texts.insert(texts.end(), c.items.begin(), c.items.end());
        }
        if (id == kConfigDialogId) {
            for (int n = 1; n <= manoeuvres::kProgrammeCount; ++n) texts.push_back(ProgrammeItemName(n));
            texts.emplace_back(kEmptyPlayListMessage);
            texts.emplace_back(kPlayListTooLongMessage);
        }
        for (const std::string& text : texts) {
            EXPECT_EQ(framework::CountMissingGlyphs(t->fontFace, t->fontPoints, text), 0) << text;
        }
    }
}

}  // namespace
