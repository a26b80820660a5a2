#include "scene/gl/gl_device.h"

#include "scene/draw_run.h"
#include "scene/gl/gl_objects.h"

namespace scene::gl {

GlDevice::GlDevice(std::shared_ptr<GlRenderer> owner) : renderer(std::move(owner)), state(renderer->state) {}

GlDevice::~GlDevice() { renderer->Flush(); }

template <typename Change>
HResult GlDevice::ChangeState(Change change) {
    renderer->Flush();
    HResult result = change();
    if (Succeeded(result)) {
        renderer->StateChanged();
    }
    return result;
}

HResult GlDevice::Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t) {
    return renderer->Clear(flags, color, z);
}

HResult GlDevice::BeginScene() {
    if (state.inScene) {
        return kFail;  // scenes do not nest
    }
    state.inScene = true;
    return kOk;
}

HResult GlDevice::EndScene() {
    if (!state.inScene) {
        return kFail;
    }
    renderer->Flush();
    state.inScene = false;
    return kOk;
}

HResult GlDevice::Present() { return renderer->Present(); }

HResult GlDevice::SetTransform(TransformType type, const gfx::Matrix& matrix) {
    if (type == TransformType::kWorld) {
        return state.SetTransform(type, matrix);  // travels with each draw
    }
    if (!TransformEndsRun(state, type, matrix)) {
        return kOk;
    }
    return ChangeState([&] { return state.SetTransform(type, matrix); });
}

HResult GlDevice::GetTransform(TransformType type, gfx::Matrix& matrix) const {
    return state.GetTransform(type, matrix);
}

HResult GlDevice::GetViewport(gfx::Viewport& viewport) const {
    viewport = state.viewport;
    return kOk;
}

HResult GlDevice::SetMaterial(const Material& material) {
    state.material = material;  // travels with each draw
    return kOk;
}

HResult GlDevice::SetLight(std::uint32_t index, const Light& light) {
    return ChangeState([&] { return state.SetLight(index, light); });
}

HResult GlDevice::LightEnable(std::uint32_t index, bool enable) {
    if (!LightEnableEndsRun(state, index, enable)) {
        return kOk;
    }
    return ChangeState([&] { return state.LightEnable(index, enable); });
}

HResult GlDevice::SetRenderState(RenderState type, std::uint32_t value) {
    if (!RenderStateEndsRun(state, type, value)) {
        return kOk;
    }
    return ChangeState([&] { return state.SetRenderState(type, value); });
}

HResult GlDevice::SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
    if (!StageStateEndsRun(state, stage, type, value)) {
        return kOk;
    }
    return ChangeState([&] { return state.SetTextureStageState(stage, type, value); });
}

HResult GlDevice::SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
    if (!SamplerStateEndsRun(state, sampler, type, value)) {
        return kOk;
    }
    return ChangeState([&] { return state.SetSamplerState(sampler, type, value); });
}

HResult GlDevice::SetTexture(std::uint32_t stage, Texture* texture) {
    if (!TextureEndsRun(state, stage, texture)) {
        return kOk;
    }
    if (texture != nullptr && renderer->TextureName(texture) == 0) {
        return kFail;  // made by another device
    }
    return ChangeState([&] { return state.SetTexture(stage, texture); });
}

HResult GlDevice::CreateVertexBuffer(std::uint32_t length, std::uint32_t, std::uint32_t, Pool,
                                     std::unique_ptr<VertexBuffer>& buffer) {
    buffer.reset();
    if (length == 0 || !renderer->MakeCurrent()) {
        return kFail;
    }
    buffer = std::make_unique<GlVertexBuffer>(renderer, length);
    return kOk;
}

HResult GlDevice::SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                                  std::uint32_t stride) {
    if (!StreamEndsRun(state, stream, buffer, offset, stride)) {
        return kOk;
    }
    if (buffer != nullptr && renderer->BufferName(buffer) == 0) {
        return kFail;  // made by another device
    }
    renderer->Flush();
    HResult result = state.SetStreamSource(stream, buffer, offset, stride);
    renderer->StreamChanged();
    return result;
}

HResult GlDevice::SetFVF(std::uint32_t fvf) {
    if (FvfEndsRun(state, fvf)) {
        renderer->Flush();
        state.fvf = fvf;
        renderer->StreamChanged();
    }
    return kOk;
}

HResult GlDevice::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
    return renderer->DrawPrimitive(type, startVertex, primitiveCount);
}

HResult GlDevice::CreateMesh(const gfx::MeshData& data, std::unique_ptr<Mesh>& mesh) {
    mesh.reset();
    if (!IsUsableMesh(data) || !renderer->MakeCurrent()) {
        return kFail;
    }
    mesh = std::make_unique<GlMesh>(renderer, data);
    return kOk;
}

HResult GlDevice::CreateTexture(const gfx::Image& image, std::unique_ptr<Texture>& texture) {
    texture = GlTexture::Create(renderer, image);
    return texture ? kOk : kFail;
}

HResult GlDevice::ReadBackBuffer(gfx::Image& image) { return renderer->ReadBack(image) ? kOk : kFail; }
void GlDevice::SetBatching(bool enable) { renderer->SetBatching(enable); }
bool GlDevice::SetColourPrecision(ColourPrecision precision) { return renderer->SetColourPrecision(precision); }
void GlDevice::Finish() { renderer->Finish(); }
DeviceStats GlDevice::Stats() const { return renderer->Stats(); }
void GlDevice::ResetStats() { renderer->ResetStats(); }
std::string GlDevice::RendererName() const { return renderer->RendererName(); }

}  // namespace scene::gl
