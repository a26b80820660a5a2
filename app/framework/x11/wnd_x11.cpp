#include "app/framework/wnd.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "app/framework/loop_watchdog.h"
#include "app/framework/message_queue.h"
#include "app/framework/system.h"
#include "app/framework/wayland/wayland_windows.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/x11/x11_session.h"

namespace framework {
namespace {

// The display protocol carries window sizes as 16-bit numbers.
constexpr int kMaxWindowSize = 32767;

struct Placement {
    int x, y, width, height;
};

bool IsTopLevel(unsigned style) { return (style & WS_CHILD) == 0; }

bool HasCaption(unsigned style) {
    return (style & (WS_CHILD | WS_POPUP)) == 0 || (style & WS_CAPTION) == WS_CAPTION;
}

// Where the client area lies, given the whole window's rectangle. A captioned window's frame
// is drawn by the window manager outside the client area, so the window keeps its position
// and loses the edges and the caption from its size; a client edge insets the client area.
Placement ClientPlacement(const CreateStruct& cs) {
    Placement p{cs.x, cs.y, cs.cx, cs.cy};
    const int edgeX = GetSystemMetrics(SM_CXEDGE);
    const int edgeY = GetSystemMetrics(SM_CYEDGE);
    if (HasCaption(cs.style)) {
        p.width -= 2 * edgeX;
        p.height -= edgeY + GetSystemMetrics(SM_CYCAPTION);
    }
    if (cs.exStyle & WS_EX_CLIENTEDGE) {
        p.x += edgeX;
        p.y += edgeY;
        p.width -= 2 * edgeX;
        p.height -= 2 * edgeY;
    }
    return p;
}

std::uint32_t BrushColour(StockBrush brush) { return brush == StockBrush::kWhite ? 0xFFFFFFu : 0u; }

unsigned long PixelOf(const Visual* visual, std::uint32_t rgb) {
    auto channel = [](unsigned value, unsigned long mask) {
        if (mask == 0) return 0ul;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const unsigned long maximum = mask >> shift;
        return ((value * maximum + 127) / 255) << shift;
    };
    return channel((rgb >> 16) & 0xFF, visual->red_mask) | channel((rgb >> 8) & 0xFF, visual->green_mask) |
           channel(rgb & 0xFF, visual->blue_mask);
}

std::uint32_t Blend(std::uint32_t argb, std::uint32_t backgroundRgb) {
    const unsigned alpha = argb >> 24;
    std::uint32_t rgb = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned over = (argb >> shift) & 0xFF;
        const unsigned under = (backgroundRgb >> shift) & 0xFF;
        rgb |= ((over * alpha + under * (255 - alpha) + 127) / 255) << shift;
    }
    return rgb;
}

unsigned MouseFlags(unsigned state) {
    unsigned flags = 0;
    if (state & Button1Mask) flags |= MK_LBUTTON;
    if (state & Button3Mask) flags |= MK_RBUTTON;
    if (state & Button2Mask) flags |= MK_MBUTTON;
    if (state & ShiftMask) flags |= MK_SHIFT;
    if (state & ControlMask) flags |= MK_CONTROL;
    return flags;
}

bool IsSystemKey(KeySym key, unsigned state) {
    return (state & Mod1Mask) || key == XK_Alt_L || key == XK_Alt_R || key == XK_Meta_L || key == XK_Meta_R ||
           key == XK_F10;
}

// Key codes held down, so that an auto-repeat is told from a new press.
std::unordered_set<unsigned>& KeysDown() {
    static std::unordered_set<unsigned> keys;
    return keys;
}

void SetIconProperty(X11Session& session, ::Window window, const Icon& icon) {
    std::vector<unsigned long> data;  // format-32 properties travel as longs
    for (const IconImage& image : icon.images) {
        data.push_back(static_cast<unsigned long>(image.width));
        data.push_back(static_cast<unsigned long>(image.height));
        data.insert(data.end(), image.argb.begin(), image.argb.end());
    }
    XChangeProperty(session.display, window, session.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
}

void SetTopLevelProperties(X11Session& session, ::Window window, const CreateStruct& cs, const Placement& p,
                           const WndClass& wndClass) {
    ::Display* display = session.display;
    XStoreName(display, window, cs.windowName.c_str());
    XChangeProperty(display, window, session.netWmName, session.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(cs.windowName.data()), static_cast<int>(cs.windowName.size()));
    Atom protocols[] = {session.wmDeleteWindow};
    XSetWMProtocols(display, window, protocols, 1);
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = USPosition | PPosition | USSize | PSize;
    hints->x = p.x;
    hints->y = p.y;
    hints->width = p.width;
    hints->height = p.height;
    if (!(cs.style & WS_THICKFRAME)) {  // without a sizing border the size is fixed
        hints->flags |= PMinSize | PMaxSize;
        hints->min_width = hints->max_width = p.width;
        hints->min_height = hints->max_height = p.height;
    }
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
    if (cs.exStyle & WS_EX_TOPMOST) {
        XChangeProperty(display, window, session.netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&session.netWmStateAbove), 1);
    }
    if (wndClass.icon) SetIconProperty(session, window, *wndClass.icon);
}

}  // namespace

