#include "scene/d3d9/d3d9_device.h"

#include <cstring>

#include "scene/d3d9/d3d9_objects.h"
#include "scene/draw_run.h"

namespace scene::d3d9 {

namespace {

static_assert(sizeof(gfx::Matrix) == sizeof(D3DMATRIX), "our matrices are Direct3D's, row by row");
static_assert(sizeof(gfx::ColorValue) == sizeof(D3DCOLORVALUE));
static_assert(sizeof(gfx::Vec3) == sizeof(D3DVECTOR));

D3DMATRIX ToD3d(const gfx::Matrix& matrix) {
    D3DMATRIX out;
    std::memcpy(&out, &matrix, sizeof out);
    return out;
}

D3DCOLORVALUE ToD3d(const gfx::ColorValue& colour) { return {colour.r, colour.g, colour.b, colour.a}; }
D3DVECTOR ToD3d(const gfx::Vec3& vector) { return {vector.x, vector.y, vector.z}; }

D3DLIGHT9 ToD3d(const Light& light) {
    D3DLIGHT9 out{};
    out.Type = static_cast<D3DLIGHTTYPE>(light.type);
    out.Diffuse = ToD3d(light.diffuse);
    out.Specular = ToD3d(light.specular);
    out.Ambient = ToD3d(light.ambient);
    out.Position = ToD3d(light.position);
    out.Direction = ToD3d(light.direction);
    out.Range = light.range;
    out.Falloff = light.falloff;
    out.Attenuation0 = light.attenuation0;
    out.Attenuation1 = light.attenuation1;
    out.Attenuation2 = light.attenuation2;
    out.Theta = light.theta;
    out.Phi = light.phi;
    return out;
}

// The state accepts it first; what it refuses never reaches the device.
template <typename Check, typename Pass>
HResult Checked(Check check, Pass pass) {
    const HResult result = check();
    if (Failed(result)) {
        return result;
    }
    return SUCCEEDED(pass()) ? kOk : kFail;
}

}  // namespace

D3d9Device::D3d9Device(std::shared_ptr<D3d9Context> owner)
    : context(std::move(owner)), state(context->state), device(context->Device()) {}

D3d9Device::~D3d9Device() { context->Flush(); }

HResult D3d9Device::Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t stencil) {
    if (!IsClearable(flags)) {
        return kFail;
    }
    return context->Clear(flags, color, z, stencil);
}

HResult D3d9Device::BeginScene() {
    return Checked([&] { return state.inScene ? kFail : kOk; },
                   [&] {
                       const HRESULT result = device.BeginScene();
                       state.inScene = SUCCEEDED(result);
                       return result;
                   });
}

HResult D3d9Device::EndScene() {
    return Checked([&] { return state.inScene ? kOk : kFail; },
                   [&] {
                       context->Flush();
                       state.inScene = false;
                       return device.EndScene();
                   });
}

HResult D3d9Device::Present() { return context->Present(); }

HResult D3d9Device::SetTransform(TransformType type, const gfx::Matrix& matrix) {
    if (type == TransformType::kWorld) {
        return state.SetTransform(type, matrix);  // travels with each draw
    }
    if (!TransformEndsRun(state, type, matrix)) {
        return kOk;
    }
    context->Flush();
    const D3DMATRIX value = ToD3d(matrix);
    return Checked([&] { return state.SetTransform(type, matrix); },
                   [&] { return device.SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(type), &value); });
}

HResult D3d9Device::GetTransform(TransformType type, gfx::Matrix& matrix) const {
    return state.GetTransform(type, matrix);
}

HResult D3d9Device::GetViewport(gfx::Viewport& viewport) const {
    D3DVIEWPORT9 current{};
    if (FAILED(device.GetViewport(&current))) {
        return kFail;
    }
    viewport = {static_cast<unsigned>(current.X), static_cast<unsigned>(current.Y),
                static_cast<unsigned>(current.Width), static_cast<unsigned>(current.Height), current.MinZ,
                current.MaxZ};
    return kOk;
}

HResult D3d9Device::SetMaterial(const Material& material) {
    state.material = material;  // travels with each draw
    return kOk;
}

