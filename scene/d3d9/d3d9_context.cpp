#include "scene/d3d9/d3d9_context.h"

#include <algorithm>
#include <cstring>

namespace scene::d3d9 {

namespace {

constexpr wchar_t kHiddenWindowClass[] = L"VantaroOffscreen";

D3DPRIMITIVETYPE PrimitiveTypeOf(PrimitiveType type) {
    return type == PrimitiveType::kTriangleStrip ? D3DPT_TRIANGLESTRIP : D3DPT_TRIANGLELIST;
}

template <typename Entries, typename Key>
auto FindEntry(Entries& entries, const Key* key) {
    return std::find_if(entries.begin(), entries.end(), [key](const auto& entry) { return entry.key == key; });
}

}  // namespace

std::unique_ptr<HiddenWindow> HiddenWindow::Create() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    if (!GetClassInfoW(module, kHiddenWindowClass, &windowClass)) {
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = module;
        windowClass.lpszClassName = kHiddenWindowClass;
        if (RegisterClassW(&windowClass) == 0) {
            return nullptr;
        }
    }
    HWND handle = CreateWindowExW(0, kHiddenWindowClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                  module, nullptr);
    return handle != nullptr ? std::unique_ptr<HiddenWindow>(new HiddenWindow(handle)) : nullptr;
}

HiddenWindow::~HiddenWindow() { DestroyWindow(handle); }

D3d9Context::D3d9Context(std::unique_ptr<HiddenWindow> ownWindow, ComPtr<IDirect3D9> object,
                         ComPtr<IDirect3DDevice9> made, D3DDEVTYPE type)
    : window(std::move(ownWindow)), direct3d(std::move(object)), device(std::move(made)), deviceType(type) {}

D3d9Context::~D3d9Context() = default;

std::shared_ptr<D3d9Context> D3d9Context::Create(std::unique_ptr<HiddenWindow> window, ComPtr<IDirect3D9> direct3d,
                                                 ComPtr<IDirect3DDevice9> device, D3DDEVTYPE type) {
    std::shared_ptr<D3d9Context> context(
        new D3d9Context(std::move(window), std::move(direct3d), std::move(device), type));
    return context->SetUp() ? context : nullptr;
}

bool D3d9Context::SetUp() {
    D3DDISPLAYMODE mode{};
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.Receive())) ||
        FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
        return false;
    }
    displayFormat = mode.Format;
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    state.viewport = {static_cast<unsigned>(viewport.X), static_cast<unsigned>(viewport.Y),
                      static_cast<unsigned>(viewport.Width), static_cast<unsigned>(viewport.Height), viewport.MinZ,
                      viewport.MaxZ};
    // Where the device cannot draw into more precision, frames are drawn in eight bits.
    return SetColourPrecision(kDrawingPrecision) || SetColourPrecision(ColourPrecision::kEightBit);
}

D3DFORMAT D3d9Context::FormatFor(ColourPrecision precision) const {
    switch (precision) {
    case ColourPrecision::kHalfFloat: return D3DFMT_A16B16G16R16F;
    case ColourPrecision::kFloat: return D3DFMT_A32B32G32R32F;
    default: return displayFormat;
    }
}

// Frames are drawn into a surface of the device's own, never into the back buffer: what a
// discarding swap leaves in the back buffer after Present is undefined, and the frame must
// still be there to be read back.
bool D3d9Context::SetColourPrecision(ColourPrecision precision) {
    const D3DFORMAT format = FormatFor(precision);
    D3DSURFACE_DESC size{};
    backBuffer->GetDesc(&size);
    // Old smoke is hundreds of nearly transparent layers: the target must blend, not only hold.
    const DWORD usage = D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING;
    ComPtr<IDirect3DSurface9> target;
    if (FAILED(direct3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, deviceType, displayFormat, usage, D3DRTYPE_SURFACE,
                                           format)) ||
        FAILED(device->CreateRenderTarget(size.Width, size.Height, format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                          target.Receive(), nullptr)) ||
        FAILED(device->SetRenderTarget(0, target.Get()))) {
        return false;
    }
    drawTarget = std::move(target);
    // Setting a render target resets the viewport to the whole of it: the same size as before.
    return true;
}

