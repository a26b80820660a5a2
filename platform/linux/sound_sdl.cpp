// The sound facility on SDL2 audio, decoding with libmpg123.
//
// The program's thread parses the WAVE resource, opens a decoder on its data chunk and hands
// it to the output under the device lock; the audio thread pulls samples from it, decoding
// one MPEG frame (576 samples, well under a millisecond of work) whenever its resampler runs
// short. Nothing on the program's thread waits for decoding.

#include <SDL.h>
#include <mpg123.h>
#if defined(__linux__)
#include <dlfcn.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/wave_file.h"

namespace platform {
namespace {

constexpr int kOutputRate = 44100;
constexpr Uint16 kOutputFrames = 1024;  // about 23 ms per audio-thread turn
constexpr int kOutputChannels = 2;
constexpr const char* kSilentDriver = "dummy";
constexpr std::uint32_t kFullVolume = 0xFFFFFFFFu;

struct DecoderDeleter {
    void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};
struct ResamplerDeleter {
    void operator()(SDL_AudioStream* s) const { SDL_FreeAudioStream(s); }
};
using Decoder = std::unique_ptr<mpg123_handle, DecoderDeleter>;
using Resampler = std::unique_ptr<SDL_AudioStream, ResamplerDeleter>;

// A decoder fed with the whole MPEG stream, giving 16-bit mono at the stream's own rate.
Decoder OpenDecoder(std::span<const std::uint8_t> data, long& rate) {
    int error = MPG123_OK;
    Decoder decoder(mpg123_new(nullptr, &error));
    if (!decoder) return {};
    mpg123_handle* h = decoder.get();
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i) mpg123_format(h, rates[i], MPG123_MONO, MPG123_ENC_SIGNED_16);
    int channels = 0;
    int encoding = 0;
    if (mpg123_open_feed(h) != MPG123_OK || mpg123_feed(h, data.data(), data.size()) != MPG123_OK ||
        mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK) {
        return {};
    }
    return decoder;
}

// One recording on its way to the output.
class Voice {
public:
    static std::unique_ptr<Voice> Open(const Mp3Wave& wave, int outputRate) {
        long rate = 0;
        Decoder decoder = OpenDecoder(wave.data, rate);
        if (!decoder) return nullptr;
        Resampler resampler(SDL_NewAudioStream(AUDIO_S16SYS, 1, static_cast<int>(rate), AUDIO_F32SYS, 1, outputRate));
        if (!resampler) return nullptr;
        // The fact chunk's count is the recording's true length: anything decoded beyond
        // it is encoder padding.
        const std::uint64_t samples = wave.sampleCount ? *wave.sampleCount : std::numeric_limits<std::uint64_t>::max();
        return std::unique_ptr<Voice>(new Voice(std::move(decoder), std::move(resampler), samples));
    }

    // Audio thread: up to `count` mono samples at the output rate; fewer when it has ended.
    int Render(float* out, int count) {
        const int wanted = count * static_cast<int>(sizeof(float));
        while (!drained && SDL_AudioStreamAvailable(resampler.get()) < wanted) {
            if (!DecodeFrame()) {
                SDL_AudioStreamFlush(resampler.get());
                drained = true;
            }
        }
        const int got = std::max(0, SDL_AudioStreamGet(resampler.get(), out, wanted)) / static_cast<int>(sizeof(float));
        if (got < count && drained) ended = true;
        return got;
    }

    bool Ended() const { return ended; }

private:
    Voice(Decoder d, Resampler r, std::uint64_t samples)
        : decoder(std::move(d)), resampler(std::move(r)), samplesLeft(samples) {}

    // One MPEG frame into the resampler; false at the end of the recording or on bad data.
    bool DecodeFrame() {
        off_t frame = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        const int result = mpg123_decode_frame(decoder.get(), &frame, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT) return true;
        if (result != MPG123_OK || samplesLeft == 0) return false;
        const std::uint64_t samples = std::min<std::uint64_t>(bytes / sizeof(std::int16_t), samplesLeft);
        samplesLeft -= samples;
        return SDL_AudioStreamPut(resampler.get(), audio, static_cast<int>(samples * sizeof(std::int16_t))) == 0;
    }

    Decoder decoder;
    Resampler resampler;
    std::uint64_t samplesLeft;
    bool drained = false;
    std::atomic<bool> ended{false};
};

// ALSA reports a missing sound card on stderr, eight lines of it, before SDL can tell us;
// the saver says it once in its own words instead. ALSA is loaded here only to be told so;
// without it there is nothing to quiet.
extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
#if defined(__linux__)
    static const bool done = [] {
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        void* alsa = dlopen("libasound.so.2", RTLD_LAZY);
        if (alsa == nullptr) return true;
        if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"))) {
            set(&IgnoreAlsaError);
        }
        return true;  // the library stays loaded, with the handler, for the life of the process
    }();
    (void)done;
#endif
}

