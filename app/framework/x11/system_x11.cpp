#include "app/framework/system.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "app/framework/wayland/wayland_display.h"
#include "app/framework/wayland/wayland_windows.h"
#include "app/framework/x11/x11_session.h"

namespace framework {
namespace {

// The frame of a captioned window, as a classic desktop theme draws it.
constexpr int kEdge = 2;
constexpr int kCaption = 19;
constexpr int kIconSize = 32;

bool Matches(::Display* display, ::Window window, const char* className, const char* windowName) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return false;
    bool match = hint.res_class && std::strcmp(hint.res_class, className) == 0;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    if (match && windowName) {
        char* title = nullptr;
        match = XFetchName(display, window, &title) && std::strcmp(title, windowName) == 0;
        if (title) XFree(title);
    }
    return match;
}

// Depth first through the window tree, as windows of a class may sit anywhere in it (a
// preview is the child of another program's window).
::Window Search(::Display* display, ::Window window, const char* className, const char* windowName) {
    if (Matches(display, window, className, windowName)) return window;
    ::Window rootReturn = 0, parentReturn = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &rootReturn, &parentReturn, &children, &count)) return 0;
    std::vector<::Window> list(children, children + count);
    if (children) XFree(children);
    for (::Window child : list) {
        if (const ::Window found = Search(display, child, className, windowName)) return found;
    }
    return 0;
}

}  // namespace

bool DisplayAvailable() { return UsingWayland() ? wayland::Display::Get() != nullptr : X11Session::Get() != nullptr; }

bool DisplayIsWayland() { return UsingWayland(); }

void* NativeDisplay() {
    if (UsingWayland()) {
        wayland::Display* display = wayland::Display::Get();
        return display ? display->Native() : nullptr;
    }
    X11Session* session = X11Session::Get();
    return session ? session->display : nullptr;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXEDGE:
        case SM_CYEDGE: return kEdge;
        case SM_CYCAPTION: return kCaption;
        case SM_CXICON:
        case SM_CYICON: return kIconSize;
        case SM_CXSCREEN:
        case SM_CYSCREEN: {
            if (wayland::Display* display = UsingWayland() ? wayland::Display::Get() : nullptr) {
                return index == SM_CXSCREEN ? display->ScreenWidth() : display->ScreenHeight();
            }
            X11Session* session = X11Session::Get();
            if (!session) return 0;
            return index == SM_CXSCREEN ? DisplayWidth(session->display, session->screen)
                                        : DisplayHeight(session->display, session->screen);
        }
        default: return 0;
    }
}

Rect FullScreenWindowRect(int, int) {
    const Rect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return PlaceFullScreen(GetMonitors(), screen).show;
}

MonitorList GetMonitors() {
    X11Session* session = X11Session::Get();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!session || !XRRQueryExtension(session->display, &eventBase, &errorBase) ||
        !XRRQueryVersion(session->display, &major, &minor) || major * 100 + minor < 105) {
        return {};
    }
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(session->display, session->root, True, &count);
    MonitorList monitors;
    for (int i = 0; i < count; ++i) {
        monitors.push_back(Monitor{Rect{info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height},
                                   info[i].primary != 0});
    }
    if (info) XRRFreeMonitors(info);
    return monitors;
}

void BeginWindowFrame(WindowHandle window) {
    if (UsingWayland()) WaylandWindowMessages::BeginFrame(window);
}

void NearestFullScreenMode(int&, int&) {}

const char* HostWindowVariable() { return std::getenv("XSCREENSAVER_WINDOW"); }

bool GetCursorPos(Point& point) {
    if (UsingWayland()) {
        point = Point{0, 0};
        return wayland::Display::Get() != nullptr;
    }
    X11Session* session = X11Session::Get();
    if (!session) return false;
    ::Window rootReturn = 0, childReturn = 0;
    int windowX = 0, windowY = 0;
    unsigned mask = 0;
    return XQueryPointer(session->display, session->root, &rootReturn, &childReturn, &point.x, &point.y, &windowX,
                         &windowY, &mask);
}

WindowHandle FindWindow(const char* className, const char* windowName) {
    X11Session* session = X11Session::Get();
    if (!session || !className) return 0;
    // Windows of other programs may go while they are looked at.
    X11ErrorTrap trap(session->display);
    return Search(session->display, session->root, className, windowName);
}

bool ClaimSelection(const char* name) {
    if (UsingWayland()) return name && wayland::Display::Get() && wayland::ClaimInstanceLock(name);
    X11Session* session = X11Session::Get();
    if (!session || !name) return false;
    ::Display* display = session->display;
    const Atom selection = XInternAtom(display, name, False);
    static std::map<Atom, ::Window> claimed;  // the owner window of each selection claimed
    if (claimed.count(selection)) return XGetSelectionOwner(display, selection) == claimed[selection];
    // A window that is never shown owns the selection: it goes with the connection.
    const ::Window owner = XCreateWindow(display, session->root, -1, -1, 1, 1, 0, CopyFromParent, InputOnly,
                                         CopyFromParent, 0, nullptr);
    XGrabServer(display);
    const bool free = XGetSelectionOwner(display, selection) == None;
    if (free) XSetSelectionOwner(display, selection, owner, CurrentTime);
    XUngrabServer(display);
    const bool owned = free && XGetSelectionOwner(display, selection) == owner;
    if (!owned) {
        XDestroyWindow(display, owner);
        XFlush(display);
        return false;
    }
    claimed[selection] = owner;
    return true;
}

bool GetWindowClientRect(WindowHandle window, Rect& rect) {
    X11Session* session = X11Session::Get();
    if (!session || window == 0) return false;
    X11ErrorTrap trap(session->display);
    XWindowAttributes attributes{};
    const bool known = XGetWindowAttributes(session->display, static_cast<::Window>(window), &attributes) != 0;
    if (trap.Failed() || !known) return false;
    rect = {0, 0, attributes.width, attributes.height};
    return true;
}

}  // namespace framework