// Turns display events and posted messages into handler calls. The handler is always the
// last thing a delivery does with the window object, which the handler may have deleted.
struct WindowMessages {
    static void Key(CWnd& wnd, XKeyEvent key) {
        const KeySym symbol = XLookupKeysym(&key, 0);
        const bool repeat = !KeysDown().insert(key.keycode).second;
        const unsigned flags = repeat ? KF_REPEAT : 0;
        if (IsSystemKey(symbol, key.state)) {
            wnd.current = CWnd::Message::kSysKeyDown;
            wnd.currentKey = static_cast<unsigned>(symbol);
            wnd.OnSysKeyDown(static_cast<unsigned>(symbol), 1, flags);
        } else {
            wnd.current = CWnd::Message::kKeyDown;
            wnd.OnKeyDown(static_cast<unsigned>(symbol), 1, flags);
        }
    }

    static void Pointer(X11Session& session, CWnd& wnd, int rootX, int rootY, unsigned state) {
        const WindowHandle handle = wnd.handle;
        wnd.current = CWnd::Message::kSetCursor;
        if (!wnd.OnSetCursor()) wnd.Default();
        // OnSetCursor may have destroyed the window.
        const auto it = session.windows.find(handle);
        if (it == session.windows.end()) return;
        it->second->current = CWnd::Message::kMouseMove;
        it->second->OnMouseMove(MouseFlags(state), Point{rootX, rootY});
    }

    static void Paint(CWnd& wnd) {
        wnd.current = CWnd::Message::kPaint;
        wnd.OnPaint();
    }

    static void Close(CWnd& wnd) {
        wnd.current = CWnd::Message::kClose;
        wnd.OnClose();
    }

    static void DisplayChanged(CWnd& wnd) { wnd.OnDisplayChange(); }
    static void Shown(CWnd& wnd, bool mapped) { wnd.mapped = mapped; }
    static void Covered(CWnd& wnd, bool covered) { wnd.fullyObscured = covered; }

    static void Resized(CWnd& wnd, int width, int height) {
        wnd.clientWidth = width;
        wnd.clientHeight = height;
    }

    // The window was destroyed by someone else: its parent's owner, or the display closing.
    static void Gone(X11Session& session, CWnd& wnd) {
        X11ErrorTrap trap(session.display);  // what OnDestroy asks of the dead window fails quietly
        wnd.current = CWnd::Message::kDestroy;
        wnd.OnDestroy();
        wnd.ForgetWindow();
        wnd.PostNcDestroy();
    }

    static void Focus(X11Session& session, ::Window window) {
        X11ErrorTrap trap(session.display);
        XSetInputFocus(session.display, window, RevertToParent, CurrentTime);
    }
};

