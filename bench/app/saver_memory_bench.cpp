// The built saver run as a user runs it, on a 1024 x 768 virtual display of its own with sound
// off: programme 1 in the test window (`vantaro -w`, 20 s), programme 22 full screen at
// 800 x 600 (its whole 35 s), and one whole round of the default play list full screen (330 s).
// It reports the frames per second the saver itself counted, the cores it used (CPU seconds
// per wall second, as the kernel counts them for a finished child), the cores the X server
// used meanwhile, and the saver's peak resident memory.
//
//   build/bench/app/bench_saver                                   # all three, about seven minutes
//   build/bench/app/bench_saver --benchmark_filter=TestWindow     # programme 1 in the window only
//   VANTARO_BENCH_SAVER=/path/to/other/vantaro build/bench/app/bench_saver   # another build
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Starts `arguments` with `extraEnvironment` added to ours; 0 when it cannot start.
pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnvironment,
            posix_spawn_file_actions_t* files) {
    std::vector<std::string> environment = extraEnvironment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (std::string& s : strings) result.push_back(s.data());
        result.push_back(nullptr);
        return result;
    };
    std::vector<std::string> argumentCopy = arguments;
    std::vector<char*> argv = pointers(argumentCopy), envp = pointers(environment);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], files, nullptr, argv.data(), envp.data()) != 0) return 0;
    return pid;
}

// A virtual display on the first free number, which the server itself picks and reports.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addclose(&files, fds[0]);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
        pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten",
                     "tcp", "-noreset"},
                    {}, &files);
        posix_spawn_file_actions_destroy(&files);
        close(fds[1]);
        // The number comes as a line, not necessarily in one piece.
        std::string number;
        char digit = 0;
        while (pid != 0 && read(fds[0], &digit, 1) == 1 && digit != '\n') number += digit;
        close(fds[0]);
        if (!number.empty()) name = ":" + number;
    }
    ~VirtualDisplay() {
        if (pid == 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // CPU seconds the server has used so far; 0 when it cannot be read.
    double CpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(in, text);
        const std::size_t end = text.rfind(')');  // the command name may hold spaces
        if (pid == 0 || end == std::string::npos) return 0;
        std::istringstream fields(text.substr(end + 2));
        std::string field;
        std::uint64_t user = 0, system = 0;
        for (int index = 3; fields >> field && index <= 15; ++index) {
            if (index == 14) user = std::stoull(field);
            if (index == 15) system = std::stoull(field);
        }
        return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    std::string name;  // empty when the server did not start

private:
    pid_t pid = 0;
};

// A settings folder with sound off, `options` (lines of the [Option] group) and every other
// setting at its default.
class ScratchSettings {
public:
    explicit ScratchSettings(const std::string& options) {
        char pattern[] = "/tmp/vantaro-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        folder = pattern;
        fs::create_directories(folder / "KELDRAN");
        std::ofstream(folder / "KELDRAN" / "Vantaro.ini") << "[Option]\nSound=0\n" << options;
    }
    ~ScratchSettings() {
        std::error_code ignored;
        if (!folder.empty()) fs::remove_all(folder, ignored);
    }
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    fs::path folder;
};

struct SaverRun {
    bool ok = false;
    double peakMegabytes = 0;
    double framesPerSecond = 0;
    double cores = 0;        // the saver's CPU seconds per wall second
    double serverCores = 0;  // the X server's, over the same time
};

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; }

double FramesPerSecondIn(const fs::path& log) {
    std::ifstream in(log);
    const std::regex line(R"(vantaro: \d+ frames in [0-9.]+ s, ([0-9.]+) frames per second)");
    std::smatch match;
    for (std::string text; std::getline(in, text);) {
        if (std::regex_search(text, match, line)) return std::stod(match[1]);
    }
    return 0;
}

SaverRun RunSaver(const VirtualDisplay& display, const fs::path& settings, const std::string& mode, int seconds) {
    const fs::path log = settings / "stderr.txt";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const char* other = std::getenv("VANTARO_BENCH_SAVER");  // another build, to compare with
    std::vector<std::string> arguments{other != nullptr && *other != 0 ? other : VANTARO_SAVER_PATH};
    if (!mode.empty()) arguments.push_back(mode);
    const double serverBefore = display.CpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = Spawn(arguments,
                            {"DISPLAY=" + display.name, "XDG_CONFIG_HOME=" + settings.string(), "VANTARO_FRAME_STATS=1"},
                            &files);
    posix_spawn_file_actions_destroy(&files);
    SaverRun run;
    if (pid == 0) return run;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    kill(pid, SIGINT);  // the saver ends as on a key, and says how many frames it drew
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.framesPerSecond = FramesPerSecondIn(log);
    run.cores = (Seconds(usage.ru_utime) + Seconds(usage.ru_stime)) / wall;
    run.serverCores = (display.CpuSeconds() - serverBefore) / wall;
    run.ok = WIFEXITED(status) && run.framesPerSecond > 0;
    return run;
}

// One run of the saver with `options`, in `mode` ("-w", or "" for full screen), for `seconds`.
void MeasureSaver(benchmark::State& state, const std::string& options, const std::string& mode, int seconds) {
    VirtualDisplay display;
    ScratchSettings settings(options);
    if (display.name.empty() || settings.folder.empty()) {
        state.SkipWithError("no virtual display or no scratch folder");
        return;
    }
    SaverRun run;
    for (auto _ : state) run = RunSaver(display, settings.folder, mode, seconds);
    if (!run.ok) {
        state.SkipWithError("the saver did not run to the end");
        return;
    }
    state.counters["fps"] = run.framesPerSecond;
    state.counters["cores"] = run.cores;
    state.counters["x_cores"] = run.serverCores;
    state.counters["peak_MB"] = run.peakMegabytes;
}

void Programme1InTheTestWindow(benchmark::State& state) { MeasureSaver(state, "Program=\\x01\n", "-w", 20); }
void Programme22FullScreen800x600(benchmark::State& state) {
    MeasureSaver(state, "Program=\\x16\nWidth=800\nHeight=600\n", "", 35);
}
void DefaultRoundFullScreen(benchmark::State& state) { MeasureSaver(state, "", "", 330); }

}  // namespace

BENCHMARK(Programme1InTheTestWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(Programme22FullScreen800x600)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(DefaultRoundFullScreen)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
