// Loading costs of the graphics library at the sizes the saver meets: an aircraft-sized mesh
// file (about 7,000 vertices, 22 materials) and the 1024 x 1024 sky image.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "gfx/image.h"
#include "gfx/mesh_file.h"

namespace {

constexpr double kPi = 3.14159265358979;

void Append(std::string& text, const char* format, double a, double b, double c = 0) {
    char line[96];
    std::snprintf(line, sizeof line, format, a, b, c);
    text += line;
}

// A torus of rings x sides vertices as an exporter writes it: triangles, per-vertex normals
// with their own face list, texture coordinates, and bands of faces per material.
std::string TorusMeshFile(int rings, int sides, int materials) {
    std::string text = "xof 0302txt 0064\nFrame Torus {\n FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n";
    const int vertices = rings * sides, faces = vertices * 2;
    auto vertex = [&](int r, int s) { return (r % rings) * sides + s % sides; };
    text += " Mesh {\n  " + std::to_string(vertices) + ";\n";
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const double u = 2 * kPi * r / rings, v = 2 * kPi * s / sides, d = 1 + 0.3 * std::cos(v);
            Append(text, "  %.6f;%.6f;%.6f;", d * std::cos(u), 0.3 * std::sin(v), d * std::sin(u));
            text += r + 1 == rings && s + 1 == sides ? ";\n" : ",\n";
        }
    }
    std::string faceList = "  " + std::to_string(faces) + ";\n";
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const int a = vertex(r, s), b = vertex(r + 1, s), c = vertex(r + 1, s + 1), d = vertex(r, s + 1);
            faceList += "  3;" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ";,\n";
            faceList += "  3;" + std::to_string(a) + "," + std::to_string(c) + "," + std::to_string(d) + ";";
            faceList += r + 1 == rings && s + 1 == sides ? ";\n" : ",\n";
        }
    }
    text += faceList;
    text += "  MeshNormals {\n  " + std::to_string(vertices) + ";\n";
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const double u = 2 * kPi * r / rings, v = 2 * kPi * s / sides;
            Append(text, "  %.6f;%.6f;%.6f;", std::cos(v) * std::cos(u), std::sin(v), std::cos(v) * std::sin(u));
            text += r + 1 == rings && s + 1 == sides ? ";\n" : ",\n";
        }
    }
    text += faceList + "  }\n  MeshTextureCoords {\n  " + std::to_string(vertices) + ";\n";
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            Append(text, "  %.6f;%.6f;", double(r) / rings, double(s) / sides);
            text += r + 1 == rings && s + 1 == sides ? ";\n" : ",\n";
        }
    }
    text += "  }\n  MeshMaterialList {\n  " + std::to_string(materials) + ";\n  " + std::to_string(faces) + ";\n";
    for (int f = 0; f < faces; ++f) {
        text += "  " + std::to_string(f * materials / faces) + (f + 1 == faces ? ";;\n" : ",\n");
    }
    for (int m = 0; m < materials; ++m) {
        text += "  Material {\n   0.8;0.8;0.8;1.0;;\n   20.0;\n   0.5;0.5;0.5;;\n   0.0;0.0;0.0;;\n";
        if (m % 5 == 0) text += "   TextureFilename { \"KZ00" + std::to_string(m / 5) + ".jpg\"; }\n";
        text += "  }\n";
    }
    return text + "  }\n }\n}\n";
}

void BM_LoadMeshFile(benchmark::State& state) {
    const std::string text = TorusMeshFile(101, 70, 22);  // 7,070 vertices
    const gfx::ByteSpan bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    size_t vertices = 0;
    for (auto _ : state) {
        const gfx::MeshFileResult result = gfx::LoadMeshFile(bytes);
        if (!result) state.SkipWithError(gfx::Describe(result.error));
        vertices = result.mesh.vertices.size();
        benchmark::DoNotOptimize(result.mesh.indices.data());
    }
    state.counters["vertices"] = double(vertices);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_LoadMeshFile)->Unit(benchmark::kMillisecond);

// Soft clouds over a graded sky: a picture that compresses like the real one, not a flat fill.
gfx::Image SkyPicture(unsigned size) {
    gfx::Image image{size, size, std::vector<std::uint8_t>(size_t{size} * size * 4)};
    for (unsigned y = 0; y < size; ++y) {
        for (unsigned x = 0; x < size; ++x) {
            const double cloud = 0.5 + 0.25 * std::sin(x * 0.021 + std::sin(y * 0.013) * 3) +
                                 0.25 * std::sin(y * 0.037 + std::cos(x * 0.009) * 2);
            const double sky = double(y) / size;
            std::uint8_t* p = &image.pixels[(size_t{y} * size + x) * 4];
            p[0] = std::uint8_t(60 + 150 * sky * cloud + 40 * cloud);
            p[1] = std::uint8_t(110 + 110 * sky * cloud + 30 * cloud);
            p[2] = std::uint8_t(200 + 55 * cloud * sky);
            p[3] = 255;
        }
    }
    return image;
}

void BM_DecodeJpeg1024(benchmark::State& state) {
    const std::vector<std::uint8_t> jpeg = gfx::EncodeJpeg(SkyPicture(1024), 90);
    for (auto _ : state) {
        const auto image = gfx::DecodeJpeg(jpeg);
        if (!image) state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(image->pixels.data());
    }
    state.counters["jpeg_bytes"] = double(jpeg.size());
}
BENCHMARK(BM_DecodeJpeg1024)->Unit(benchmark::kMillisecond);

// Texture levels of an image that must be stretched (365 x 334 to 512 x 512) and of one that
// is already square and a power of two (1024).
void BM_BuildMipChain(benchmark::State& state) {
    const unsigned width = unsigned(state.range(0)), height = unsigned(state.range(1));
    gfx::Image image = SkyPicture(std::max(width, height));
    image = gfx::ResizeImage(image, width, height);
    for (auto _ : state) {
        const auto levels = gfx::BuildMipChain(image);
        benchmark::DoNotOptimize(levels.data());
    }
}
BENCHMARK(BM_BuildMipChain)->Args({365, 334})->Args({1024, 1024})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
