// The sound facility end to end: recordings played through SDL's disk driver and read back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/resources.h"
#include "platform/sound.h"
#include "sound_test_support.h"

namespace {

using platform::ResourceType;
using sound_test::DiskCapture;
using sound_test::WaitFor;

constexpr int kToneLow = 9001;   // test resource ids: 440 Hz for 3 s, 1000 Hz for 1 s
constexpr int kToneHigh = 9002;

class SoundOutput : public ::testing::Test {
protected:
    SoundOutput() {
        tones.Replace(ResourceType::kWAVE, kToneLow, sound_test::ToneWave("tone440"));
        tones.Replace(ResourceType::kWAVE, kToneHigh, sound_test::ToneWave("tone1000"));
    }
    static bool Finished() { return !platform::IsSoundPlaying(); }
    platform::ScopedResourceOverride tones;
};

TEST_F(SoundOutput, PlaysARecordingOnceForItsWholeLengthAndNotSilently) {
    DiskCapture capture;
    const std::uint64_t before = platform::SoundFramesMixed();
    ASSERT_TRUE(platform::PlayWaveResource(197));  // programme 5, 12.5 s
    const std::uint64_t after = platform::SoundFramesMixed();
    EXPECT_TRUE(platform::IsSoundPlaying());
    ASSERT_TRUE(WaitFor(Finished));
    // Some silence after the end shows that it is not played again.
    const std::uint64_t end = platform::SoundFramesMixed();
    ASSERT_TRUE(WaitFor([&] { return platform::SoundFramesMixed() > end + 20u * 1024u; }));
    capture.Finish();

    const auto [first, last] = capture.AudibleSpan();
    const double seconds = static_cast<double>(last - first) / capture.Rate();
    EXPECT_NEAR(seconds, 12.5, 0.05);
    // It starts with the audio thread's next turn (the fade-in's first samples may round to 0).
    EXPECT_GE(first, capture.FileFrame(before));
    EXPECT_LE(first, capture.FileFrame(after) + static_cast<std::size_t>(capture.Rate()) / 100);
    EXPECT_GT(capture.Rms(0, first, last), 1000.0);
    EXPECT_EQ(capture.Rms(0, first, last), capture.Rms(1, first, last));  // mono on both sides
}

TEST_F(SoundOutput, ASecondRecordingCutsOffTheFirst) {
    DiskCapture capture;
    ASSERT_TRUE(platform::PlayWaveResource(kToneLow));
    ASSERT_TRUE(WaitFor([] { return platform::SoundFramesMixed() > 44100 / 2; }));
    const std::uint64_t beforeSwitch = platform::SoundFramesMixed();
    ASSERT_TRUE(platform::PlayWaveResource(kToneHigh));
    const std::uint64_t afterSwitch = platform::SoundFramesMixed();
    ASSERT_TRUE(WaitFor(Finished));
    const std::uint64_t end = platform::SoundFramesMixed();
    ASSERT_TRUE(WaitFor([&] { return platform::SoundFramesMixed() > end + 10u * 1024u; }));
    capture.Finish();

    // The switch happened on an audio-thread turn between the two readings.
    const std::size_t rate = static_cast<std::size_t>(capture.Rate());
    const std::size_t earliest = capture.FileFrame(beforeSwitch);
    const std::size_t latest = capture.FileFrame(afterSwitch);
    const auto [first, last] = capture.AudibleSpan();
    EXPECT_NEAR(capture.Frequency(first + rate / 10, earliest), 440.0, 10.0);
    EXPECT_NEAR(capture.Frequency(latest, latest + rate / 2), 1000.0, 20.0);
    // The 1 s tone plays to its end and the 3 s tone does not come back after it.
    EXPECT_GE(static_cast<double>(last - earliest) / capture.Rate(), 0.99);
    EXPECT_LE(static_cast<double>(last - latest) / capture.Rate(), 1.01);
    // The switch came before the 3 s tone would have ended by itself (a loaded machine may
    // let the disk driver run well ahead of the test's own thread).
    EXPECT_LT(static_cast<double>(earliest - first) / capture.Rate(), 2.9);
}

TEST_F(SoundOutput, StopSilencesAtOnceAndAFailedPlayStopsToo) {
    for (const bool byStop : {true, false}) {
        SCOPED_TRACE(byStop ? "StopAllSound" : "PlayWaveResource of a missing id");
        DiskCapture capture;
        ASSERT_TRUE(platform::PlayWaveResource(kToneLow));
        ASSERT_TRUE(WaitFor([] { return platform::SoundFramesMixed() > 44100 / 2; }));
        const std::uint64_t beforeStop = platform::SoundFramesMixed();
        if (byStop) {
            platform::StopAllSound();
        } else {
            EXPECT_FALSE(platform::PlayWaveResource(4242));
        }
        const std::uint64_t stopped = platform::SoundFramesMixed();
        EXPECT_FALSE(platform::IsSoundPlaying());
        ASSERT_TRUE(WaitFor([&] { return platform::SoundFramesMixed() > stopped + 10u * 1024u; }));
        capture.Finish();

        const std::size_t stop = capture.FileFrame(stopped);
        const auto [first, last] = capture.AudibleSpan();
        EXPECT_LE(last, stop);  // nothing after the call returned
        const std::size_t playing = capture.FileFrame(beforeStop);
        EXPECT_GT(capture.Rms(0, playing - static_cast<std::size_t>(capture.BufferFrames()), playing), 1000.0)
            << "it was still playing just before the call";
        EXPECT_LT(static_cast<double>(last - first) / capture.Rate(), 2.9);  // stopped before its end
    }
}

TEST_F(SoundOutput, VolumeIsTheGainOfEachChannelLowWordLeft) {
    EXPECT_EQ(platform::GetWaveOutVolume(), 0xFFFFFFFFu) << "full at start";
    struct Case {
        std::uint32_t volume;
        double left;
        double right;
    };
    double fullRms = 0.0;
    for (const Case c : {Case{0xFFFFFFFFu, 1.0, 1.0}, Case{0x80008000u, 0.5, 0.5}, Case{0x0000FFFFu, 1.0, 0.0},
                         Case{0xFFFF0000u, 0.0, 1.0}, Case{0u, 0.0, 0.0}}) {
        SCOPED_TRACE(c.volume);
        DiskCapture capture;
        platform::SetWaveOutVolume(c.volume);
        EXPECT_EQ(platform::GetWaveOutVolume(), c.volume);
        ASSERT_TRUE(platform::PlayWaveResource(kToneHigh));
        ASSERT_TRUE(WaitFor(Finished));
        capture.Finish();
        const std::size_t begin = capture.FileFrame(0) + static_cast<std::size_t>(capture.Rate()) / 10;
        const std::size_t end = begin + static_cast<std::size_t>(capture.Rate()) / 2;
        if (fullRms == 0.0) fullRms = capture.Rms(0, begin, end);
        ASSERT_GT(fullRms, 1000.0);
        EXPECT_NEAR(capture.Rms(0, begin, end) / fullRms, c.left, 0.01);
        EXPECT_NEAR(capture.Rms(1, begin, end) / fullRms, c.right, 0.01);
    }
}

TEST(SoundWithoutDevice, FallsBackToTheSilentDriverSayingSoInOneLine) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ::testing::internal::CaptureStderr();
    const bool opened = platform::ReopenSoundOutput(nullptr);
    const bool played = platform::PlayWaveResource(197);
    const bool playing = platform::IsSoundPlaying();
    platform::SetWaveOutVolume(0x40004000u);
    platform::StopAllSound();
    const std::string said = ::testing::internal::GetCapturedStderr();
    ::unsetenv("SDL_AUDIODRIVER");
    platform::CloseSoundOutput();

    EXPECT_TRUE(opened);
    EXPECT_TRUE(played);
    EXPECT_TRUE(playing) << "the silent driver plays in real time";
    EXPECT_FALSE(platform::IsSoundPlaying());
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST(SoundOutputOpening, TheVolumeAndStoppingLeaveTheOutputClosedUntilARecordingWillPlay) {
    platform::CloseSoundOutput();
    platform::SetWaveOutVolume(0x12341234u);
    platform::StopAllSound();
    EXPECT_EQ(platform::GetWaveOutVolume(), 0x12341234u);
    EXPECT_EQ(platform::CurrentSoundOutputFormat().rate, 0) << "the volume opened the audio device";
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::OpenSoundOutput();
    EXPECT_NE(platform::CurrentSoundOutputFormat().rate, 0) << "opening on request";
    ::unsetenv("SDL_AUDIODRIVER");
    platform::CloseSoundOutput();
    platform::SetWaveOutVolume(0xFFFFFFFFu);
}

}  // namespace
