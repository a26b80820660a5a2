#include "scene/gl/egl_context.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "scene/gl/x_error_trap.h"

namespace scene::gl {

namespace {

bool HasExtension(const char* list, std::string_view name) {
    if (list == nullptr) {
        return false;
    }
    std::string_view all(list);
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find(' ', start);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        if (all.substr(start, end - start) == name) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool HasClientExtension(std::string_view name) {
    return HasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), name);
}

// Sets an environment variable for the life of this object, then puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* variableName, const char* value) : name(variableName) {
        if (const char* old = std::getenv(name)) {
            previous = old;
        }
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (previous) {
            setenv(name, previous->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name;
    std::optional<std::string> previous;
};

thread_local EglContext* currentContext = nullptr;

}  // namespace

// One initialised EGL display. EGL hands out one display per platform and native display, and
// terminating it would end every context on it; it would also unload the driver, which frees
// less than it allocated and must be loaded again for the next device. So a display, once set
// up, stays set up for the life of the process, shared by every context made on it.
class EglDisplay {
public:
    // `forceSoftware` asks Mesa for its software rasteriser when the display is first set up.
    static std::shared_ptr<EglDisplay> Acquire(EGLDisplay handle, bool forceSoftware) {
        if (handle == EGL_NO_DISPLAY) {
            return nullptr;
        }
        auto& live = Registry();
        if (auto found = live.find(handle); found != live.end()) {
            return found->second;
        }
        EGLint major = 0, minor = 0;
        bool initialised = false;
        if (forceSoftware) {
            ScopedEnvironment software("LIBGL_ALWAYS_SOFTWARE", "1");
            ScopedEnvironment driver("GALLIUM_DRIVER", "llvmpipe");
            initialised = eglInitialize(handle, &major, &minor) == EGL_TRUE;
        } else {
            initialised = eglInitialize(handle, &major, &minor) == EGL_TRUE;
        }
        if (!initialised || eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
            return nullptr;
        }
        auto shared = std::shared_ptr<EglDisplay>(new EglDisplay(handle));
        live[handle] = shared;
        return shared;
    }

    EGLDisplay Handle() const { return handle; }
    bool Supports(std::string_view extension) const {
        return HasExtension(eglQueryString(handle, EGL_EXTENSIONS), extension);
    }

private:
    explicit EglDisplay(EGLDisplay display) : handle(display) {}
    // Never destroyed: see above.
    static std::map<EGLDisplay, std::shared_ptr<EglDisplay>>& Registry() {
        static auto* registry = new std::map<EGLDisplay, std::shared_ptr<EglDisplay>>;
        return *registry;
    }

    EGLDisplay handle;
};

namespace {

// Mesa's software device, listed among the EGL devices whatever hardware there is.
EGLDisplay SoftwareDeviceDisplay() {
    if (!HasClientExtension("EGL_EXT_device_enumeration") || !HasClientExtension("EGL_EXT_platform_device")) {
        return EGL_NO_DISPLAY;
    }
    EGLint count = 0;
    if (eglQueryDevicesEXT(0, nullptr, &count) != EGL_TRUE || count <= 0) {
        return EGL_NO_DISPLAY;
    }
    std::vector<EGLDeviceEXT> devices(static_cast<std::size_t>(count));
    eglQueryDevicesEXT(count, devices.data(), &count);
    for (EGLDeviceEXT device : devices) {
        if (HasExtension(eglQueryDeviceStringEXT(device, EGL_EXTENSIONS), "EGL_MESA_device_software")) {
            return eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
        }
    }
    return EGL_NO_DISPLAY;
}

std::shared_ptr<EglDisplay> OffscreenDisplay(DeviceType type) {
    if (type == DeviceType::kReference) {
        return EglDisplay::Acquire(SoftwareDeviceDisplay(), false);
    }
    if (!HasClientExtension("EGL_MESA_platform_surfaceless")) {
        return nullptr;
    }
    return EglDisplay::Acquire(eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                               false);
}

// EGL sets a display up once, with whatever driver the first try chose. The reference device
// therefore talks to the X server over a connection of its own, whose display it sets up with
// the software rasteriser; windows belong to the server, so the saver's window serves both.
// The connection lives as long as its EGL display, that is as long as the process.
Display* SoftwareConnection(Display* shared) {
    static auto* connections = new std::map<std::string, Display*>;
    std::string name = DisplayString(shared);
    auto [found, added] = connections->try_emplace(name, nullptr);
    if (added) {
        found->second = XOpenDisplay(name.c_str());
    }
    return found->second;
}

// The refresh rate of the screen holding `window`, in Hz; 0 when the server cannot say.
double ScreenRefreshRate(Display* display, Window window) {
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return 0;
    }
    XRRScreenConfiguration* configuration = XRRGetScreenInfo(display, window);
    if (configuration == nullptr) {
        return 0;
    }
    const short rate = XRRConfigCurrentRate(configuration);
    XRRFreeScreenConfigInfo(configuration);
    return rate > 0 ? rate : 0;
}

// Configurations with at least `channelBits` bits of red, green and blue, the deepest first.
std::vector<EGLConfig> ChooseConfigs(EGLDisplay display, EGLint surfaceType, DeviceType type, EGLint channelBits) {
    const EGLint caveat = type == DeviceType::kHardware ? EGL_NONE : EGL_DONT_CARE;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType,   EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,     channelBits,   EGL_GREEN_SIZE,      channelBits,
                                 EGL_BLUE_SIZE,    channelBits,   EGL_CONFIG_CAVEAT,   caveat,
                                 EGL_NONE};
    EGLint count = 0;
    if (eglChooseConfig(display, attributes, nullptr, 0, &count) != EGL_TRUE || count <= 0) {
        return {};
    }
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, attributes, configs.data(), count, &count);
    configs.resize(static_cast<std::size_t>(count));
    return configs;
}

