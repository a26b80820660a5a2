#include "scene/recording_device.h"

#include <algorithm>
#include <array>
#include <bit>

#include "gfx/image.h"
#include "gfx/mesh_file.h"

namespace scene {

struct RecordingJournal {
    std::vector<RecordedCall> calls;
    std::set<CallKind> failing;
    DeviceState state;
    std::set<const class RecordingVertexBuffer*> buffers;
    std::size_t textures = 0;
    std::size_t meshes = 0;

    bool Fails(CallKind kind) const { return failing.contains(kind); }

    // Records `call` with the result of `apply`, which runs only when the kind is not made to fail.
    template <typename Apply>
    HResult Record(RecordedCall call, Apply apply) {
        call.result = Fails(call.kind) ? kFail : apply();
        calls.push_back(call);
        return call.result;
    }

    // A draw, with the state it draws with.
    RecordedCall DrawCall(CallKind kind) const {
        RecordedCall call;
        call.kind = kind;
        call.world = state.world;
        call.material = state.material;
        call.texture = state.texture;
        call.buffer = state.stream.buffer;
        call.offset = state.stream.offset;
        call.stride = state.stream.stride;
        call.fvf = state.fvf;
        call.inScene = state.inScene;
        return call;
    }
};

namespace {

constexpr std::array kCallKindNames{
    "Clear",           "BeginScene",          "EndScene",           "Present",         "SetTransform",
    "SetMaterial",     "SetLight",            "LightEnable",        "SetRenderState",  "SetTextureStageState",
    "SetSamplerState", "SetTexture",          "CreateVertexBuffer", "SetStreamSource", "SetFVF",
    "DrawPrimitive",   "CreateMesh",          "CreateTexture",      "DrawSubset",      "Lock",
    "Unlock",
};
static_assert(kCallKindNames.size() == static_cast<std::size_t>(CallKind::kUnlock) + 1);

RecordedCall Call(CallKind kind) {
    RecordedCall call;
    call.kind = kind;
    return call;
}

class RecordingTexture final : public Texture {
public:
    RecordingTexture(std::shared_ptr<RecordingJournal> owner, unsigned width, unsigned height)
        : journal(std::move(owner)), widthPixels(width), heightPixels(height) {
        ++journal->textures;
    }
    ~RecordingTexture() override {
        --journal->textures;
        if (journal->state.texture == this) {
            journal->state.texture = nullptr;  // a device holds no dangling binding
        }
    }
    unsigned Width() const override { return widthPixels; }
    unsigned Height() const override { return heightPixels; }

private:
    std::shared_ptr<RecordingJournal> journal;
    unsigned widthPixels, heightPixels;
};

class RecordingMesh final : public Mesh {
public:
    RecordingMesh(std::shared_ptr<RecordingJournal> owner, std::uint32_t subsets, std::uint32_t vertices)
        : journal(std::move(owner)), subsetCount(subsets), vertexCount(vertices) {
        ++journal->meshes;
    }
    ~RecordingMesh() override { --journal->meshes; }

    HResult DrawSubset(std::uint32_t subset) override {
        RecordedCall call = journal->DrawCall(CallKind::kDrawSubset);
        call.mesh = this;
        call.subset = subset;
        return journal->Record(call, [&] { return subset < subsetCount ? kOk : kFail; });
    }
    std::uint32_t SubsetCount() const override { return subsetCount; }
    std::uint32_t VertexCount() const override { return vertexCount; }

private:
    std::shared_ptr<RecordingJournal> journal;
    std::uint32_t subsetCount, vertexCount;
};

}  // namespace

class RecordingVertexBuffer final : public VertexBuffer {
public:
    RecordingVertexBuffer(std::shared_ptr<RecordingJournal> owner, std::size_t length)
        : journal(std::move(owner)), memory(length) {
        journal->buffers.insert(this);
    }
    ~RecordingVertexBuffer() override {
        journal->buffers.erase(this);
        if (journal->state.stream.buffer == this) {
            journal->state.stream = {};  // a device holds no dangling binding
        }
    }

