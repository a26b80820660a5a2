#include "scene/d3d9/d3d9_context.h"

#include <algorithm>
#include <cstring>

#include "scene/d3d9/d3d9_objects.h"

namespace scene::d3d9 {

namespace {

constexpr wchar_t kHiddenWindowClass[] = L"VantaroOffscreen";

// Draws a run may hold: a formation's smoke in a handful of batched draws.
constexpr std::size_t kRunCapacity = 16384;
// One batched draw indexes its vertices with 16 bits; a draw of more vertices than a run's
// vertex buffer takes goes one by one.
constexpr std::uint32_t kRunVertexCapacity = 65536;
constexpr std::uint32_t kMaxBatchedDrawVertices = 64;

// A vertex of the batched path: the position in view space, the texture coordinates, the lit
// alpha of its draw.
struct RunVertex {
    float position[4];
    float u, v;
    float alpha;
};

constexpr D3DVERTEXELEMENT9 kRunElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 24, D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
    D3DDECL_END(),
};

// The batched path's vertex shader, assembled by hand (vs_2_0):
//   dcl_position v0; dcl_texcoord0 v1; dcl_texcoord1 v2
//   dp4 oPos.x, v0, c0 ... dp4 oPos.w, v0, c3     (c0-c3: the projection's columns)
//   mov oT0, v1
//   mov oD0.xyz, c4                                (white)
//   mov oD0.w, v2.x                                (the draw's lit alpha, a float)
//   mov oD1, c5                                    (no specular)
constexpr DWORD kRunShader[] = {
    0xFFFE0200,
    0x0200001F, 0x80000000, 0x900F0000,
    0x0200001F, 0x80000005, 0x900F0001,
    0x0200001F, 0x80010005, 0x900F0002,
    0x03000009, 0xC0010000, 0x90E40000, 0xA0E40000,
    0x03000009, 0xC0020000, 0x90E40000, 0xA0E40001,
    0x03000009, 0xC0040000, 0x90E40000, 0xA0E40002,
    0x03000009, 0xC0080000, 0x90E40000, 0xA0E40003,
    0x02000001, 0xE00F0000, 0x90E40001,
    0x02000001, 0xD0070000, 0xA0E40004,
    0x02000001, 0xD0080000, 0x90000002,
    0x02000001, 0xD00F0001, 0xA0E40005,
    0x0000FFFF,
};

bool NonNegative(const gfx::ColorValue& c) { return c.r >= 0 && c.g >= 0 && c.b >= 0; }

// Whether the fixed-function lighting makes every vertex of a draw with `material` white, and
// with which alpha: unlit, white and opaque (the vertices have no colour of their own); lit, where
// the material lights to white whatever the lights, its diffuse alpha clamped as the device
// clamps it. Specular light added after texturing would tint it.
bool WhiteWithAlpha(const DeviceState& state, const Material& material, float& alpha) {
    if (state.Get(RenderState::kLighting) == 0) {
        alpha = 1;
        return true;
    }
    const gfx::ColorValue& s = material.specular;
    const bool specular = state.Get(RenderState::kSpecularEnable) != 0 && (s.r != 0 || s.g != 0 || s.b != 0);
    if (specular || !LightsToWhite(material)) {
        return false;
    }
    alpha = std::clamp(material.diffuse.a, 0.0f, 1.0f);
    return true;
}

bool LightsAreNonNegative(const DeviceState& state) {
    std::uint32_t count = 0;
    const auto active = state.ActiveLights(count);
    return std::all_of(active.begin(), active.begin() + count,
                       [](const Light* light) { return NonNegative(light->diffuse) && NonNegative(light->ambient); });
}

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
    : window(std::move(ownWindow)),
      direct3d(std::move(object)),
      device(std::move(made)),
      deviceType(type),
      run(kRunCapacity) {}

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
    MakeRunPath();
    // Where the device cannot draw into more precision, frames are drawn in eight bits.
    return SetColourPrecision(kDrawingPrecision) || SetColourPrecision(ColourPrecision::kEightBit);
}

