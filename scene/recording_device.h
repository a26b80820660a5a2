#pragma once
// A device for tests: it draws nothing, but records every call with its arguments in order,
// keeps the state a real device keeps (transforms, viewport, material, lights, states, bound
// texture and stream), makes working textures, meshes and vertex buffers (a buffer's Lock
// gives real memory that can be read back), and can be told to fail chosen operations.
//
//   scene::RecordingDevice device;
//   device.FailOn(scene::CallKind::kCreateVertexBuffer);
//   ... run the code under test ...
//   for (const auto& draw : device.CallsOf(scene::CallKind::kDrawPrimitive)) { draw.world ... }

#include <cstddef>
#include <memory>
#include <set>
#include <span>
#include <string_view>
#include <vector>

#include "scene/device.h"
#include "scene/device_state.h"

namespace scene {

enum class CallKind {
    kClear,
    kBeginScene,
    kEndScene,
    kPresent,
    kSetTransform,
    kSetMaterial,
    kSetLight,
    kLightEnable,
    kSetRenderState,
    kSetTextureStageState,
    kSetSamplerState,
    kSetTexture,
    kCreateVertexBuffer,
    kSetStreamSource,
    kSetFVF,
    kDrawPrimitive,
    kCreateMesh,
    kCreateTexture,
    kDrawSubset,  // Mesh::DrawSubset
    kLock,        // VertexBuffer::Lock
    kUnlock,      // VertexBuffer::Unlock
};

std::string_view CallKindName(CallKind kind);

// One call. Only the fields its kind uses are filled; the others keep their initial values.
struct RecordedCall {
    CallKind kind = CallKind::kClear;
    HResult result = kOk;

    // Clear
    std::uint32_t flags = 0, color = 0, stencil = 0;
    float z = 0;
    // SetTransform
    TransformType transform = TransformType::kWorld;
    gfx::Matrix matrix;
    // SetMaterial; for draws, the material in force
    Material material;
    // SetLight, LightEnable
    std::uint32_t index = 0;
    Light light;
    bool enable = false;
    // SetRenderState, SetTextureStageState, SetSamplerState: the state and its new value
    RenderState renderState = RenderState::kZEnable;
    TextureStageState stageState = TextureStageState::kColorOp;
    SamplerState samplerState = SamplerState::kMagFilter;
    std::uint32_t stage = 0;  // the texture stage, sampler or stream number
    std::uint32_t value = 0;
    // SetTexture, CreateTexture (the texture made); for draws, the texture in force
    const Texture* texture = nullptr;
    // CreateVertexBuffer (the buffer made), SetStreamSource, Lock, Unlock; for draws, stream 0
    const VertexBuffer* buffer = nullptr;
    std::uint32_t offset = 0, stride = 0, length = 0, usage = 0;
    Pool pool = Pool::kDefault;
    // SetFVF, CreateVertexBuffer; for draws, the format in force
    std::uint32_t fvf = 0;
    // DrawPrimitive
    PrimitiveType primitive = PrimitiveType::kTriangleList;
    std::uint32_t startVertex = 0, primitiveCount = 0;
    // CreateMesh (the mesh made), DrawSubset
    const Mesh* mesh = nullptr;
    std::uint32_t subset = 0;
    // Draws: the world transform in force and whether a scene was begun
    gfx::Matrix world;
    bool inScene = false;
};

struct RecordingJournal;

class RecordingDevice final : public Device {
public:
    RecordingDevice();
    ~RecordingDevice() override;
    RecordingDevice(const RecordingDevice&) = delete;
    RecordingDevice& operator=(const RecordingDevice&) = delete;

    // --- for tests ---
    const std::vector<RecordedCall>& Calls() const;
    std::vector<RecordedCall> CallsOf(CallKind kind) const;
    std::size_t Count(CallKind kind) const;
    // DrawPrimitive and DrawSubset calls that succeeded, in order.
    std::vector<RecordedCall> Draws() const;
    // The values set for `state`, in order.
    std::vector<std::uint32_t> ValuesSet(RenderState state) const;
    // Forgets the calls recorded so far; state and objects stay.
    void ForgetCalls();

    // Makes every later call of `kind` fail (kFail, or an empty Lock) without changing state.
    void FailOn(CallKind kind, bool fail = true);

    const DeviceState& State() const;
    void SetViewport(const gfx::Viewport& viewport);  // 640 x 480 at start

    // The memory of a live vertex buffer made by this device; empty for any other pointer.
    std::span<const std::byte> Contents(const VertexBuffer* buffer) const;
    std::size_t LiveTextures() const;
    std::size_t LiveVertexBuffers() const;
    std::size_t LiveMeshes() const;

    // Objects as the Create operations make them, without a call being recorded.
    std::unique_ptr<Texture> MakeTexture(unsigned width, unsigned height);
    std::unique_ptr<Mesh> MakeMesh(std::uint32_t subsetCount, std::uint32_t vertexCount);

    // --- Device ---
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

private:
    // Objects keep the journal alive, so one that outlives its device still records harmlessly.
    std::shared_ptr<RecordingJournal> journal;
};

}  // namespace scene
