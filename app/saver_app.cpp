#include "app/saver_app.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/config_dlg.h"
#include "app/framework/profile_store.h"
#include "app/framework/system.h"
#include "app/framework/window_class.h"
#include "app/main_frame.h"
#include "platform/sound.h"

namespace {

constexpr const char* kSection = "Option";

std::string PlayListText(const show::PlayList& program) {
    const auto end = std::find(program.begin(), program.end(), 0);
    return std::string(program.begin(), end);
}

}  // namespace

void CSaverApp::LoadSettings() {
    using namespace option;
    const std::string program = GetProfileString(kSection, kProgram.name, PlayListText(kDefaultPlayList));
    // The first 40 characters fill the list; a shorter string leaves the rest 0.
    settings.program.fill(0);
    std::copy_n(program.begin(), std::min(program.size(), settings.program.size()), settings.program.begin());
    settings.sound = GetProfileInt(kSection, kSound.name, kSound.defaultValue);
    settings.width = GetProfileInt(kSection, kWidth.name, kWidth.defaultValue);
    settings.height = GetProfileInt(kSection, kHeight.name, kHeight.defaultValue);
    settings.volume = GetProfileInt(kSection, kVolume.name, startupVolume);
    settings.smoke = GetProfileInt(kSection, kSmoke.name, kSmoke.defaultValue);
    ReportProfileProblems();
}

bool CSaverApp::SaveSettings() {
    using namespace option;
    framework::ProfileStore& store = Profile();
    store.BeginBatch();
    WriteProfileString(kSection, kProgram.name, PlayListText(settings.program));
    WriteProfileInt(kSection, kSound.name, settings.sound);
    WriteProfileInt(kSection, kWidth.name, settings.width);
    WriteProfileInt(kSection, kHeight.name, settings.height);
    WriteProfileInt(kSection, kVolume.name, settings.volume);
    WriteProfileInt(kSection, kSmoke.name, settings.smoke);
    return store.EndBatch();
}

namespace {

constexpr const char* kWindowClass = "ssKZClass";
constexpr unsigned kWindowClassStyle = framework::CS_VREDRAW | framework::CS_HREDRAW | framework::CS_DBLCLKS |
                                       framework::CS_SAVEBITS;  // 0x080B
constexpr int kTestWindowLeft = 100;
constexpr int kTestWindowTop = 100;
constexpr int kTestClientWidth = 640;
constexpr int kTestClientHeight = 480;
// The most pixels the full-screen picture may have: an 8K screen's (7680 x 4320), whose
// back buffer with its depth buffer takes 256 MiB; and the widest or tallest side any display
// has. A stored resolution beyond them is no screen's. The device's own limit per side is
// checked when it is made.
constexpr std::uint64_t kLargestBackBufferPixels = 7680ull * 4320ull;
constexpr int kLargestSide = 16384;
constexpr const char* kNoDisplay = "no display to show it on";

bool RegisterSaverClass() {
    framework::WndClass wc;
    wc.style = kWindowClassStyle;
    wc.icon = framework::LoadIcon(kIconResource);
    wc.background = framework::StockBrush::kBlack;
    wc.className = kWindowClass;
    return framework::RegisterClass(wc);
}

// Why no display can show the stored full-screen resolution, or empty when one can.
std::string ResolutionProblem(int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width < 1 || height < 1) return "the stored resolution " + size + " is not usable";
    if (width > kLargestSide || height > kLargestSide) {
        return "the stored resolution " + size + " is wider or taller than any display (at most " +
               std::to_string(kLargestSide) + " pixels a side)";
    }
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels <= kLargestBackBufferPixels) return {};
    return "the stored resolution " + size +
           " needs more memory than the saver allows (at most as many pixels as 7680x4320)";
}

// Another saver runs on this display (hosted ones aside). The claim on the display-wide
// selection named after the window class is atomic, so of two savers started at the same
// moment one runs; a window of the class also counts (a hosted saver, which claims nothing).
// A preview claims nothing and looks only for the window: it runs inside a settings page,
// which starts the dialog, the test window and the saver itself while the preview goes on.
bool AnotherInstanceRuns(RunMode mode) {
    if (!framework::DisplayAvailable()) return false;  // the mode itself says there is no display
    // A preview only looks: it must not keep the settings or the saver from starting. Wayland
    // has no windows of other programs to find, only the lock, so there it asks as the others do.
    if (mode == RunMode::kPreview && !framework::DisplayIsWayland()) return framework::FindWindow(kWindowClass) != 0;
    return !framework::ClaimSelection(kWindowClass) || framework::FindWindow(kWindowClass) != 0;
}

}  // namespace

