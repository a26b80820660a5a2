// The saver's sound on Windows: recordings started from their WAVE resources with PlaySoundA,
// broken or missing ones refused after stopping what played, and the volume of wave-out
// device 0 left alone where it cannot be read. Runs with no sound card, and again (the
// "WithDevice." tests) with a silent ALSA device that gives Wine one wave-out device.

#include "platform/win32/windows_api.h"
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "manifest_entries.h"
#include "platform/resources.h"
#include "platform/sound.h"

namespace {

using platform::ResourceType;

// A device's volume read through an opened handle, which works where the device-id call may
// not; nothing when no device opens.
std::optional<DWORD> VolumeThroughHandle() {
    if (waveOutGetNumDevs() == 0) return std::nullopt;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    HWAVEOUT handle = nullptr;
    if (waveOutOpen(&handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return std::nullopt;
    DWORD volume = 0;
    const bool read = waveOutGetVolume(handle, &volume) == MMSYSERR_NOERROR;
    waveOutClose(handle);
    return read ? std::optional<DWORD>(volume) : std::nullopt;
}

TEST(WindowsSound, EveryRecordingStartsAndStops) {
    int played = 0;
    for (const ManifestEntry& entry : ReadManifest()) {
        if (entry.type != "WAVE") continue;
        EXPECT_TRUE(platform::PlayWaveResource(entry.id)) << entry.id;
        ++played;
    }
    platform::StopAllSound();
    EXPECT_EQ(played, 36);
}

TEST(WindowsSound, MissingAndBrokenRecordingsAreRefused) {
    EXPECT_FALSE(platform::PlayWaveResource(211));  // no such resource
    platform::ScopedResourceOverride broken;
    broken.Replace(ResourceType::kWAVE, 193, {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    EXPECT_FALSE(platform::PlayWaveResource(193));
    broken.Replace(ResourceType::kWAVE, 193, std::vector<std::uint8_t>(64, 0xAB));
    EXPECT_FALSE(platform::PlayWaveResource(193));
    EXPECT_TRUE(platform::PlayWaveResource(194));
    platform::StopAllSound();
}

// Wine refuses waveOutGetVolume and waveOutSetVolume on device id 0, with or without a
// device; then the saver neither reads nor changes the volume.
TEST(WindowsSound, AVolumeThatCannotBeReadIsNeverWritten) {
    DWORD level = 0;
    if (waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &level) == MMSYSERR_NOERROR) {
        GTEST_SKIP() << "this system reads device 0's volume; the next test covers it";
    }
    const auto before = VolumeThroughHandle();
    EXPECT_EQ(platform::GetWaveOutVolume(), 0xFFFFFFFFu);  // as if at full volume
    platform::SetWaveOutVolume(0x10001000u);
    EXPECT_EQ(platform::GetWaveOutVolume(), 0x10001000u);  // the saver's own idea of it
    EXPECT_EQ(VolumeThroughHandle(), before);
    platform::SetWaveOutVolume(0xFFFFFFFFu);
}

TEST(WindowsSound, AReadableVolumeIsSetAndRestored) {
    DWORD start = 0;
    if (waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &start) != MMSYSERR_NOERROR) {
        GTEST_SKIP() << "device 0's volume cannot be read here (Wine refuses the device-id call)";
    }
    EXPECT_EQ(platform::GetWaveOutVolume(), start);
    platform::SetWaveOutVolume(0x40004000u);
    DWORD now = 0;
    ASSERT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &now), static_cast<MMRESULT>(MMSYSERR_NOERROR));
    EXPECT_EQ(now, 0x40004000u);
    platform::SetWaveOutVolume(start);
}

// The runs differ only in ALSA's configuration: without it Wine finds no device here, with the
// silent one it offers one. Without that, the two runs would test the same thing.
TEST(WindowsSound, UnderWineTheAlsaConfigurationDecidesTheDevice) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) {
        GTEST_SKIP() << "not running under Wine";
    }
    EXPECT_EQ(waveOutGetNumDevs() > 0, std::getenv("ALSA_CONFIG_PATH") != nullptr);
}

}  // namespace