// The pixel layout of an X visual: what decides whether a window of one visual can take a
// surface made for another.
struct PixelLayout {
    int depth = 0;
    int visualClass = -1;
    unsigned long red = 0, green = 0, blue = 0;
    bool operator==(const PixelLayout&) const = default;
};

std::optional<PixelLayout> LayoutOfVisual(Display* display, VisualID id) {
    XVisualInfo wanted{};
    wanted.visualid = id;
    int count = 0;
    XVisualInfo* found = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    if (found == nullptr) {
        return std::nullopt;
    }
    const PixelLayout layout{found->depth, found->c_class, found->red_mask, found->green_mask, found->blue_mask};
    XFree(found);
    return layout;
}

// The window configurations for a window of visual `visual`: those made for that very visual
// first, then those made for another visual of the same pixel layout. EGL lists one visual
// per depth and class, but hosts may give a window another one (a screensaver host choosing
// its own TrueColor visual), and a 16-bit screen's visual needs a 5-6-5 configuration.
std::vector<EGLConfig> ConfigsForVisual(EGLDisplay display, Display* xDisplay, VisualID visual, DeviceType type) {
    const auto layout = LayoutOfVisual(xDisplay, visual);
    constexpr EGLint kFewestChannelBits = 5;
    std::vector<EGLConfig> exact, alike;
    for (EGLConfig config : ChooseConfigs(display, EGL_WINDOW_BIT, type, kFewestChannelBits)) {
        EGLint configVisual = 0;
        eglGetConfigAttrib(display, config, EGL_NATIVE_VISUAL_ID, &configVisual);
        if (static_cast<VisualID>(configVisual) == visual) {
            exact.push_back(config);
        } else if (configVisual != 0 && layout && LayoutOfVisual(xDisplay, static_cast<VisualID>(configVisual)) == layout) {
            alike.push_back(config);
        }
    }
    exact.insert(exact.end(), alike.begin(), alike.end());
    return exact;
}

struct InnerWindow {
    Window window = 0;
    Colormap colormap = 0;
};

// A window covering `outer`, of the visual `config` was made for, mapped; none when the server
// refuses one. Input passes through it to `outer`, which the program listens to.
InnerWindow CreateInnerWindow(EGLDisplay display, EGLConfig config, Display* xDisplay, Window outer,
                              const XWindowAttributes& outerAttributes) {
    EGLint visualId = 0;
    eglGetConfigAttrib(display, config, EGL_NATIVE_VISUAL_ID, &visualId);
    XVisualInfo wanted{};
    wanted.visualid = static_cast<VisualID>(visualId);
    int count = 0;
    XVisualInfo* found = visualId == 0 ? nullptr : XGetVisualInfo(xDisplay, VisualIDMask, &wanted, &count);
    if (found == nullptr) {
        return {};
    }
    XErrorTrap trap(xDisplay);
    InnerWindow inner;
    XSetWindowAttributes attributes{};
    inner.colormap = attributes.colormap = XCreateColormap(xDisplay, outer, found->visual, AllocNone);
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    inner.window = XCreateWindow(xDisplay, outer, 0, 0, static_cast<unsigned>(outerAttributes.width),
                                 static_cast<unsigned>(outerAttributes.height), 0, found->depth, InputOutput,
                                 found->visual, CWColormap | CWBackPixmap | CWBorderPixel, &attributes);
    XFree(found);
    XMapWindow(xDisplay, inner.window);
    XSync(xDisplay, False);
    if (XErrorTrap::Failed()) {
        XDestroyWindow(xDisplay, inner.window);
        XFreeColormap(xDisplay, inner.colormap);
        XSync(xDisplay, False);
        return {};
    }
    return inner;
}

