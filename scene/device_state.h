#pragma once
// The state a device keeps between calls, with the values a freshly created device starts
// with (depth buffer on, lighting on, counter-clockwise faces culled, stage 0 colour = texture
// x diffuse, point sampling, no mip filter). Every implementation of Device keeps its state
// here, so they agree on defaults and on which values are accepted.

#include <array>
#include <cstdint>
#include <map>

#include "scene/device.h"

namespace scene {

struct StreamSource {
    VertexBuffer* buffer = nullptr;
    std::uint32_t offset = 0;
    std::uint32_t stride = 0;
};

// The back buffer's depth buffer has no stencil bits, so a clear of the stencil is refused.
constexpr bool IsClearable(std::uint32_t flags) { return (flags & kClearStencil) == 0; }

// The vertex elements a draw may have: a position, then perhaps a normal and one texture
// coordinate pair, in that order.
inline constexpr std::uint32_t kDrawableFvf = kFvfXyz | kFvfNormal | kFvfTex1;

// Vertices read by `primitiveCount` primitives of `type`; 0 for an unknown type.
std::uint64_t VertexCountOf(PrimitiveType type, std::uint32_t primitiveCount);

// Whether decoded data can become a device object: a mesh whose subsets lie within its indices
// and whose indices lie within its vertices; an image with pixels for all of its size.
bool IsUsableMesh(const gfx::MeshData& data);
bool IsUsableImage(const gfx::Image& image);

class DeviceState {
public:
    static constexpr std::uint32_t kMaxActiveLights = 8;

    DeviceState();

    // Each setter returns kFail, leaving the state unchanged, for a value the device rejects.
    HResult SetTransform(TransformType type, const gfx::Matrix& matrix);
    HResult GetTransform(TransformType type, gfx::Matrix& matrix) const;
    HResult SetLight(std::uint32_t index, const Light& light);
    HResult LightEnable(std::uint32_t index, bool enable);
    HResult SetRenderState(RenderState state, std::uint32_t value);
    HResult SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value);
    HResult SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value);
    HResult SetTexture(std::uint32_t stage, Texture* texture);
    HResult SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset, std::uint32_t stride);

    // The current value; 0 for a state the device does not know.
    std::uint32_t Get(RenderState state) const { return ValueIn(renderStates, state); }
    std::uint32_t Get(TextureStageState type) const { return ValueIn(stageStates, type); }
    std::uint32_t Get(SamplerState type) const { return ValueIn(samplerStates, type); }
    // Whether a known state already has `value`, so that setting it again changes nothing.
    bool Holds(RenderState state, std::uint32_t value) const { return Holds(renderStates, state, value); }
    bool Holds(TextureStageState type, std::uint32_t value) const { return Holds(stageStates, type, value); }
    bool Holds(SamplerState type, std::uint32_t value) const { return Holds(samplerStates, type, value); }

    // kOk when stream 0 holds every vertex the draw reads and the vertex format is one the
    // device draws; kFail otherwise (nothing may be drawn).
    HResult CheckDraw(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) const;

    // Stage 0's colour or alpha operation as it is carried out. An operation that reads a
    // texture the stage does not have passes the current colour on instead (select argument 1,
    // the current colour), as Direct3D 9 does: untextured, a material's alpha comes through
    // even where the stage selects the texture's alpha.
    struct StageOperation {
        std::uint32_t op, arg1, arg2;
    };
    StageOperation EffectiveColourOperation() const;
    StageOperation EffectiveAlphaOperation() const;

    // Lights that are both set and enabled, in index order; at most kMaxActiveLights.
    std::array<const Light*, kMaxActiveLights> ActiveLights(std::uint32_t& count) const;
    const Light* FindLight(std::uint32_t index) const;
    bool LightEnabled(std::uint32_t index) const;

    gfx::Matrix world, view, projection;
    gfx::Viewport viewport;
    Material material;
    Texture* texture = nullptr;
    StreamSource stream;
    std::uint32_t fvf = 0;
    bool inScene = false;

private:
    template <typename Key>
    static std::uint32_t ValueIn(const std::map<Key, std::uint32_t>& values, Key key) {
        auto found = values.find(key);
        return found == values.end() ? 0 : found->second;
    }
    template <typename Key>
    static bool Holds(const std::map<Key, std::uint32_t>& values, Key key, std::uint32_t value) {
        auto found = values.find(key);
        return found != values.end() && found->second == value;
    }

    std::map<RenderState, std::uint32_t> renderStates;
    std::map<TextureStageState, std::uint32_t> stageStates;
    std::map<SamplerState, std::uint32_t> samplerStates;
    std::map<std::uint32_t, Light> lights;
    std::map<std::uint32_t, bool> lightEnabled;
};

}  // namespace scene
