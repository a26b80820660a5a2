// The WAVE container: a good one is read field by field; broken ones are refused, by the
// parser and by the player, without reading beyond the resource.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/wave_file.h"
#include "sound_test_support.h"

namespace {

using platform::Mp3Wave;
using platform::ParseMp3Wave;
using platform::WaveError;
using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
// Offset of the header of the chunk named `id` in a file written by our tools.
std::size_t ChunkAt(const Bytes& b, const char* id) {
    for (std::size_t at = 12; at + 8 <= b.size(); at += 8 + Get32(b, at + 4) + (Get32(b, at + 4) & 1u)) {
        if (std::memcmp(b.data() + at, id, 4) == 0) return at;
    }
    ADD_FAILURE() << "no chunk " << id;
    return 0;
}

TEST(WaveFile, ReadsTheFieldsOfARecordingContainer) {
    const Bytes bytes = sound_test::ToneWave("tone1000");
    Mp3Wave wave;
    ASSERT_EQ(ParseMp3Wave(bytes, wave), WaveError::kNone);
    EXPECT_EQ(wave.format.formatTag, 0x0055);
    EXPECT_EQ(wave.format.channels, 1);
    EXPECT_EQ(wave.format.samplesPerSec, 11025u);
    EXPECT_EQ(wave.format.avgBytesPerSec, 2500u);
    EXPECT_EQ(wave.format.extraSize, 12);
    EXPECT_EQ(wave.format.id, 1);           // MPEGLAYER3_ID_MPEG
    EXPECT_EQ(wave.format.framesPerBlock, 1);
    ASSERT_TRUE(wave.sampleCount);
    EXPECT_EQ(*wave.sampleCount, 11025u);  // the fact chunk: exactly one second
    const std::size_t data = ChunkAt(bytes, "data");
    EXPECT_EQ(wave.data.data(), bytes.data() + data + 8);
    EXPECT_EQ(wave.data.size(), Get32(bytes, data + 4));
    EXPECT_EQ(wave.data[0], 0xFF) << "starts with an MPEG frame";
}

struct Breakage {
    const char* what;
    std::function<void(Bytes&)> apply;
    WaveError expected;
};

TEST(WaveFile, RefusesBrokenContainersInParserAndPlayer) {
    const Bytes good = sound_test::ToneWave("tone1000");
    const std::size_t fmt = ChunkAt(good, "fmt ");
    const std::size_t data = ChunkAt(good, "data");
    const Breakage cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }, WaveError::kNotRiffWave},
        {"not RIFF", [](Bytes& b) { b[0] = 'X'; }, WaveError::kNotRiffWave},
        {"not WAVE", [](Bytes& b) { b[8] = 'A'; }, WaveError::kNotRiffWave},
        {"PCM tag", [&](Bytes& b) { b[fmt + 8] = 1; b[fmt + 9] = 0; }, WaveError::kNotMpegLayer3},
        {"fmt of 14 bytes", [&](Bytes& b) { Put32(b, fmt + 4, 14); }, WaveError::kBadFormat},
        {"no channels", [&](Bytes& b) { b[fmt + 10] = 0; }, WaveError::kBadFormat},
        {"RIFF size beyond the resource", [](Bytes& b) { Put32(b, 4, Get32(b, 4) + 2); }, WaveError::kTruncated},
        {"data size beyond the resource",
         [&](Bytes& b) { Put32(b, data + 4, 0xFFFFFFF0u); Put32(b, 4, static_cast<std::uint32_t>(b.size() - 8)); },
         WaveError::kTruncated},
        {"cut inside the data", [](Bytes& b) { b.resize(b.size() / 2); }, WaveError::kTruncated},
        {"cut inside a chunk header",
         [&](Bytes& b) { b.resize(data + 5); Put32(b, 4, static_cast<std::uint32_t>(b.size() - 8)); },
         WaveError::kTruncated},
        {"no data chunk", [&](Bytes& b) { std::memcpy(b.data() + data, "junk", 4); }, WaveError::kMissingChunk},
        {"empty data chunk",
         [&](Bytes& b) { Put32(b, data + 4, 0); b.resize(data + 8); Put32(b, 4, static_cast<std::uint32_t>(b.size() - 8)); },
         WaveError::kMissingChunk},
        {"no fmt chunk", [&](Bytes& b) { std::memcpy(b.data() + fmt, "junk", 4); }, WaveError::kMissingChunk},
    };
    ASSERT_TRUE(platform::ReopenSoundOutput("dummy"));
    for (const Breakage& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes broken = good;
        c.apply(broken);
        Mp3Wave wave;
        EXPECT_EQ(ParseMp3Wave(broken, wave), c.expected);

        platform::ScopedResourceOverride resource;
        resource.Replace(platform::ResourceType::kWAVE, 9100, broken);
        EXPECT_FALSE(platform::PlayWaveResource(9100));
        EXPECT_FALSE(platform::IsSoundPlaying());
    }
    platform::CloseSoundOutput();
}

TEST(WaveFile, EveryCutAndHeaderCorruptionIsRefusedOrStaysInsideTheBytes) {
    const Bytes good = sound_test::ToneWave("tone1000");
    const auto check = [](const Bytes& bytes) {
        Mp3Wave wave;
        if (ParseMp3Wave(bytes, wave) != WaveError::kNone) return;
        EXPECT_FALSE(wave.data.empty());
        EXPECT_GE(wave.data.data(), bytes.data());
        EXPECT_LE(wave.data.data() + wave.data.size(), bytes.data() + bytes.size());
    };
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        Mp3Wave wave;
        ASSERT_NE(ParseMp3Wave(cut, wave), WaveError::kNone) << "cut to " << size << " bytes";
    }
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes = good;
        for (int flips = 1 + static_cast<int>(next() % 4); flips > 0; --flips) {
            bytes[next() % 80] = static_cast<std::uint8_t>(next() >> 24);  // the headers live here
        }
        check(bytes);
    }
}

TEST(WaveFile, PlayerSurvivesGarbageInsideAGoodContainer) {
    // The stream starts well and turns into garbage halfway: the decoder gives up or makes
    // noise of it, and the recording still ends (the sanitizer build watches the reads).
    Bytes bytes = sound_test::ToneWave("tone1000");
    const std::size_t data = ChunkAt(bytes, "data") + 8;
    for (std::size_t i = data + (bytes.size() - data) / 2; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131u + 7u);
    }
    ASSERT_TRUE(platform::ReopenSoundOutput("dummy"));
    platform::ScopedResourceOverride resource;
    resource.Replace(platform::ResourceType::kWAVE, 9101, bytes);
    EXPECT_TRUE(platform::PlayWaveResource(9101));
    EXPECT_TRUE(sound_test::WaitFor([] { return !platform::IsSoundPlaying(); }, 5.0));
    platform::CloseSoundOutput();
}

}  // namespace
