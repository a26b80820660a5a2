#pragma once
// What the OpenGL device's objects share: the context, the back buffer (a framebuffer object
// that Present scales onto the window), the device state and the queue of instanced puffs.
// The device and every texture, buffer and mesh it made hold it, so the context outlives all
// of them and an object released after its device still cleans up in the right context.
//
// Inside the OpenGL layer a failure is a false or a null result (the renderer that Create did
// not make, a read-back that did not happen); the device turns them into the result codes of
// scene/device.h at its interface.

#include <epoxy/gl.h>

#include <memory>
#include <optional>
#include <vector>

#include "gfx/image.h"
#include "scene/device_factory.h"
#include "scene/device_state.h"
#include "scene/draw_run.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/fixed_function_program.h"
#include "scene/gl/frame_pacer.h"
#include "scene/gl/half_float_pixels.h"
#include "scene/gl/shm_presenter.h"

namespace scene::gl {

class GlRenderer {
public:
    // Null when the context lacks what the device needs (the device factory then makes no
    // device).
    static std::shared_ptr<GlRenderer> Create(std::unique_ptr<EglContext> context, unsigned width, unsigned height);
    ~GlRenderer();
    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    bool MakeCurrent() { return context->MakeCurrent(); }

    // Marks state for upload before the next draw; the device flushes first.
    void StateChanged() { stateDirty = true; }
    void StreamChanged() { streamDirty = true; }
    // GL objects were created or filled outside the renderer: rebind everything before drawing.
    void BindingsChanged() {
        stateDirty = streamDirty = true;
        boundArray = 0;
    }

    // Draws what the queue holds as one instanced draw per vertex range.
    void Flush();
    HResult DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount);
    // An indexed triangle list from a mesh's own vertex array, with the device's state.
    void DrawIndexed(GLuint vertexArray, std::uint32_t firstIndex, std::uint32_t indexCount);

    HResult Clear(std::uint32_t flags, std::uint32_t color, float z);
    HResult Present();
    bool ReadBack(gfx::Image& image);

    void SetBatching(bool enable);
    bool SetColourPrecision(ColourPrecision wanted);
    void Finish();
    const DeviceStats& Stats() const { return stats; }
    void ResetStats() { stats = {}; }
    std::string RendererName() const;

    // The GL name of a texture or buffer object made for this renderer; 0 for anything else.
    GLuint TextureName(const Texture* texture) const;
    GLuint BufferName(const VertexBuffer* buffer) const;
    // A texture or buffer is going away: nothing queued may use it, and no state may name it.
    void Forget(const Texture* texture);
    void Forget(const VertexBuffer* buffer);

    DeviceState state;
    // The objects made on this renderer, for telling them from objects of other devices.
    std::vector<const Texture*> textures;
    std::vector<const VertexBuffer*> buffers;

private:
    GlRenderer(std::unique_ptr<EglContext> owned, unsigned width, unsigned height);
    bool SetUp();
    void PaceIfTheSwapDoesNot();
    bool PresentThroughSharedMemory(unsigned windowWidth, unsigned windowHeight);
    bool ReadScaledFrame(std::uint8_t* pixels, unsigned windowWidth, unsigned windowHeight);
    bool ReadFrame(std::uint8_t* pixels, ByteOrder order);
    bool SizePresentBuffer(unsigned windowWidth, unsigned windowHeight);
    void ApplyState(MaterialTraits materials);
    bool BlendingIsANoOp() const;
    void BindStream();
    void UseInstanceArrays(bool instanced);
    void DrawQueued();
    // Counts triangles sent and bounds the rasteriser's queue with fences.
    void Sent(std::uint64_t triangles);
    static void ReleaseFence(GLsync& sync, bool wait);

    std::unique_ptr<EglContext> context;
    unsigned width, height;
    FixedFunctionPrograms programs;
    GLuint framebuffer = 0, colourBuffer = 0, depthBuffer = 0;
    ColourPrecision precision = kDrawingPrecision;
    std::vector<std::uint16_t> halfBand;  // rows of the frame on their way to bytes
    // The frame at the window's size, read back for shared-memory presentation.
    GLuint presentFramebuffer = 0, presentBuffer = 0;
    unsigned presentWidth = 0, presentHeight = 0;
    GLuint streamArray = 0, instanceBuffer = 0, whiteTexture = 0, sampler = 0;
    std::optional<FramePacer> pacer;  // on a window whose swap does not wait for the retrace
    std::unique_ptr<ShmPresenter> shm;  // on a window drawn by the software rasteriser
    bool windowGone = false;  // the shared-memory presenter found its window destroyed
    std::size_t instanceCapacity = 0;  // bytes of storage instanceBuffer has
    bool stateDirty = true, streamDirty = true;
    bool instanceArraysOn = false;
    MaterialTraits programMaterials{true, false};  // what the current program was chosen for
    GLuint boundArray = 0;

    bool batching = true;
    DrawRun run;
    std::vector<InstanceData> queue;  // the run's instances as the program reads them
    GLsync fence = nullptr;  // marks the end of the run of draws sent before the current one
    std::uint64_t trianglesSinceFence = 0;
    DeviceStats stats;
};

}  // namespace scene::gl
