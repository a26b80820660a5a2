#pragma once
// How a device reads the drawing code's call stream as runs. The smoke code draws each puff
// with a call of its own: the same vertex range, the same states, only the world transform and
// the material changed in between. Such a sequence of draws is a run, and a device that batches
// draws a run at once: every other change of state, and every draw of another range, draws
// the run queued so far first, so that queued draws see exactly the state they were issued
// with. Every device that batches reads the stream by this one rule.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gfx/math.h"
#include "scene/device.h"
#include "scene/device_state.h"

namespace scene {

struct RunRange {
    PrimitiveType type = PrimitiveType::kTriangleList;
    std::uint32_t startVertex = 0;
    std::uint32_t primitiveCount = 0;
    bool operator==(const RunRange&) const = default;
};

// What each draw of a run carries of its own.
struct RunInstance {
    gfx::Matrix world;
    Material material;
};

class DrawRun {
public:
    // A run holds at most `capacity` draws; a longer one is drawn in parts.
    explicit DrawRun(std::size_t most) : capacity(most) { instances.reserve(most); }

    // Whether a draw of `range` may join the queued run; if not, the device draws the run first.
    bool Continues(const RunRange& next) const {
        return instances.empty() || (next == range && instances.size() < capacity);
    }
    void Add(const RunRange& next, const gfx::Matrix& world, const Material& material) {
        range = next;
        instances.push_back({world, material});
    }
    void Clear() { instances.clear(); }

    // Queues a draw with the world and material `state` holds. `flush` draws the run and
    // clears it: first when the draw does not continue the run, and at once when the device
    // does not batch.
    template <typename Flush>
    void Queue(const RunRange& next, const DeviceState& state, bool batching, Flush flush) {
        if (!Continues(next)) {
            flush();
        }
        Add(next, state.world, state.material);
        if (!batching) {
            flush();
        }
    }

    bool Empty() const { return instances.empty(); }
    const RunRange& Range() const { return range; }
    std::span<const RunInstance> Instances() const { return instances; }

private:
    std::size_t capacity;
    RunRange range;
    std::vector<RunInstance> instances;
};

// Whether a call changes what the queued run is drawn with, so that the run must be drawn
// before it takes effect. Setting what the state already holds changes nothing; the world
// transform and the material travel with each draw and end no run. Setting a light always
// ends the run.
bool TransformEndsRun(const DeviceState& state, TransformType type, const gfx::Matrix& matrix);
bool LightEnableEndsRun(const DeviceState& state, std::uint32_t index, bool enable);
bool RenderStateEndsRun(const DeviceState& state, RenderState type, std::uint32_t value);
bool StageStateEndsRun(const DeviceState& state, std::uint32_t stage, TextureStageState type, std::uint32_t value);
bool SamplerStateEndsRun(const DeviceState& state, std::uint32_t sampler, SamplerState type, std::uint32_t value);
bool TextureEndsRun(const DeviceState& state, std::uint32_t stage, const Texture* texture);
bool StreamEndsRun(const DeviceState& state, std::uint32_t stream, const VertexBuffer* buffer, std::uint32_t offset,
                   std::uint32_t stride);
bool FvfEndsRun(const DeviceState& state, std::uint32_t fvf);

// Whether `material` lights to white whatever the lights: its emissive colour alone saturates
// each channel and nothing it adds can be negative. Its lit alpha is still its diffuse alpha.
bool LightsToWhite(const Material& material);

}  // namespace scene