std::int16_t ToSample(float value) {
    return static_cast<std::int16_t>(std::lrint(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

// The one output device and the recording it plays.
class SoundOutput {
public:
    SoundOutput() = default;
    ~SoundOutput() { Close(); }
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // The usual way: the default driver, else the silent one, reported once per run.
    void EnsureOpen() {
        if (device != 0 || triedUsual) return;
        triedUsual = true;
        QuietAlsa();
        if (Open(nullptr)) return;
        const std::string reason = SDL_GetError();
        const bool silentOpened = Open(kSilentDriver);
        static bool reported = false;
        if (!reported) {
            reported = true;
            std::fprintf(stderr, "Vantaro: no sound device (%s); %s\n", reason.c_str(),
                         silentOpened ? "running silently" : "sound is off");
        }
    }

    bool Open(const char* driver) {
        Close();
        if (SDL_AudioInit(driver) != 0) return false;
        initialised = true;
        SDL_AudioSpec want{};
        want.freq = kOutputRate;
        want.format = AUDIO_S16SYS;
        want.channels = kOutputChannels;
        want.samples = kOutputFrames;
        want.callback = &SoundOutput::Callback;
        want.userdata = this;
        device = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                     SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
        if (device == 0) {
            Close();
            return false;
        }
        scratch.assign(have.samples, 0.0f);
        framesMixed = 0;
        SDL_PauseAudioDevice(device, 0);
        return true;
    }

    void Close() {
        if (device != 0) SDL_CloseAudioDevice(device);  // joins the audio thread
        device = 0;
        voice.reset();
        if (initialised) SDL_AudioQuit();
        initialised = false;
        have = SDL_AudioSpec{};
    }

    void ForgetUsualOpen() { triedUsual = false; }

    // Swaps the recording under the device lock; the old one is destroyed outside it.
    void Replace(std::unique_ptr<Voice> next) {
        if (device != 0) SDL_LockAudioDevice(device);
        voice.swap(next);
        if (device != 0) SDL_UnlockAudioDevice(device);
    }

    int Rate() const { return device != 0 ? have.freq : kOutputRate; }

    bool Playing() {
        Locked lock(device);
        return voice && !voice->Ended();
    }

    std::uint64_t FramesMixed() {
        Locked lock(device);
        return framesMixed;
    }

    SoundOutputFormat Format() const {
        if (device == 0) return {};
        return {have.freq, have.samples};
    }

    std::atomic<std::uint32_t> volume{kFullVolume};

private:
    struct Locked {
        explicit Locked(SDL_AudioDeviceID d) : id(d) {
            if (id != 0) SDL_LockAudioDevice(id);
        }
        ~Locked() {
            if (id != 0) SDL_UnlockAudioDevice(id);
        }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;
        SDL_AudioDeviceID id;
    };

    static void SDLCALL Callback(void* self, Uint8* stream, int len) {
        const int frames = len / static_cast<int>(kOutputChannels * sizeof(std::int16_t));
        static_cast<SoundOutput*>(self)->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
    }

    // Audio thread, under the device lock: the recording at the output gain, then silence.
    void Mix(std::int16_t* out, int frames) {
        const std::uint32_t v = volume.load(std::memory_order_relaxed);
        const float left = static_cast<float>(v & 0xFFFFu) / 65535.0f;
        const float right = static_cast<float>(v >> 16) / 65535.0f;
        int done = 0;
        while (done < frames && voice && !voice->Ended()) {
            const int chunk = std::min(frames - done, static_cast<int>(scratch.size()));
            const int got = voice->Render(scratch.data(), chunk);
            for (int i = 0; i < got; ++i) {
                out[2 * (done + i)] = ToSample(scratch[static_cast<std::size_t>(i)] * left);
                out[2 * (done + i) + 1] = ToSample(scratch[static_cast<std::size_t>(i)] * right);
            }
            done += got;
            if (got < chunk) break;
        }
        std::fill(out + 2 * done, out + 2 * frames, std::int16_t{0});
        framesMixed += static_cast<std::uint64_t>(frames);
    }

    SDL_AudioDeviceID device = 0;
    bool initialised = false;
    bool triedUsual = false;
    SDL_AudioSpec have{};
    std::vector<float> scratch;
    std::unique_ptr<Voice> voice;  // shared with the audio thread: touched under the lock
    std::uint64_t framesMixed = 0;
};

SoundOutput& Output() {
    static SoundOutput output;
    return output;
}

}  // namespace

bool PlayWaveResource(int id) {
    SoundOutput& output = Output();
    output.EnsureOpen();
    output.Replace(nullptr);
    const auto bytes = FindResource(ResourceType::kWAVE, id);
    Mp3Wave wave;
    if (!bytes || ParseMp3Wave(*bytes, wave) != WaveError::kNone) return false;
    std::unique_ptr<Voice> voice = Voice::Open(wave, output.Rate());
    if (!voice) return false;
    output.Replace(std::move(voice));
    return true;
}

void StopAllSound() { Output().Replace(nullptr); }

std::uint32_t GetWaveOutVolume() { return Output().volume.load(); }

void OpenSoundOutput() { Output().EnsureOpen(); }

void SetWaveOutVolume(std::uint32_t volume) { Output().volume.store(volume); }

bool ReopenSoundOutput(const char* driver) {
    SoundOutput& output = Output();
    if (driver != nullptr) return output.Open(driver);
    output.Close();
    output.ForgetUsualOpen();
    output.EnsureOpen();
    return output.Format().rate != 0;
}

void CloseSoundOutput() {
    Output().Close();
    Output().ForgetUsualOpen();
}

bool IsSoundPlaying() { return Output().Playing(); }

std::uint64_t SoundFramesMixed() { return Output().FramesMixed(); }

SoundOutputFormat CurrentSoundOutputFormat() { return Output().Format(); }

}  // namespace platform
