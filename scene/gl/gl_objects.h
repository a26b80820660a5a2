#pragma once
// Textures, vertex buffers and meshes of the OpenGL device. Each holds its renderer, so the
// context it lives in stays alive as long as the object does.

#include <epoxy/gl.h>

#include <memory>
#include <vector>

#include "gfx/image.h"
#include "gfx/mesh_file.h"
#include "scene/gl/gl_renderer.h"

namespace scene::gl {

class GlTexture final : public Texture {
public:
    // The levels of the image as the library's defaults make them; nothing for an empty image.
    static std::unique_ptr<GlTexture> Create(std::shared_ptr<GlRenderer> renderer, const gfx::Image& image);
    ~GlTexture() override;
    GlTexture(const GlTexture&) = delete;
    GlTexture& operator=(const GlTexture&) = delete;

    unsigned Width() const override { return width; }
    unsigned Height() const override { return height; }
    GLuint Name() const { return name; }
    // Every texel has alpha 1, so every sample has too, whatever the filter.
    bool Opaque() const { return opaque; }

private:
    explicit GlTexture(std::shared_ptr<GlRenderer> owner);

    std::shared_ptr<GlRenderer> renderer;
    GLuint name = 0;
    unsigned width = 0, height = 0;
    bool opaque = false;
};

// Kept in system memory too, as a managed buffer is: Lock hands out that copy and Unlock
// sends it to OpenGL.
class GlVertexBuffer final : public VertexBuffer {
public:
    GlVertexBuffer(std::shared_ptr<GlRenderer> owner, std::size_t length);
    ~GlVertexBuffer() override;
    GlVertexBuffer(const GlVertexBuffer&) = delete;
    GlVertexBuffer& operator=(const GlVertexBuffer&) = delete;

    std::size_t Length() const override { return memory.size(); }
    std::span<std::byte> Lock() override;
    void Unlock() override;
    GLuint Name() const { return name; }

private:
    std::shared_ptr<GlRenderer> renderer;
    GLuint name = 0;
    std::vector<std::byte> memory;
};

class GlMesh final : public Mesh {
public:
    GlMesh(std::shared_ptr<GlRenderer> owner, const gfx::MeshData& data);
    ~GlMesh() override;
    GlMesh(const GlMesh&) = delete;
    GlMesh& operator=(const GlMesh&) = delete;

    HResult DrawSubset(std::uint32_t subset) override;
    std::uint32_t SubsetCount() const override { return static_cast<std::uint32_t>(subsets.size()); }
    std::uint32_t VertexCount() const override { return vertexCount; }

private:
    std::shared_ptr<GlRenderer> renderer;
    GLuint vertexArray = 0, vertices = 0, indices = 0;
    std::uint32_t vertexCount = 0;
    std::vector<gfx::MeshSubset> subsets;
};

}  // namespace scene::gl