HResult D3d9Device::SetLight(std::uint32_t index, const Light& light) {
    context->Flush();
    const D3DLIGHT9 value = ToD3d(light);
    return Checked([&] { return state.SetLight(index, light); }, [&] { return device.SetLight(index, &value); });
}

HResult D3d9Device::LightEnable(std::uint32_t index, bool enable) {
    if (!LightEnableEndsRun(state, index, enable)) {
        return kOk;
    }
    context->Flush();
    return Checked([&] { return state.LightEnable(index, enable); },
                   [&] { return device.LightEnable(index, enable ? TRUE : FALSE); });
}

HResult D3d9Device::SetRenderState(RenderState type, std::uint32_t value) {
    if (!RenderStateEndsRun(state, type, value)) {
        return kOk;
    }
    context->Flush();
    return Checked([&] { return state.SetRenderState(type, value); },
                   [&] { return device.SetRenderState(static_cast<D3DRENDERSTATETYPE>(type), value); });
}

HResult D3d9Device::SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
    if (!StageStateEndsRun(state, stage, type, value)) {
        return kOk;
    }
    context->Flush();
    return Checked(
        [&] { return state.SetTextureStageState(stage, type, value); },
        [&] { return device.SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value); });
}

HResult D3d9Device::SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
    if (!SamplerStateEndsRun(state, sampler, type, value)) {
        return kOk;
    }
    context->Flush();
    return Checked([&] { return state.SetSamplerState(sampler, type, value); },
                   [&] { return device.SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), value); });
}

HResult D3d9Device::SetTexture(std::uint32_t stage, Texture* texture) {
    IDirect3DTexture9* object = context->TextureObject(texture);
    if (texture != nullptr && object == nullptr) {
        return kFail;  // made by another device
    }
    if (!TextureEndsRun(state, stage, texture)) {
        return kOk;
    }
    context->Flush();
    return Checked([&] { return state.SetTexture(stage, texture); },
                   [&] { return device.SetTexture(stage, object); });
}

HResult D3d9Device::CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf, Pool pool,
                                       std::unique_ptr<VertexBuffer>& buffer) {
    buffer = D3d9VertexBuffer::Create(context, length, usage, fvf, pool);
    return buffer ? kOk : kFail;
}

HResult D3d9Device::SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                                    std::uint32_t stride) {
    IDirect3DVertexBuffer9* object = context->BufferObject(buffer);
    if (buffer != nullptr && object == nullptr) {
        return kFail;  // made by another device
    }
    if (!StreamEndsRun(state, stream, buffer, offset, stride)) {
        return kOk;
    }
    context->Flush();
    return Checked([&] { return state.SetStreamSource(stream, buffer, offset, stride); },
                   [&] { return device.SetStreamSource(stream, object, offset, stride); });
}

HResult D3d9Device::SetFVF(std::uint32_t fvf) {
    if (!FvfEndsRun(state, fvf)) {
        return kOk;
    }
    context->Flush();
    state.fvf = fvf;
    return SUCCEEDED(device.SetFVF(fvf)) ? kOk : kFail;
}

HResult D3d9Device::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
    return context->DrawPrimitive(type, startVertex, primitiveCount);
}

HResult D3d9Device::CreateMesh(const gfx::MeshData& data, std::unique_ptr<Mesh>& mesh) {
    mesh = D3d9Mesh::Create(context, data);
    return mesh ? kOk : kFail;
}

HResult D3d9Device::CreateTexture(const gfx::Image& image, std::unique_ptr<Texture>& texture) {
    texture = D3d9Texture::Create(context, image);
    return texture ? kOk : kFail;
}

HResult D3d9Device::ReadBackBuffer(gfx::Image& image) { return context->ReadBack(image) ? kOk : kFail; }
void D3d9Device::SetBatching(bool enable) { context->SetBatching(enable); }
bool D3d9Device::SetColourPrecision(ColourPrecision precision) { return context->SetColourPrecision(precision); }
void D3d9Device::Finish() { context->Finish(); }
DeviceStats D3d9Device::Stats() const { return context->Stats(); }
void D3d9Device::ResetStats() { context->ResetStats(); }
std::string D3d9Device::RendererName() const { return context->RendererName(); }

}  // namespace scene::d3d9
