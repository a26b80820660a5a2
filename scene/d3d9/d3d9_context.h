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
#include "platform/win32/com_ptr.h"
#include "scene/device_factory.h"
#include "scene/device_state.h"
#include "scene/draw_run.h"

namespace scene::d3d9 {

using platform::ComPtr;

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

    // Queues the draw in the run it continues (scene/draw_run.h); kFail, queueing nothing,
    // for a draw the state refuses.
    HResult DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount);
    // Draws the queued run: as one or a few draws of a vertex shader where the device has one
    // and the run's colour does not depend on lighting, otherwise one DrawPrimitive a draw.
    void Flush();
    void SetBatching(bool enable);
    // Flushes, and hands the device the world transform and material the state holds: before
    // a draw of the device's own (a mesh's), and for tests that read the device's state.
    void Synchronise();
    // The device synchronised, for a caller that may change its state behind our back: the
    // world, material and stream are set again before the next draw.
    IDirect3DDevice9& HandOut();
    // A mesh is about to draw from its own buffers: the run is drawn first, the device gets
    // the current world and material, and stream 0 and the vertex format are set again before
    // the next DrawPrimitive.
    void BeforeOwnDraw();
    void CountDraw(std::uint64_t instances = 1);

    HResult Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t stencil);
    HResult Present();
    bool ReadBack(gfx::Image& image);
    bool SetColourPrecision(ColourPrecision precision);
    void Finish();
    const DeviceStats& Stats() const { return stats; }
    void ResetStats() { stats = {}; }
    // The adapter, and how runs are drawn on it.
    std::string RendererName() const;

    DeviceState state;

private:
    D3d9Context(std::unique_ptr<HiddenWindow> window, ComPtr<IDirect3D9> direct3d, ComPtr<IDirect3DDevice9> device,
                D3DDEVTYPE type);
    bool SetUp();
    // Copies what was drawn into the back buffer. A copy the driver refuses makes the device
    // draw into the back buffer itself from then on (the frame being copied is lost).
    bool Resolve();
    void DrawIntoBackBuffer();
    D3DFORMAT FormatFor(ColourPrecision precision) const;
    void MakeRunPath();
    void SetStream();
    void SendDrawState(const gfx::Matrix& world, const Material& material);
    void DrawOneByOne(std::size_t from = 0);
    bool DrawBatched();
    bool IndexRuns(const RunRange& range, std::uint32_t vertices, std::uint32_t instances);

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
    // Where frames are drawn, in the precision asked for; none when they are drawn into the
    // back buffer itself.
    ComPtr<IDirect3DSurface9> drawTarget;
    bool copyFailed = false;  // a copy to the back buffer failed: frames are drawn there
    D3DFORMAT displayFormat = D3DFMT_UNKNOWN;
    std::vector<Entry<Texture, IDirect3DTexture9>> textures;
    std::vector<Entry<VertexBuffer, IDirect3DVertexBuffer9>> buffers;
    bool streamDirty = false;

    DrawRun run;
    bool batching = true;
    // What the device holds of the state that travels with each draw.
    gfx::Matrix sentWorld;
    Material sentMaterial;
    bool drawStateSent = false;
    // The batched path: a vertex shader reading positions the run's world and view transforms
    // have placed, and each draw's lit alpha as a float; its vertices stream through one
    // dynamic buffer, and the same triangles of every draw are indexed once.
    ComPtr<IDirect3DVertexShader9> runShader;
    ComPtr<IDirect3DVertexDeclaration9> runDeclaration;
    ComPtr<IDirect3DVertexBuffer9> runVertices;
    ComPtr<IDirect3DIndexBuffer9> runIndices;
    RunRange indexedRange;  // the range runIndices was made for
    std::uint32_t indexedInstances = 0;
    std::uint32_t runVertexCursor = 0;
    DeviceStats stats;
};

}  // namespace scene::d3d9
