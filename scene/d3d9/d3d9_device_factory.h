#pragma once
// Making the Direct3D 9 device on a window, without any Windows or Direct3D type in sight. The
// offscreen device of scene/device_factory.h (CreateOffscreenDevice) is made here too on
// Windows: the same device on a hidden window of its own.

#include <memory>

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

// The Direct3D object, the current display mode, the presentation parameters and then the
// three tries (hardware vertex processing, software vertex processing, the reference device).
// Nothing, without any message, when one of them fails; `created` receives the try that worked.
std::unique_ptr<RenderDevice> CreateD3d9Device(const D3d9Target& target, DeviceType* created = nullptr);

}  // namespace scene
