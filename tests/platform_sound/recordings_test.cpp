// The 36 recordings the saver carries: which ids exist, their container, and their played
// length, checked by the mpg123 command (a decoder we did not write) as well as our own
// reading of the fact chunk.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/resources.h"
#include "platform/wave_file.h"

namespace {

using platform::ResourceType;

constexpr double kRate = 11025.0;

struct ProgrammeSound {
    int programme;
    int durationMs;
    int wave;
};

// Programme, duration and recording, as the catalogue lists them.
constexpr ProgrammeSound kCatalogue[] = {
    {1, 68000, 193}, {2, 60000, 194}, {3, 26000, 195}, {4, 22000, 196}, {5, 12500, 197},
    {6, 79200, 198}, {7, 53000, 199}, {8, 35500, 200}, {9, 22000, 201}, {10, 14000, 202},
    {11, 50000, 203}, {12, 20000, 204}, {13, 70000, 205}, {14, 18000, 206}, {15, 25000, 207},
    {16, 42000, 208}, {17, 38000, 209}, {18, 58000, 210}, {19, 40000, 212}, {20, 17000, 213},
    {21, 56000, 214}, {22, 35000, 215}, {23, 52000, 216}, {24, 83000, 217}, {25, 58000, 218},
    {26, 35000, 219}, {27, 25000, 220}, {28, 38000, 231}, {29, 14000, 232}, {30, 12000, 234},
    {31, 26000, 241}, {32, 26000, 242}, {33, 61000, 239}, {34, 19000, 236}, {35, 42000, 243},
    {36, 18000, 221}, {37, 18000, 221}, {38, 18000, 221}, {39, 18000, 221}, {40, 18000, 221},
};

// The length each recording must play for: its programmes' duration, except programme 25's.
std::map<int, double> ExpectedSeconds() {
    std::map<int, double> seconds;
    for (const ProgrammeSound& p : kCatalogue) {
        const double s = p.programme == 25 ? 65.9 : p.durationMs / 1000.0;
        const auto [it, added] = seconds.emplace(p.wave, s);
        EXPECT_TRUE(added || it->second == s) << "programmes sharing WAVE " << p.wave << " differ in length";
    }
    return seconds;
}

TEST(Recordings, ExactlyTheThirtySixIdsOfTheCatalogueExist) {
    std::set<int> embedded;
    for (const platform::EmbeddedResource& r : platform::EmbeddedResources()) {
        if (r.type == ResourceType::kWAVE) embedded.insert(r.id);
    }
    std::set<int> listed;
    for (const auto& [wave, seconds] : ExpectedSeconds()) listed.insert(wave);
    EXPECT_EQ(listed.size(), 36u);
    EXPECT_EQ(embedded, listed);
}

TEST(Recordings, ContainersAreMonoMpegLayer3At11025WithTheirTrueLength) {
    std::size_t total = 0;
    for (const auto& [wave, seconds] : ExpectedSeconds()) {
        SCOPED_TRACE(wave);
        const auto bytes = platform::FindResource(ResourceType::kWAVE, wave);
        ASSERT_TRUE(bytes);
        total += bytes->size();
        platform::Mp3Wave w;
        ASSERT_EQ(platform::ParseMp3Wave(*bytes, w), platform::WaveError::kNone);
        EXPECT_EQ(w.format.formatTag, 0x0055);
        EXPECT_EQ(w.format.channels, 1);
        EXPECT_EQ(w.format.samplesPerSec, 11025u);
        EXPECT_EQ(w.format.avgBytesPerSec, 2500u);
        EXPECT_EQ(w.format.extraSize, 12);
        EXPECT_EQ(w.format.id, 1);
        ASSERT_TRUE(w.sampleCount);
        EXPECT_NEAR(*w.sampleCount / kRate, seconds, 0.5);
        // MPEG-2.5 Layer III frames; the first is the encoder's info frame.
        ASSERT_GE(w.data.size(), 64u);
        EXPECT_EQ(w.data[0], 0xFF);
        EXPECT_EQ(w.data[1] & 0xFE, 0xE2);
        EXPECT_TRUE(std::string(w.data.begin() + 13, w.data.begin() + 17) == "Info" ||
                    std::string(w.data.begin() + 13, w.data.begin() + 17) == "Xing");
    }
    EXPECT_LT(total, 6u * 1000u * 1000u);
}

// Samples the mpg123 command decodes from `bytes` (16-bit mono at the stream's rate).
long DecodedByMpg123(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& file) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    const std::string command = "mpg123 -q -s '" + file.string() + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    long total = 0;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) total += static_cast<long>(n);
    const int status = ::pclose(pipe);
    return status == 0 ? total / 2 : -1;
}

TEST(Recordings, TheMpg123CommandDecodesEachToItsLength) {
    ASSERT_EQ(std::system("command -v mpg123 >/dev/null"), 0) << "the mpg123 command is needed (scripts/install-deps)";
    const auto file = std::filesystem::temp_directory_path() / ("vantaro-wave-" + std::to_string(::getpid()) + ".wav");
    for (const auto& [wave, seconds] : ExpectedSeconds()) {
        SCOPED_TRACE(wave);
        const auto bytes = platform::FindResource(ResourceType::kWAVE, wave);
        ASSERT_TRUE(bytes);
        platform::Mp3Wave w;
        ASSERT_EQ(platform::ParseMp3Wave(*bytes, w), platform::WaveError::kNone);
        const long samples = DecodedByMpg123({bytes->begin(), bytes->end()}, file);
        ASSERT_GT(samples, 0);
        EXPECT_NEAR(samples / kRate, seconds, 0.5);
        EXPECT_EQ(samples, static_cast<long>(*w.sampleCount)) << "the info frame trims the encoder's delay and padding";
    }
    std::filesystem::remove(file);
}

}  // namespace
