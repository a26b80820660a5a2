#include "app/saver_app.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "aircraft/smoke_trail.h"
#include "app/config_dlg.h"
#include "app/framework/profile_store.h"
#include "app/framework/system.h"
#include "app/framework/window_class.h"
#include "app/main_frame.h"
#include "platform/sound.h"

namespace {

constexpr const char* kSection = "Option";

std::string PlayListText(const std::array<signed char, kPlayListLength>& program) {
    const auto end = std::find(program.begin(), program.end(), 0);
    return std::string(program.begin(), end);
}

}  // namespace

void CSaverApp::LoadSettings() {
    const Settings defaults;
    const std::string program = GetProfileString(kSection, "Program", PlayListText(defaults.program));
    // The first 40 characters fill the list; a shorter string leaves the rest 0.
    settings.program.fill(0);
    std::copy_n(program.begin(), std::min(program.size(), kPlayListLength), settings.program.begin());
    settings.sound = GetProfileInt(kSection, "Sound", defaults.sound);
    settings.width = GetProfileInt(kSection, "Width", defaults.width);
    settings.height = GetProfileInt(kSection, "Height", defaults.height);
    settings.volume = GetProfileInt(kSection, "Volume", startupVolume);
    settings.smoke = GetProfileInt(kSection, "Smoke", defaults.smoke);
    ReportProfileProblems();
}

bool CSaverApp::SaveSettings() {
    framework::ProfileStore& store = Profile();
    store.BeginBatch();
    WriteProfileString(kSection, "Program", PlayListText(settings.program));
    WriteProfileInt(kSection, "Sound", settings.sound);
    WriteProfileInt(kSection, "Width", settings.width);
    WriteProfileInt(kSection, "Height", settings.height);
    WriteProfileInt(kSection, "Volume", settings.volume);
    WriteProfileInt(kSection, "Smoke", settings.smoke);
    return store.EndBatch();
}

namespace {

constexpr const char* kWindowClass = "ssKZClass";
constexpr unsigned kWindowClassStyle = framework::CS_VREDRAW | framework::CS_HREDRAW | framework::CS_DBLCLKS |
                                       framework::CS_SAVEBITS;  // 0x080B
constexpr int kIconResource = 128;
constexpr int kTestWindowLeft = 100;
constexpr int kTestWindowTop = 100;
constexpr int kTestClientWidth = 640;
constexpr int kTestClientHeight = 480;
// Beyond this a stored resolution is no screen's: the saver refuses it rather than trying.
constexpr int kLargestResolution = 16384;

bool RegisterSaverClass() {
    framework::WndClass wc;
    wc.style = kWindowClassStyle;
    wc.icon = framework::LoadIcon(kIconResource);
    wc.background = framework::StockBrush::kBlack;
    wc.className = kWindowClass;
    return framework::RegisterClass(wc);
}

}  // namespace

bool CSaverApp::InitInstance() {
    previewParent = 0;
    const SaverCommand command = ParseCommandLine(CommandLine(), std::getenv("XSCREENSAVER_WINDOW"));
    // One saver per desktop, unless a host gave us a window: a host runs one saver per screen
    // and may start the next while the last is still ending, so it decides how many run.
    if (command.mode != RunMode::kHosted && framework::FindWindow(kWindowClass)) return false;
    startupVolume = static_cast<int>(platform::GetWaveOutVolume() & 0xFFFFu);
    SetRegistryKey("KELDRAN");
    LoadSettings();
    aircraft::SetSmokeAmount(settings.smoke);

    switch (command.mode) {
        case RunMode::kExit: return false;
        case RunMode::kConfigure:
            // Saves the settings when it ends with OK; a dialog that cannot be shown fails the run.
            if (RunConfigDialog(*this) < 0) exitStatus = 1;
            return false;
        case RunMode::kPreview: previewParent = command.previewParent; break;
        default: break;
    }
    if (!RegisterSaverClass()) return false;
    if (!CreateMainWindow(command)) {
        exitStatus = 1;
        return false;
    }
    framework::GetCursorPos(frame->startCursor);
    return true;
}

bool CSaverApp::CreateMainWindow(const SaverCommand& command) {
    using namespace framework;
    const RunMode mode = command.mode;
    auto window = std::make_unique<CMainFrame>(settings, startupVolume, previewParent);
    window->windowed = mode == RunMode::kWindowed;
    window->hosted = mode == RunMode::kHosted;
    bool created = false;
    const char* failure = nullptr;
    if (mode == RunMode::kHosted) {
        // The host's window at its size; the host ends the saver, so it takes no input.
        Rect host;
        if (!GetWindowClientRect(command.hostWindow, host)) {
            failure = "XSCREENSAVER_WINDOW names no window of this display";
        } else {
            created = window->CreateInHost(kWindowClass, command.hostWindow, WS_VISIBLE | WS_DISABLED);
        }
    } else if (mode == RunMode::kPreview) {
        Rect parent;
        created = GetWindowClientRect(previewParent, parent) &&
                  window->Create(kWindowClass, nullptr, WS_CHILD | WS_VISIBLE, parent, previewParent);
        if (!created) failure = "the preview window given by the host does not exist";
    } else if (mode == RunMode::kWindowed) {
        const int width = kTestClientWidth + 2 * GetSystemMetrics(SM_CXEDGE);
        const int height = kTestClientHeight + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
        const Rect rect{kTestWindowLeft, kTestWindowTop, kTestWindowLeft + width, kTestWindowTop + height};
        created = window->Create(kWindowClass, nullptr, WS_VISIBLE | WS_SYSMENU, rect);
    } else if (settings.width < 1 || settings.height < 1 || settings.width > kLargestResolution ||
               settings.height > kLargestResolution) {
        failure = "the stored resolution is not usable; choose one with vantaro -c";
    } else {
        // The window covers the screen; the device draws at the chosen resolution and scales.
        const Rect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        created = window->Create(kWindowClass, nullptr, WS_POPUP | WS_VISIBLE, screen, 0, nullptr, WS_EX_TOPMOST);
    }
    if (!created) {
        if (!failure) failure = window->CreationFailure();
        if (!failure) failure = DisplayAvailable() ? "the window could not be created" : "no display to show it on";
        std::fprintf(stderr, "%s: %s\n", AppName().c_str(), failure);
        return false;
    }
    frame = window.release();  // from now on the frame deletes itself with its window
    SetMainWnd(frame);
    return true;
}

bool CSaverApp::OnIdle(long count) {
    if (previewParent != 0) return CWinApp::OnIdle(count);
    if (frame && GetMainWnd() == frame) frame->RenderFrame();
    return true;
}

int CSaverApp::ExitInstance() { return exitStatus != 0 ? exitStatus : CWinApp::ExitInstance(); }
