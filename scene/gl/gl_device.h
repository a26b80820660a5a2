#pragma once
// The device on OpenGL: keeps the device state, decides what a change of state means for the
// queue of instanced draws (a change of anything but world transform and material draws the
// queue first), and hands drawing to its renderer.

#include <memory>

#include "scene/device_factory.h"
#include "scene/gl/gl_renderer.h"

namespace scene::gl {

class GlDevice final : public RenderDevice {
public:
    explicit GlDevice(std::shared_ptr<GlRenderer> renderer);
    ~GlDevice() override;
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

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

private:
    // Draws what is queued, applies `change` to the state and marks the state for upload; a
    // change the state refuses leaves everything as it was.
    template <typename Change>
    HResult ChangeState(Change change);

    std::shared_ptr<GlRenderer> renderer;
    DeviceState& state;
};

}  // namespace scene::gl
