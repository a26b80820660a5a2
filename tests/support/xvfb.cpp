#include "tests/support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

extern char** environ;

namespace testsupport {
namespace {

std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

// The shared display of a test program: set in $DISPLAY, ended with the program.
class Server {
public:
    Server() {
        if (display.Name().empty()) {
            reason = display.WhyNot();
            return;
        }
        name = display.Name();
        setenv("DISPLAY", name.c_str(), 1);
    }

    std::string name;
    std::string reason;

private:
    PrivateDisplay display;
};

}  // namespace

PrivateDisplay::PrivateDisplay() {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) {
        reason = "Xvfb is not installed";
        return;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        reason = "no pipe for Xvfb";
        return;
    }
    // -displayfd: the server takes a free display number and writes it to the pipe.
    const std::vector<std::string> argv = {xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                           "1024x768x24", "-nolisten", "tcp"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto args = ArgumentVector(argv);
    pid_t spawnedPid = 0;
    const int spawned = posix_spawn(&spawnedPid, xvfb.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        reason = "Xvfb could not be started";
        return;
    }
    pid = spawnedPid;
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&wait, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        reason = "Xvfb did not report a display";
        Stop();
        return;
    }
    name = ":" + number;
}

void PrivateDisplay::Stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
}

std::string StartVirtualDisplay(std::string& whyNot) {
    static Server server;
    whyNot = server.reason;
    return server.name;
}

std::string FindProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

std::string RunAndCapture(const std::vector<std::string>& argv, int& status) {
    status = -1;
    int fds[2];
    if (argv.empty() || pipe(fds) != 0) return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    auto args = ArgumentVector(argv);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; spawned == 0 && (n = read(fds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    if (spawned == 0) {
        int raw = 0;
        waitpid(pid, &raw, 0);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return output;
}

}  // namespace testsupport
