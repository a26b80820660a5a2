#include "app/main_frame.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/framework/loop_watchdog.h"
#include "app/framework/system.h"
#include "app/framework/window_class.h"
#include "platform/clock.h"
#include "platform/sound.h"
#include "show/frame.h"

namespace {

// Pointer movement up to this many pixels from where it stood at start keeps the saver running.
constexpr int kMouseSlack = 5;
constexpr int kIconHalf = 16;

// The volume setting's low 16 bits in both channels.
std::uint32_t BothChannels(int volume) {
    const auto level = static_cast<std::uint32_t>(volume) & 0xFFFFu;
    return level | (level << 16);
}

}  // namespace

CMainFrame::CMainFrame(const Settings& settings_, int startupVolume_, framework::WindowHandle previewParent_)
    : monitors(framework::GetMonitors), settings(settings_), startupVolume(startupVolume_), previewParent(previewParent_) {}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow(framework::CreateStruct& cs) {
    if (!CFrameWnd::PreCreateWindow(cs)) return false;
    cs.exStyle &= ~framework::WS_EX_CLIENTEDGE;
    if (!windowed) cs.exStyle &= ~framework::WS_EX_WINDOWEDGE;
    return true;
}

int CMainFrame::OnCreate(const framework::CreateStruct& cs) {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    // From here on a window destroyed under the saver, or a display lost, ends it even while
    // the graphics driver holds the thread: making the device talks to the display too.
    framework::GuardWindow(GetSafeHwnd());
    if (!Preview() && !InitDevice()) return -1;
    className = cs.className;
    // After the device: on Windows its display mode may have moved the other monitors.
    if (FullScreen()) {
        layout.show = framework::Rect{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
        PlaceOnMonitors();
    }
    // Opened now rather than at the first recording, which then starts without a wait; a run
    // that plays nothing leaves the audio device closed. The volume is the run's in every mode.
    if (SoundOn()) platform::OpenSoundOutput();
    platform::SetWaveOutVolume(BothChannels(settings.volume));
    return 0;
}

// The device, with the hardware first, then software vertex processing, then the reference
// rasteriser; then the states of the whole run, the light, the sky and the ground.
bool CMainFrame::InitDevice() {
    const framework::Rect client = GetClientRect();
    clientWidth = client.Width();
    clientHeight = client.Height();
    scene::WindowTarget target;
    target.display = framework::NativeDisplay();
    target.window = GetSafeHwnd();
    target.wayland = framework::DisplayIsWayland();
    if (FullScreen()) {
        // The window covers the screen; the picture is drawn at the chosen resolution and
        // scaled to it, as a full-screen mode change would show it.
        clientWidth = settings.width;
        clientHeight = settings.height;
        target.width = static_cast<unsigned>(settings.width);
        target.height = static_cast<unsigned>(settings.height);
    }
    unsigned largestSide = 0;
    device = scene::CreateDeviceWithFallback(
        [&](scene::DeviceType type) { return scene::CreateWindowDevice(target, type, &largestSide); });
    if (!device && largestSide != 0) {
        creationFailure = "a " + std::to_string(clientWidth) + "x" + std::to_string(clientHeight) +
                          " picture is larger than the graphics device can draw (at most " +
                          std::to_string(largestSide) + " pixels a side)";
        if (FullScreen()) creationFailure += "; choose a smaller resolution in the settings";
        return false;
    }
    if (!device) {
        creationFailure = "no graphics device could be made for the window";
        return false;
    }
    if (!show::PrepareScene(*device, scenery)) {
        creationFailure = "the scene light could not be set";
        device.reset();
        return false;
    }
    show::StartParameters start;
    start.clientWidth = clientWidth;
    start.clientHeight = clientHeight;
    start.sound = settings.sound;
    start.smoke = settings.smoke;
    sequencer.emplace(settings.program, start);
    return true;
}

void CMainFrame::PlaceOnMonitors() {
    using namespace framework;
    const Rect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const FullScreenLayout wanted = PlaceFullScreen(monitors ? monitors() : MonitorList{}, screen);
    // The back buffer keeps its size; the device scales it to whatever the window now is.
    if (wanted.show != layout.show) MoveWindow(wanted.show);
    if (wanted.black != layout.black || covers.size() != wanted.black.size()) {
        covers.clear();
        for (const Rect& area : wanted.black) {
            auto cover = std::make_unique<CCoverWnd>(*this);
            if (cover->Create(className.c_str(), area)) covers.push_back(std::move(cover));
        }
    }
    layout = wanted;
}

void CMainFrame::OnDisplayChange() {
    if (FullScreen()) PlaceOnMonitors();
}

void CMainFrame::RenderFrame() {
    if (!device || !sequencer) return;
    if (framesDrawn++ == 0) firstFrameTime = platform::timeGetTime();
    framework::BeginWindowFrame(GetSafeHwnd());
    show::RenderFrame(*device, scenery, *sequencer);
}

// With VANTARO_FRAME_STATS set, one line on stderr at the end: how many frames, how fast.
void CMainFrame::ReportFrameRate() const {
    if (!std::getenv("VANTARO_FRAME_STATS") || framesDrawn < 2) return;
    const double seconds = platform::ElapsedMs(platform::timeGetTime(), firstFrameTime) / 1000.0;
    std::fprintf(stderr, "vantaro: %llu frames in %.1f s, %.1f frames per second\n",
                 static_cast<unsigned long long>(framesDrawn), seconds, seconds > 0 ? framesDrawn / seconds : 0.0);
}

void CMainFrame::OnKeyDown(unsigned key, unsigned repeatCount, unsigned flags) {
    if (!Preview()) PostMessage(framework::WM_CLOSE);
    CFrameWnd::OnKeyDown(key, repeatCount, flags);
}

bool CMainFrame::PointerLeftItsStart(framework::Point point) const {
    return std::abs(point.x - startCursor.x) > kMouseSlack || std::abs(point.y - startCursor.y) > kMouseSlack;
}

void CMainFrame::OnMouseMove(unsigned flags, framework::Point point) {
    if (!Preview() && PointerLeftItsStart(point)) PostMessage(framework::WM_CLOSE);
    CFrameWnd::OnMouseMove(flags, point);
}

bool CMainFrame::OnSetCursor() {
    if (windowed) return CFrameWnd::OnSetCursor();
    SetCursor(framework::CursorKind::kNone);
    return true;
}

void CMainFrame::OnPaint() {
    framework::CPaintDC dc(this);
    if (!Preview()) return;
    const std::shared_ptr<const framework::Icon> icon = framework::LoadIcon(kIconResource);
    if (!icon) return;
    const framework::Rect client = GetClientRect();
    dc.DrawIcon(client.Width() / 2 - kIconHalf, client.Height() / 2 - kIconHalf, *icon);
}

void CMainFrame::OnDestroy() {
    CFrameWnd::OnDestroy();
    covers.clear();  // the saver's windows go together
    ReportFrameRate();
    if (settings.sound != 0) platform::StopAllSound();
    platform::SetWaveOutVolume(BothChannels(startupVolume));
}
