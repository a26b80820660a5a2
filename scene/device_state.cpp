#include "scene/device_state.h"

#include <algorithm>

#include "gfx/image.h"
#include "gfx/mesh_file.h"

namespace scene {

namespace {

constexpr std::uint32_t kTrue = 1;
constexpr std::uint32_t kFalse = 0;
constexpr std::uint32_t kBlendSrcAlphaSat = 11;  // the last of the factors every device here blends with

bool InRange(std::uint32_t value, std::uint32_t low, std::uint32_t high) { return value >= low && value <= high; }

bool ValidRenderStateValue(RenderState state, std::uint32_t value) {
    switch (state) {
    case RenderState::kZEnable:  // 2 would ask for a w-buffer, which no device here has
        return value <= kTrue;
    case RenderState::kSrcBlend:
    case RenderState::kDestBlend:
        return InRange(value, kBlendZero, kBlendSrcAlphaSat);
    case RenderState::kCullMode:
        return InRange(value, kCullNone, kCullCcw);
    case RenderState::kZFunc:
        return InRange(value, kCmpNever, kCmpAlways);
    case RenderState::kZWriteEnable:
    case RenderState::kAlphaBlendEnable:
    case RenderState::kSpecularEnable:
    case RenderState::kLighting:
    case RenderState::kAmbient:
        return true;
    }
    return false;
}

bool ValidStageStateValue(TextureStageState type, std::uint32_t value) {
    switch (type) {
    case TextureStageState::kColorOp:
    case TextureStageState::kAlphaOp:
        return InRange(value, kTopDisable, kTopModulate);
    case TextureStageState::kColorArg1:
    case TextureStageState::kColorArg2:
    case TextureStageState::kAlphaArg1:
    case TextureStageState::kAlphaArg2:
        return value <= kTaTexture;
    }
    return false;
}

bool ValidSamplerValue(SamplerState type, std::uint32_t value) {
    switch (type) {
    case SamplerState::kMagFilter:
    case SamplerState::kMinFilter:
        return InRange(value, kTexfPoint, kTexfLinear);
    case SamplerState::kMipFilter:
        return value <= kTexfLinear;
    }
    return false;
}

// The light a device enables when asked to enable an index that was never set.
Light DefaultLight() {
    Light light;
    light.type = LightType::kDirectional;
    light.diffuse = {1, 1, 1, 0};
    light.direction = {0, 0, 1};
    return light;
}

}  // namespace

DeviceState::DeviceState()
    : renderStates{{RenderState::kZEnable, kTrue},          {RenderState::kZWriteEnable, kTrue},
                   {RenderState::kSrcBlend, kBlendOne},     {RenderState::kDestBlend, kBlendZero},
                   {RenderState::kCullMode, kCullCcw},      {RenderState::kZFunc, kCmpLessEqual},
                   {RenderState::kAlphaBlendEnable, kFalse}, {RenderState::kSpecularEnable, kFalse},
                   {RenderState::kLighting, kTrue},         {RenderState::kAmbient, 0}},
      stageStates{{TextureStageState::kColorOp, kTopModulate}, {TextureStageState::kColorArg1, kTaTexture},
                  {TextureStageState::kColorArg2, kTaCurrent}, {TextureStageState::kAlphaOp, kTopSelectArg1},
                  {TextureStageState::kAlphaArg1, kTaTexture}, {TextureStageState::kAlphaArg2, kTaCurrent}},
      samplerStates{{SamplerState::kMagFilter, kTexfPoint},
                    {SamplerState::kMinFilter, kTexfPoint},
                    {SamplerState::kMipFilter, kTexfNone}} {}

HResult DeviceState::SetTransform(TransformType type, const gfx::Matrix& matrix) {
    switch (type) {
    case TransformType::kWorld: world = matrix; return kOk;
    case TransformType::kView: view = matrix; return kOk;
    case TransformType::kProjection: projection = matrix; return kOk;
    }
    return kFail;
}

HResult DeviceState::GetTransform(TransformType type, gfx::Matrix& matrix) const {
    switch (type) {
    case TransformType::kWorld: matrix = world; return kOk;
    case TransformType::kView: matrix = view; return kOk;
    case TransformType::kProjection: matrix = projection; return kOk;
    }
    return kFail;
}

HResult DeviceState::SetLight(std::uint32_t index, const Light& light) {
    if (!InRange(static_cast<std::uint32_t>(light.type), 1, 3)) {
        return kFail;
    }
    lights[index] = light;
    return kOk;
}

HResult DeviceState::LightEnable(std::uint32_t index, bool enable) {
    if (!enable) {
        lightEnabled.erase(index);
        return kOk;
    }
    if (!LightEnabled(index) && lightEnabled.size() >= kMaxActiveLights) {
        return kFail;
    }
    lights.try_emplace(index, DefaultLight());
    lightEnabled[index] = true;
    return kOk;
}

HResult DeviceState::SetRenderState(RenderState state, std::uint32_t value) {
    auto found = renderStates.find(state);
    if (found == renderStates.end() || !ValidRenderStateValue(state, value)) {
        return kFail;
    }
    found->second = value;
    return kOk;
}

HResult DeviceState::SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
    auto found = stageStates.find(type);
    if (stage != 0 || found == stageStates.end() || !ValidStageStateValue(type, value)) {
        return kFail;
    }
    found->second = value;
    return kOk;
}

