#pragma once
// What the Direct3D 9 device's objects share: the device itself, the surface frames are drawn
// into, the device state and the lists of objects made on it. The device and every texture,
// buffer and mesh it made hold it, so an object released after its device is still released
// on the right device.

#include <d3d9.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/image.h"
#include "scene/d3d9/com_ptr.h"
#include "scene/device_factory.h"
#include "scene/device_state.h"

namespace scene::d3d9 {

// A window that is never shown, for a device that draws only to be read back.
class HiddenWindow {
public:
    static std::unique_ptr<HiddenWindow> Create();
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND Handle() const { return handle; }

private:
    explicit HiddenWindow(HWND window) : handle(window) {}
    HWND handle;
};

class D3d9Context {
public:
    // Nothing when the device cannot give a surface to draw into or to read back from.
    static std::shared_ptr<D3d9Context> Create(std::unique_ptr<HiddenWindow> window, ComPtr<IDirect3D9> direct3d,
                                               ComPtr<IDirect3DDevice9> device, D3DDEVTYPE type);
    ~D3d9Context();
    D3d9Context(const D3d9Context&) = delete;
    D3d9Context& operator=(const D3d9Context&) = delete;

    IDirect3DDevice9& Device() const { return *device.Get(); }

    // The Direct3D object of a texture or buffer made on this device; nullptr for anything else.
    IDirect3DTexture9* TextureObject(const Texture* texture) const;
    IDirect3DVertexBuffer9* BufferObject(const VertexBuffer* buffer) const;
    void Adopt(const Texture* texture, IDirect3DTexture9* object);
    void Adopt(const VertexBuffer* buffer, IDirect3DVertexBuffer9* object);
    // The object is going away: the device lets go of it where it is still set.
    void Forget(const Texture* texture);
    void Forget(const VertexBuffer* buffer);

    // A mesh drew from its own buffers: stream 0 and the vertex format are set again before
    // the next DrawPrimitive.
    void StreamDisturbed() { streamDirty = true; }
    HResult DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount);
    void CountDraw(std::uint64_t instances = 1);

    HResult Present();
    bool ReadBack(gfx::Image& image);
    bool SetColourPrecision(ColourPrecision precision);
    void Finish();
    const DeviceStats& Stats() const { return stats; }
    void ResetStats() { stats = {}; }
    std::string RendererName() const;

    DeviceState state;

private:
    D3d9Context(std::unique_ptr<HiddenWindow> window, ComPtr<IDirect3D9> direct3d, ComPtr<IDirect3DDevice9> device,
                D3DDEVTYPE type);
    bool SetUp();
    // Copies what was drawn into the back buffer.
    bool Resolve();
    D3DFORMAT FormatFor(ColourPrecision precision) const;

    template <typename Key, typename Object>
    struct Entry {
        const Key* key;
        Object* object;
    };

    std::unique_ptr<HiddenWindow> window;  // the offscreen device's own, or none
    ComPtr<IDirect3D9> direct3d;
    ComPtr<IDirect3DDevice9> device;
    D3DDEVTYPE deviceType;
    ComPtr<IDirect3DSurface9> backBuffer;
    ComPtr<IDirect3DSurface9> drawTarget;  // where frames are drawn, in the precision asked for
    D3DFORMAT displayFormat = D3DFMT_UNKNOWN;
    std::vector<Entry<Texture, IDirect3DTexture9>> textures;
    std::vector<Entry<VertexBuffer, IDirect3DVertexBuffer9>> buffers;
    bool streamDirty = false;
    DeviceStats stats;
};

}  // namespace scene::d3d9
