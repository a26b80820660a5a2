// The smoke frame of puff_scene.h offscreen: through the device one draw at a time, through the
// device with its instanced runs, and as one bare instanced draw written straight in OpenGL (the
// limit of this machine). Times are wall-clock per finished frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bench/device/puff_scene.h"
#include "gfx/math.h"
#include "scene/device_factory.h"
#include "scene/gl/egl_context.h"

#include <epoxy/gl.h>

namespace {

using bench::kHalfSide;
using bench::kHeight;
using bench::kPuffCount;
using bench::kWidth;
using bench::Puff;

void DevicePuffs(benchmark::State& state, bool batching) {
    auto device = scene::CreateOffscreenDevice(kWidth, kHeight, scene::DeviceType::kHardware);
    if (!device) {
        state.SkipWithError("no offscreen device");
        return;
    }
    const bench::PuffPass pass = bench::PreparePuffPass(*device);
    device->SetBatching(batching);
    for (auto _ : state) {
        device->ResetStats();
        bench::DrawPuffFrame(*device, pass);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["gl_draws"] = static_cast<double>(device->Stats().drawCalls);
}

void BM_DeviceOneByOne(benchmark::State& state) { DevicePuffs(state, false); }
void BM_DeviceBatched(benchmark::State& state) { DevicePuffs(state, true); }

constexpr const char* kBareVertex = R"(#version 330 core
layout(location = 0) in vec2 corner;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 row0;
layout(location = 3) in vec4 row1;
layout(location = 4) in vec4 row2;
layout(location = 5) in vec4 row3;
layout(location = 6) in float alpha;
uniform mat4 viewProjection;
out vec2 uv;
out float fade;
void main() {
    gl_Position = viewProjection * (mat4(row0, row1, row2, row3) * vec4(corner, 0.0, 1.0));
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    uv = texCoord;
    fade = alpha;
}
)";

constexpr const char* kBareFragment = R"(#version 330 core
uniform sampler2D puff;
in vec2 uv;
in float fade;
out vec4 colour;
void main() {
    vec4 texel = texture(puff, uv);
    colour = vec4(texel.rgb, texel.a * fade);
}
)";

GLuint BareProgram() {
    auto compile = [](GLenum kind, const char* source) {
        GLuint shader = glCreateShader(kind);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        return shader;
    };
    GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, kBareVertex));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, kBareFragment));
    glLinkProgram(program);
    return program;
}

void BM_BareInstancedGl(benchmark::State& state) {
    const bench::PuffScene& scene = bench::ThePuffScene();
    auto context = scene::gl::EglContext::CreateOffscreen(scene::DeviceType::kHardware);
    if (!context || !context->MakeCurrent()) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    GLuint framebuffer, colour, depth;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kWidth, kHeight);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, kWidth, kHeight);

    GLuint program = BareProgram();
    glUseProgram(program);
    gfx::Matrix viewProjection = gfx::MatrixMultiply(scene.view, scene.projection);
    glUniformMatrix4fv(glGetUniformLocation(program, "viewProjection"), 1, GL_FALSE, &viewProjection.m[0][0]);

    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, scene.image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    GLuint vertexArray, buffers[2];
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(2, buffers);
    const float corners[4][4] = {{-kHalfSide, kHalfSide, 0, 0}, {kHalfSide, kHalfSide, 1, 0},
                                 {-kHalfSide, -kHalfSide, 0, 1}, {kHalfSide, -kHalfSide, 1, 1}};
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<const void*>(8));
    glBindBuffer(GL_ARRAY_BUFFER, buffers[1]);
    constexpr GLsizei kStride = 17 * sizeof(float);
    for (GLuint i = 0; i < 5; ++i) {
        glEnableVertexAttribArray(2 + i);
        glVertexAttribPointer(2 + i, i < 4 ? 4 : 1, GL_FLOAT, GL_FALSE, kStride,
                              reinterpret_cast<const void*>(std::uintptr_t{i} * 16));
        glVertexAttribDivisor(2 + i, 1);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    std::vector<float> instances;
    for (auto _ : state) {
        // The per-frame work of a real frame: gather the instance data and send it.
        instances.clear();
        for (const Puff& puff : scene.puffs) {
            instances.insert(instances.end(), &puff.world.m[0][0], &puff.world.m[0][0] + 16);
            instances.push_back(puff.alpha);
        }
        glClearColor(0, 0, 40 / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instances.size() * sizeof(float)), instances.data(),
                     GL_STREAM_DRAW);
        glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, kPuffCount);
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["gl_draws"] = 1;
    glDeleteBuffers(2, buffers);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteTextures(1, &texture);
    glDeleteProgram(program);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &depth);
    glDeleteRenderbuffers(1, &colour);
}

}  // namespace

BENCHMARK(BM_DeviceOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_DeviceBatched)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_BareInstancedGl)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK_MAIN();
