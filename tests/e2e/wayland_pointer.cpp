// A pointer for the Wayland end-to-end tests: a virtual pointer device on the compositor's
// seat, driven by lines on stdin, each answered with "ok" once the compositor has it:
//   to X Y WIDTH HEIGHT   moves to X, Y of an output WIDTH x HEIGHT
//   by DX DY              moves by DX, DY pixels
// The device lives until stdin ends.

#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;

void Global(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener kRegistryListener{Global, GlobalRemove};

std::uint32_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return std::fprintf(stderr, "wayland_pointer: no compositor\n"), 1;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) return std::fprintf(stderr, "wayland_pointer: the compositor has no virtual pointers\n"), 1;
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        double a = 0, b = 0;
        unsigned x = 0, y = 0, width = 0, height = 0;
        if (std::sscanf(line, "to %u %u %u %u", &x, &y, &width, &height) == 4) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, NowMs(), x, y, width, height);
        } else if (std::sscanf(line, "by %lf %lf", &a, &b) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, NowMs(), wl_fixed_from_double(a), wl_fixed_from_double(b));
        } else {
            return std::fprintf(stderr, "wayland_pointer: cannot read '%s'\n", line), 1;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) return std::fprintf(stderr, "wayland_pointer: connection lost\n"), 1;
        std::printf("ok\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