// Without vertex shaders of version 2.0 or the buffers they read, every draw goes by itself.
void D3d9Context::MakeRunPath() {
    D3DCAPS9 caps{};
    if (FAILED(device->GetDeviceCaps(&caps)) || caps.VertexShaderVersion < D3DVS_VERSION(2, 0) ||
        caps.MaxVertexIndex < kRunVertexCapacity - 1 || caps.MaxStreamStride < sizeof(RunVertex)) {
        return;
    }
    ComPtr<IDirect3DVertexShader9> shader;
    ComPtr<IDirect3DVertexDeclaration9> declaration;
    ComPtr<IDirect3DVertexBuffer9> vertices;
    if (FAILED(device->CreateVertexShader(kRunShader, shader.Receive())) ||
        FAILED(device->CreateVertexDeclaration(kRunElements, declaration.Receive())) ||
        FAILED(device->CreateVertexBuffer(kRunVertexCapacity * sizeof(RunVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                          0, D3DPOOL_DEFAULT, vertices.Receive(), nullptr))) {
        return;
    }
    runShader = std::move(shader);
    runDeclaration = std::move(declaration);
    runVertices = std::move(vertices);
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
    Flush();
    if (copyFailed) {
        return precision == ColourPrecision::kEightBit;  // the back buffer's own
    }
    const D3DFORMAT format = FormatFor(precision);
    D3DSURFACE_DESC size{};
    backBuffer->GetDesc(&size);
    // Old smoke is hundreds of nearly transparent layers: the target must blend, not only hold.
    // And Present copies it into the back buffer, a conversion not every driver makes.
    const DWORD usage = D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING;
    ComPtr<IDirect3DSurface9> target;
    if (FAILED(direct3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, deviceType, displayFormat, usage, D3DRTYPE_SURFACE,
                                           format)) ||
        FAILED(direct3d->CheckDeviceFormatConversion(D3DADAPTER_DEFAULT, deviceType, format, size.Format)) ||
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
    Flush();
    if (!drawTarget) {
        return true;  // drawn into the back buffer itself
    }
    if (SUCCEEDED(device->StretchRect(drawTarget.Get(), nullptr, backBuffer.Get(), nullptr, D3DTEXF_NONE))) {
        return true;
    }
    DrawIntoBackBuffer();
    return false;
}

// Frames lose the extra precision, and what a discarding swap leaves in the back buffer can no
// longer be read back after Present, but they reach the screen.
void D3d9Context::DrawIntoBackBuffer() {
    copyFailed = true;
    if (SUCCEEDED(device->SetRenderTarget(0, backBuffer.Get()))) {
        drawTarget.Reset();
    }
}

HResult D3d9Context::Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t stencil) {
    Flush();
    return SUCCEEDED(device->Clear(0, nullptr, flags, color, z, stencil)) ? kOk : kFail;
}

HResult D3d9Context::Present() {
    Resolve();
    return SUCCEEDED(device->Present(nullptr, nullptr, nullptr, nullptr)) ? kOk : kFail;
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
    Flush();
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
    const char* runs = runShader ? "smoke batched by a vertex shader" : "one draw a puff (no vertex shader 2.0)";
    return std::string("Direct3D 9 on ") + identifier.Description + ", " + runs;
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
    Flush();
    if (state.texture == texture) {
        state.SetTexture(0, nullptr);
        device->SetTexture(0, nullptr);
    }
    if (auto found = FindEntry(textures, texture); found != textures.end()) {
        textures.erase(found);
    }
}

void D3d9Context::Forget(const VertexBuffer* buffer) {
    Flush();
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
    run.Queue({type, startVertex, primitiveCount}, state, batching, [this] { Flush(); });
    return kOk;
}

void D3d9Context::SetBatching(bool enable) {
    Flush();
    batching = enable;
}

void D3d9Context::Flush() {
    if (run.Empty()) {
        return;
    }
    if (!batching || run.Instances().size() < 2 || !DrawBatched()) {
        DrawOneByOne();
    }
    run.Clear();
}

void D3d9Context::Synchronise() {
    Flush();
    SendDrawState(state.world, state.material);
}