HResult DeviceState::SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
    auto found = samplerStates.find(type);
    if (sampler != 0 || found == samplerStates.end() || !ValidSamplerValue(type, value)) {
        return kFail;
    }
    found->second = value;
    return kOk;
}

HResult DeviceState::SetTexture(std::uint32_t stage, Texture* newTexture) {
    if (stage != 0) {
        return kFail;
    }
    texture = newTexture;
    return kOk;
}

HResult DeviceState::SetStreamSource(std::uint32_t streamNumber, VertexBuffer* buffer, std::uint32_t offset,
                                     std::uint32_t stride) {
    if (streamNumber != 0) {
        return kFail;
    }
    stream = {buffer, offset, stride};
    return kOk;
}

std::uint64_t VertexCountOf(PrimitiveType type, std::uint32_t primitiveCount) {
    switch (type) {
    case PrimitiveType::kTriangleList: return std::uint64_t{primitiveCount} * 3;
    case PrimitiveType::kTriangleStrip: return primitiveCount == 0 ? 0 : std::uint64_t{primitiveCount} + 2;
    }
    return 0;
}

bool IsUsableMesh(const gfx::MeshData& data) {
    std::size_t vertexCount = data.vertices.size();
    bool indicesInRange = std::ranges::all_of(data.indices, [&](std::uint32_t i) { return i < vertexCount; });
    bool subsetsInRange = std::ranges::all_of(data.subsets, [&](const gfx::MeshSubset& subset) {
        return subset.indexCount % 3 == 0 &&
               std::uint64_t{subset.firstIndex} + subset.indexCount <= data.indices.size();
    });
    return vertexCount > 0 && indicesInRange && subsetsInRange;
}

bool IsUsableImage(const gfx::Image& image) {
    return image.width > 0 && image.height > 0 && image.width <= gfx::kMaxImageSide &&
           image.height <= gfx::kMaxImageSide && image.pixels.size() == std::size_t{image.width} * image.height * 4;
}

HResult DeviceState::CheckDraw(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) const {
    std::uint64_t count = VertexCountOf(type, primitiveCount);
    if (stream.buffer == nullptr || stream.stride == 0 || count == 0 || (fvf & kFvfXyz) == 0 ||
        (fvf & ~kDrawableFvf) != 0) {
        return kFail;
    }
    std::uint64_t end = stream.offset + (std::uint64_t{startVertex} + count) * stream.stride;
    return end <= stream.buffer->Length() ? kOk : kFail;
}

namespace {

DeviceState::StageOperation Effective(DeviceState::StageOperation set, bool hasTexture) {
    const bool readsMissingTexture =
        !hasTexture && set.op != kTopDisable &&
        ((set.arg1 == kTaTexture && set.op != kTopSelectArg2) || (set.arg2 == kTaTexture && set.op != kTopSelectArg1));
    return readsMissingTexture ? DeviceState::StageOperation{kTopSelectArg1, kTaCurrent, set.arg2} : set;
}

}  // namespace

DeviceState::StageOperation DeviceState::EffectiveColourOperation() const {
    return Effective({Get(TextureStageState::kColorOp), Get(TextureStageState::kColorArg1),
                      Get(TextureStageState::kColorArg2)},
                     texture != nullptr);
}

DeviceState::StageOperation DeviceState::EffectiveAlphaOperation() const {
    return Effective({Get(TextureStageState::kAlphaOp), Get(TextureStageState::kAlphaArg1),
                      Get(TextureStageState::kAlphaArg2)},
                     texture != nullptr);
}

std::array<const Light*, DeviceState::kMaxActiveLights> DeviceState::ActiveLights(std::uint32_t& count) const {
    std::array<const Light*, kMaxActiveLights> active{};
    count = 0;
    for (const auto& [index, enabled] : lightEnabled) {
        if (enabled && count < kMaxActiveLights) {
            active[count++] = &lights.at(index);
        }
    }
    return active;
}

const Light* DeviceState::FindLight(std::uint32_t index) const {
    auto found = lights.find(index);
    return found == lights.end() ? nullptr : &found->second;
}

bool DeviceState::LightEnabled(std::uint32_t index) const { return lightEnabled.contains(index); }

}  // namespace scene
