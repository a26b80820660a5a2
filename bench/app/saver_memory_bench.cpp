// The built saver run as a user runs it: `vantaro -w` on a virtual display of its own, with the
// default play list and sound off, for as many seconds as the argument says (20 s, and 330 s:
// one whole round of the default list). It reports the saver's peak resident memory, as the
// kernel counts it for a finished child, and the frames per second the saver itself counted.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
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
        pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                     "tcp", "-noreset"},
                    {}, &files);
        posix_spawn_file_actions_destroy(&files);
        close(fds[1]);
        char text[16] = {};
        ssize_t length = pid != 0 ? read(fds[0], text, sizeof text - 1) : 0;
        close(fds[0]);
        if (length > 0) name = ":" + std::string(text, static_cast<std::size_t>(length - 1));
    }
    ~VirtualDisplay() {
        if (pid == 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    std::string name;  // empty when the server did not start

private:
    pid_t pid = 0;
};

// A settings folder with sound off and every other setting at its default.
class ScratchSettings {
public:
    ScratchSettings() {
        char pattern[] = "/tmp/vantaro-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        folder = pattern;
        fs::create_directories(folder / "KELDRAN");
        std::ofstream(folder / "KELDRAN" / "Vantaro.ini") << "[Option]\nSound=0\n";
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
};

double FramesPerSecondIn(const fs::path& log) {
    std::ifstream in(log);
    const std::regex line(R"(vantaro: \d+ frames in [0-9.]+ s, ([0-9.]+) frames per second)");
    std::smatch match;
    for (std::string text; std::getline(in, text);) {
        if (std::regex_search(text, match, line)) return std::stod(match[1]);
    }
    return 0;
}

SaverRun RunSaver(const std::string& display, const fs::path& settings, int seconds) {
    const fs::path log = settings / "stderr.txt";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t pid = Spawn({VANTARO_SAVER_PATH, "-w"},
                            {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + settings.string(), "VANTARO_FRAME_STATS=1"},
                            &files);
    posix_spawn_file_actions_destroy(&files);
    SaverRun run;
    if (pid == 0) return run;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    kill(pid, SIGINT);  // the saver ends as on a key, and says how many frames it drew
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.framesPerSecond = FramesPerSecondIn(log);
    run.ok = WIFEXITED(status) && run.framesPerSecond > 0;
    return run;
}

void SaverInItsTestWindow(benchmark::State& state) {
    VirtualDisplay display;
    ScratchSettings settings;
    if (display.name.empty() || settings.folder.empty()) {
        state.SkipWithError("no virtual display or no scratch folder");
        return;
    }
    SaverRun run;
    for (auto _ : state) run = RunSaver(display.name, settings.folder, static_cast<int>(state.range(0)));
    if (!run.ok) {
        state.SkipWithError("the saver did not run to the end");
        return;
    }
    state.counters["peak_MB"] = run.peakMegabytes;
    state.counters["fps"] = run.framesPerSecond;
}

}  // namespace

BENCHMARK(SaverInItsTestWindow)->Arg(20)->Arg(330)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
