#include "platform/wave_file.h"

#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kBaseFormatSize = 16;
constexpr std::size_t kMpegFieldsSize = 12;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
bool Is(const std::uint8_t* p, const char (&fourCc)[5]) { return std::memcmp(p, fourCc, 4) == 0; }

WaveError ParseFormat(std::span<const std::uint8_t> chunk, MpegLayer3Format& f) {
    if (chunk.size() < kBaseFormatSize) return WaveError::kBadFormat;
    const std::uint8_t* p = chunk.data();
    f.formatTag = U16(p);
    f.channels = U16(p + 2);
    f.samplesPerSec = U32(p + 4);
    f.avgBytesPerSec = U32(p + 8);
    f.blockAlign = U16(p + 12);
    f.bitsPerSample = U16(p + 14);
    if (f.formatTag != kWaveFormatMpegLayer3) return WaveError::kNotMpegLayer3;
    if (f.channels == 0 || f.channels > 2 || f.samplesPerSec == 0) return WaveError::kBadFormat;
    if (chunk.size() >= kBaseFormatSize + 2) f.extraSize = U16(p + 16);
    if (f.extraSize >= kMpegFieldsSize && chunk.size() >= kBaseFormatSize + 2 + kMpegFieldsSize) {
        f.id = U16(p + 18);
        f.flags = U32(p + 20);
        f.blockSize = U16(p + 24);
        f.framesPerBlock = U16(p + 26);
        f.codecDelay = U16(p + 28);
    }
    return WaveError::kNone;
}

}  // namespace

WaveError ParseMp3Wave(std::span<const std::uint8_t> bytes, Mp3Wave& wave) {
    if (bytes.size() < 12 || !Is(bytes.data(), "RIFF") || !Is(bytes.data() + 8, "WAVE")) {
        return WaveError::kNotRiffWave;
    }
    // The RIFF size bounds the chunks; anything after it is not ours to read.
    const std::uint64_t riffEnd = std::uint64_t{U32(bytes.data() + 4)} + kChunkHeaderSize;
    if (riffEnd > bytes.size()) return WaveError::kTruncated;
    std::span<const std::uint8_t> rest = bytes.subspan(12, static_cast<std::size_t>(riffEnd) - 12);

    Mp3Wave parsed;
    bool haveFormat = false;
    bool haveData = false;
    while (!rest.empty()) {
        if (rest.size() < kChunkHeaderSize) return WaveError::kTruncated;
        const std::uint32_t size = U32(rest.data() + 4);
        if (size > rest.size() - kChunkHeaderSize) return WaveError::kTruncated;
        const auto body = rest.subspan(kChunkHeaderSize, size);
        if (Is(rest.data(), "fmt ")) {
            if (const WaveError e = ParseFormat(body, parsed.format); e != WaveError::kNone) return e;
            haveFormat = true;
        } else if (Is(rest.data(), "fact") && size >= 4) {
            parsed.sampleCount = U32(body.data());
        } else if (Is(rest.data(), "data")) {
            parsed.data = body;
            haveData = true;
        }
        // Chunks are padded to an even size; a missing pad byte at the very end is forgiven.
        const std::size_t advance = kChunkHeaderSize + size + (size & 1u);
        rest = rest.subspan(advance < rest.size() ? advance : rest.size());
    }
    if (!haveFormat || !haveData || parsed.data.empty()) return WaveError::kMissingChunk;
    wave = parsed;
    return WaveError::kNone;
}

}  // namespace platform
