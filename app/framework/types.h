#pragma once
// The small value types and constants of the application framework layer, by the names the
// saver's code knows them by. Window handles are plain integers (the display's window ids),
// so code above this layer never sees a display header.

#include <cstdint>

namespace framework {

using WindowHandle = std::uintptr_t;

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool operator==(const Rect&) const = default;
};

// Window styles.
inline constexpr unsigned WS_OVERLAPPED = 0x00000000;
inline constexpr unsigned WS_POPUP = 0x80000000;
inline constexpr unsigned WS_CHILD = 0x40000000;
inline constexpr unsigned WS_VISIBLE = 0x10000000;
inline constexpr unsigned WS_DISABLED = 0x08000000;  // takes no keyboard or pointer input
inline constexpr unsigned WS_CAPTION = 0x00C00000;
inline constexpr unsigned WS_SYSMENU = 0x00080000;
inline constexpr unsigned WS_THICKFRAME = 0x00040000;

// Extended window styles.
inline constexpr unsigned WS_EX_TOPMOST = 0x00000008;
inline constexpr unsigned WS_EX_TOOLWINDOW = 0x00000080;  // kept off the task bar
inline constexpr unsigned WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr unsigned WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr unsigned WS_EX_NOACTIVATE = 0x08000000;  // showing it takes no focus

// Window class styles.
inline constexpr unsigned CS_VREDRAW = 0x0001;
inline constexpr unsigned CS_HREDRAW = 0x0002;
inline constexpr unsigned CS_DBLCLKS = 0x0008;
inline constexpr unsigned CS_SAVEBITS = 0x0800;

// System metrics.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CXEDGE = 45;
inline constexpr int SM_CYEDGE = 46;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNOACTIVATE = 4;  // shown on top, the focus stays where it is

// Messages that can be posted to a window.
inline constexpr unsigned WM_CLOSE = 0x0010;

// Mouse-move flags: which buttons and modifier keys were down.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

// Key-down flags: set when the key was already down (an auto-repeat).
inline constexpr unsigned KF_REPEAT = 0x4000;

}  // namespace framework