IDirect3DDevice9& D3d9Context::HandOut() {
    Synchronise();
    drawStateSent = false;
    streamDirty = true;
    return *device.Get();
}

void D3d9Context::BeforeOwnDraw() {
    Synchronise();
    streamDirty = true;
}

void D3d9Context::SetStream() {
    if (streamDirty) {
        device->SetFVF(state.fvf);
        device->SetStreamSource(0, BufferObject(state.stream.buffer), state.stream.offset, state.stream.stride);
        streamDirty = false;
    }
}

void D3d9Context::SendDrawState(const gfx::Matrix& world, const Material& material) {
    if (!drawStateSent || std::memcmp(&world, &sentWorld, sizeof world) != 0) {
        D3DMATRIX value;
        std::memcpy(&value, &world, sizeof value);
        device->SetTransform(D3DTS_WORLD, &value);
        sentWorld = world;
    }
    if (!drawStateSent || std::memcmp(&material, &sentMaterial, sizeof material) != 0) {
        static_assert(sizeof(Material) == sizeof(D3DMATERIAL9), "our material is Direct3D's, member by member");
        D3DMATERIAL9 value;
        std::memcpy(&value, &material, sizeof value);
        device->SetMaterial(&value);
        sentMaterial = material;
    }
    drawStateSent = true;
}

void D3d9Context::DrawOneByOne(std::size_t from) {
    SetStream();
    const RunRange& range = run.Range();
    for (const RunInstance& instance : run.Instances().subspan(from)) {
        SendDrawState(instance.world, instance.material);
        device->DrawPrimitive(PrimitiveTypeOf(range.type), range.startVertex, range.primitiveCount);
        CountDraw();
    }
}

// The triangles of `instances` copies of the range's vertices, each copy `vertices` long; a
// strip's odd triangles keep their winding.
bool D3d9Context::IndexRuns(const RunRange& range, std::uint32_t vertices, std::uint32_t instances) {
    if (runIndices && indexedRange == range && indexedInstances == instances) {
        return true;
    }
    std::vector<std::uint16_t> triangle;
    for (std::uint32_t t = 0; t < range.primitiveCount; ++t) {
        if (range.type == PrimitiveType::kTriangleList) {
            triangle.insert(triangle.end(), {static_cast<std::uint16_t>(3 * t), static_cast<std::uint16_t>(3 * t + 1),
                                             static_cast<std::uint16_t>(3 * t + 2)});
        } else if (t % 2 == 0) {
            triangle.insert(triangle.end(), {static_cast<std::uint16_t>(t), static_cast<std::uint16_t>(t + 1),
                                             static_cast<std::uint16_t>(t + 2)});
        } else {
            triangle.insert(triangle.end(), {static_cast<std::uint16_t>(t + 1), static_cast<std::uint16_t>(t),
                                             static_cast<std::uint16_t>(t + 2)});
        }
    }
    const auto bytes = static_cast<UINT>(triangle.size() * instances * sizeof(std::uint16_t));
    ComPtr<IDirect3DIndexBuffer9> indices;
    void* memory = nullptr;
    if (FAILED(device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         indices.Receive(), nullptr)) ||
        FAILED(indices->Lock(0, bytes, &memory, 0))) {
        runIndices.Reset();
        return false;
    }
    auto* out = static_cast<std::uint16_t*>(memory);
    for (std::uint32_t i = 0; i < instances; ++i) {
        for (std::uint16_t index : triangle) {
            *out++ = static_cast<std::uint16_t>(i * vertices + index);
        }
    }
    indices->Unlock();
    runIndices = std::move(indices);
    indexedRange = range;
    indexedInstances = instances;
    return true;
}

