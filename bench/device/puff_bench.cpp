// 78,000 textured, alpha-blended smoke puffs of mixed sizes, each with its own world matrix and
// alpha, at 800 x 600 offscreen: through the device one draw at a time, through the device with
// its instanced runs, and as one bare instanced draw written straight in OpenGL (the limit of
// this machine). Times are wall-clock per finished frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gfx/math.h"
#include "platform/random.h"
#include "scene/device_factory.h"
#include "scene/gl/egl_context.h"

#include <epoxy/gl.h>

namespace {

constexpr unsigned kWidth = 800, kHeight = 600;
constexpr int kPuffCount = 78000;
constexpr float kHalfSide = 0.03f;  // the smoke quad: 0.06 units across at size factor 1

struct Puff {
    gfx::Matrix world;
    float alpha;
};

struct Scene {
    gfx::Matrix view, projection;
    std::vector<Puff> puffs;
    gfx::Image image;
};

// Puffs as a formation's trails leave them: ages up to 90 s (size factor up to 90), spread
// 100 to 400 units in front of a long lens, drawn farthest first.
Scene MakeScene() {
    Scene scene;
    scene.view = gfx::MatrixLookAtLH({0, 1, 0}, {0, 10, 100}, {0, 1, 0});
    scene.projection = gfx::MatrixPerspectiveFovLH(30 * gfx::kRadiansPerDegree, 4.0f / 3, 1, 1000);
    gfx::Matrix rotation = scene.view;
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0;
    const gfx::Matrix billboard = gfx::MatrixInverse(rotation);
    platform::SeedRand(1);
    auto unit = [] { return static_cast<float>(platform::Rand()) / platform::kRandMax; };
    for (int i = 0; i < kPuffCount; ++i) {
        float depth = 400 - 300 * static_cast<float>(i) / kPuffCount;
        float age = 90000 * unit();
        float size = std::sqrt(age) * 0.3f;
        gfx::Matrix world = gfx::MatrixMultiply(gfx::MatrixMultiply(gfx::MatrixScaling(size, size, 1), billboard),
                                                gfx::MatrixTranslation(unit() * 200 - 100, unit() * 80, depth));
        float fade = 1 - age * 0.000011111111f;
        scene.puffs.push_back({world, std::pow(fade, 10.0f) + 0.007f});
    }
    scene.image = {64, 64, {}};
    for (unsigned y = 0; y < 64; ++y) {
        for (unsigned x = 0; x < 64; ++x) {
            float dx = (static_cast<float>(x) - 31.5f) / 32, dy = (static_cast<float>(y) - 31.5f) / 32;
            auto alpha = static_cast<std::uint8_t>(255 * std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy)));
            scene.image.pixels.insert(scene.image.pixels.end(), {230, 230, 235, alpha});
        }
    }
    return scene;
}

const Scene& TheScene() {
    static const Scene scene = MakeScene();
    return scene;
}

const float kQuad[4][8] = {{-kHalfSide, kHalfSide, 0, 0, 0, -1, 0, 0},
                           {kHalfSide, kHalfSide, 0, 0, 0, -1, 1, 0},
                           {-kHalfSide, -kHalfSide, 0, 0, 0, -1, 0, 1},
                           {kHalfSide, -kHalfSide, 0, 0, 0, -1, 1, 1}};

void DevicePuffs(benchmark::State& state, bool batching) {
    using namespace scene;
    const Scene& scene = TheScene();
    auto device = CreateOffscreenDevice(kWidth, kHeight, DeviceType::kHardware);
    if (!device) {
        state.SkipWithError("no offscreen device");
        return;
    }
    std::unique_ptr<VertexBuffer> quad;
    std::unique_ptr<Texture> texture;
    device->CreateVertexBuffer(sizeof kQuad, kUsageWriteOnly, kFvfXyz | kFvfNormal | kFvfTex1, Pool::kManaged, quad);
    std::memcpy(quad->Lock().data(), kQuad, sizeof kQuad);
    quad->Unlock();
    device->CreateTexture(scene.image, texture);
    device->SetBatching(batching);
    device->SetTransform(TransformType::kView, scene.view);
    device->SetTransform(TransformType::kProjection, scene.projection);
    Light sun;
    sun.diffuse = {1, 1, 1, 0};
    sun.direction = gfx::Vec3Normalize({-0.3f, -0.6f, 0});
    device->SetLight(0, sun);
    device->LightEnable(0, true);
    device->SetRenderState(RenderState::kAmbient, 0x00505050);
    device->SetRenderState(RenderState::kSpecularEnable, 1);
    device->SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device->SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device->SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    device->SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    device->SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    Material material;
    material.diffuse = material.ambient = material.emissive = {1, 1, 1, 1};

    for (auto _ : state) {
        device->ResetStats();
        device->Clear(kClearTarget | kClearZBuffer, 0xff000028, 1, 0);
        device->BeginScene();
        for (const Puff& puff : scene.puffs) {  // what the smoke code does for every puff
            material.diffuse.a = puff.alpha;
            device->SetMaterial(material);
            device->SetStreamSource(0, quad.get(), 0, 32);
            device->SetFVF(kFvfXyz | kFvfNormal | kFvfTex1);
            device->SetTexture(0, texture.get());
            device->SetTransform(TransformType::kWorld, puff.world);
            device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
        }
        device->EndScene();
        device->Present();
        device->Finish();
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
    const Scene& scene = TheScene();
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
