#pragma once
// The process's one connection to a Wayland compositor and the surfaces the saver shows on
// it: a full-screen surface above everything (the layer shell's overlay where the compositor
// offers it, else a full-screen xdg toplevel) or a fixed-size xdg toplevel. What the seat
// and the compositor say about them is queued as SurfaceEvent values, taken one at a time
// like a window system's events. No Wayland header is needed to use it: native objects are
// handed out as void*.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace framework::wayland {

class Display;

struct SurfaceEvent {
    enum class Kind { kKey, kPointer, kCloseRequest, kClosed };
    Kind kind = Kind::kKey;
    std::uintptr_t surface = 0;  // Surface::Id of the surface it concerns
    unsigned keysym = 0;         // kKey: the key's symbol in the keyboard map
    bool systemKey = false;      // kKey: pressed with Alt, or Alt or F10 itself
    int x = 0, y = 0;            // kPointer: the position on the surface, rounded to pixels
};

enum class SurfaceKind { kWindow, kFullScreen };

class Surface {
public:
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // The surface's identity for events, also the wl_egl_window* that EGL draws into.
    std::uintptr_t Id() const { return reinterpret_cast<std::uintptr_t>(eglWindow); }
    int Width() const { return width; }
    int Height() const { return height; }
    // Hides the pointer over this surface (shows it: the compositor's own) from now on.
    void HidePointer(bool hide);
    // Asks, before a frame is committed, to be told when the compositor wants the next one:
    // until then the surface waits (a hidden surface, which the compositor does not paint,
    // waits until it shows again).
    void RequestFrame();
    bool WaitingForFrame() const { return frameCallback != nullptr; }

private:
    friend class Display;
    friend struct Listeners;
    explicit Surface(Display& owner);

    Display& display;
    struct Objects;
    std::unique_ptr<Objects> objects;
    void* eglWindow = nullptr;
    void* frameCallback = nullptr;  // the wl_callback of the frame requested
    int width = 0, height = 0;
    bool pointerHidden = false;
    bool fixedSize = false;
    bool configured = false;
};

class Display {
public:
    // Whether this process shows its windows through Wayland: when VANTARO_WAYLAND is 1, or
    // when there is no X display ($DISPLAY empty) but a Wayland one ($WAYLAND_DISPLAY). Decided
    // once, at the first call.
    static bool Chosen();
    // The connection, made at the first call when Chosen(); nullptr when not chosen or no
    // compositor answers (asked again at the next call).
    static Display* Get();

    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    void* Native() const;  // the wl_display*
    // The size of the first output's current mode; 0 before the compositor told it.
    int ScreenWidth() const { return screenWidth; }
    int ScreenHeight() const { return screenHeight; }

    // A surface configured by the compositor and ready to draw into: kFullScreen covers the
    // output (width and height are only a fallback); kWindow is `width` x `height` and stays
    // so. `title` and `appId` name a window. Nullptr when the compositor refused it.
    std::unique_ptr<Surface> CreateSurface(SurfaceKind kind, int width, int height, const std::string& title,
                                           const std::string& appId);

    // Reads what has arrived without waiting; true when an event waits to be taken.
    bool Pending();
    // Waits until an event is there or `wakeFd` becomes readable; false when the connection
    // to the compositor is lost.
    bool Wait(int wakeFd);
    // The oldest event, if any.
    bool Next(SurfaceEvent& event);
    // Whether a surface waits for the compositor to want its next frame.
    bool WaitingForFrame() const;
    bool Lost() const { return lost; }

    struct Globals;  // the compositor's objects, for the listeners in wayland_display.cpp

private:
    explicit Display(void* connection);
    friend class Surface;
    friend struct Listeners;

    bool Dispatch(bool wait, int wakeFd);
    void Forget(Surface* surface);

    std::unique_ptr<Globals> globals;
    std::deque<SurfaceEvent> events;
    int screenWidth = 0, screenHeight = 0;
    bool lost = false;
};

// A claim on `name` among the processes of this user on this Wayland display: a lock file in
// $XDG_RUNTIME_DIR, held until the process ends, so of two processes claiming at once exactly
// one succeeds. True when this process holds it (also when it already did) or when no lock
// can be made there (nothing to refuse on); false when another process holds it.
bool ClaimInstanceLock(const std::string& name);

}  // namespace framework::wayland