bool D3d9Context::Resolve() {
    return drawTarget && SUCCEEDED(device->StretchRect(drawTarget.Get(), nullptr, backBuffer.Get(), nullptr,
                                                        D3DTEXF_NONE));
}

HResult D3d9Context::Present() {
    Resolve();
    return device->Present(nullptr, nullptr, nullptr, nullptr);
}

bool D3d9Context::ReadBack(gfx::Image& image) {
    D3DSURFACE_DESC size{};
    backBuffer->GetDesc(&size);
    ComPtr<IDirect3DSurface9> copy;
    if (!Resolve() ||
        FAILED(device->CreateOffscreenPlainSurface(size.Width, size.Height, size.Format, D3DPOOL_SYSTEMMEM,
                                                   copy.Receive(), nullptr)) ||
        FAILED(device->GetRenderTargetData(backBuffer.Get(), copy.Get()))) {
        return false;
    }
    if (size.Format != D3DFMT_X8R8G8B8 && size.Format != D3DFMT_A8R8G8B8) {
        return false;  // every display mode here is 32 bits a pixel
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        return false;
    }
    image.width = size.Width;
    image.height = size.Height;
    image.pixels.resize(std::size_t{size.Width} * size.Height * 4);
    for (unsigned y = 0; y < size.Height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + std::size_t{y} * locked.Pitch;
        std::uint8_t* out = &image.pixels[std::size_t{y} * size.Width * 4];
        for (unsigned x = 0; x < size.Width; ++x, row += 4, out += 4) {
            out[0] = row[2];  // stored B, G, R, X
            out[1] = row[1];
            out[2] = row[0];
            out[3] = 255;
        }
    }
    copy->UnlockRect();
    return true;
}

void D3d9Context::Finish() {
    ComPtr<IDirect3DQuery9> query;
    if (FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, query.Receive()))) {
        return;
    }
    query->Issue(D3DISSUE_END);
    while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {
        Sleep(0);
    }
}

std::string D3d9Context::RendererName() const {
    D3DADAPTER_IDENTIFIER9 identifier{};
    if (FAILED(direct3d->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &identifier))) {
        return "Direct3D 9";
    }
    return std::string("Direct3D 9 on ") + identifier.Description;
}

IDirect3DTexture9* D3d9Context::TextureObject(const Texture* texture) const {
    auto found = FindEntry(textures, texture);
    return found == textures.end() ? nullptr : found->object;
}

IDirect3DVertexBuffer9* D3d9Context::BufferObject(const VertexBuffer* buffer) const {
    auto found = FindEntry(buffers, buffer);
    return found == buffers.end() ? nullptr : found->object;
}

void D3d9Context::Adopt(const Texture* texture, IDirect3DTexture9* object) { textures.push_back({texture, object}); }

void D3d9Context::Adopt(const VertexBuffer* buffer, IDirect3DVertexBuffer9* object) {
    buffers.push_back({buffer, object});
}

void D3d9Context::Forget(const Texture* texture) {
    if (state.texture == texture) {
        state.SetTexture(0, nullptr);
        device->SetTexture(0, nullptr);
    }
    if (auto found = FindEntry(textures, texture); found != textures.end()) {
        textures.erase(found);
    }
}

void D3d9Context::Forget(const VertexBuffer* buffer) {
    if (state.stream.buffer == buffer) {
        state.SetStreamSource(0, nullptr, 0, 0);
        device->SetStreamSource(0, nullptr, 0, 0);
    }
    if (auto found = FindEntry(buffers, buffer); found != buffers.end()) {
        buffers.erase(found);
    }
}

HResult D3d9Context::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
    if (Failed(state.CheckDraw(type, startVertex, primitiveCount))) {
        return kFail;
    }
    if (streamDirty) {
        device->SetFVF(state.fvf);
        device->SetStreamSource(0, BufferObject(state.stream.buffer), state.stream.offset, state.stream.stride);
        streamDirty = false;
    }
    CountDraw();
    return device->DrawPrimitive(PrimitiveTypeOf(type), startVertex, primitiveCount);
}

void D3d9Context::CountDraw(std::uint64_t instances) {
    ++stats.drawCalls;
    stats.instances += instances;
}

}  // namespace scene::d3d9