// Each draw's vertices placed in view space here, by its world and the view transform as the
// fixed-function pipeline combines them, with the alpha the lighting would give them; the
// shader applies the projection. Runs the shader cannot reproduce go one by one: a lit colour
// that is not white whatever the vertex, a vertex format without texture coordinates, draws of
// many vertices.
bool D3d9Context::DrawBatched() {
    const RunRange& range = run.Range();
    const auto vertices = static_cast<std::uint32_t>(VertexCountOf(range.type, range.primitiveCount));
    const auto* buffer = static_cast<const D3d9VertexBuffer*>(state.stream.buffer);
    if (!runShader || vertices == 0 || vertices > kMaxBatchedDrawVertices || (state.fvf & kFvfTex1) == 0 ||
        BufferObject(buffer) == nullptr || !LightsAreNonNegative(state)) {
        return false;
    }
    std::vector<float> alphas;
    alphas.reserve(run.Instances().size());
    for (const RunInstance& instance : run.Instances()) {
        float alpha = 0;
        if (!WhiteWithAlpha(state, instance.material, alpha)) {
            return false;
        }
        alphas.push_back(alpha);
    }
    const std::uint32_t perDraw = kRunVertexCapacity / vertices;
    const auto total = static_cast<std::uint32_t>(run.Instances().size());
    if (!IndexRuns(range, vertices, std::min(perDraw, total))) {
        return false;
    }

    const std::span<const std::byte> source = buffer->Contents();
    const std::size_t stride = state.stream.stride;
    const std::size_t uvOffset = (state.fvf & kFvfNormal) != 0 ? 24 : 12;
    const std::size_t first = state.stream.offset + std::size_t{range.startVertex} * stride;

    gfx::Matrix projection = state.projection;
    float columns[6][4];
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) columns[c][r] = projection.m[r][c];
    }
    const float white[4] = {1, 1, 1, 0}, none[4] = {0, 0, 0, 0};
    std::memcpy(columns[4], white, sizeof white);
    std::memcpy(columns[5], none, sizeof none);
    device->SetVertexDeclaration(runDeclaration.Get());
    device->SetVertexShader(runShader.Get());
    device->SetVertexShaderConstantF(0, &columns[0][0], 6);
    device->SetIndices(runIndices.Get());
    device->SetStreamSource(0, runVertices.Get(), 0, sizeof(RunVertex));
    streamDirty = true;

    const std::uint32_t trianglesPer = range.primitiveCount;
    for (std::uint32_t done = 0; done < total;) {
        const std::uint32_t count = std::min(perDraw, total - done);
        const std::uint32_t length = count * vertices;
        DWORD flags = D3DLOCK_NOOVERWRITE;
        if (runVertexCursor + length > kRunVertexCapacity) {
            runVertexCursor = 0;
            flags = D3DLOCK_DISCARD;
        }
        void* memory = nullptr;
        if (FAILED(runVertices->Lock(runVertexCursor * sizeof(RunVertex), length * sizeof(RunVertex), &memory, flags))) {
            device->SetVertexShader(nullptr);
            DrawOneByOne(done);  // what is left
            return true;
        }
        auto* out = static_cast<RunVertex*>(memory);
        for (std::uint32_t i = done; i < done + count; ++i) {
            const gfx::Matrix placed = gfx::MatrixMultiply(run.Instances()[i].world, state.view);
            for (std::uint32_t v = 0; v < vertices; ++v, ++out) {
                float p[3], uv[2];
                const std::byte* vertex = source.data() + first + v * stride;
                std::memcpy(p, vertex, sizeof p);
                std::memcpy(uv, vertex + uvOffset, sizeof uv);
                for (int c = 0; c < 4; ++c) {
                    out->position[c] = p[0] * placed.m[0][c] + p[1] * placed.m[1][c] + p[2] * placed.m[2][c] +
                                       placed.m[3][c];
                }
                out->u = uv[0];
                out->v = uv[1];
                out->alpha = alphas[i];
            }
        }
        runVertices->Unlock();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<INT>(runVertexCursor), 0, length, 0,
                                     count * trianglesPer);
        runVertexCursor += length;
        CountDraw(count);
        done += count;
    }
    device->SetVertexShader(nullptr);
    return true;
}

void D3d9Context::CountDraw(std::uint64_t instances) {
    ++stats.drawCalls;
    stats.instances += instances;
}

}  // namespace scene::d3d9
