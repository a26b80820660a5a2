#include "scene/draw_run.h"

#include <cstring>

namespace scene {

namespace {

bool NonNegative(const gfx::ColorValue& c) { return c.r >= 0 && c.g >= 0 && c.b >= 0; }

}  // namespace

bool TransformEndsRun(const DeviceState& state, TransformType type, const gfx::Matrix& matrix) {
    if (type == TransformType::kWorld) {
        return false;
    }
    gfx::Matrix current;
    return Failed(state.GetTransform(type, current)) || std::memcmp(current.m, matrix.m, sizeof matrix.m) != 0;
}

bool LightEnableEndsRun(const DeviceState& state, std::uint32_t index, bool enable) {
    return state.LightEnabled(index) != enable;
}

bool RenderStateEndsRun(const DeviceState& state, RenderState type, std::uint32_t value) {
    return !state.Holds(type, value);
}

bool StageStateEndsRun(const DeviceState& state, std::uint32_t stage, TextureStageState type, std::uint32_t value) {
    return stage != 0 || !state.Holds(type, value);
}

bool SamplerStateEndsRun(const DeviceState& state, std::uint32_t sampler, SamplerState type, std::uint32_t value) {
    return sampler != 0 || !state.Holds(type, value);
}

bool TextureEndsRun(const DeviceState& state, std::uint32_t stage, const Texture* texture) {
    return stage != 0 || texture != state.texture;
}

bool StreamEndsRun(const DeviceState& state, std::uint32_t stream, const VertexBuffer* buffer, std::uint32_t offset,
                   std::uint32_t stride) {
    const StreamSource& current = state.stream;
    return stream != 0 || current.buffer != buffer || current.offset != offset || current.stride != stride;
}

bool FvfEndsRun(const DeviceState& state, std::uint32_t fvf) { return fvf != state.fvf; }

bool LightsToWhite(const Material& material) {
    const gfx::ColorValue& e = material.emissive;
    return e.r >= 1 && e.g >= 1 && e.b >= 1 && NonNegative(material.ambient) && NonNegative(material.diffuse);
}

}  // namespace scene
