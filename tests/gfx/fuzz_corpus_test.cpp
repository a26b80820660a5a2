// The fuzzers' corpora and every input that once crashed them, replayed on each test run (and
// under the sanitizers in the sanitizer build).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gfx/image.h"
#include "gfx/mesh_file.h"
#include "tests/gfx/mesh_invariants.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFuzzDir = fs::path(VANTARO_SOURCE_DIR) / "tests/gfx/fuzz";

std::vector<fs::path> Inputs(const std::string& target) {
    std::vector<fs::path> files;
    for (const char* folder : {"corpus", "crashers"}) {
        const fs::path dir = kFuzzDir / folder / target;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    return files;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzCorpus, MeshFilesLoadSoundlyOrFail) {
    const auto files = Inputs("mesh");
    ASSERT_FALSE(files.empty());
    size_t loaded = 0;
    for (const fs::path& file : files) {
        const auto bytes = ReadAll(file);
        const auto result = gfx::LoadMeshFile(bytes);
        if (!result) {
            EXPECT_TRUE(result.mesh.vertices.empty()) << file;
            continue;
        }
        ++loaded;
        EXPECT_EQ(gfx::testing::MeshInvariantViolation(result.mesh), "") << file;
    }
    EXPECT_GT(loaded, 0u);  // the seeds at least
}

TEST(FuzzCorpus, ImagesDecodeSoundlyOrFail) {
    const auto files = Inputs("image");
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        const auto image = gfx::DecodeImage(ReadAll(file));
        if (image) {
            EXPECT_EQ(image->pixels.size(), size_t{image->width} * image->height * 4) << file;
        }
    }
}

}  // namespace
