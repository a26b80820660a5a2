#include "app/framework/loop_watchdog.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "app/framework/win_app.h"
#include "app/framework/x11/x11_session.h"
#include "platform/heartbeat.h"

namespace framework {
namespace {

using Clock = std::chrono::steady_clock;

// What the guard's pipe carries besides signal numbers (1 to 64).
constexpr unsigned char kStop = 0;
constexpr unsigned char kWake = 255;

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL};

// The guard's pipe (its write end) for the signal handler; -1 when there is no guard.
std::atomic<int> wakeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads it");
// The framework's display connection, for the crash handler to tell a lost display.
std::atomic<int> displayFd{-1};
// The application's name, for lines written where nothing may be allocated.
char lineName[64] = "Vantaro";

// One line on stderr with write(2) alone (the main thread may hold the stdio locks, a signal
// handler may be running), then the end. Of two threads that find the end at once (the guard
// and the main thread's display both see a lost connection) only the first says so; the
// other waits for the end it brings.
std::atomic<bool> ending{false};

[[noreturn]] void SayAndEnd(const char* text, int status) {
    if (ending.exchange(true)) {
        for (;;) pause();
    }
    char line[512];
    std::size_t length = 0;
    for (const char* part : {static_cast<const char*>(lineName), ": ", text, "\n"}) {
        for (; *part && length < sizeof line; ++part) line[length++] = *part;
    }
    if (write(STDERR_FILENO, line, length) < 0) {
        // Nobody to tell.
    }
    _exit(status);
}

constexpr const char* kLost = "the connection to the display was lost; ending at once";

// Blocks the termination signals on this thread while alive.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kTerminationSignals) sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous;
};

bool ConnectionHungUp(int fd) {
    if (fd < 0) return false;
    pollfd check{fd, POLLRDHUP, 0};
    return poll(&check, 1, 0) == 1 && (check.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
}

struct sigaction previousFatal[std::size(kFatalSignals)];

// A crash on a dead display connection is the lost display; any other goes on as before.
void OnFatalSignal(int signal, siginfo_t* info, void* context) {
    if (ConnectionHungUp(displayFd.load())) SayAndEnd(kLost, 1);
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
        if (kFatalSignals[i] != signal) continue;
        const struct sigaction& before = previousFatal[i];
        if ((before.sa_flags & SA_SIGINFO) && before.sa_sigaction) {
            before.sa_sigaction(signal, info, context);
            return;
        }
        if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN && before.sa_handler != nullptr) {
            before.sa_handler(signal);
            return;
        }
    }
    // The default action: put it back and let the signal come again (a fault comes again as
    // its instruction runs again; a sent signal is sent again).
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    if (signal == SIGABRT || (info && info->si_code <= 0)) raise(signal);
}

void InstallCrashHandlers() {
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) sigaction(kFatalSignals[i], &action, &previousFatal[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGINT: return "SIGINT";
        case SIGHUP: return "SIGHUP";
        default: return "a termination signal";
    }
}

struct XcbCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

class Guard {
public:
    explicit Guard(const std::string& displayName) : connection(xcb_connect(displayName.c_str(), nullptr)) {
        if (xcb_connection_has_error(connection.get()) || pipe2(pipe, O_CLOEXEC) != 0) {
            connection.reset();
            return;
        }
        fcntl(pipe[1], F_SETFL, O_NONBLOCK);
        InstallCrashHandlers();
        // The signals stay the main thread's: the guard's thread starts with them blocked.
        const SignalsHeld held;
        thread = std::thread(&Guard::Watch, this);
        wakeFd.store(pipe[1]);
    }

    ~Guard() {
        if (!thread.joinable()) return;
        {
            const SignalsHeld held;  // no handler may write to the pipe while it goes
            wakeFd.store(-1);
        }
        Tell(kStop);
        thread.join();
        close(pipe[0]);
        close(pipe[1]);
    }

    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    bool Running() const { return thread.joinable(); }

    void Add(xcb_window_t window) {
        {
            const std::lock_guard lock(mutex);
            guarded.insert(window);
        }
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        const auto cookie = xcb_change_window_attributes_checked(connection.get(), window, XCB_CW_EVENT_MASK, &mask);
        if (xcb_generic_error_t* error = xcb_request_check(connection.get(), cookie)) {
            std::free(error);
            Destroyed(window);  // gone before it was guarded
        }
        Tell(kWake);
    }

    void Remove(xcb_window_t window) {
        const std::lock_guard lock(mutex);
        guarded.erase(window);
        if (windowDeadline && deadlineWindow == window) windowDeadline.reset();
    }

    void SetLoopRunning(bool running) {
        const std::lock_guard lock(mutex);
        loopRunning = running;
        if (!running) signalDeadline.reset();
    }

