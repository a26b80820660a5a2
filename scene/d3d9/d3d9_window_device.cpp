// The saver's window device on Windows: one try of the type asked for, on the saver's window.
// A target with a size is the full-screen saver, which takes the display at that size; without
// one the device draws into the window at its client size.

#include <cstdint>

#include "scene/d3d9/d3d9_creation.h"

namespace scene {

std::unique_ptr<RenderDevice> CreateWindowDevice(const WindowTarget& target, DeviceType type, unsigned* /*largestSide*/) {
    const bool fullScreen = target.width != 0 && target.height != 0;
    const D3d9Target window{reinterpret_cast<void*>(static_cast<std::uintptr_t>(target.window)), !fullScreen,
                            fullScreen ? target.width : 0, fullScreen ? target.height : 0};
    return d3d9::CreateDevice(window, type, d3d9::CallCreateDevice);
}

}  // namespace scene
