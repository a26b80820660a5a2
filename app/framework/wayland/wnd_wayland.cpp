// The framework's windows on a Wayland compositor: each CWnd is one surface of
// wayland/wayland_display.h, and its events come to the window's handlers as the X11 ones do.

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <unistd.h>

#include "app/framework/wayland/wayland_display.h"
#include "app/framework/wayland/wayland_windows.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/wnd.h"
#include "app/framework/x11/x11_session.h"

namespace framework {
namespace {

struct Windows {
    std::map<WindowHandle, std::pair<CWnd*, std::unique_ptr<wayland::Surface>>> live;
    std::vector<std::unique_ptr<wayland::Surface>> gone;  // released on the loop's next turn
    // Where the pointer was first seen over a window of ours: no Wayland client learns where it
    // is anywhere else, so pointer positions are measured from there (see GetCursorPos).
    std::optional<Point> pointerOrigin;
};

Windows& TheWindows() {
    static Windows windows;
    return windows;
}

CWnd* Find(WindowHandle window) {
    auto& live = TheWindows().live;
    const auto it = live.find(window);
    return it == live.end() ? nullptr : it->second.first;
}

}  // namespace

bool UsingWayland() { return wayland::Display::Chosen(); }

bool WaylandEventsPending() {
    TheWindows().gone.clear();
    wayland::Display* display = wayland::Display::Get();
    // A window waiting for the compositor to want its next frame is no time for idle processing.
    return display && (display->Pending() || display->WaitingForFrame());
}

bool PumpWaylandEvent(int wakeFd) {
    TheWindows().gone.clear();
    wayland::Display* display = wayland::Display::Get();
    if (!display) return false;
    if (!display->Pending()) display->Wait(wakeFd);
    if (display->Lost()) {
        // As with a lost X display: nothing that waits on the dead connection may run.
        const CWinApp* app = AfxGetApp();
        std::fprintf(stderr, "%s: the connection to the Wayland compositor was lost; ending at once\n",
                     app ? app->AppName().c_str() : "Vantaro");
        std::fflush(stderr);
        _exit(1);
    }
    wayland::SurfaceEvent event;
    if (display->Next(event)) WaylandWindowMessages::Deliver(event);
    return true;
}

bool WaylandWindowMessages::Create(CWnd& wnd, const CreateStruct& cs, int width, int height) {
    const WndClass* wndClass = FindRegisteredClass(cs.className.empty() ? kDefaultFrameClass : cs.className);
    wayland::Display* display = wayland::Display::Get();
    if (!wndClass || !display || (cs.style & WS_CHILD)) return false;
    const bool fullScreen = (cs.style & WS_POPUP) != 0;
    if (!fullScreen && (width < 1 || height < 1)) return false;
    auto surface = display->CreateSurface(fullScreen ? wayland::SurfaceKind::kFullScreen : wayland::SurfaceKind::kWindow,
                                          width, height, cs.windowName, cs.className);
    if (!surface) return false;
    wnd.handle = surface->Id();
    wnd.clientWidth = surface->Width();
    wnd.clientHeight = surface->Height();
    TheWindows().live[wnd.handle] = {&wnd, std::move(surface)};

    wnd.current = CWnd::Message::kCreate;
    if (wnd.OnCreate(cs) == -1) {
        wnd.current = CWnd::Message::kDestroy;
        wnd.OnDestroy();
        wnd.ForgetWindow();
        return false;
    }
    return true;
}

void WaylandWindowMessages::Forget(WindowHandle window) {
    Windows& windows = TheWindows();
    const auto it = windows.live.find(window);
    if (it == windows.live.end()) return;
    windows.gone.push_back(std::move(it->second.second));
    windows.live.erase(it);
}

void WaylandWindowMessages::SetCursor(CWnd& wnd, bool hide) {
    const auto it = TheWindows().live.find(wnd.handle);
    if (it == TheWindows().live.end()) return;
    it->second.second->HidePointer(hide);
    wnd.cursorHidden = hide;
}

void WaylandWindowMessages::BeginFrame(WindowHandle window) {
    const auto it = TheWindows().live.find(window);
    if (it != TheWindows().live.end()) it->second.second->RequestFrame();
}

void WaylandWindowMessages::DispatchPosted(const PostedMessage& message) {
    CWnd* wnd = Find(message.window);
    if (!wnd || message.message != WM_CLOSE) return;  // destroyed since it was posted
    wnd->current = CWnd::Message::kClose;
    wnd->OnClose();
}

// The handler is the last thing each delivery does with the window, which it may delete.
void WaylandWindowMessages::Deliver(const wayland::SurfaceEvent& event) {
    using Kind = wayland::SurfaceEvent::Kind;
    CWnd* wnd = Find(event.surface);
    if (!wnd) return;
    switch (event.kind) {
        case Kind::kKey:
            wnd->current = event.systemKey ? CWnd::Message::kSysKeyDown : CWnd::Message::kKeyDown;
            wnd->currentKey = event.keysym;
            if (event.systemKey) {
                wnd->OnSysKeyDown(event.keysym, 1, 0);
            } else {
                wnd->OnKeyDown(event.keysym, 1, 0);
            }
            break;
        case Kind::kPointer: {
            wnd->current = CWnd::Message::kSetCursor;
            if (!wnd->OnSetCursor()) wnd->Default();
            wnd = Find(event.surface);  // OnSetCursor may have destroyed the window
            if (!wnd) return;
            auto& origin = TheWindows().pointerOrigin;
            if (!origin) origin = Point{event.x, event.y};
            wnd->current = CWnd::Message::kMouseMove;
            wnd->OnMouseMove(0, Point{event.x - origin->x, event.y - origin->y});
            break;
        }
        case Kind::kCloseRequest:
            wnd->current = CWnd::Message::kClose;
            wnd->OnClose();
            break;
        case Kind::kClosed:  // the compositor took the surface away
            wnd->current = CWnd::Message::kDestroy;
            wnd->OnDestroy();
            wnd->ForgetWindow();
            wnd->PostNcDestroy();
            break;
    }
}

}  // namespace framework
