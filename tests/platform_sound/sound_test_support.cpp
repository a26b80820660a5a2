#include "sound_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace sound_test {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ToneWave(const std::string& name) {
    return ReadFile(std::filesystem::path(VANTARO_SOURCE_DIR) / "tests/platform_sound/data" / (name + ".wav"));
}

bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

DiskCapture::DiskCapture()
    : path(std::filesystem::temp_directory_path() /
           ("vantaro-sound-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw")) {
    ::setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    ::setenv("SDL_DISKAUDIODELAY", "2", 1);  // one 23 ms buffer every 2 ms
    EXPECT_TRUE(platform::ReopenSoundOutput("disk"));
    format = platform::CurrentSoundOutputFormat();
}

DiskCapture::~DiskCapture() {
    platform::CloseSoundOutput();
    std::filesystem::remove(path);
}

void DiskCapture::Finish() {
    platform::CloseSoundOutput();
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    samples.resize(bytes.size() / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
    // Before its first turn the audio thread may write a buffer or two of silence.
    const std::uint64_t mixed = platform::SoundFramesMixed();
    ASSERT_GE(Frames(), mixed);
    lead = Frames() - static_cast<std::size_t>(mixed);
}

std::pair<std::size_t, std::size_t> DiskCapture::AudibleSpan() const {
    std::size_t first = Frames();
    std::size_t last = 0;
    for (std::size_t f = 0; f < Frames(); ++f) {
        if (Left(f) != 0 || Right(f) != 0) {
            first = std::min(first, f);
            last = f + 1;
        }
    }
    return first < last ? std::pair{first, last} : std::pair<std::size_t, std::size_t>{0, 0};
}

double DiskCapture::Rms(int channel, std::size_t begin, std::size_t end) const {
    double sum = 0.0;
    for (std::size_t f = begin; f < end; ++f) {
        const double s = channel == 0 ? Left(f) : Right(f);
        sum += s * s;
    }
    return end > begin ? std::sqrt(sum / static_cast<double>(end - begin)) : 0.0;
}

double DiskCapture::Frequency(std::size_t begin, std::size_t end) const {
    int crossings = 0;
    for (std::size_t f = begin + 1; f < end; ++f) {
        if ((Left(f - 1) < 0) != (Left(f) < 0)) ++crossings;
    }
    return crossings / 2.0 * Rate() / static_cast<double>(end - begin);
}

}  // namespace sound_test
