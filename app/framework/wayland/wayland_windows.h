#pragma once
// The framework's windows and message loop on a Wayland compositor, where the X11 ones are
// not used (wayland/wayland_display.h says when). The X11 implementation files hand over to
// these at their entry points. Private to app/framework.

#include "app/framework/types.h"

namespace framework {
namespace wayland {
struct SurfaceEvent;
}

class CWnd;
struct CreateStruct;
struct PostedMessage;

// Whether this process shows its windows through Wayland instead of X11.
bool UsingWayland();

// The loop's view of the compositor's events (see message_queue.h): whether one waits, and
// taking one, waiting for it (or for `wakeFd` to become readable) if none is there. A lost
// connection ends the process at once with status 1 and one line on stderr, as a lost X
// display does. False when there is no compositor at all.
bool WaylandEventsPending();
bool PumpWaylandEvent(int wakeFd);

// Turns the compositor's events and posted messages into the window's handler calls.
struct WaylandWindowMessages {
    // CWnd::CreateEx after PreCreateWindow, with the client area's size: a popup is a
    // full-screen surface, any other top-level window a surface of that size, captioned with
    // its window name; there are no child windows.
    static bool Create(CWnd& wnd, const CreateStruct& cs, int clientWidth, int clientHeight);
    // The window is gone for the program: its surface goes on the loop's next turn, after
    // whatever still draws into it (the graphics device) has let it go.
    static void Forget(WindowHandle window);
    static void SetCursor(CWnd& wnd, bool hide);
    static void BeginFrame(WindowHandle window);
    static void DispatchPosted(const PostedMessage& message);
    // One event of the compositor's or the seat's, to the window it concerns if it still exists.
    static void Deliver(const wayland::SurfaceEvent& event);
};

}  // namespace framework