namespace {

// The first event number of the RandR extension once a window asked for the screen's changes;
// -1 before, or without the extension.
int randrEventBase = -1;

// Monitors added, removed or moved, and the screen resized, come as RandR events on the root.
void WatchScreenChanges(X11Session& session) {
    int eventBase = 0, errorBase = 0;
    if (randrEventBase >= 0 || !XRRQueryExtension(session.display, &eventBase, &errorBase)) return;
    randrEventBase = eventBase;
    XRRSelectInput(session.display, session.root,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
}

bool IsScreenChange(const XEvent& event) {
    return randrEventBase >= 0 &&
           (event.type == randrEventBase + RRScreenChangeNotify || event.type == randrEventBase + RRNotify);
}

// Tells every top-level window of ours; one may destroy others, so each is looked up in turn.
void TellDisplayChange(X11Session& session, XEvent event) {
    XRRUpdateConfiguration(&event);  // Xlib's idea of the screen's size follows
    std::vector<::Window> topLevel;
    for (const auto& [window, wnd] : session.windows) {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        X11ErrorTrap trap(session.display);
        if (XQueryTree(session.display, window, &root, &parent, &children, &count) && parent == session.root) {
            topLevel.push_back(window);
        }
        if (children) XFree(children);
    }
    for (const ::Window window : topLevel) {
        const auto it = session.windows.find(window);
        if (it != session.windows.end()) WindowMessages::DisplayChanged(*it->second);
    }
}

// A host window of another program changed size: the window of ours inside it follows.
void FollowHost(X11Session& session, const XConfigureEvent& event) {
    const auto it = session.hosts.find(event.window);
    if (it == session.hosts.end()) return;
    X11ErrorTrap trap(session.display);
    XWindowAttributes child{};
    if (!XGetWindowAttributes(session.display, it->second, &child)) return;
    const int width = event.width - 2 * child.x;
    const int height = event.height - 2 * child.y;
    if (width > 0 && height > 0 && (width != child.width || height != child.height)) {
        XResizeWindow(session.display, it->second, static_cast<unsigned>(width), static_cast<unsigned>(height));
    }
}

// A host window of another program was destroyed. The window of ours inside it normally went
// with it (and has been forgotten by now); one that was moved elsewhere since is destroyed
// here, so that the saver still ends with the window it was given.
void HostGone(X11Session& session, ::Window host) {
    const auto it = session.hosts.find(host);
    if (it == session.hosts.end()) return;
    const ::Window ours = it->second;
    session.hosts.erase(it);
    const auto window = session.windows.find(ours);
    if (window != session.windows.end()) window->second->DestroyWindow();
}

}  // namespace

void DispatchEvent(X11Session& session, const XEvent& event) {
    if (event.type == KeyRelease) {
        KeysDown().erase(event.xkey.keycode);
        return;
    }
    if (event.type == ConfigureNotify && event.xconfigure.event == event.xconfigure.window) {
        FollowHost(session, event.xconfigure);
    }
    if (IsScreenChange(event)) {
        TellDisplayChange(session, event);
        return;
    }
    if (event.type == DestroyNotify && event.xdestroywindow.event == event.xdestroywindow.window) {
        HostGone(session, event.xdestroywindow.window);
    }
    const ::Window window = event.type == DestroyNotify ? event.xdestroywindow.window : event.xany.window;
    const auto it = session.windows.find(window);
    if (it == session.windows.end()) return;
    CWnd& wnd = *it->second;
    switch (event.type) {
        case KeyPress: WindowMessages::Key(wnd, event.xkey); break;
        case MotionNotify:
            WindowMessages::Pointer(session, wnd, event.xmotion.x_root, event.xmotion.y_root, event.xmotion.state);
            break;
        case EnterNotify:
            // Crossings caused by grabs (a button held down) are no pointer movement.
            if (event.xcrossing.mode != NotifyNormal) break;
            WindowMessages::Pointer(session, wnd, event.xcrossing.x_root, event.xcrossing.y_root, event.xcrossing.state);
            break;
        case Expose:
            if (event.xexpose.count == 0) WindowMessages::Paint(wnd);
            break;
        case ConfigureNotify:
            WindowMessages::Resized(wnd, event.xconfigure.width, event.xconfigure.height);
            break;
        case MapNotify:
            WindowMessages::Shown(wnd, true);
            // A popup bypasses the window manager, so it takes the keyboard itself.
            if (event.xmap.override_redirect) WindowMessages::Focus(session, window);
            break;
        case UnmapNotify: WindowMessages::Shown(wnd, false); break;
        case VisibilityNotify: WindowMessages::Covered(wnd, event.xvisibility.state == VisibilityFullyObscured); break;
        case ClientMessage:
            if (event.xclient.message_type == session.wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == session.wmDeleteWindow) {
                WindowMessages::Close(wnd);
            }
            break;
        case DestroyNotify: WindowMessages::Gone(session, wnd); break;
        default: break;
    }
}

void DispatchPosted(const PostedMessage& message) {
    if (UsingWayland()) return WaylandWindowMessages::DispatchPosted(message);
    X11Session* session = X11Session::Get();
    if (!session) return;
    const auto it = session->windows.find(static_cast<::Window>(message.window));
    if (it == session->windows.end()) return;  // destroyed since it was posted
    if (message.message == WM_CLOSE) WindowMessages::Close(*it->second);
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    // A window object deleted while its window still exists takes the window with it.
    if (handle) {
        X11Session* session = X11Session::Get();
        if (session) XDestroyWindow(session->display, static_cast<::Window>(handle));
        ForgetWindow();
    }
}

void CWnd::ForgetWindow() {
    UnguardWindow(handle);  // whoever destroyed it, the program knows it is gone
    WaylandWindowMessages::Forget(handle);
    X11Session* session = X11Session::Get();
    if (session) {
        session->windows.erase(static_cast<::Window>(handle));
        std::erase_if(session->hosts, [this](const auto& entry) { return entry.second == handle; });
    }
    handle = 0;
    CWinApp* app = AfxGetApp();
    // The application's main window going ends the message loop.
    if (app && app->GetMainWnd() == this) {
        app->SetMainWnd(nullptr);
        AfxPostQuitMessage(0);
    }
}

bool CWnd::CreateEx(CreateStruct cs) {
    if (handle || !PreCreateWindow(cs)) return false;
    const WndClass* wndClass = FindRegisteredClass(cs.className.empty() ? kDefaultFrameClass : cs.className);
    X11Session* session = X11Session::Get();
    const Placement p = ClientPlacement(cs);
    const bool child = !IsTopLevel(cs.style);
    if (UsingWayland()) return WaylandWindowMessages::Create(*this, cs, p.width, p.height);
    if (!wndClass || !session || (child && cs.parent == 0) || p.width < 1 || p.height < 1 ||
        p.width > kMaxWindowSize || p.height > kMaxWindowSize) {
        return false;
    }
    ::Display* display = session->display;
    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWOverrideRedirect | CWSaveUnder | CWBitGravity;
    if (wndClass->background == StockBrush::kNull) {
        attributes.background_pixmap = None;
        mask |= CWBackPixmap;
    } else {
        attributes.background_pixel = PixelOf(DefaultVisual(display, session->screen), BrushColour(wndClass->background));
        mask |= CWBackPixel;
    }
    attributes.event_mask = ExposureMask | StructureNotifyMask | VisibilityChangeMask;
    if (!(cs.style & WS_DISABLED)) attributes.event_mask |= KeyPressMask | KeyReleaseMask | PointerMotionMask | EnterWindowMask;
    attributes.override_redirect = (cs.style & WS_POPUP) && !child;
    attributes.save_under = (wndClass->style & CS_SAVEBITS) != 0;
    attributes.bit_gravity = (wndClass->style & (CS_HREDRAW | CS_VREDRAW)) ? ForgetGravity : NorthWestGravity;
    const ::Window parent = child ? static_cast<::Window>(cs.parent) : session->root;
    if (attributes.override_redirect) WatchScreenChanges(*session);

    X11ErrorTrap trap(display);
    const ::Window window = XCreateWindow(display, parent, p.x, p.y, static_cast<unsigned>(p.width),
                                          static_cast<unsigned>(p.height), 0, CopyFromParent, InputOutput,
                                          CopyFromParent, mask, &attributes);
    if (trap.Failed()) {  // the parent is no window of this display
        if (window) XDestroyWindow(display, window);
        return false;
    }
    handle = window;
    clientWidth = p.width;
    clientHeight = p.height;
    classBackground = BrushColour(wndClass->background);
    session->windows[window] = this;

    CWinApp* app = AfxGetApp();
    std::string resourceName = app ? app->AppName() : "";
    XClassHint classHint{resourceName.data(), cs.className.data()};
    XSetClassHint(display, window, &classHint);
    if (!child) SetTopLevelProperties(*session, window, cs, p, *wndClass);

    current = Message::kCreate;
    if (OnCreate(cs) == -1) {
        current = Message::kDestroy;
        OnDestroy();
        XDestroyWindow(display, window);
        ForgetWindow();
        return false;
    }
    if (cs.style & WS_VISIBLE) {
        if (attributes.override_redirect) {
            XMapRaised(display, window);
        } else {
            XMapWindow(display, window);
        }
    }
    XFlush(display);
    return true;
}

bool CWnd::DestroyWindow() {
    if (!handle) return false;
    const ::Window window = static_cast<::Window>(handle);
    current = Message::kDestroy;
    OnDestroy();
    if (X11Session* session = X11Session::Get()) {
        X11ErrorTrap trap(session->display);
        XDestroyWindow(session->display, window);
    }
    ForgetWindow();
    PostNcDestroy();
    return true;
}

void CWnd::PostMessage(unsigned message) const { PostWindowMessage(handle, message); }

Rect CWnd::GetClientRect() const { return Rect{0, 0, clientWidth, clientHeight}; }

bool CWnd::IsHidden() const {
    // A Wayland compositor says nothing of what is shown; it stops asking for frames instead.
    if (UsingWayland()) return false;
    return handle != 0 && (!mapped || fullyObscured);
}

void CWnd::Invalidate() const {
    X11Session* session = X11Session::Get();
    if (!session || !handle) return;
    X11ErrorTrap trap(session->display);
    XClearArea(session->display, static_cast<::Window>(handle), 0, 0, 0, 0, True);
}

void CWnd::ShowWindow(int command) {
    X11Session* session = X11Session::Get();
    if (!session || !handle) return;
    if (command == SW_HIDE) {
        XUnmapWindow(session->display, static_cast<::Window>(handle));
    } else {
        XMapRaised(session->display, static_cast<::Window>(handle));
    }
    XFlush(session->display);
}

bool CWnd::MoveWindow(const Rect& rect) {
    X11Session* session = X11Session::Get();
    if (!session || !handle || rect.Width() < 1 || rect.Height() < 1 || rect.Width() > kMaxWindowSize ||
        rect.Height() > kMaxWindowSize) {
        return false;
    }
    X11ErrorTrap trap(session->display);
    XMoveResizeWindow(session->display, static_cast<::Window>(handle), rect.left, rect.top,
                      static_cast<unsigned>(rect.Width()), static_cast<unsigned>(rect.Height()));
    clientWidth = rect.Width();
    clientHeight = rect.Height();
    return !trap.Failed();
}

void CWnd::Default() {
    switch (current) {
        case Message::kSetCursor: SetCursor(CursorKind::kClassCursor); break;
        case Message::kClose: DestroyWindow(); break;
        case Message::kSysKeyDown:
            if (currentKey == XK_F4) PostMessage(WM_CLOSE);  // Alt+F4
            break;
        default: break;
    }
}

void CWnd::SetCursor(CursorKind shape) {
    X11Session* session = X11Session::Get();
    const bool hide = shape == CursorKind::kNone;
    if (UsingWayland()) return WaylandWindowMessages::SetCursor(*this, hide);
    if (!session || !handle || hide == cursorHidden) return;
    X11ErrorTrap trap(session->display);
    if (hide) {
        XDefineCursor(session->display, static_cast<::Window>(handle), session->InvisibleCursor());
    } else {
        XUndefineCursor(session->display, static_cast<::Window>(handle));
    }
    cursorHidden = hide;
}

bool CFrameWnd::CreateInHost(const char* className, WindowHandle host, unsigned style) {
    X11Session* session = X11Session::Get();
    Rect rect;
    if (!session || !GetWindowClientRect(host, rect) || !Create(className, nullptr, WS_CHILD | style, rect, host)) {
        return false;
    }
    // The host's own events stay the host's: this asks only for its size changes and its end.
    X11ErrorTrap trap(session->display);
    XSelectInput(session->display, static_cast<::Window>(host), StructureNotifyMask);
    session->hosts[static_cast<::Window>(host)] = static_cast<::Window>(GetSafeHwnd());
    return true;
}

CPaintDC::CPaintDC(CWnd* wnd_) : wnd(wnd_) {}

CPaintDC::~CPaintDC() {
    if (X11Session* session = X11Session::Get()) XFlush(session->display);
}

bool CPaintDC::DrawIcon(int x, int y, const Icon& icon) {
    X11Session* session = X11Session::Get();
    if (!session || !wnd || !wnd->handle || icon.images.empty()) return false;
    ::Display* display = session->display;
    const ::Window window = static_cast<::Window>(wnd->handle);
    X11ErrorTrap trap(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    const IconImage& image = icon.Standard();
    char* pixels = static_cast<char*>(std::calloc(static_cast<std::size_t>(image.width) * image.height, 4));
    XImage* picture = XCreateImage(display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, 0,
                                   pixels, static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), 32, 0);
    if (!picture) {
        std::free(pixels);
        return false;
    }
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            const std::uint32_t argb = image.argb[static_cast<std::size_t>(row * image.width + column)];
            XPutPixel(picture, column, row, PixelOf(attributes.visual, Blend(argb, wnd->classBackground)));
        }
    }
    const GC gc = XCreateGC(display, window, 0, nullptr);
    XPutImage(display, window, gc, picture, 0, 0, x, y, static_cast<unsigned>(image.width),
              static_cast<unsigned>(image.height));
    XFreeGC(display, gc);
    XDestroyImage(picture);
    return !trap.Failed();
}

}  // namespace framework
