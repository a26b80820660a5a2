// The OpenGL side of scene/device_factory.h.

#include "scene/device_factory.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_device.h"

namespace scene {

std::unique_ptr<RenderDevice> CreateOffscreenDevice(unsigned width, unsigned height, DeviceType type) {
    auto renderer = gl::GlRenderer::Create(gl::EglContext::CreateOffscreen(type), width, height);
    return renderer ? std::make_unique<gl::GlDevice>(std::move(renderer)) : nullptr;
}

std::unique_ptr<RenderDevice> CreateWindowDevice(const WindowTarget& target, DeviceType type) {
    auto context = gl::EglContext::CreateOnWindow(target.display, target.window, type);
    unsigned width = target.width, height = target.height;
    if (!context || ((width == 0 || height == 0) && !context->SurfaceSize(width, height))) {
        return nullptr;
    }
    auto renderer = gl::GlRenderer::Create(std::move(context), width, height);
    return renderer ? std::make_unique<gl::GlDevice>(std::move(renderer)) : nullptr;
}

}  // namespace scene