// The outer window may be gone already, and the inner one with it.
void DestroyInnerWindow(Display* xDisplay, const InnerWindow& inner) {
    XErrorTrap trap(xDisplay);
    XDestroyWindow(xDisplay, inner.window);
    XFreeColormap(xDisplay, inner.colormap);
    XSync(xDisplay, False);
}

}  // namespace

EglContext::EglContext(std::shared_ptr<EglDisplay> owner, EGLConfig chosen)
    : display(std::move(owner)), config(chosen) {}

EglContext::~EglContext() {
    EGLDisplay handle = display->Handle();
    if (currentContext == this) {
        eglMakeCurrent(handle, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        currentContext = nullptr;
    }
    if (surface != EGL_NO_SURFACE) {
        eglDestroySurface(handle, surface);
    }
    if (context != EGL_NO_CONTEXT) {
        eglDestroyContext(handle, context);
    }
    if (outerWindow != 0) {
        DestroyInnerWindow(static_cast<Display*>(nativeDisplay), {nativeWindow, innerColormap});
    }
}

bool EglContext::CreateContext() {
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    context = eglCreateContext(display->Handle(), config, EGL_NO_CONTEXT, attributes);
    return context != EGL_NO_CONTEXT && MakeCurrent();
}

std::unique_ptr<EglContext> EglContext::CreateOffscreen(DeviceType type) {
    auto display = OffscreenDisplay(type);
    if (!display || !display->Supports("EGL_KHR_surfaceless_context")) {
        return nullptr;
    }
    auto configs = ChooseConfigs(display->Handle(), 0, type, 8);
    if (configs.empty()) {
        return nullptr;
    }
    std::unique_ptr<EglContext> result(new EglContext(display, configs.front()));
    return result->CreateContext() ? std::move(result) : nullptr;
}

std::unique_ptr<EglContext> EglContext::CreateOnWindow(void* x11Display, unsigned long window, DeviceType type) {
    if (x11Display == nullptr || window == 0 || !HasClientExtension("EGL_KHR_platform_x11")) {
        return nullptr;
    }
    auto* xDisplay = static_cast<Display*>(x11Display);
    if (type == DeviceType::kReference) {
        xDisplay = SoftwareConnection(xDisplay);
    }
    XWindowAttributes windowAttributes{};
    if (xDisplay == nullptr || XGetWindowAttributes(xDisplay, window, &windowAttributes) == 0) {
        return nullptr;
    }
    auto display = EglDisplay::Acquire(eglGetPlatformDisplayEXT(EGL_PLATFORM_X11_KHR, xDisplay, nullptr),
                                       type == DeviceType::kReference);
    if (!display) {
        return nullptr;
    }
    // The surface must suit the window's own visual, or the server refuses it.
    const VisualID visual = XVisualIDFromVisual(windowAttributes.visual);
    for (EGLConfig config : ConfigsForVisual(display->Handle(), xDisplay, visual, type)) {
        if (auto result = CreateOnWindowWith(display, config, xDisplay, window)) {
            return result;
        }
    }
    // No configuration suits the window's visual at all (a 15-bit screen, for which EGL offers
    // none): the picture goes on a window of ours inside it, of a visual that has one.
    for (EGLConfig config : ChooseConfigs(display->Handle(), EGL_WINDOW_BIT, type, 8)) {
        const InnerWindow inner = CreateInnerWindow(display->Handle(), config, xDisplay, window, windowAttributes);
        if (inner.window == 0) {
            continue;
        }
        if (auto result = CreateOnWindowWith(display, config, xDisplay, inner.window)) {
            result->outerWindow = window;
            result->innerColormap = inner.colormap;
            result->innerWidth = static_cast<unsigned>(windowAttributes.width);
            result->innerHeight = static_cast<unsigned>(windowAttributes.height);
            return result;
        }
        DestroyInnerWindow(xDisplay, inner);
    }
    return nullptr;
}

std::unique_ptr<EglContext> EglContext::CreateOnWindowWith(std::shared_ptr<EglDisplay> display, EGLConfig config,
                                                           void* x11Display, unsigned long window) {
    auto* xDisplay = static_cast<Display*>(x11Display);
    std::unique_ptr<EglContext> result(new EglContext(display, config));
    Window nativeWindow = window;
    result->surface = eglCreatePlatformWindowSurfaceEXT(display->Handle(), config, &nativeWindow, nullptr);
    if (result->surface == EGL_NO_SURFACE || !result->CreateContext()) {
        return nullptr;
    }
    result->refreshHz = ScreenRefreshRate(xDisplay, window);
    result->nativeDisplay = xDisplay;
    result->nativeWindow = window;
    return result;
}

std::unique_ptr<EglContext> EglContext::CreateOnWaylandWindow(void* waylandDisplay, unsigned long eglWindow,
                                                               DeviceType type) {
    if (waylandDisplay == nullptr || eglWindow == 0 ||
        (!HasClientExtension("EGL_KHR_platform_wayland") && !HasClientExtension("EGL_EXT_platform_wayland"))) {
        return nullptr;
    }
    auto display = EglDisplay::Acquire(eglGetPlatformDisplayEXT(EGL_PLATFORM_WAYLAND_KHR, waylandDisplay, nullptr),
                                       type == DeviceType::kReference);
    if (!display) {
        return nullptr;
    }
    // Without alpha first: the compositor would blend a buffer that has it with what lies below.
    auto configs = ChooseConfigs(display->Handle(), EGL_WINDOW_BIT, type, 8);
    std::stable_partition(configs.begin(), configs.end(), [&](EGLConfig config) {
        EGLint alpha = 0;
        eglGetConfigAttrib(display->Handle(), config, EGL_ALPHA_SIZE, &alpha);
        return alpha == 0;
    });
    for (EGLConfig config : configs) {
        std::unique_ptr<EglContext> result(new EglContext(display, config));
        result->surface = eglCreatePlatformWindowSurfaceEXT(display->Handle(), config,
                                                            reinterpret_cast<void*>(eglWindow), nullptr);
        if (result->surface != EGL_NO_SURFACE && result->CreateContext()) {
            result->pacedByCompositor = true;
            return result;
        }
    }
    return nullptr;
}

bool EglContext::MakeCurrent() {
    if (currentContext == this) {
        return true;
    }
    if (eglMakeCurrent(display->Handle(), surface, surface, context) != EGL_TRUE) {
        return false;
    }
    currentContext = this;
    return true;
}

bool EglContext::WaitForRetrace() {
    return surface != EGL_NO_SURFACE && MakeCurrent() && eglSwapInterval(display->Handle(), 1) == EGL_TRUE;
}

bool EglContext::SwapWithoutWaiting() {
    return surface != EGL_NO_SURFACE && MakeCurrent() && eglSwapInterval(display->Handle(), 0) == EGL_TRUE;
}

bool EglContext::SwapBuffers() { return surface != EGL_NO_SURFACE && eglSwapBuffers(display->Handle(), surface); }

bool EglContext::SurfaceSize(unsigned& width, unsigned& height) const {
    if (outerWindow != 0) {
        return FollowOuterWindow(width, height);
    }
    EGLint w = 0, h = 0;
    if (surface == EGL_NO_SURFACE || !eglQuerySurface(display->Handle(), surface, EGL_WIDTH, &w) ||
        !eglQuerySurface(display->Handle(), surface, EGL_HEIGHT, &h)) {
        return false;
    }
    width = static_cast<unsigned>(w);
    height = static_cast<unsigned>(h);
    return true;
}

// The inner window covers the window it was made for, whatever that window's size now: the
// program resizes only its own window.
bool EglContext::FollowOuterWindow(unsigned& width, unsigned& height) const {
    auto* xDisplay = static_cast<Display*>(nativeDisplay);
    XErrorTrap trap(xDisplay);
    Window root = 0;
    int x = 0, y = 0;
    unsigned outerWidth = 0, outerHeight = 0, border = 0, depth = 0;
    if (!XGetGeometry(xDisplay, outerWindow, &root, &x, &y, &outerWidth, &outerHeight, &border, &depth)) {
        return false;  // gone: the program ends
    }
    if (outerWidth != innerWidth || outerHeight != innerHeight) {
        XResizeWindow(xDisplay, nativeWindow, outerWidth, outerHeight);
        XSync(xDisplay, False);  // a window gone meanwhile is caught here, not by the program
        innerWidth = outerWidth;
        innerHeight = outerHeight;
    }
    width = outerWidth;
    height = outerHeight;
    return true;
}

}  // namespace scene::gl
