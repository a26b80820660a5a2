#pragma once
// What the system tells about the display: its metrics, where the pointer is, and which
// windows exist on it, whichever process made them.

#include "app/framework/monitor_layout.h"
#include "app/framework/types.h"

namespace framework {

// Whether a display can be opened ($DISPLAY, or a Wayland compositor: see DisplayIsWayland);
// the framework connects to it at the first use.
bool DisplayAvailable();

// Whether the framework shows its windows as a Wayland client: when VANTARO_WAYLAND=1, or when
// there is no X display ($DISPLAY) but a Wayland one ($WAYLAND_DISPLAY). A Wayland client
// reaches no window of another program: there is no preview pane or host window to draw in,
// FindWindow finds nothing, and GetCursorPos measures from where the pointer first entered a
// window of ours (see there).
bool DisplayIsWayland();

// The display connection as a native handle (an Xlib Display*, or a wl_display* on Wayland),
// for the graphics device to draw into the framework's windows; nullptr without a display. On
// Wayland a window's handle is its wl_egl_window*.
void* NativeDisplay();

// SM_CXSCREEN and SM_CYSCREEN: the screen's size in pixels (0 without a display). SM_CXEDGE,
// SM_CYEDGE and SM_CYCAPTION: the frame that captioned windows are measured with. SM_CXICON,
// SM_CYICON: the standard icon size. 0 for any other index.
int GetSystemMetrics(int index);

// The full-screen window for a display mode of `width` x `height`. Windows switches the
// display into that mode, so the window is exactly 0, 0 to `width`, `height`; an X server keeps
// its mode, so there the window covers the primary monitor (PlaceFullScreen) and the device
// scales the picture to it.
Rect FullScreenWindowRect(int width, int height);

// The monitors showing the desktop as they are now: X11's RandR monitors, whose primary output
// is marked primary; the displays of Windows. Empty when the system tells nothing.
MonitorList GetMonitors();

// Called before each frame drawn into `window` is presented. On Wayland it asks the compositor
// to say when it wants the next frame, and the message loop goes idle (draws) again only once it
// has: frames follow the compositor's pace, and a window the compositor does not show is not
// drawn, while input and signals are taken as ever. Nothing on X11.
void BeginWindowFrame(WindowHandle window);

// The display mode the full-screen saver takes for a chosen `width` x `height`, written back
// into them. Windows changes the display's mode, so a size it does not offer becomes the
// largest offered mode that fits in the chosen one, or the desktop's own mode when none fits.
// An X server keeps its mode and the picture is scaled to the screen: the chosen size stands.
void NearestFullScreenMode(int& width, int& height);

// The window a screensaver host gives the saver to draw in, as the environment names it
// (XSCREENSAVER_WINDOW on X11); null where no host does so, as on Windows.
const char* HostWindowVariable();

// The pointer's position in screen coordinates; false without a display. On Wayland, where a
// client learns of the pointer only over its own windows, the origin of pointer positions is
// where it was first seen over one of them, and this gives that origin: 0, 0.
bool GetCursorPos(Point& point);

// The first window on the display, made by any process, whose class (the class part of its
// WM_CLASS) is `className` and, unless `windowName` is null, whose title is `windowName`;
// 0 when there is none.
WindowHandle FindWindow(const char* className, const char* windowName = nullptr);

// Makes this process the owner of the display-wide selection `name`, unless another client
// owns it: the look and the claim are one step for the display (the server is grabbed between
// them), so of two processes claiming at once exactly one succeeds. The claim lasts while the
// process keeps its display connection. True when this process owns it (also when it already
// did); false when another does or there is no display. On Wayland the claim is a lock file in
// $XDG_RUNTIME_DIR, as atomic, held until the process ends.
bool ClaimSelection(const char* name);

// The client area of any window on the display, this program's or another's (a host's preview
// pane), origin at its top-left corner; false when there is no such window.
bool GetWindowClientRect(WindowHandle window, Rect& rect);

}  // namespace framework
