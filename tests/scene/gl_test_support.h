#pragma once
// Drawing helpers for the tests that read pixels back from the offscreen OpenGL device.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "gfx/image.h"
#include "scene/device_factory.h"

namespace scene::testing {

struct Vertex {
    float x, y, z;
    float nx = 0, ny = 0, nz = -1;
    float u = 0, v = 0;
};
inline constexpr std::uint32_t kVertexFvf = kFvfXyz | kFvfNormal | kFvfTex1;

struct Rgb {
    int r, g, b;
};

inline std::unique_ptr<RenderDevice> MakeOffscreen(unsigned width = 64, unsigned height = 64) {
    return CreateOffscreenDevice(width, height, DeviceType::kHardware);
}

// A vertex buffer holding `vertices`, set as stream 0 with the matching format.
inline std::unique_ptr<VertexBuffer> UploadVertices(Device& device, const std::vector<Vertex>& vertices) {
    std::unique_ptr<VertexBuffer> buffer;
    auto length = static_cast<std::uint32_t>(vertices.size() * sizeof(Vertex));
    if (Failed(device.CreateVertexBuffer(length, kUsageWriteOnly, kVertexFvf, Pool::kManaged, buffer))) {
        return nullptr;
    }
    auto memory = buffer->Lock();
    std::memcpy(memory.data(), vertices.data(), length);
    buffer->Unlock();
    device.SetStreamSource(0, buffer.get(), 0, sizeof(Vertex));
    device.SetFVF(kVertexFvf);
    return buffer;
}

// A quad as a clockwise strip from (x0, y0) to (x1, y1) in clip space at depth z, with texture
// coordinates 0 to 1 from the top left.
inline std::vector<Vertex> Quad(float x0, float y0, float x1, float y1, float z) {
    return {{x0, y1, z, 0, 0, -1, 0, 0}, {x1, y1, z, 0, 0, -1, 1, 0}, {x0, y0, z, 0, 0, -1, 0, 1},
            {x1, y0, z, 0, 0, -1, 1, 1}};
}

// Lit to exactly `rgb` with alpha `alpha`, whatever the lights: all colour is emissive.
inline Material FlatMaterial(float r, float g, float b, float alpha = 1) {
    Material material;
    material.emissive = {r, g, b, 1};
    material.diffuse = {0, 0, 0, alpha};
    return material;
}

inline Rgb PixelAt(const gfx::Image& image, unsigned x, unsigned y) {
    const std::uint8_t* p = image.Pixel(x, y);
    return {p[0], p[1], p[2]};
}

inline gfx::Image ReadBack(RenderDevice& device) {
    gfx::Image image;
    EXPECT_EQ(device.ReadBackBuffer(image), kOk);
    return image;
}

inline gfx::Image SolidImage(unsigned width, unsigned height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                             std::uint8_t a) {
    gfx::Image image{width, height, {}};
    for (unsigned i = 0; i < width * height; ++i) {
        image.pixels.insert(image.pixels.end(), {r, g, b, a});
    }
    return image;
}

}  // namespace scene::testing
