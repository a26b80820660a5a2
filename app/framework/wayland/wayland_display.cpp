#include "app/framework/wayland/wayland_display.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-egl.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace framework::wayland {

struct Display::Globals {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    wl_output* output = nullptr;  // the first one: its size is the screen's
    xkb_context* xkb = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;
    std::vector<Surface*> surfaces;
    Surface* keyboardFocus = nullptr;
    Surface* pointerFocus = nullptr;
    std::uint32_t pointerSerial = 0;
};

struct Surface::Objects {
    wl_surface* surface = nullptr;
    xdg_surface* xdg = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    int pendingWidth = 0, pendingHeight = 0;  // from the role's configure, applied with it
};

namespace {

constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kSeatVersion = 5;
constexpr std::uint32_t kOutputVersion = 2;
constexpr std::uint32_t kLayerShellVersion = 3;
constexpr std::uint32_t kEvdevToXkb = 8;  // xkb key codes are evdev's plus 8

Surface* SurfaceOf(wl_surface* surface) {
    return surface ? static_cast<Surface*>(wl_surface_get_user_data(surface)) : nullptr;
}

bool IsSystemKey(xkb_keysym_t symbol, bool alt) {
    return alt || symbol == XKB_KEY_Alt_L || symbol == XKB_KEY_Alt_R || symbol == XKB_KEY_Meta_L ||
           symbol == XKB_KEY_Meta_R || symbol == XKB_KEY_F10;
}

}  // namespace

// The listeners of every object, with access to the display's and the surfaces' insides.
struct Listeners {
    static Display& Of(void* data) { return *static_cast<Display*>(data); }
    static Display::Globals& G(void* data) { return *Of(data).globals; }

    static void Queue(Display& display, Surface* surface, SurfaceEvent event) {
        if (!surface) return;
        event.surface = surface->Id();
        display.events.push_back(event);
    }

