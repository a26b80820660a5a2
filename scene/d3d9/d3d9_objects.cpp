#include "scene/d3d9/d3d9_objects.h"

#include <cstring>
#include <limits>

namespace scene::d3d9 {

namespace {

constexpr DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
static_assert(sizeof(gfx::MeshVertex) == 3 * 4 + 3 * 4 + 2 * 4, "a mesh vertex is exactly the mesh's vertex format");

// One level of RGBA rows into a locked level of A8R8G8B8 (stored B, G, R, A).
void CopyLevel(const gfx::Image& level, const D3DLOCKED_RECT& locked) {
    for (unsigned y = 0; y < level.height; ++y) {
        auto* row = static_cast<std::uint8_t*>(locked.pBits) + std::size_t{y} * locked.Pitch;
        for (unsigned x = 0; x < level.width; ++x, row += 4) {
            const std::uint8_t* texel = level.Pixel(x, y);
            row[0] = texel[2];
            row[1] = texel[1];
            row[2] = texel[0];
            row[3] = texel[3];
        }
    }
}

template <typename Buffer, typename Data>
bool Upload(Buffer& buffer, const Data& data) {
    void* memory = nullptr;
    const auto bytes = static_cast<UINT>(data.size() * sizeof(data[0]));
    if (FAILED(buffer.Lock(0, bytes, &memory, 0))) {
        return false;
    }
    std::memcpy(memory, data.data(), bytes);
    return SUCCEEDED(buffer.Unlock());
}

}  // namespace

D3d9Texture::D3d9Texture(std::shared_ptr<D3d9Context> owner, ComPtr<IDirect3DTexture9> made, unsigned w, unsigned h)
    : context(std::move(owner)), object(std::move(made)), width(w), height(h) {
    context->Adopt(this, object.Get());
}

std::unique_ptr<D3d9Texture> D3d9Texture::Create(std::shared_ptr<D3d9Context> context, const gfx::Image& image) {
    if (!IsUsableImage(image)) {
        return nullptr;
    }
    const std::vector<gfx::Image> levels = gfx::BuildMipChain(image);
    if (levels.empty()) {
        return nullptr;
    }
    const gfx::Image& top = levels.front();
    ComPtr<IDirect3DTexture9> object;
    if (FAILED(context->Device().CreateTexture(top.width, top.height, static_cast<UINT>(levels.size()), 0,
                                               D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, object.Receive(), nullptr))) {
        return nullptr;
    }
    for (UINT level = 0; level < levels.size(); ++level) {
        D3DLOCKED_RECT locked{};
        if (FAILED(object->LockRect(level, &locked, nullptr, 0))) {
            return nullptr;
        }
        CopyLevel(levels[level], locked);
        object->UnlockRect(level);
    }
    return std::unique_ptr<D3d9Texture>(
        new D3d9Texture(std::move(context), std::move(object), top.width, top.height));
}

D3d9Texture::~D3d9Texture() { context->Forget(this); }

D3d9VertexBuffer::D3d9VertexBuffer(std::shared_ptr<D3d9Context> owner, ComPtr<IDirect3DVertexBuffer9> made,
                                   std::size_t size)
    : context(std::move(owner)), object(std::move(made)), contents(size) {
    context->Adopt(this, object.Get());
}

std::unique_ptr<D3d9VertexBuffer> D3d9VertexBuffer::Create(std::shared_ptr<D3d9Context> context,
                                                           std::uint32_t length, std::uint32_t usage,
                                                           std::uint32_t fvf, Pool pool) {
    ComPtr<IDirect3DVertexBuffer9> object;
    if (length == 0 || FAILED(context->Device().CreateVertexBuffer(length, usage, fvf, static_cast<D3DPOOL>(pool),
                                                                   object.Receive(), nullptr))) {
        return nullptr;
    }
    return std::unique_ptr<D3d9VertexBuffer>(new D3d9VertexBuffer(std::move(context), std::move(object), length));
}

D3d9VertexBuffer::~D3d9VertexBuffer() { context->Forget(this); }

// The caller writes the copy kept here, which Unlock hands to the device: the batched path
// reads the vertices back, which a write-only Direct3D buffer does not allow.
std::span<std::byte> D3d9VertexBuffer::Lock() {
    if (locked) {
        return {};
    }
    context->Flush();  // queued draws keep the vertices they were issued with
    locked = true;
    return contents;
}

void D3d9VertexBuffer::Unlock() {
    void* memory = nullptr;
    if (locked && SUCCEEDED(object->Lock(0, 0, &memory, 0))) {
        std::memcpy(memory, contents.data(), contents.size());
        object->Unlock();
    }
    locked = false;
}

D3d9Mesh::D3d9Mesh(std::shared_ptr<D3d9Context> owner) : context(std::move(owner)) {}

std::unique_ptr<D3d9Mesh> D3d9Mesh::Create(std::shared_ptr<D3d9Context> context, const gfx::MeshData& data) {
    if (!IsUsableMesh(data) || data.vertices.empty() || data.indices.empty()) {
        return nullptr;
    }
    std::unique_ptr<D3d9Mesh> mesh(new D3d9Mesh(std::move(context)));
    return mesh->Fill(data) ? std::move(mesh) : nullptr;
}

bool D3d9Mesh::Fill(const gfx::MeshData& data) {
    IDirect3DDevice9& device = context->Device();
    vertexCount = static_cast<std::uint32_t>(data.vertices.size());
    subsets = data.subsets;
    const auto vertexBytes = static_cast<UINT>(data.vertices.size() * sizeof(gfx::MeshVertex));
    if (FAILED(device.CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kMeshFvf, D3DPOOL_MANAGED,
                                         vertices.Receive(), nullptr)) ||
        !Upload(*vertices.Get(), data.vertices)) {
        return false;
    }
    const bool shortIndices = vertexCount <= std::numeric_limits<std::uint16_t>::max() + 1u;
    const UINT indexSize = shortIndices ? 2 : 4;
    if (FAILED(device.CreateIndexBuffer(static_cast<UINT>(data.indices.size()) * indexSize, D3DUSAGE_WRITEONLY,
                                        shortIndices ? D3DFMT_INDEX16 : D3DFMT_INDEX32, D3DPOOL_MANAGED,
                                        indices.Receive(), nullptr))) {
        return false;
    }
    if (!shortIndices) {
        return Upload(*indices.Get(), data.indices);
    }
    std::vector<std::uint16_t> narrow(data.indices.begin(), data.indices.end());
    return Upload(*indices.Get(), narrow);
}

HResult D3d9Mesh::DrawSubset(std::uint32_t subset) {
    if (subset >= subsets.size()) {
        return kFail;
    }
    const gfx::MeshSubset& range = subsets[subset];
    if (range.indexCount < 3) {
        return kOk;  // nothing to draw
    }
    context->BeforeOwnDraw();
    IDirect3DDevice9& device = context->Device();
    device.SetFVF(kMeshFvf);
    device.SetStreamSource(0, vertices.Get(), 0, sizeof(gfx::MeshVertex));
    device.SetIndices(indices.Get());
    context->CountDraw();
    return device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, range.firstIndex,
                                       range.indexCount / 3);
}

}  // namespace scene::d3d9
