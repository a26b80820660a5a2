// The OpenGL side of scene/device_factory.h.

#include <epoxy/gl.h>

#include <algorithm>

#include "scene/device_factory.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_device.h"

namespace scene {
namespace {

// Whether the context (current on this thread) can have a back buffer of that size: every
// side within its largest renderbuffer and its largest viewport. When not, `largestSide`
// receives the largest side it can.
bool FitsTheDevice(unsigned width, unsigned height, unsigned* largestSide) {
    GLint renderbuffer = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const GLint largest = std::min({renderbuffer, viewport[0], viewport[1]});
    if (largest <= 0 || (width <= static_cast<unsigned>(largest) && height <= static_cast<unsigned>(largest))) {
        return true;
    }
    if (largestSide) *largestSide = static_cast<unsigned>(largest);
    return false;
}

}  // namespace

std::unique_ptr<RenderDevice> CreateOffscreenDevice(unsigned width, unsigned height, DeviceType type,
                                                    unsigned* largestSide) {
    auto context = gl::EglContext::CreateOffscreen(type);
    if (!context || !FitsTheDevice(width, height, largestSide)) {
        return nullptr;
    }
    auto renderer = gl::GlRenderer::Create(std::move(context), width, height);
    return renderer ? std::make_unique<gl::GlDevice>(std::move(renderer)) : nullptr;
}

std::unique_ptr<RenderDevice> CreateWindowDevice(const WindowTarget& target, DeviceType type, unsigned* largestSide) {
    auto context = target.wayland ? gl::EglContext::CreateOnWaylandWindow(target.display, target.window, type)
                                  : gl::EglContext::CreateOnWindow(target.display, target.window, type);
    unsigned width = target.width, height = target.height;
    if (!context || ((width == 0 || height == 0) && !context->SurfaceSize(width, height)) ||
        !FitsTheDevice(width, height, largestSide)) {
        return nullptr;
    }
    auto renderer = gl::GlRenderer::Create(std::move(context), width, height);
    return renderer ? std::make_unique<gl::GlDevice>(std::move(renderer)) : nullptr;
}

}  // namespace scene
