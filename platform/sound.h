#pragma once
// The saver's sound: one recording at a time, played from a WAVE resource without waiting,
// once, cut off by the next one; and the wave-out volume.
//
// On Linux the volume is the saver's own output gain. All calls are made from the program's
// one thread; the recording plays on the audio thread, which decodes it a little at a time as
// the output needs it. The output opens when OpenSoundOutput or PlayWaveResource first needs
// it, and only then: the volume and stopping never open it, so a run that plays no recording
// leaves the audio device closed. Without a usable audio device the saver
// runs on with the silent driver: every call behaves as with sound, and one line on stderr
// says so.
//
// On Windows the system plays the resource (PlaySoundA) and the volume is that of wave-out
// device 0. Where that volume cannot be read it is never written either, so the saver leaves
// a device it could not ask as it found it; the functions below "For tests" are Linux's only.

#include <cstdint>

namespace platform {

// Starts WAVE resource `id` (MPEG Layer-3 in a RIFF WAVE) and returns at once. Whatever was
// playing stops first, also when the resource is missing or malformed; then the result is
// false and nothing plays. Callers may ignore the result.
bool PlayWaveResource(int id);

// Opens the output the usual way, if it is not open, so that the first recording starts
// without waiting for the device. Only for a run that will play recordings.
void OpenSoundOutput();

// Silences the output at once.
void StopAllSound();

// The output gain: low word the left channel, high word the right, 0 to 0xFFFF each, applied
// to both channels of the output. 0xFFFFFFFF (full) when the program starts.
std::uint32_t GetWaveOutVolume();
void SetWaveOutVolume(std::uint32_t volume);

// For tests and benchmarks.
// Closes the output and opens it again with SDL audio driver `driver` ("disk", "dummy", ...;
// nullptr for the usual choice with its fallback). The recording that was playing stops.
bool ReopenSoundOutput(const char* driver);
// Closes the output; the next call that needs it opens it again the usual way.
void CloseSoundOutput();
// True while a recording is still producing samples.
bool IsSoundPlaying();
// Frames the audio thread has produced since the output opened (the disk driver writes
// them in order, after any silence it wrote before the first turn).
std::uint64_t SoundFramesMixed();

struct SoundOutputFormat {
    int rate = 0;          // frames per second
    int bufferFrames = 0;  // frames per audio-thread turn
};
// The format of the open output (16-bit signed stereo); zeros when it is closed.
SoundOutputFormat CurrentSoundOutputFormat();

}  // namespace platform
