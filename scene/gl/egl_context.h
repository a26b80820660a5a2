#pragma once
// An OpenGL 3.3 core context made through EGL, either without any surface (offscreen: the
// caller draws into its own framebuffer object, no X server needed) or on an X11 window given
// by its Display* and Window id.

#include <epoxy/egl.h>

#include <memory>
#include <string>

#include "scene/device_factory.h"

namespace scene::gl {

class EglDisplay;

class EglContext {
public:
    // Nothing when the kind of device asked for cannot be had here.
    static std::unique_ptr<EglContext> CreateOffscreen(DeviceType type);
    static std::unique_ptr<EglContext> CreateOnWindow(void* x11Display, unsigned long window, DeviceType type);
    // On a Wayland surface: `eglWindow` is its wl_egl_window*.
    static std::unique_ptr<EglContext> CreateOnWaylandWindow(void* waylandDisplay, unsigned long eglWindow,
                                                             DeviceType type);

    ~EglContext();
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    // Makes this context current on the calling thread; cheap when it already is.
    bool MakeCurrent();
    bool SwapBuffers();
    // The window surface's size in pixels; false offscreen, or when the window is gone.
    bool SurfaceSize(unsigned& width, unsigned& height) const;
    bool HasWindow() const { return surface != EGL_NO_SURFACE; }
    // Asks the swap to wait for the display's vertical retrace; false when EGL refuses.
    bool WaitForRetrace();
    // The refresh rate of the window's display in Hz as RandR reports it; 0 when unknown or offscreen.
    double RefreshRate() const { return refreshHz; }
    // The X11 Display* and Window the surface is on (the window given, or a window of ours
    // inside it when no configuration suits its visual); null and 0 offscreen and on Wayland.
    void* NativeDisplay() const { return nativeDisplay; }
    unsigned long NativeWindow() const { return nativeWindow; }
    // On Wayland the window's owner paces the frames by the compositor's frame callbacks (and
    // the compositor shows them from buffers of its own): the swap must not wait as well.
    bool PacedByCompositor() const { return pacedByCompositor; }
    // Asks the swap not to wait for anything; false when EGL refuses.
    bool SwapWithoutWaiting();

private:
    EglContext(std::shared_ptr<EglDisplay> owner, EGLConfig chosen);
    bool CreateContext();
    static std::unique_ptr<EglContext> CreateOnWindowWith(std::shared_ptr<EglDisplay> display, EGLConfig config,
                                                          void* x11Display, unsigned long window);
    bool FollowOuterWindow(unsigned& width, unsigned& height) const;

    std::shared_ptr<EglDisplay> display;
    EGLConfig config;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    double refreshHz = 0;
    void* nativeDisplay = nullptr;
    unsigned long nativeWindow = 0;
    // The window given, when the surface is on a window of ours inside it; else 0.
    unsigned long outerWindow = 0;
    unsigned long innerColormap = 0;
    mutable unsigned innerWidth = 0, innerHeight = 0;
    bool pacedByCompositor = false;
};

}  // namespace scene::gl