    // Registry.
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        Display::Globals& g = G(data);
        const std::string_view kind(interface);
        if (kind == wl_compositor_interface.name && !g.compositor) {
            g.compositor = static_cast<wl_compositor*>(
                wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, kCompositorVersion)));
        } else if (kind == xdg_wm_base_interface.name && !g.wmBase) {
            g.wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
            xdg_wm_base_add_listener(g.wmBase, &wmBaseListener, data);
        } else if (kind == zwlr_layer_shell_v1_interface.name && !g.layerShell) {
            g.layerShell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
                registry, name, &zwlr_layer_shell_v1_interface, std::min(version, kLayerShellVersion)));
        } else if (kind == wl_seat_interface.name && !g.seat) {
            g.seat = static_cast<wl_seat*>(
                wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, kSeatVersion)));
            wl_seat_add_listener(g.seat, &seatListener, data);
        } else if (kind == wl_output_interface.name && !g.output && version >= kOutputVersion) {
            g.output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, kOutputVersion));
            wl_output_add_listener(g.output, &outputListener, data);
        }
    }
    static void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
    static constexpr wl_registry_listener registryListener{Global, GlobalRemove};

    static void Ping(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }
    static constexpr xdg_wm_base_listener wmBaseListener{Ping};

    // Output: its current mode is the screen's size.
    static void OutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                           std::int32_t) {
        if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
        Of(data).screenWidth = width;
        Of(data).screenHeight = height;
    }
    static void OutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t, const char*, const char*, std::int32_t) {}
    static void OutputDone(void*, wl_output*) {}
    static void OutputScale(void*, wl_output*, std::int32_t) {}
    static constexpr wl_output_listener outputListener{OutputGeometry, OutputMode, OutputDone, OutputScale, nullptr,
                                                       nullptr};

    // Seat: the keyboard and the pointer come and go with the devices behind them.
    static void Capabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
        Display::Globals& g = G(data);
        const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
        const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
        if (keyboard && !g.keyboard) {
            g.keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(g.keyboard, &keyboardListener, data);
        } else if (!keyboard && g.keyboard) {
            wl_keyboard_destroy(g.keyboard);
            g.keyboard = nullptr;
            g.keyboardFocus = nullptr;
        }
        if (pointer && !g.pointer) {
            g.pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(g.pointer, &pointerListener, data);
        } else if (!pointer && g.pointer) {
            wl_pointer_destroy(g.pointer);
            g.pointer = nullptr;
            g.pointerFocus = nullptr;
        }
    }
    static void SeatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener seatListener{Capabilities, SeatName};

    // Keyboard.
    static void Keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
        Display::Globals& g = G(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                const char* source = static_cast<const char*>(text);
                xkb_keymap* keymap = xkb_keymap_new_from_buffer(g.xkb, source, strnlen(source, size),
                                                                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
                munmap(text, size);
                if (keymap) {
                    xkb_state_unref(g.keyState);
                    xkb_keymap_unref(g.keymap);
                    g.keymap = keymap;
                    g.keyState = xkb_state_new(keymap);
                }
            }
        }
        close(fd);
    }
    static void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
        G(data).keyboardFocus = SurfaceOf(surface);
    }
    static void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) { G(data).keyboardFocus = nullptr; }
    static void Key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
        Display::Globals& g = G(data);
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
        SurfaceEvent event;
        event.kind = SurfaceEvent::Kind::kKey;
        bool alt = false;
        if (g.keyState) {
            event.keysym = xkb_state_key_get_one_sym(g.keyState, key + kEvdevToXkb);
            alt = xkb_state_mod_name_is_active(g.keyState, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
        }
        event.systemKey = IsSystemKey(event.keysym, alt);
        // Keys reach the focused surface; one that came before the focus did is ours all the same.
        Surface* target = g.keyboardFocus ? g.keyboardFocus : (g.surfaces.empty() ? nullptr : g.surfaces.front());
        Queue(Of(data), target, event);
    }
    static void Modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                          std::uint32_t locked, std::uint32_t group) {
        if (xkb_state* state = G(data).keyState) xkb_state_update_mask(state, depressed, latched, locked, 0, 0, group);
    }
    static void RepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
    static constexpr wl_keyboard_listener keyboardListener{Keymap, KeyboardEnter, KeyboardLeave, Key, Modifiers, RepeatInfo};

    // Pointer: positions on the surface under it, rounded to whole pixels.
    static void PointerAt(Display& display, Surface* surface, wl_fixed_t x, wl_fixed_t y) {
        SurfaceEvent event;
        event.kind = SurfaceEvent::Kind::kPointer;
        event.x = static_cast<int>(std::lround(wl_fixed_to_double(x)));
        event.y = static_cast<int>(std::lround(wl_fixed_to_double(y)));
        Queue(display, surface, event);
    }
    static void PointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                             wl_fixed_t y) {
        Display::Globals& g = G(data);
        g.pointerFocus = SurfaceOf(surface);
        g.pointerSerial = serial;
        if (g.pointerFocus && g.pointerFocus->pointerHidden) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
        PointerAt(Of(data), g.pointerFocus, x, y);
    }
    static void PointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) { G(data).pointerFocus = nullptr; }
    static void PointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        PointerAt(Of(data), G(data).pointerFocus, x, y);
    }
    static void Button(void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
    static void Axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    static void Frame(void*, wl_pointer*) {}
    static void AxisSource(void*, wl_pointer*, std::uint32_t) {}
    static void AxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
    static void AxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
    static constexpr wl_pointer_listener pointerListener{PointerEnter, PointerLeave, PointerMotion, Button, Axis,
                                                         Frame,        AxisSource,   AxisStop,      AxisDiscrete, nullptr};

    // Surfaces: a configure is acknowledged at once; its size applies to full-screen surfaces.
    static void Configured(Surface& surface, int width, int height) {
        if (!surface.fixedSize && width > 0 && height > 0) {
            if (surface.eglWindow && (width != surface.width || height != surface.height)) {
                wl_egl_window_resize(static_cast<wl_egl_window*>(surface.eglWindow), width, height, 0, 0);
            }
            surface.width = width;
            surface.height = height;
        }
        surface.configured = true;
    }
    static void XdgConfigure(void* data, xdg_surface* xdg, std::uint32_t serial) {
        auto& surface = *static_cast<Surface*>(data);
        xdg_surface_ack_configure(xdg, serial);
        Configured(surface, surface.objects->pendingWidth, surface.objects->pendingHeight);
    }
    static constexpr xdg_surface_listener xdgSurfaceListener{XdgConfigure};

    static void ToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
        auto& surface = *static_cast<Surface*>(data);
        surface.objects->pendingWidth = width;
        surface.objects->pendingHeight = height;
    }
    static void ToplevelClose(void* data, xdg_toplevel*) {
        auto& surface = *static_cast<Surface*>(data);
        SurfaceEvent event;
        event.kind = SurfaceEvent::Kind::kCloseRequest;
        Queue(surface.display, &surface, event);
    }
    static constexpr xdg_toplevel_listener toplevelListener{ToplevelConfigure, ToplevelClose, nullptr, nullptr};

    static void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                               std::uint32_t height) {
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        Configured(*static_cast<Surface*>(data), static_cast<int>(width), static_cast<int>(height));
    }
    static void LayerClosed(void* data, zwlr_layer_surface_v1*) {
        auto& surface = *static_cast<Surface*>(data);
        SurfaceEvent event;
        event.kind = SurfaceEvent::Kind::kClosed;
        Queue(surface.display, &surface, event);
    }
    static constexpr zwlr_layer_surface_v1_listener layerListener{LayerConfigure, LayerClosed};

    static void FrameDone(void* data, wl_callback* callback, std::uint32_t) {
        wl_callback_destroy(callback);
        static_cast<Surface*>(data)->frameCallback = nullptr;
    }
    static constexpr wl_callback_listener frameListener{FrameDone};
};

