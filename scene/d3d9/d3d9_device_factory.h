#pragma once
// The Direct3D 9 back end's target, without any Windows or Direct3D type in sight. The devices
// of scene/device_factory.h are made here on Windows, one try of the type asked for each: the
// window device on the saver's window, the offscreen device on a hidden window of its own.
// CreateDeviceWithFallback goes through the three types in order.

#include "scene/device_factory.h"

namespace scene {

// `window` is the HWND of the focus window. `width` x `height` is the back buffer's size: 0 x 0
// windowed (the device takes the client area), the full-screen size otherwise; an offscreen
// device gives its own size.
struct D3d9Target {
    void* window = nullptr;
    bool windowed = true;
    unsigned width = 0, height = 0;
};

}  // namespace scene
