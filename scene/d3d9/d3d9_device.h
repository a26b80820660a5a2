#pragma once
// The device on Direct3D 9: every operation checked against the device state the other
// devices keep (so all of them accept and refuse the same values), then passed to
// IDirect3DDevice9 as it is; the numbers of states and options are Direct3D's own. Draws are
// queued in runs by the rule every batching device follows (scene/draw_run.h): the world
// transform and material travel with each draw, and any other change draws the run first.

#include <memory>

#include "scene/d3d9/d3d9_context.h"

namespace scene::d3d9 {

class D3d9Device final : public RenderDevice {
public:
    explicit D3d9Device(std::shared_ptr<D3d9Context> context);
    ~D3d9Device() override;
    D3d9Device(const D3d9Device&) = delete;
    D3d9Device& operator=(const D3d9Device&) = delete;

    HResult Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t stencil) override;
    HResult BeginScene() override;
    HResult EndScene() override;
    HResult Present() override;
    HResult SetTransform(TransformType type, const gfx::Matrix& matrix) override;
    HResult GetTransform(TransformType type, gfx::Matrix& matrix) const override;
    HResult GetViewport(gfx::Viewport& viewport) const override;
    HResult SetMaterial(const Material& material) override;
    HResult SetLight(std::uint32_t index, const Light& light) override;
    HResult LightEnable(std::uint32_t index, bool enable) override;
    HResult SetRenderState(RenderState state, std::uint32_t value) override;
    HResult SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) override;
    HResult SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) override;
    HResult SetTexture(std::uint32_t stage, Texture* texture) override;
    HResult CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf, Pool pool,
                               std::unique_ptr<VertexBuffer>& buffer) override;
    HResult SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                            std::uint32_t stride) override;
    HResult SetFVF(std::uint32_t fvf) override;
    HResult DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) override;
    HResult CreateMesh(const gfx::MeshData& data, std::unique_ptr<Mesh>& mesh) override;
    HResult CreateTexture(const gfx::Image& image, std::unique_ptr<Texture>& texture) override;

    HResult ReadBackBuffer(gfx::Image& image) override;
    void SetBatching(bool enable) override;
    bool SetColourPrecision(ColourPrecision precision) override;
    void Finish() override;
    DeviceStats Stats() const override;
    void ResetStats() override;
    std::string RendererName() const override;

    // The Direct3D device itself, for tests that read back what reached it: what is queued is
    // drawn first, and the device holds the current world transform and material.
    IDirect3DDevice9& Direct3DDevice() const { return context->HandOut(); }

private:
    std::shared_ptr<D3d9Context> context;
    DeviceState& state;
    IDirect3DDevice9& device;
};

}  // namespace scene::d3d9