bool CSaverApp::InitInstance() {
    previewParent = 0;
    const SaverCommand command = ParseCommandLine(CommandLine(), framework::HostWindowVariable());
    // One saver per desktop, unless a host gave us a window: a host runs one saver per screen
    // and may start the next while the last is still ending, so it decides how many run.
    if (command.mode != RunMode::kHosted && AnotherInstanceRuns(command.mode)) return false;
    startupVolume = static_cast<int>(platform::GetWaveOutVolume() & 0xFFFFu);
    SetRegistryKey("KELDRAN");
    LoadSettings();

    switch (command.mode) {
        case RunMode::kExit: return false;
        case RunMode::kConfigure:
            // Saves the settings when it ends with OK; a dialog that cannot be shown, or a save
            // that failed and was not made good, fails the run.
            exitStatus = RunConfigDialog(*this);
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
    std::string failure;
    if (!DisplayAvailable()) {
        // Before anything else: without a display no window of any mode can be found or made.
        failure = kNoDisplay;
    } else if ((mode == RunMode::kHosted || mode == RunMode::kPreview) && DisplayIsWayland()) {
        // A Wayland client cannot draw into another program's window.
        failure = mode == RunMode::kPreview ? "the preview (-p)" : "a screensaver host's window (XSCREENSAVER_WINDOW)";
        failure += " needs an X11 display; on Wayland run vantaro full screen or with -w";
    } else if (mode == RunMode::kHosted) {
        // The host's window at its size; the host ends the saver, so it takes no input.
        Rect host;
        if (!GetWindowClientRect(command.hostWindow, host)) {
            failure = "XSCREENSAVER_WINDOW names no window of this display";
        } else {
            created = window->CreateInHost(kWindowClass, command.hostWindow, WS_VISIBLE | WS_DISABLED);
        }
    } else if (mode == RunMode::kPreview) {
        // Filling the host's pane as it changes size, and ending with the pane.
        Rect parent;
        created = GetWindowClientRect(previewParent, parent) && window->CreateInHost(kWindowClass, previewParent, WS_VISIBLE);
        if (!created && !window->CreationFailure()) failure = "the preview window given by the host does not exist";
    } else if (mode == RunMode::kWindowed) {
        const int width = kTestClientWidth + 2 * GetSystemMetrics(SM_CXEDGE);
        const int height = kTestClientHeight + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
        const Rect rect{kTestWindowLeft, kTestWindowTop, kTestWindowLeft + width, kTestWindowTop + height};
        created = window->Create(kWindowClass, nullptr, WS_VISIBLE | WS_SYSMENU, rect);
    } else {
        UseShowableResolution();
        const Rect screen = FullScreenWindowRect(settings.width, settings.height);
        created = window->Create(kWindowClass, nullptr, WS_POPUP | WS_VISIBLE, screen, 0, WS_EX_TOPMOST);
    }
    if (!created) {
        if (failure.empty() && window->CreationFailure()) failure = window->CreationFailure();
        if (failure.empty()) failure = DisplayAvailable() ? "the window could not be created" : kNoDisplay;
        std::fprintf(stderr, "%s: %s\n", AppName().c_str(), failure.c_str());
        return false;
    }
    frame = window.release();  // from now on the frame deletes itself with its window
    SetMainWnd(frame);
    return true;
}

// The full-screen saver always shows: a stored size no display can have is drawn at the
// default size (with a line saying so), and a size the display does not offer at the nearest
// one it does. Only this run's copy changes; the stored settings stay as the user left them.
void CSaverApp::UseShowableResolution() {
    if (const std::string problem = ResolutionProblem(settings.width, settings.height); !problem.empty()) {
        settings.width = option::kWidth.defaultValue;
        settings.height = option::kHeight.defaultValue;
        std::fprintf(stderr, "%s: %s; it shows %dx%d\n", AppName().c_str(), problem.c_str(), settings.width,
                     settings.height);
    }
    framework::NearestFullScreenMode(settings.width, settings.height);
}

bool CSaverApp::OnIdle(long count) {
    if (previewParent != 0) return CWinApp::OnIdle(count);
    if (!frame || GetMainWnd() != frame) return true;
    // A window nobody can see gets no frames: the loop waits for the display to show some of it
    // again (the programmes keep to the clock meanwhile, so they go on where they would be).
    if (frame->IsHidden()) return false;
    frame->RenderFrame();
    return true;
}

int CSaverApp::ExitInstance() { return exitStatus != 0 ? exitStatus : CWinApp::ExitInstance(); }