    std::size_t Length() const override { return memory.size(); }
    std::span<std::byte> Lock() override {
        RecordedCall call = Call(CallKind::kLock);
        call.buffer = this;
        bool locked = Succeeded(journal->Record(call, [] { return kOk; }));
        return locked ? std::span<std::byte>(memory) : std::span<std::byte>();
    }
    void Unlock() override {
        RecordedCall call = Call(CallKind::kUnlock);
        call.buffer = this;
        journal->Record(call, [] { return kOk; });
    }
    std::span<const std::byte> Contents() const { return memory; }

private:
    std::shared_ptr<RecordingJournal> journal;
    std::vector<std::byte> memory;
};

std::string_view CallKindName(CallKind kind) { return kCallKindNames.at(static_cast<std::size_t>(kind)); }

RecordingDevice::RecordingDevice() : journal(std::make_shared<RecordingJournal>()) {
    journal->state.viewport = {0, 0, 640, 480, 0, 1};
}

RecordingDevice::~RecordingDevice() = default;

const std::vector<RecordedCall>& RecordingDevice::Calls() const { return journal->calls; }

std::vector<RecordedCall> RecordingDevice::CallsOf(CallKind kind) const {
    std::vector<RecordedCall> found;
    std::ranges::copy_if(journal->calls, std::back_inserter(found),
                         [kind](const RecordedCall& call) { return call.kind == kind; });
    return found;
}

std::size_t RecordingDevice::Count(CallKind kind) const {
    return static_cast<std::size_t>(
        std::ranges::count_if(journal->calls, [kind](const RecordedCall& call) { return call.kind == kind; }));
}

std::vector<RecordedCall> RecordingDevice::Draws() const {
    std::vector<RecordedCall> found;
    std::ranges::copy_if(journal->calls, std::back_inserter(found), [](const RecordedCall& call) {
        return Succeeded(call.result) && (call.kind == CallKind::kDrawPrimitive || call.kind == CallKind::kDrawSubset);
    });
    return found;
}

std::vector<std::uint32_t> RecordingDevice::ValuesSet(RenderState state) const {
    std::vector<std::uint32_t> values;
    for (const RecordedCall& call : journal->calls) {
        if (call.kind == CallKind::kSetRenderState && call.renderState == state) {
            values.push_back(call.value);
        }
    }
    return values;
}

void RecordingDevice::ForgetCalls() { journal->calls.clear(); }

void RecordingDevice::FailOn(CallKind kind, bool fail) {
    if (fail) {
        journal->failing.insert(kind);
    } else {
        journal->failing.erase(kind);
    }
}

const DeviceState& RecordingDevice::State() const { return journal->state; }

void RecordingDevice::SetViewport(const gfx::Viewport& viewport) { journal->state.viewport = viewport; }

std::span<const std::byte> RecordingDevice::Contents(const VertexBuffer* buffer) const {
    for (const RecordingVertexBuffer* live : journal->buffers) {
        if (live == buffer) {
            return live->Contents();
        }
    }
    return {};
}

std::size_t RecordingDevice::LiveTextures() const { return journal->textures; }
std::size_t RecordingDevice::LiveVertexBuffers() const { return journal->buffers.size(); }
std::size_t RecordingDevice::LiveMeshes() const { return journal->meshes; }

std::unique_ptr<Texture> RecordingDevice::MakeTexture(unsigned width, unsigned height) {
    return std::make_unique<RecordingTexture>(journal, width, height);
}

std::unique_ptr<Mesh> RecordingDevice::MakeMesh(std::uint32_t subsetCount, std::uint32_t vertexCount) {
    return std::make_unique<RecordingMesh>(journal, subsetCount, vertexCount);
}

HResult RecordingDevice::Clear(std::uint32_t flags, std::uint32_t color, float z, std::uint32_t stencil) {
    RecordedCall call = Call(CallKind::kClear);
    call.flags = flags;
    call.color = color;
    call.z = z;
    call.stencil = stencil;
    return journal->Record(call, [flags] { return IsClearable(flags) ? kOk : kFail; });
}

HResult RecordingDevice::BeginScene() {
    return journal->Record(Call(CallKind::kBeginScene), [this] {
        if (journal->state.inScene) {
            return kFail;  // scenes do not nest
        }
        journal->state.inScene = true;
        return kOk;
    });
}

HResult RecordingDevice::EndScene() {
    return journal->Record(Call(CallKind::kEndScene), [this] {
        if (!journal->state.inScene) {
            return kFail;
        }
        journal->state.inScene = false;
        return kOk;
    });
}

HResult RecordingDevice::Present() { return journal->Record(Call(CallKind::kPresent), [] { return kOk; }); }

HResult RecordingDevice::SetTransform(TransformType type, const gfx::Matrix& matrix) {
    RecordedCall call = Call(CallKind::kSetTransform);
    call.transform = type;
    call.matrix = matrix;
    return journal->Record(call, [&] { return journal->state.SetTransform(type, matrix); });
}

HResult RecordingDevice::GetTransform(TransformType type, gfx::Matrix& matrix) const {
    return journal->state.GetTransform(type, matrix);
}

HResult RecordingDevice::GetViewport(gfx::Viewport& viewport) const {
    viewport = journal->state.viewport;
    return kOk;
}

HResult RecordingDevice::SetMaterial(const Material& material) {
    RecordedCall call = Call(CallKind::kSetMaterial);
    call.material = material;
    return journal->Record(call, [&] {
        journal->state.material = material;
        return kOk;
    });
}

HResult RecordingDevice::SetLight(std::uint32_t index, const Light& light) {
    RecordedCall call = Call(CallKind::kSetLight);
    call.index = index;
    call.light = light;
    return journal->Record(call, [&] { return journal->state.SetLight(index, light); });
}

HResult RecordingDevice::LightEnable(std::uint32_t index, bool enable) {
    RecordedCall call = Call(CallKind::kLightEnable);
    call.index = index;
    call.enable = enable;
    return journal->Record(call, [&] { return journal->state.LightEnable(index, enable); });
}

HResult RecordingDevice::SetRenderState(RenderState state, std::uint32_t value) {
    RecordedCall call = Call(CallKind::kSetRenderState);
    call.renderState = state;
    call.value = value;
    return journal->Record(call, [&] { return journal->state.SetRenderState(state, value); });
}

HResult RecordingDevice::SetTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
    RecordedCall call = Call(CallKind::kSetTextureStageState);
    call.stage = stage;
    call.stageState = type;
    call.value = value;
    return journal->Record(call, [&] { return journal->state.SetTextureStageState(stage, type, value); });
}