bool Display::Chosen() {
    static const bool chosen = [] {
        const char* asked = std::getenv("VANTARO_WAYLAND");
        if (asked && std::strcmp(asked, "1") == 0) return true;
        const char* x11 = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        return (!x11 || !*x11) && wayland && *wayland;
    }();
    return chosen;
}

Display* Display::Get() {
    static std::unique_ptr<Display> instance;
    if (!instance && Chosen()) {
        if (wl_display* connection = wl_display_connect(nullptr)) {
            instance.reset(new Display(connection));
            const Globals& g = *instance->globals;
            if (instance->lost || !g.compositor || !g.wmBase || !g.xkb) instance.reset();  // nothing to show windows with
        }
    }
    return instance.get();
}

Display::Display(void* connection) : globals(std::make_unique<Globals>()) {
    Globals& g = *globals;
    g.display = static_cast<wl_display*>(connection);
    g.xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    g.registry = wl_display_get_registry(g.display);
    wl_registry_add_listener(g.registry, &Listeners::registryListener, this);
    // The globals, then what the bound ones tell at once (the output's mode).
    for (int i = 0; i < 2; ++i) {
        if (wl_display_roundtrip(g.display) < 0) lost = true;
    }
}

Display::~Display() {
    Globals& g = *globals;
    if (g.keyboard) wl_keyboard_destroy(g.keyboard);
    if (g.pointer) wl_pointer_destroy(g.pointer);
    if (g.seat) wl_seat_destroy(g.seat);
    if (g.output) wl_output_destroy(g.output);
    if (g.layerShell) zwlr_layer_shell_v1_destroy(g.layerShell);
    if (g.wmBase) xdg_wm_base_destroy(g.wmBase);
    if (g.compositor) wl_compositor_destroy(g.compositor);
    wl_registry_destroy(g.registry);
    xkb_state_unref(g.keyState);
    xkb_keymap_unref(g.keymap);
    xkb_context_unref(g.xkb);
    wl_display_disconnect(g.display);
}

void* Display::Native() const { return globals->display; }

