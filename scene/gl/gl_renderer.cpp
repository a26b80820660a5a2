#include "scene/gl/gl_renderer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/heartbeat.h"
#include "scene/gl/gl_objects.h"

namespace scene::gl {

namespace {

// Instances per draw: a thousand puffs upload 128 KiB, and a trail's smoke takes a few draws.
constexpr std::size_t kMaxQueuedInstances = 1024;

// Triangles sent between two fences. A software rasteriser keeps every binned triangle of the
// work it has queued, and draws run far ahead of its threads: with full smoke trails a frame
// binned at once held about 7 MB more than with this bound.
constexpr std::uint64_t kTrianglesPerFence = 2048;

// Rows of a half-float frame read back at once: small enough to stay in the cache while they
// are converted, as many as a few hundred kilobytes hold.
constexpr unsigned kRowsPerBand = 32;

// Waits that long at most: a lost wait costs only the bound, never a frame.
constexpr GLuint64 kFenceTimeoutNs = 1'000'000'000;

constexpr std::array<GLenum, 11> kBlendFactors{
    GL_ZERO,      GL_ONE,       GL_SRC_COLOR,           GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA,         GL_ONE_MINUS_SRC_ALPHA,
    GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE,
};

GLenum BlendFactor(std::uint32_t value) { return kBlendFactors.at(value - kBlendZero); }

bool IsSoftwareRenderer(const std::string& name) {
    for (const char* software : {"llvmpipe", "softpipe", "swrast"}) {
        if (name.find(software) != std::string::npos) {
            return true;
        }
    }
    return false;
}

GLenum ColourFormat(ColourPrecision precision) {
    switch (precision) {
    case ColourPrecision::kHalfFloat: return GL_RGBA16F;
    case ColourPrecision::kFloat: return GL_RGBA32F;
    default: return GL_RGBA8;
    }
}

GLenum PrimitiveMode(PrimitiveType type) {
    return type == PrimitiveType::kTriangleStrip ? GL_TRIANGLE_STRIP : GL_TRIANGLES;
}

void Enable(GLenum capability, bool on) {
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

GLint MinFilter(std::uint32_t minFilter, std::uint32_t mipFilter) {
    bool linear = minFilter == kTexfLinear;
    switch (mipFilter) {
    case kTexfPoint: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case kTexfLinear: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;  // no mip filter: level 0 only
    }
}

// Swaps the rows of a picture top for bottom: OpenGL reads from the bottom row up.
void FlipRows(std::uint8_t* pixels, std::size_t rowBytes, unsigned rows) {
    for (unsigned top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(pixels + top * rowBytes, pixels + (top + 1) * rowBytes, pixels + bottom * rowBytes);
    }
}

// The back buffer has no alpha of its own: draws leave alpha at the 1 it was cleared to, so
// destination alpha reads as 1.
void WriteAlpha(bool on) { glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, on ? GL_TRUE : GL_FALSE); }

void SetConstantInstance(const InstanceData& instance) {
    const float* values = instance.world;
    for (GLuint i = 0; i < kInstanceAttributeCount; ++i) {
        glVertexAttrib4fv(kWorldRow0 + i, values + 4 * i);
    }
}

}  // namespace

GlRenderer::GlRenderer(std::unique_ptr<EglContext> owned, unsigned targetWidth, unsigned targetHeight)
    : context(std::move(owned)), width(targetWidth), height(targetHeight), run(kMaxQueuedInstances) {
    state.viewport = {0, 0, width, height, 0, 1};
}

std::shared_ptr<GlRenderer> GlRenderer::Create(std::unique_ptr<EglContext> context, unsigned width, unsigned height) {
    if (!context || width == 0 || height == 0) {
        return nullptr;
    }
    std::shared_ptr<GlRenderer> renderer(new GlRenderer(std::move(context), width, height));
    return renderer->SetUp() ? renderer : nullptr;
}

bool GlRenderer::SetUp() {
    if (!MakeCurrent() || epoxy_gl_version() < 33 || !programs.Use(state, programMaterials, width, height)) {
        return false;
    }
    glGenRenderbuffers(1, &colourBuffer);
    if (!SetColourPrecision(kDrawingPrecision)) {
        return false;
    }
    // 16-bit depth, as the saver's device is made: nearly coplanar faces (the pilots under the
    // canopy, the livery's stripes) then resolve as they do there.
    glGenRenderbuffers(1, &depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glClearColor(0, 0, 0, 1);
    glClearDepth(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    WriteAlpha(false);
    glFrontFace(GL_CW);

    glGenVertexArrays(1, &streamArray);
    glGenBuffers(1, &instanceBuffer);
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindSampler(0, sampler);
    const std::uint8_t white[4] = {255, 255, 255, 255};
    glGenTextures(1, &whiteTexture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    PaceIfTheSwapDoesNot();
    return glGetError() == GL_NO_ERROR;
}

// Mesa's software rasteriser accepts a swap interval of 1 but does not wait (Xvfb has no
// retrace to wait for), so there the device keeps the display's pace itself.
void GlRenderer::PaceIfTheSwapDoesNot() {
    if (!context->HasWindow()) {
        return;  // offscreen frames are drawn as fast as they are asked for
    }
    if (context->PacedByCompositor() && context->SwapWithoutWaiting()) {
        return;  // and there is no X server to share memory with
    }
    const bool retrace = context->WaitForRetrace();
    const bool software = IsSoftwareRenderer(RendererName());
    if (!retrace || software) {
        pacer.emplace(context->RefreshRate());
    }
    if (software) {
        shm = ShmPresenter::Create(context->NativeDisplay(), context->NativeWindow());
    }
}

bool GlRenderer::SizePresentBuffer(unsigned windowWidth, unsigned windowHeight) {
    if (presentFramebuffer != 0 && presentWidth == windowWidth && presentHeight == windowHeight) {
        return true;
    }
    if (presentFramebuffer == 0) {
        glGenFramebuffers(1, &presentFramebuffer);
        glGenRenderbuffers(1, &presentBuffer);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, presentBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(windowWidth),
                          static_cast<GLsizei>(windowHeight));
    glBindFramebuffer(GL_FRAMEBUFFER, presentFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, presentBuffer);
    presentWidth = windowWidth;
    presentHeight = windowHeight;
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// The frame read back into the shared image, scaled when the window is of another size, and
// put on the window; the same pixels as the blit to the window and the swap.
bool GlRenderer::PresentThroughSharedMemory(unsigned windowWidth, unsigned windowHeight) {
    std::uint8_t* pixels = shm->Frame(windowWidth, windowHeight);
    if (pixels == nullptr) {
        return false;
    }
    if (windowWidth == width && windowHeight == height) {
        if (!ReadFrame(pixels, ByteOrder::kBgra)) {
            return false;
        }
    } else if (!ReadScaledFrame(pixels, windowWidth, windowHeight)) {
        return false;
    }
    if (pacer) {
        pacer->WaitForDeadline();
    }
    return shm->Show();
}

// The frame scaled to the window by the rasteriser into a buffer of its own, then read back.
bool GlRenderer::ReadScaledFrame(std::uint8_t* pixels, unsigned windowWidth, unsigned windowHeight) {
    if (!SizePresentBuffer(windowWidth, windowHeight)) {
        return false;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, presentFramebuffer);
    // Upside down on the way, so that the rows read back run from the top as X wants them.
    glBlitFramebuffer(0, 0, static_cast<GLint>(width), static_cast<GLint>(height), 0,
                      static_cast<GLint>(windowHeight), static_cast<GLint>(windowWidth), 0, GL_COLOR_BUFFER_BIT,
                      windowWidth == width && windowHeight == height ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, presentFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(windowWidth), static_cast<GLsizei>(windowHeight), GL_BGRA,
                 GL_UNSIGNED_BYTE, pixels);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return glGetError() == GL_NO_ERROR;
}

// The back buffer as bytes, rows from the top. Half floats are read a band of rows at a time
// and made bytes here; OpenGL converts the other formats itself.
bool GlRenderer::ReadFrame(std::uint8_t* pixels, ByteOrder order) {
    const std::size_t rowBytes = std::size_t{width} * 4;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (precision != ColourPrecision::kHalfFloat) {
        glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                     order == ByteOrder::kBgra ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        FlipRows(pixels, rowBytes, height);
    } else {
        halfBand.resize(std::size_t{width} * kRowsPerBand * 4);
        for (unsigned first = 0; first < height; first += kRowsPerBand) {
            const unsigned rows = std::min(kRowsPerBand, height - first);
            glReadPixels(0, static_cast<GLint>(first), static_cast<GLsizei>(width), static_cast<GLsizei>(rows), GL_RGBA,
                         GL_HALF_FLOAT, halfBand.data());
            for (unsigned row = 0; row < rows; ++row) {
                HalfFloatsToBytes(halfBand.data() + std::size_t{row} * width * 4, width,
                                  pixels + (height - 1 - first - row) * rowBytes, order);
            }
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return glGetError() == GL_NO_ERROR;
}

GlRenderer::~GlRenderer() {
    if (!MakeCurrent()) {
        return;  // the context is gone; so are its objects
    }
    ReleaseFence(fence, false);
    programs.Release();
    glDeleteTextures(1, &whiteTexture);
    glDeleteSamplers(1, &sampler);
    glDeleteBuffers(1, &instanceBuffer);
    glDeleteVertexArrays(1, &streamArray);
    glDeleteFramebuffers(1, &presentFramebuffer);
    glDeleteRenderbuffers(1, &presentBuffer);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &depthBuffer);
    glDeleteRenderbuffers(1, &colourBuffer);
}

std::string GlRenderer::RendererName() const {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name != nullptr ? name : "";
}

void GlRenderer::SetBatching(bool enable) {
    Flush();
    batching = enable;
}

bool GlRenderer::SetColourPrecision(ColourPrecision wanted) {
    Flush();
    if (!MakeCurrent()) {
        return false;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, ColourFormat(wanted), static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    if (glGetError() != GL_NO_ERROR) {
        return false;
    }
    precision = wanted;
    return true;
}

void GlRenderer::Finish() {
    Flush();
    if (MakeCurrent()) {
        glFinish();
    }
}

GLuint GlRenderer::TextureName(const Texture* texture) const {
    bool ours = std::ranges::find(textures, texture) != textures.end();
    return ours ? static_cast<const GlTexture*>(texture)->Name() : 0;
}

GLuint GlRenderer::BufferName(const VertexBuffer* buffer) const {
    bool ours = std::ranges::find(buffers, buffer) != buffers.end();
    return ours ? static_cast<const GlVertexBuffer*>(buffer)->Name() : 0;
}

void GlRenderer::Forget(const Texture* texture) {
    Flush();
    std::erase(textures, texture);
    if (state.texture == texture) {
        state.texture = nullptr;
        stateDirty = true;
    }
}

void GlRenderer::Forget(const VertexBuffer* buffer) {
    Flush();
    std::erase(buffers, buffer);
    if (state.stream.buffer == buffer) {
        state.stream = {};
        streamDirty = true;
    }
}

// Source alpha over inverse source alpha with a source alpha of exactly 1 writes the source
// unchanged: the sky, the ground and the aircraft take their alpha from opaque textures. Without
// blending the rasteriser does not read the back buffer, which is much of what those cost.
bool GlRenderer::BlendingIsANoOp() const {
    const bool alphaOver = state.Get(RenderState::kSrcBlend) == kBlendSrcAlpha &&
                           state.Get(RenderState::kDestBlend) == kBlendInvSrcAlpha;
    const bool alphaFromTexture = state.Get(TextureStageState::kAlphaOp) == kTopSelectArg1 &&
                                  state.Get(TextureStageState::kAlphaArg1) == kTaTexture;
    const auto* texture = TextureName(state.texture) != 0 ? static_cast<const GlTexture*>(state.texture) : nullptr;
    // Without a texture the material's alpha comes through instead (see DeviceState).
    const bool opaqueTexture = texture != nullptr && texture->Opaque();
    return alphaOver && alphaFromTexture && opaqueTexture;
}

// Everything a draw reads apart from world, material and the vertex stream.
void GlRenderer::ApplyState(MaterialTraits materials) {
    if (stateDirty || materials != programMaterials) {
        programs.Use(state, materials, width, height);
        programMaterials = materials;
    }
    if (!stateDirty) {
        return;
    }
    Enable(GL_DEPTH_TEST, state.Get(RenderState::kZEnable) != 0);
    glDepthMask(state.Get(RenderState::kZWriteEnable) != 0 ? GL_TRUE : GL_FALSE);
    glDepthFunc(GL_NEVER + (state.Get(RenderState::kZFunc) - kCmpNever));
    Enable(GL_BLEND, state.Get(RenderState::kAlphaBlendEnable) != 0 && !BlendingIsANoOp());
    glBlendFunc(BlendFactor(state.Get(RenderState::kSrcBlend)), BlendFactor(state.Get(RenderState::kDestBlend)));
    std::uint32_t cull = state.Get(RenderState::kCullMode);
    Enable(GL_CULL_FACE, cull != kCullNone);
    glCullFace(cull == kCullCw ? GL_FRONT : GL_BACK);  // front faces are clockwise

    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                        state.Get(SamplerState::kMagFilter) == kTexfLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                        MinFilter(state.Get(SamplerState::kMinFilter), state.Get(SamplerState::kMipFilter)));
    GLuint texture = TextureName(state.texture);
    glBindTexture(GL_TEXTURE_2D, texture != 0 ? texture : whiteTexture);
    stateDirty = false;
}

void GlRenderer::BindStream() {
    if (boundArray != streamArray) {
        glBindVertexArray(streamArray);
        boundArray = streamArray;
    }
    if (!streamDirty) {
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, BufferName(state.stream.buffer));
    auto stride = static_cast<GLsizei>(state.stream.stride);
    std::uintptr_t offset = state.stream.offset;
    // Elements follow each other in the order of their format bits: position, normal, texture.
    auto attribute = [&](GLuint location, GLint size, bool present) {
        if (!present) {
            glDisableVertexAttribArray(location);
            glVertexAttrib4f(location, 0, 0, 0, 1);
            return;
        }
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
        offset += static_cast<std::uintptr_t>(size) * sizeof(float);
    };
    attribute(kPosition, 3, (state.fvf & kFvfXyz) != 0);
    attribute(kNormal, 3, (state.fvf & kFvfNormal) != 0);
    attribute(kTexCoord, 2, (state.fvf & kFvfTex1) != 0);
    streamDirty = false;
}

void GlRenderer::UseInstanceArrays(bool instanced) {
    if (instanced == instanceArraysOn) {
        return;
    }
    for (GLuint i = 0; i < kInstanceAttributeCount; ++i) {
        if (instanced) {
            glEnableVertexAttribArray(kWorldRow0 + i);
        } else {
            glDisableVertexAttribArray(kWorldRow0 + i);
        }
    }
    instanceArraysOn = instanced;
}

HResult GlRenderer::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
    if (Failed(state.CheckDraw(type, startVertex, primitiveCount)) || BufferName(state.stream.buffer) == 0) {
        return kFail;
    }
    run.Queue({type, startVertex, primitiveCount}, state, batching, [this] { Flush(); });
    return kOk;
}

void GlRenderer::Flush() {
    if (!run.Empty() && MakeCurrent()) {
        DrawQueued();
    }
    run.Clear();
}

void GlRenderer::DrawQueued() {
    queue.clear();
    MaterialTraits queuedMaterials;
    for (const RunInstance& instance : run.Instances()) {
        queue.push_back(MakeInstance(instance.world, instance.material));
        queuedMaterials += MaterialTraits::Of(instance.material);
    }
    const RunRange& queuedRange = run.Range();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    ApplyState(queuedMaterials);
    BindStream();
    GLenum mode = PrimitiveMode(queuedRange.type);
    auto first = static_cast<GLint>(queuedRange.startVertex);
    auto count = static_cast<GLsizei>(VertexCountOf(queuedRange.type, queuedRange.primitiveCount));
    if (queue.size() == 1) {
        UseInstanceArrays(false);
        SetConstantInstance(queue.front());
        glDrawArrays(mode, first, count);
    } else {
        UseInstanceArrays(true);
        glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
        // Refilled in place: the draw has read the instances by the time it returns, and fresh
        // storage for every draw would cost megabytes of new pages per frame.
        const std::size_t bytes = queue.size() * sizeof(InstanceData);
        if (bytes > instanceCapacity) {
            instanceCapacity = kMaxQueuedInstances * sizeof(InstanceData);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instanceCapacity), nullptr, GL_STREAM_DRAW);
        }
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), queue.data());
        for (GLuint i = 0; i < kInstanceAttributeCount; ++i) {
            glVertexAttribPointer(kWorldRow0 + i, 4, GL_FLOAT, GL_FALSE, sizeof(InstanceData),
                                  reinterpret_cast<const void*>(std::uintptr_t{i} * 4 * sizeof(float)));
            glVertexAttribDivisor(kWorldRow0 + i, 1);
        }
        glDrawArraysInstanced(mode, first, count, static_cast<GLsizei>(queue.size()));
    }
    ++stats.drawCalls;
    stats.instances += queue.size();
    Sent(std::uint64_t{queuedRange.primitiveCount} * queue.size());
}

// At most one fenced run of draws waits in the rasteriser's queue behind the one it is
// drawing, so its memory stays bounded while it still works in parallel with us.
void GlRenderer::Sent(std::uint64_t triangles) {
    trianglesSinceFence += triangles;
    if (trianglesSinceFence < kTrianglesPerFence) {
        return;
    }
    trianglesSinceFence = 0;
    GLsync previous = std::exchange(fence, glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0));
    glFlush();
    ReleaseFence(previous, true);
}

