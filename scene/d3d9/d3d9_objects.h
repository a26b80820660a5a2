#pragma once
// Textures, vertex buffers and meshes of the Direct3D 9 device: each owns its Direct3D objects
// and holds the device's context, so the device stays until its last object is released.

#include <memory>
#include <vector>

#include "gfx/image.h"
#include "gfx/mesh_file.h"
#include "scene/d3d9/d3d9_context.h"

namespace scene::d3d9 {

class D3d9Texture final : public Texture {
public:
    // The mip chain the library's defaults make, in the managed pool; nothing for an unusable
    // image or when the device refuses the texture.
    static std::unique_ptr<D3d9Texture> Create(std::shared_ptr<D3d9Context> context, const gfx::Image& image);
    ~D3d9Texture() override;
    D3d9Texture(const D3d9Texture&) = delete;
    D3d9Texture& operator=(const D3d9Texture&) = delete;

    unsigned Width() const override { return width; }
    unsigned Height() const override { return height; }

private:
    D3d9Texture(std::shared_ptr<D3d9Context> owner, ComPtr<IDirect3DTexture9> made, unsigned w, unsigned h);

    std::shared_ptr<D3d9Context> context;
    ComPtr<IDirect3DTexture9> object;
    unsigned width, height;
};

class D3d9VertexBuffer final : public VertexBuffer {
public:
    static std::unique_ptr<D3d9VertexBuffer> Create(std::shared_ptr<D3d9Context> context, std::uint32_t length,
                                                    std::uint32_t usage, std::uint32_t fvf, Pool pool);
    ~D3d9VertexBuffer() override;
    D3d9VertexBuffer(const D3d9VertexBuffer&) = delete;
    D3d9VertexBuffer& operator=(const D3d9VertexBuffer&) = delete;

    std::size_t Length() const override { return contents.size(); }
    std::span<std::byte> Lock() override;
    void Unlock() override;
    // What was written, as the device has it.
    std::span<const std::byte> Contents() const { return contents; }

private:
    D3d9VertexBuffer(std::shared_ptr<D3d9Context> owner, ComPtr<IDirect3DVertexBuffer9> made, std::size_t size);

    std::shared_ptr<D3d9Context> context;
    ComPtr<IDirect3DVertexBuffer9> object;
    std::vector<std::byte> contents;
    bool locked = false;
};

// One vertex buffer and one index buffer (16-bit indices where the vertices allow); subset j
// is a range of the indices.
class D3d9Mesh final : public Mesh {
public:
    static std::unique_ptr<D3d9Mesh> Create(std::shared_ptr<D3d9Context> context, const gfx::MeshData& data);
    ~D3d9Mesh() override = default;
    D3d9Mesh(const D3d9Mesh&) = delete;
    D3d9Mesh& operator=(const D3d9Mesh&) = delete;

    HResult DrawSubset(std::uint32_t subset) override;
    std::uint32_t SubsetCount() const override { return static_cast<std::uint32_t>(subsets.size()); }
    std::uint32_t VertexCount() const override { return vertexCount; }

private:
    explicit D3d9Mesh(std::shared_ptr<D3d9Context> owner);
    bool Fill(const gfx::MeshData& data);

    std::shared_ptr<D3d9Context> context;
    ComPtr<IDirect3DVertexBuffer9> vertices;
    ComPtr<IDirect3DIndexBuffer9> indices;
    std::uint32_t vertexCount = 0;
    std::vector<gfx::MeshSubset> subsets;
};

}  // namespace scene::d3d9
