#pragma once
// Making a device, on the saver's window or offscreen, without any window-system or graphics
// API type in sight. The saver's window and the offscreen renderer both start here. Each build
// has one back end behind these functions: OpenGL 3.3 through EGL (scene/gl/) on Linux, on an
// X11 window, a Wayland surface or surfaceless offscreen; Direct3D 9 (scene/d3d9/) on Windows,
// on the saver's window or a hidden one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gfx/image.h"
#include "scene/device.h"

namespace scene {

// The three kinds of device that the saver tries in turn: Direct3D's hardware device with
// hardware, then software vertex processing, then its reference rasteriser; on OpenGL the
// system's driver in accelerated configurations, then in any, then Mesa's software rasteriser.
enum class DeviceType {
    kHardware,
    kSoftwareVertexProcessing,
    kReference,
};

struct DeviceStats {
    std::uint64_t drawCalls = 0;  // draws issued to the graphics API
    std::uint64_t instances = 0;  // copies of geometry those draws drew
};

// What the back buffer keeps of each colour channel while a frame is drawn. A software
// rasteriser blends into 8 bits with truncation, so hundreds of nearly transparent old smoke
// puffs over one another drift each channel one way into pink, green and purple bands; half
// floats keep them a faint, colourless haze. Full floats are the reference the tests compare with.
enum class ColourPrecision { kEightBit, kHalfFloat, kFloat };
inline constexpr ColourPrecision kDrawingPrecision = ColourPrecision::kHalfFloat;

// A device that draws into a back buffer of its own, which can be read back.
class RenderDevice : public Device {
public:
    // The back buffer as RGBA rows from the top (alpha 255); kFail when it cannot be read.
    virtual HResult ReadBackBuffer(gfx::Image& image) = 0;
    // On by default: runs of draws that differ only in world transform and material are
    // drawn as one instanced draw. Off, every draw is issued as it comes.
    virtual void SetBatching(bool enable) = 0;
    // Draws from now on into a back buffer of this precision (kDrawingPrecision at first); what
    // the back buffer held is lost. False when the driver cannot draw into it.
    virtual bool SetColourPrecision(ColourPrecision precision) = 0;
    // Waits until everything drawn so far is in the back buffer, for timing.
    virtual void Finish() = 0;
    virtual DeviceStats Stats() const = 0;
    virtual void ResetStats() = 0;
    virtual std::string RendererName() const = 0;  // as the driver names itself
};

// A back buffer of `width` x `height` pixels that no window shows (on Linux without any X
// server; on Windows through a hidden window of its own). A size
// beyond what the device can make (its largest renderbuffer or viewport side) is refused:
// nothing is made, and `largestSide`, when given, receives that largest side.
std::unique_ptr<RenderDevice> CreateOffscreenDevice(unsigned width, unsigned height, DeviceType type,
                                                    unsigned* largestSide = nullptr);

// An X11 window (`display` is the Display*, `window` the Window id), or with `wayland` a
// Wayland surface (`display` is the wl_display*, `window` the surface's wl_egl_window*); on
// Windows `window` is the HWND and `display` unused. The back buffer is `width` x `height`, or
// the window's size when either is 0; Present scales it to the window (on Windows a size is
// the full-screen saver, which takes the display at that size).
struct WindowTarget {
    void* display = nullptr;
    unsigned long window = 0;
    unsigned width = 0, height = 0;
    bool wayland = false;
};
// A back buffer beyond the device's largest side is refused as offscreen.
std::unique_ptr<RenderDevice> CreateWindowDevice(const WindowTarget& target, DeviceType type,
                                                 unsigned* largestSide = nullptr);

// Tries hardware, then software vertex processing, then the reference device; nothing when all
// three fail. `created` receives the type that succeeded.
using DeviceCreator = std::function<std::unique_ptr<RenderDevice>(DeviceType)>;
std::unique_ptr<RenderDevice> CreateDeviceWithFallback(const DeviceCreator& create, DeviceType* created = nullptr);

}  // namespace scene
