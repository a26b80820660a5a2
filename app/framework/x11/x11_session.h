#pragma once
// The process's one connection to the X display, shared by the framework's implementation
// files: the atoms it uses, the windows it created, the queue of posted messages and the
// invisible cursor. Private to app/framework; nothing outside it includes this header.

#include <X11/Xlib.h>

#include <deque>
#include <unordered_map>

#include "app/framework/types.h"

namespace framework {

class CWnd;

struct PostedMessage {
    WindowHandle window = 0;  // 0: the quit message
    unsigned message = 0;
    int exitCode = 0;
};

class X11Session {
public:
    // The session, connecting to $DISPLAY at the first call; nullptr when no display can be
    // opened (asked again at the next call).
    static X11Session* Get();
    // Posted messages wait here even when no display is open.
    static std::deque<PostedMessage>& Posted();

    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    ::Display* display;
    int screen;
    ::Window root;
    Atom wmProtocols;
    Atom wmDeleteWindow;
    Atom netWmIcon;
    Atom netWmName;
    Atom netWmState;
    Atom netWmStateAbove;
    Atom utf8String;
    std::unordered_map<::Window, CWnd*> windows;
    // Other programs' windows that one of ours fills, each with that window of ours.
    std::unordered_map<::Window, ::Window> hosts;

    // A cursor with no visible pixel, made at the first use.
    ::Cursor InvisibleCursor();

private:
    explicit X11Session(::Display* display);
    ::Cursor invisibleCursor = 0;
};

// Errors from requests on windows that another client may have destroyed (a host's preview
// pane, a window found by a scan) are expected: while alive, they are counted, not fatal.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(::Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Whether any request since the trap was set failed (waits for the server's answers).
    bool Failed();

private:
    ::Display* display;
    unsigned long errorsBefore;
    XErrorHandler previousHandler;
};

// From the connection's start: a lost connection ends the process at once with status 1 and
// one line on stderr, instead of running the exit handlers, which may wait on the dead display
// (in loop_watchdog_x11.cpp).
void EndProcessOnLostDisplay(::Display* display);

// Delivers one event to the window it belongs to (in wnd_x11.cpp).
void DispatchEvent(X11Session& session, const XEvent& event);
// Delivers one posted message to its window, if that still exists (in wnd_x11.cpp).
void DispatchPosted(const PostedMessage& message);

}  // namespace framework
