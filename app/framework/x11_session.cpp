#include "app/framework/x11_session.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <glib.h>

#include <cstdio>
#include <memory>

#include "app/framework/message_queue.h"

namespace framework {
namespace {

unsigned long errorCount = 0;
int trapDepth = 0;

int CountError(::Display* display, XErrorEvent* error) {
    ++errorCount;
    if (trapDepth == 0) {
        char text[128];
        XGetErrorText(display, error->error_code, text, sizeof text);
        std::fprintf(stderr, "Vantaro: X request %d failed: %s\n", error->request_code, text);
    }
    return 0;
}

std::unique_ptr<X11Session>& Instance() {
    static std::unique_ptr<X11Session> session;
    return session;
}

}  // namespace

X11Session* X11Session::Get() {
    auto& session = Instance();
    if (!session) {
        if (::Display* display = XOpenDisplay(nullptr)) session.reset(new X11Session(display));
    }
    return session.get();
}

std::deque<PostedMessage>& X11Session::Posted() {
    static std::deque<PostedMessage> posted;
    return posted;
}

X11Session::X11Session(::Display* display_)
    : display(display_), screen(DefaultScreen(display_)), root(RootWindow(display_, screen)) {
    XSetErrorHandler(CountError);
    // Held keys then repeat as presses alone, so a repeat is told from a new press.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    const char* names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_WM_ICON", "_NET_WM_NAME",
                           "_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "UTF8_STRING"};
    Atom atoms[std::size(names)];
    XInternAtoms(display, const_cast<char**>(names), static_cast<int>(std::size(names)), False, atoms);
    wmProtocols = atoms[0];
    wmDeleteWindow = atoms[1];
    netWmIcon = atoms[2];
    netWmName = atoms[3];
    netWmState = atoms[4];
    netWmStateAbove = atoms[5];
    utf8String = atoms[6];
}

X11Session::~X11Session() {
    if (invisibleCursor) XFreeCursor(display, invisibleCursor);
    XCloseDisplay(display);
}

::Cursor X11Session::InvisibleCursor() {
    if (!invisibleCursor) {
        static const char blank[1] = {0};
        const Pixmap pixmap = XCreateBitmapFromData(display, root, blank, 1, 1);
        XColor black{};
        invisibleCursor = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
        XFreePixmap(display, pixmap);
    }
    return invisibleCursor;
}

X11ErrorTrap::X11ErrorTrap(::Display* display_) : display(display_) {
    XSync(display, False);
    errorsBefore = errorCount;
    ++trapDepth;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display, False);
    --trapDepth;
}

bool X11ErrorTrap::Failed() {
    XSync(display, False);
    return errorCount != errorsBefore;
}

bool MessagesPending() {
    if (!X11Session::Posted().empty()) return true;
    X11Session* session = X11Session::Get();
    return session && XPending(session->display) > 0;
}

bool PumpMessage(int& exitCode) {
    auto& posted = X11Session::Posted();
    if (!posted.empty()) {
        const PostedMessage message = posted.front();
        posted.pop_front();
        if (message.window == 0) {
            exitCode = message.exitCode;
            return false;
        }
        DispatchPosted(message);
        return true;
    }
    X11Session* session = X11Session::Get();
    if (!session) {
        exitCode = 0;
        return false;
    }
    XEvent event;
    XNextEvent(session->display, &event);
    DispatchEvent(*session, event);
    return true;
}

void PostWindowMessage(WindowHandle window, unsigned message) {
    if (window != 0) X11Session::Posted().push_back({window, message, 0});
}

void AfxPostQuitMessage(int exitCode) { X11Session::Posted().push_back({0, 0, exitCode}); }

}  // namespace framework
