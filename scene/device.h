#pragma once
// The graphics device every drawing part of the saver talks to: the Direct3D 9 operations the
// drawing code uses, with their semantics (row vectors, left-handed, clockwise front faces,
// fixed-function lighting and texture stage 0). Two back ends implement it, one per build: on
// Linux OpenGL 3.3 through EGL (scene/gl/), which reproduces those semantics in one shader;
// on Windows Direct3D 9 itself (scene/d3d9/), which passes them through. A recording
// implementation for tests lives in scene/recording_device.h. No window-system or graphics
// API header is needed to use it.
//
// Numeric values of states and options are those of Direct3D 9, so recorded calls read as the
// familiar constants and a Direct3D back end can pass them straight through.
//
// Failures have one shape at this interface: every operation that can fail returns kOk or
// kFail, and one that makes an object leaves its out-parameter empty when it fails. Factories
// that make a whole device (device_factory.h) return nothing instead.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "gfx/math.h"
#include "platform/result.h"

namespace scene {

using platform::HResult;
using platform::kFail;
using platform::kOk;
using platform::Failed;
using platform::Succeeded;

enum class TransformType : std::uint32_t { kView = 2, kProjection = 3, kWorld = 256 };

enum class RenderState : std::uint32_t {
    kZEnable = 7,
    kZWriteEnable = 14,
    kSrcBlend = 19,
    kDestBlend = 20,
    kCullMode = 22,
    kZFunc = 23,
    kAlphaBlendEnable = 27,
    kSpecularEnable = 29,
    kLighting = 137,
    kAmbient = 139,
};

// Values for kZFunc.
enum Cmp : std::uint32_t { kCmpNever = 1, kCmpLess = 2, kCmpEqual = 3, kCmpLessEqual = 4, kCmpGreater = 5, kCmpAlways = 8 };
// Values for kSrcBlend and kDestBlend.
enum Blend : std::uint32_t { kBlendZero = 1, kBlendOne = 2, kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6 };
// Values for kCullMode: kCullCcw, the default, removes faces that are counter-clockwise on screen.
enum Cull : std::uint32_t { kCullNone = 1, kCullCw = 2, kCullCcw = 3 };

enum class TextureStageState : std::uint32_t {
    kColorOp = 1,
    kColorArg1 = 2,
    kColorArg2 = 3,
    kAlphaOp = 4,
    kAlphaArg1 = 5,
    kAlphaArg2 = 6,
};

enum TextureOp : std::uint32_t { kTopDisable = 1, kTopSelectArg1 = 2, kTopSelectArg2 = 3, kTopModulate = 4 };
enum TextureArg : std::uint32_t { kTaDiffuse = 0, kTaCurrent = 1, kTaTexture = 2 };

enum class SamplerState : std::uint32_t { kMagFilter = 5, kMinFilter = 6, kMipFilter = 7 };
enum TextureFilter : std::uint32_t { kTexfNone = 0, kTexfPoint = 1, kTexfLinear = 2 };

enum class PrimitiveType : std::uint32_t { kTriangleList = 4, kTriangleStrip = 5 };

// Flexible vertex format bits; the saver uses position + normal + one texture coordinate pair.
enum Fvf : std::uint32_t { kFvfXyz = 0x002, kFvfNormal = 0x010, kFvfTex1 = 0x100 };

// Clear flags.
enum ClearFlags : std::uint32_t { kClearTarget = 1, kClearZBuffer = 2, kClearStencil = 4 };

enum class Pool : std::uint32_t { kDefault = 0, kManaged = 1, kSystemMem = 2 };
enum Usage : std::uint32_t { kUsageWriteOnly = 8 };

struct Material {
    gfx::ColorValue diffuse, ambient, specular, emissive;
    float power = 0;
};

enum class LightType : std::uint32_t { kPoint = 1, kSpot = 2, kDirectional = 3 };

struct Light {
    LightType type = LightType::kDirectional;
    gfx::ColorValue diffuse, specular, ambient;
    gfx::Vec3 position, direction;
    float range = 0, falloff = 0, attenuation0 = 0, attenuation1 = 0, attenuation2 = 0, theta = 0, phi = 0;
};

class Texture {
public:
    virtual ~Texture() = default;
    virtual unsigned Width() const = 0;   // of level 0, after rounding up to a power of two
    virtual unsigned Height() const = 0;
};

class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;
    virtual std::size_t Length() const = 0;
    // The whole buffer for writing; empty when it cannot be locked.
    virtual std::span<std::byte> Lock() = 0;
    virtual void Unlock() = 0;
};

// A mesh made from a mesh file: one subset per material, subset j drawn with material j.
class Mesh {
public:
    virtual ~Mesh() = default;
    virtual HResult DrawSubset(std::uint32_t subset) = 0;
    virtual std::uint32_t SubsetCount() const = 0;
    virtual std::uint32_t VertexCount() const = 0;
};

}  // namespace scene

namespace gfx {
struct MeshData;
struct Image;
}  // namespace gfx

namespace scene {

class Device {
public:
    virtual ~Device() = default;

    virtual HResult Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t stencil) = 0;
    virtual HResult BeginScene() = 0;
    virtual HResult EndScene() = 0;
    virtual HResult Present() = 0;

    virtual HResult SetTransform(TransformType type, const gfx::Matrix& matrix) = 0;
    virtual HResult GetTransform(TransformType type, gfx::Matrix& matrix) const = 0;
    virtual HResult GetViewport(gfx::Viewport& viewport) const = 0;

    virtual HResult SetMaterial(const Material& material) = 0;
    virtual HResult SetLight(std::uint32_t index, const Light& light) = 0;
    virtual HResult LightEnable(std::uint32_t index, bool enable) = 0;

    virtual HResult SetRenderState(RenderState state, std::uint32_t value) = 0;
    virtual HResult SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) = 0;
    virtual HResult SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) = 0;
    virtual HResult SetTexture(std::uint32_t stage, Texture* texture) = 0;  // nullptr unbinds

    virtual HResult CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf, Pool pool,
                                       std::unique_ptr<VertexBuffer>& buffer) = 0;
    virtual HResult SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                                    std::uint32_t stride) = 0;
    virtual HResult SetFVF(std::uint32_t fvf) = 0;
    virtual HResult DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) = 0;

    // Device objects from decoded data; the utility functions in scene/d3dx.h build on these.
    virtual HResult CreateMesh(const gfx::MeshData& data, std::unique_ptr<Mesh>& mesh) = 0;
    // `image` is level 0; the device makes the rest of the mip chain and rounds sizes up.
    virtual HResult CreateTexture(const gfx::Image& image, std::unique_ptr<Texture>& texture) = 0;
};

}  // namespace scene
