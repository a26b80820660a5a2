#pragma once
// The RIFF WAVE container of the recordings: a fmt chunk with format tag 0x0055 (MPEG
// Layer-3) and its extra fields, a fact chunk with the number of PCM samples, and the MPEG
// data. Parsed here from the embedded bytes, checking every size against the resource, so
// that the decoder only ever sees the data chunk.

#include <cstdint>
#include <optional>
#include <span>

namespace platform {

constexpr std::uint16_t kWaveFormatMpegLayer3 = 0x0055;

// WAVEFORMATEX with the MPEGLAYER3WAVEFORMAT fields after it; the extra fields read 0 when
// cbSize is below their 12 bytes.
struct MpegLayer3Format {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
    std::uint16_t id = 0;
    std::uint32_t flags = 0;
    std::uint16_t blockSize = 0;
    std::uint16_t framesPerBlock = 0;
    std::uint16_t codecDelay = 0;
};

struct Mp3Wave {
    MpegLayer3Format format;
    std::optional<std::uint32_t> sampleCount;  // from the fact chunk
    std::span<const std::uint8_t> data;        // the MPEG Layer-3 stream
};

enum class WaveError {
    kNone,
    kNotRiffWave,     // no "RIFF" ... "WAVE" header
    kTruncated,       // a size reaches beyond the bytes there are
    kBadFormat,       // fmt chunk too short, or no channels or sample rate
    kNotMpegLayer3,   // a format tag other than 0x0055
    kMissingChunk,    // no fmt chunk, or no (or an empty) data chunk
};

// Parses `bytes`; on kNone, `wave` describes them (its data points into `bytes`).
WaveError ParseMp3Wave(std::span<const std::uint8_t> bytes, Mp3Wave& wave);

}  // namespace platform