std::unique_ptr<Surface> Display::CreateSurface(SurfaceKind kind, int width, int height, const std::string& title,
                                                const std::string& appId) {
    Globals& g = *globals;
    std::unique_ptr<Surface> result(new Surface(*this));
    Surface& s = *result;
    s.objects = std::make_unique<Surface::Objects>();
    Surface::Objects& o = *s.objects;
    o.surface = wl_compositor_create_surface(g.compositor);
    wl_surface_set_user_data(o.surface, &s);
    s.width = width;
    s.height = height;
    s.fixedSize = kind == SurfaceKind::kWindow;
    if (kind == SurfaceKind::kFullScreen && g.layerShell) {
        // Above panels and every window, over the whole output, with the keyboard to itself.
        o.layer = zwlr_layer_shell_v1_get_layer_surface(g.layerShell, o.surface, nullptr,
                                                        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, appId.c_str());
        zwlr_layer_surface_v1_add_listener(o.layer, &Listeners::layerListener, &s);
        zwlr_layer_surface_v1_set_anchor(o.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(o.layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(o.layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(o.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    } else {
        o.xdg = xdg_wm_base_get_xdg_surface(g.wmBase, o.surface);
        xdg_surface_add_listener(o.xdg, &Listeners::xdgSurfaceListener, &s);
        o.toplevel = xdg_surface_get_toplevel(o.xdg);
        xdg_toplevel_add_listener(o.toplevel, &Listeners::toplevelListener, &s);
        xdg_toplevel_set_title(o.toplevel, title.c_str());
        xdg_toplevel_set_app_id(o.toplevel, appId.c_str());
        if (s.fixedSize) {
            // A window of one size, which tiling compositors float at that size.
            xdg_toplevel_set_min_size(o.toplevel, width, height);
            xdg_toplevel_set_max_size(o.toplevel, width, height);
        } else {
            xdg_toplevel_set_fullscreen(o.toplevel, nullptr);
        }
    }
    g.surfaces.push_back(&s);
    wl_surface_commit(o.surface);
    while (!s.configured && !lost) {
        if (wl_display_dispatch(g.display) < 0) lost = true;
    }
    if (!s.fixedSize && (s.width <= 0 || s.height <= 0) && screenWidth > 0 && screenHeight > 0) {
        s.width = screenWidth;
        s.height = screenHeight;
    }
    if (lost || s.width <= 0 || s.height <= 0) return nullptr;
    s.eglWindow = wl_egl_window_create(o.surface, s.width, s.height);
    return s.eglWindow ? std::move(result) : nullptr;
}

void Display::Forget(Surface* surface) {
    Globals& g = *globals;
    std::erase(g.surfaces, surface);
    if (g.keyboardFocus == surface) g.keyboardFocus = nullptr;
    if (g.pointerFocus == surface) g.pointerFocus = nullptr;
    const std::uintptr_t id = surface->Id();
    if (id != 0) std::erase_if(events, [id](const SurfaceEvent& event) { return event.surface == id; });
}

Surface::Surface(Display& owner) : display(owner) {}

Surface::~Surface() {
    display.Forget(this);
    if (frameCallback) wl_callback_destroy(static_cast<wl_callback*>(frameCallback));
    if (eglWindow) wl_egl_window_destroy(static_cast<wl_egl_window*>(eglWindow));
    if (objects->layer) zwlr_layer_surface_v1_destroy(objects->layer);
    if (objects->toplevel) xdg_toplevel_destroy(objects->toplevel);
    if (objects->xdg) xdg_surface_destroy(objects->xdg);
    wl_surface_destroy(objects->surface);
    wl_display_flush(display.globals->display);
}

void Surface::RequestFrame() {
    if (frameCallback) return;
    wl_callback* callback = wl_surface_frame(objects->surface);
    wl_callback_add_listener(callback, &Listeners::frameListener, this);
    frameCallback = callback;
}

void Surface::HidePointer(bool hide) {
    if (hide == pointerHidden) return;
    pointerHidden = hide;
    const Display::Globals& g = *display.globals;
    if (hide && g.pointer && g.pointerFocus == this) wl_pointer_set_cursor(g.pointer, g.pointerSerial, nullptr, 0, 0);
}

bool Display::Dispatch(bool wait, int wakeFd) {
    wl_display* d = globals->display;
    if (lost) return false;
    while (wl_display_prepare_read(d) != 0) {
        if (wl_display_dispatch_pending(d) < 0) {
            lost = true;
            return false;
        }
    }
    if (wl_display_flush(d) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(d);
        lost = true;
        return false;
    }
    pollfd fds[2] = {{wl_display_get_fd(d), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int ready = poll(fds, wakeFd >= 0 ? 2 : 1, wait && events.empty() ? -1 : 0);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        if (wl_display_read_events(d) < 0) lost = true;
    } else {
        wl_display_cancel_read(d);
    }
    if (!lost && wl_display_dispatch_pending(d) < 0) lost = true;
    return !lost;
}

bool Display::Pending() {
    Dispatch(false, -1);
    return !events.empty() || lost;
}

bool Display::Wait(int wakeFd) { return Dispatch(true, wakeFd); }

bool Display::WaitingForFrame() const {
    return std::any_of(globals->surfaces.begin(), globals->surfaces.end(),
                       [](const Surface* surface) { return surface->WaitingForFrame(); });
}

bool Display::Next(SurfaceEvent& event) {
    if (events.empty()) return false;
    event = events.front();
    events.pop_front();
    return true;
}

bool ClaimInstanceLock(const std::string& name) {
    static std::map<std::string, int> held;
    if (held.count(name)) return true;
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder) return true;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    std::string displayName = display && *display ? display : "wayland-0";
    std::replace(displayName.begin(), displayName.end(), '/', '_');  // a socket given by its path
    const std::string path = std::string(folder) + "/" + name + "." + displayName + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldByAnother = errno == EWOULDBLOCK;
        close(fd);
        return !heldByAnother;
    }
    held[name] = fd;
    return true;
}

}  // namespace framework::wayland