namespace {

// Waits up to `limit` for `sync` in short slices, with a sign of life after each: a large frame
// keeps the rasteriser busy for seconds, and the loop's guard must know that it moves on.
void WaitWithHeartbeats(GLsync sync, GLuint64 limit) {
    constexpr GLuint64 kSliceNs = 100'000'000;
    for (GLuint64 waited = 0; waited < limit; waited += kSliceNs) {
        const GLenum result = glClientWaitSync(sync, waited == 0 ? GL_SYNC_FLUSH_COMMANDS_BIT : 0, kSliceNs);
        platform::Heartbeat();
        if (result != GL_TIMEOUT_EXPIRED) {
            return;
        }
    }
}

}  // namespace

void GlRenderer::ReleaseFence(GLsync& sync, bool wait) {
    if (sync == nullptr) {
        return;
    }
    if (wait) {
        WaitWithHeartbeats(sync, kFenceTimeoutNs);
    }
    glDeleteSync(sync);
    sync = nullptr;
}

void GlRenderer::DrawIndexed(GLuint vertexArray, std::uint32_t firstIndex, std::uint32_t indexCount) {
    Flush();
    if (indexCount == 0 || !MakeCurrent()) {
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    ApplyState(MaterialTraits::Of(state.material));
    glBindVertexArray(vertexArray);
    boundArray = vertexArray;
    SetConstantInstance(MakeInstance(state.world, state.material));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(std::uintptr_t{firstIndex} * sizeof(std::uint32_t)));
    ++stats.drawCalls;
    ++stats.instances;
    Sent(indexCount / 3);
}