HResult RecordingDevice::SetSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
    RecordedCall call = Call(CallKind::kSetSamplerState);
    call.stage = sampler;
    call.samplerState = type;
    call.value = value;
    return journal->Record(call, [&] { return journal->state.SetSamplerState(sampler, type, value); });
}

HResult RecordingDevice::SetTexture(std::uint32_t stage, Texture* texture) {
    RecordedCall call = Call(CallKind::kSetTexture);
    call.stage = stage;
    call.texture = texture;
    return journal->Record(call, [&] { return journal->state.SetTexture(stage, texture); });
}

HResult RecordingDevice::CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf, Pool pool,
                                            std::unique_ptr<VertexBuffer>& buffer) {
    RecordedCall call = Call(CallKind::kCreateVertexBuffer);
    call.length = length;
    call.usage = usage;
    call.fvf = fvf;
    call.pool = pool;
    buffer.reset();
    if (!journal->Fails(call.kind) && length > 0) {
        buffer = std::make_unique<RecordingVertexBuffer>(journal, length);
    }
    call.buffer = buffer.get();
    return journal->Record(call, [&] { return buffer ? kOk : kFail; });
}

HResult RecordingDevice::SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                                         std::uint32_t stride) {
    RecordedCall call = Call(CallKind::kSetStreamSource);
    call.stage = stream;
    call.buffer = buffer;
    call.offset = offset;
    call.stride = stride;
    return journal->Record(call, [&] { return journal->state.SetStreamSource(stream, buffer, offset, stride); });
}

HResult RecordingDevice::SetFVF(std::uint32_t fvf) {
    RecordedCall call = Call(CallKind::kSetFVF);
    call.fvf = fvf;
    return journal->Record(call, [&] {
        journal->state.fvf = fvf;
        return kOk;
    });
}

HResult RecordingDevice::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
    RecordedCall call = journal->DrawCall(CallKind::kDrawPrimitive);
    call.primitive = type;
    call.startVertex = startVertex;
    call.primitiveCount = primitiveCount;
    return journal->Record(call, [&] { return journal->state.CheckDraw(type, startVertex, primitiveCount); });
}

HResult RecordingDevice::CreateMesh(const gfx::MeshData& data, std::unique_ptr<Mesh>& mesh) {
    RecordedCall call = Call(CallKind::kCreateMesh);
    mesh.reset();
    if (!journal->Fails(call.kind) && IsUsableMesh(data)) {
        mesh = MakeMesh(static_cast<std::uint32_t>(data.subsets.size()), static_cast<std::uint32_t>(data.vertices.size()));
    }
    call.mesh = mesh.get();
    return journal->Record(call, [&] { return mesh ? kOk : kFail; });
}

HResult RecordingDevice::CreateTexture(const gfx::Image& image, std::unique_ptr<Texture>& texture) {
    RecordedCall call = Call(CallKind::kCreateTexture);
    texture.reset();
    if (!journal->Fails(call.kind) && IsUsableImage(image)) {
        texture = MakeTexture(std::bit_ceil(image.width), std::bit_ceil(image.height));
    }
    call.texture = texture.get();
    return journal->Record(call, [&] { return texture ? kOk : kFail; });
}

}  // namespace scene
