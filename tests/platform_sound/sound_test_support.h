#pragma once
// What the sound tests share: the test tones, and a run of the output through SDL's disk
// driver that gives back what was played as 16-bit stereo frames.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "platform/sound.h"

namespace sound_test {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
std::vector<std::uint8_t> ToneWave(const std::string& name);  // "tone440" (3 s), "tone1000" (1 s)

// Opens the output on the disk driver, several times faster than real time, into a fresh
// file; Finish() closes it and lines what was written up with SoundFramesMixed().
class DiskCapture {
public:
    DiskCapture();
    ~DiskCapture();
    DiskCapture(const DiskCapture&) = delete;
    DiskCapture& operator=(const DiskCapture&) = delete;

    void Finish();
    int Rate() const { return format.rate; }
    int BufferFrames() const { return format.bufferFrames; }
    // Frame index in the file of what the audio thread mixed as frame `mixed`.
    std::size_t FileFrame(std::uint64_t mixed) const { return lead + static_cast<std::size_t>(mixed); }
    std::size_t Frames() const { return samples.size() / 2; }
    std::int16_t Left(std::size_t frame) const { return samples[2 * frame]; }
    std::int16_t Right(std::size_t frame) const { return samples[2 * frame + 1]; }

    // First and one past the last frame that is not silent in either channel (0, 0 if none).
    std::pair<std::size_t, std::size_t> AudibleSpan() const;
    // Root mean square of the left (channel 0) or right (1) samples in [begin, end).
    double Rms(int channel, std::size_t begin, std::size_t end) const;
    // Frequency of the left channel in [begin, end) from its zero crossings, in Hz.
    double Frequency(std::size_t begin, std::size_t end) const;

private:
    std::filesystem::path path;
    platform::SoundOutputFormat format;
    std::vector<std::int16_t> samples;
    std::size_t lead = 0;
};

// Polls until `done()` or `seconds` have passed; returns done().
bool WaitFor(const std::function<bool()>& done, double seconds = 30.0);

}  // namespace sound_test