HResult GlRenderer::Clear(std::uint32_t flags, std::uint32_t color, float z) {
    Flush();
    if (!IsClearable(flags) || !MakeCurrent()) {
        return kFail;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    GLbitfield mask = 0;
    if ((flags & kClearTarget) != 0) {
        auto channel = [color](int shift) { return static_cast<float>((color >> shift) & 0xff) / 255.0f; };
        glClearColor(channel(16), channel(8), channel(0), 1);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & kClearZBuffer) != 0) {
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    // Clearing ignores the depth-write state; OpenGL's clear honours its mask.
    glDepthMask(GL_TRUE);
    // Alpha is cleared to 1 with the rest: with a channel masked the clear becomes a drawn
    // rectangle, a whole pass of the software rasteriser over the frame.
    WriteAlpha(true);
    glClear(mask);
    WriteAlpha(false);
    stateDirty = true;
    return kOk;
}

HResult GlRenderer::Present() {
    if (windowGone) {
        return kFail;
    }
    platform::Heartbeat();  // a large frame's read-back takes a while; it is progress all the same
    Flush();
    if (!MakeCurrent()) {
        return kFail;
    }
    unsigned windowWidth = 0, windowHeight = 0;
    if (!context->SurfaceSize(windowWidth, windowHeight)) {
        glFlush();
        return kOk;  // offscreen: the back buffer is the result
    }
    if (shm) {
        // The read-back waits for the whole frame anyway; waited for here, with signs of life.
        GLsync drawn = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        WaitWithHeartbeats(drawn, kFenceTimeoutNs * 5);
        glDeleteSync(drawn);
        const bool shown = PresentThroughSharedMemory(windowWidth, windowHeight);
        ReleaseFence(fence, false);  // the read-back waited for the whole frame
        trianglesSinceFence = 0;
        if (shown) {
            return kOk;
        }
        if (!shm->WindowExists()) {
            // Nothing more is presented: the swap's first blit would build a program (hundreds
            // of milliseconds in the software rasteriser) for a window that is gone.
            windowGone = true;
            shm.reset();
            return kFail;
        }
        shm.reset();  // from now on through the swap
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, static_cast<GLint>(width), static_cast<GLint>(height), 0, 0,
                      static_cast<GLint>(windowWidth), static_cast<GLint>(windowHeight), GL_COLOR_BUFFER_BIT,
                      windowWidth == width && windowHeight == height ? GL_NEAREST : GL_LINEAR);
    if (pacer) {
        pacer->WaitForDeadline();
    }
    bool swapped = context->SwapBuffers();
    ReleaseFence(fence, false);  // the swap sent the whole frame; the next starts a new count
    trianglesSinceFence = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return swapped ? kOk : kFail;
}

bool GlRenderer::ReadBack(gfx::Image& image) {
    Flush();
    if (!MakeCurrent()) {
        return false;
    }
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    if (!ReadFrame(pixels.data(), ByteOrder::kRgba)) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels = std::move(pixels);
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        image.pixels[i] = 255;
    }
    return true;
}

}  // namespace scene::gl
