// What sound costs the frame loop: starting a recording on the program's thread, and the
// decoding the audio thread does per MPEG frame while holding the device lock.

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/wave_file.h"

namespace {

constexpr int kLongest = 217;   // 83 s
constexpr int kShortest = 234;  // 12 s

void BM_PlayWaveResource(benchmark::State& state) {
    platform::ReopenSoundOutput("dummy");
    const int id = static_cast<int>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(platform::PlayWaveResource(id));
    platform::CloseSoundOutput();
}
BENCHMARK(BM_PlayWaveResource)->Arg(kShortest)->Arg(kLongest)->Unit(benchmark::kMicrosecond);

// Decodes a whole recording from memory the way the audio thread does, one frame per call.
void BM_DecodeRecordingPerMpegFrame(benchmark::State& state) {
    const auto bytes = platform::FindResource(platform::ResourceType::kWAVE, kLongest);
    platform::Mp3Wave wave;
    if (!bytes || platform::ParseMp3Wave(*bytes, wave) != platform::WaveError::kNone) {
        state.SkipWithError("no recording");
        return;
    }
    std::int64_t frames = 0;
    for (auto _ : state) {
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(h);
        mpg123_format(h, 11025, MPG123_MONO, MPG123_ENC_SIGNED_16);
        mpg123_open_feed(h);
        mpg123_feed(h, wave.data.data(), wave.data.size());
        off_t frame = 0;
        unsigned char* audio = nullptr;
        std::size_t size = 0;
        for (int r = MPG123_OK; r == MPG123_OK || r == MPG123_NEW_FORMAT;) {
            r = mpg123_decode_frame(h, &frame, &audio, &size);
            frames += r == MPG123_OK;
        }
        mpg123_delete(h);
    }
    state.SetItemsProcessed(frames);  // items per second: MPEG frames of 576 samples
}
BENCHMARK(BM_DecodeRecordingPerMpegFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