    void Tell(unsigned char byte) const {
        while (write(pipe[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }

private:
    // An end that comes when the main thread has shown no sign of life for kLoopGrace; one
    // that goes on (a programme loading, a large frame) gets more time, up to kEndLimit.
    struct Deadline {
        Clock::time_point armed;
        Clock::time_point due;
        std::uint64_t beats;
    };

    static Deadline Arm() {
        const auto now = Clock::now();
        return {now, now + kLoopGrace, platform::Heartbeats()};
    }

    // Whether `deadline` has come for good; else it is moved on by the main thread's progress.
    static bool Expired(Deadline& deadline, Clock::time_point now) {
        if (now < deadline.due) return false;
        const std::uint64_t beats = platform::Heartbeats();
        if (beats == deadline.beats || now - deadline.armed >= kEndLimit) return true;
        deadline.beats = beats;
        deadline.due = now + kLoopGrace;
        return false;
    }

    void Destroyed(xcb_window_t window) {
        const std::lock_guard lock(mutex);
        if (!guarded.count(window) || windowDeadline) return;
        windowDeadline = Arm();
        deadlineWindow = window;
    }

    void Signalled(int signal) {
        const std::lock_guard lock(mutex);
        if (!loopRunning || signalDeadline) return;
        signalDeadline = Arm();
        signalNumber = signal;
    }

    // The time left before the earliest end, in ms for poll (-1: none); ends the process when
    // it has come.
    int MillisecondsLeft() {
        const std::lock_guard lock(mutex);
        const auto now = Clock::now();
        const std::string grace = std::to_string(kLoopGrace.count()) + " ms; ending at once";
        if (windowDeadline && Expired(*windowDeadline, now)) {
            SayAndEnd(("the window was destroyed and the program made no progress towards its end for " + grace).c_str(),
                      0);
        }
        if (signalDeadline && Expired(*signalDeadline, now)) {
            SayAndEnd((std::string(SignalName(signalNumber)) + " came and the message loop made no progress for " + grace)
                          .c_str(),
                      0);
        }
        std::optional<Clock::time_point> earliest;
        for (const auto& deadline : {windowDeadline, signalDeadline}) {
            if (deadline && (!earliest || deadline->due < *earliest)) earliest = deadline->due;
        }
        if (!earliest) return -1;
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(*earliest - now).count()) + 1;
    }

    void Watch() {
        int connectionFd = xcb_get_file_descriptor(connection.get());
        for (;;) {
            if (connectionFd >= 0) {
                while (xcb_generic_event_t* event = xcb_poll_for_event(connection.get())) {
                    if ((event->response_type & 0x7F) == XCB_DESTROY_NOTIFY) {
                        Destroyed(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
                    }
                    std::free(event);
                }
                if (xcb_connection_has_error(connection.get())) {
                    const std::lock_guard lock(mutex);
                    if (!guarded.empty() || loopRunning) SayAndEnd(kLost, 1);
                    connectionFd = -1;  // nothing is watched on it now, nor can be
                }
            }
            pollfd fds[2] = {{pipe[0], POLLIN, 0}, {connectionFd, POLLIN, 0}};
            if (poll(fds, 2, MillisecondsLeft()) < 0 && errno != EINTR) return;
            if (fds[0].revents & POLLIN) {
                unsigned char bytes[64];
                const ssize_t n = read(pipe[0], bytes, sizeof bytes);
                for (ssize_t i = 0; i < n; ++i) {
                    if (bytes[i] == kStop) return;
                    if (bytes[i] != kWake) Signalled(bytes[i]);
                }
            }
        }
    }

    std::unique_ptr<xcb_connection_t, XcbCloser> connection;
    int pipe[2] = {-1, -1};
    std::thread thread;

    std::mutex mutex;  // guards what follows
    std::set<xcb_window_t> guarded;
    bool loopRunning = false;
    std::optional<Deadline> windowDeadline;
    xcb_window_t deadlineWindow = 0;
    std::optional<Deadline> signalDeadline;
    int signalNumber = 0;
};

std::unique_ptr<Guard>& TheGuard() {
    static std::unique_ptr<Guard> guard;
    return guard;
}

// The guard, started with the framework's display; nullptr without one.
Guard* StartedGuard() {
    auto& guard = TheGuard();
    if (!guard) {
        X11Session* session = X11Session::Get();
        if (!session) return nullptr;
        guard = std::make_unique<Guard>(DisplayString(session->display));
    }
    return guard->Running() ? guard.get() : nullptr;
}

int EndOnLostConnection(::Display*) { SayAndEnd(kLost, 1); }

}  // namespace

void GuardWindow(WindowHandle window) {
    if (Guard* guard = StartedGuard(); guard && window != 0) guard->Add(static_cast<xcb_window_t>(window));
}

void UnguardWindow(WindowHandle window) {
    if (auto& guard = TheGuard(); guard && guard->Running()) guard->Remove(static_cast<xcb_window_t>(window));
}

void SetLoopRunning(bool running) {
    Guard* guard = running ? StartedGuard() : TheGuard().get();
    if (guard && guard->Running()) {
        guard->SetLoopRunning(running);
        guard->Tell(kWake);
    }
}

void NoteTerminationSignal(int signal) {
    const int fd = wakeFd.load();
    if (fd < 0) return;
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal > 0 && signal < kWake ? signal : SIGTERM);
    if (write(fd, &byte, 1) < 0) {
        // The pipe is full: the guard has been told already.
    }
    errno = saved;
}

void EndProcessOnLostDisplay(::Display* display) {
    displayFd.store(ConnectionNumber(display));
    if (CWinApp* app = AfxGetApp()) {
        const std::string& name = app->AppName();
        const std::size_t length = std::min(name.size(), sizeof lineName - 1);
        std::copy_n(name.begin(), length, lineName);
        lineName[length] = '\0';
    }
    XSetIOErrorHandler(EndOnLostConnection);
}

}  // namespace framework
