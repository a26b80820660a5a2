// The saver's sound on Windows: the recording's WAVE resource played from memory with
// PlaySoundA, which decodes its MPEG Layer-3 data through the system's codecs; the volume of
// wave-out device 0.
//
// Where the volume cannot be read (no sound card, or a system that refuses the device-id
// calls), it is never written either: the saver then leaves the device as it found it.

#include "platform/win32/windows_api.h"
#include <mmsystem.h>

#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/wave_file.h"

namespace platform {
namespace {

constexpr std::uint32_t kFullVolume = 0xFFFFFFFFu;
const HWAVEOUT kWaveOutDevice0 = reinterpret_cast<HWAVEOUT>(0);

struct VolumeState {
    bool readable = false;  // a read of device 0 has succeeded
    std::uint32_t last = kFullVolume;
};
VolumeState volume;

}  // namespace

bool PlayWaveResource(int id) {
    StopAllSound();
    const auto bytes = FindResource(ResourceType::kWAVE, id);
    Mp3Wave wave;
    if (!bytes || ParseMp3Wave(*bytes, wave) != WaveError::kNone) return false;
    // The resource stays mapped for the life of the program, as PlaySoundA needs.
    return PlaySoundA(reinterpret_cast<LPCSTR>(bytes->data()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT) != FALSE;
}

// The system opens its device for each PlaySoundA call; there is nothing to open ahead.
void OpenSoundOutput() {}

void StopAllSound() { PlaySoundA(nullptr, nullptr, 0); }

std::uint32_t GetWaveOutVolume() {
    DWORD level = 0;
    if (waveOutGetVolume(kWaveOutDevice0, &level) == MMSYSERR_NOERROR) {
        volume.readable = true;
        volume.last = level;
    }
    return volume.last;
}

void SetWaveOutVolume(std::uint32_t level) {
    volume.last = level;
    if (volume.readable) waveOutSetVolume(kWaveOutDevice0, level);
}

}  // namespace platform
