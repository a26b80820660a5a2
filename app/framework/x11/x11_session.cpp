#include "app/framework/x11/x11_session.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>

#include "app/framework/loop_watchdog.h"
#include "app/framework/message_queue.h"
#include "app/framework/wayland/wayland_windows.h"
#include "app/framework/win_app.h"
#include "app/framework/wnd.h"

namespace framework {
namespace {

unsigned long errorCount = 0;
int trapDepth = 0;
::Display* ourDisplay = nullptr;
XErrorHandler othersHandler = nullptr;

// Errors of other connections in the process (the toolkit's) go to the handler that was
// there before ours.
int CountError(::Display* display, XErrorEvent* error) {
    static bool forwarding = false;  // a handler that hands back to us must not loop
    if (display != ourDisplay && othersHandler && !forwarding) {
        forwarding = true;
        const int result = othersHandler(display, error);
        forwarding = false;
        return result;
    }
    ++errorCount;
    if (trapDepth == 0) {
        char text[128];
        XGetErrorText(display, error->error_code, text, sizeof text);
        std::fprintf(stderr, "Vantaro: X request %d failed: %s\n", error->request_code, text);
    }
    return 0;
}

// A termination signal is turned into a message: the handler only notes it and wakes the
// loop through a pipe; the loop then closes the main window as a user would.
volatile std::sig_atomic_t terminationRequested = 0;
int wakePipe[2] = {-1, -1};

void NoteTermination(int signal) {
    terminationRequested = 1;
    NoteTerminationSignal(signal);
    const int saved = errno;
    const char byte = 0;
    if (wakePipe[1] >= 0 && write(wakePipe[1], &byte, 1) < 0) {
        // The pipe is full: the loop is woken already.
    }
    errno = saved;
}

void DrainWakePipe() {
    char buffer[64];
    while (wakePipe[0] >= 0 && read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
}

// Delivers the termination as a close request to the main window, or ends the loop when
// there is none.
void HandleTermination() {
    terminationRequested = 0;
    DrainWakePipe();
    CWinApp* app = AfxGetApp();
    CWnd* main = app ? app->GetMainWnd() : nullptr;
    if (main && main->GetSafeHwnd()) {
        PostWindowMessage(main->GetSafeHwnd(), WM_CLOSE);
    } else {
        AfxPostQuitMessage(0);
    }
}

// Waits until the display has an event or a termination signal came.
void WaitForInput(::Display* display) {
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    while (!terminationRequested && XPending(display) == 0) {
        if (poll(fds, wakePipe[0] >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) return;
    }
}

std::unique_ptr<X11Session>& Instance() {
    static std::unique_ptr<X11Session> session;
    return session;
}

}  // namespace

X11Session* X11Session::Get() {
    auto& session = Instance();
    if (!session && !UsingWayland()) {
        if (::Display* display = XOpenDisplay(nullptr)) session.reset(new X11Session(display));
    }
    return session.get();
}

std::deque<PostedMessage>& X11Session::Posted() {
    static std::deque<PostedMessage> posted;
    return posted;
}

X11Session::X11Session(::Display* display_)
    : display(display_), screen(DefaultScreen(display_)), root(RootWindow(display_, screen)) {
    ourDisplay = display;
    othersHandler = XSetErrorHandler(CountError);
    EndProcessOnLostDisplay(display);
    // Held keys then repeat as presses alone, so a repeat is told from a new press.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    const char* names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_WM_ICON", "_NET_WM_NAME",
                           "_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "UTF8_STRING"};
    Atom atoms[std::size(names)];
    XInternAtoms(display, const_cast<char**>(names), static_cast<int>(std::size(names)), False, atoms);
    wmProtocols = atoms[0];
    wmDeleteWindow = atoms[1];
    netWmIcon = atoms[2];
    netWmName = atoms[3];
    netWmState = atoms[4];
    netWmStateAbove = atoms[5];
    utf8String = atoms[6];
}

X11Session::~X11Session() {
    if (invisibleCursor) XFreeCursor(display, invisibleCursor);
    XCloseDisplay(display);
}

::Cursor X11Session::InvisibleCursor() {
    if (!invisibleCursor) {
        static const char blank[1] = {0};
        const Pixmap pixmap = XCreateBitmapFromData(display, root, blank, 1, 1);
        XColor black{};
        invisibleCursor = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
        XFreePixmap(display, pixmap);
    }
    return invisibleCursor;
}

X11ErrorTrap::X11ErrorTrap(::Display* display_) : display(display_) {
    XSync(display, False);
    // The toolkit installs its own handler when it starts; ours is put back for the trap.
    previousHandler = XSetErrorHandler(CountError);
    if (previousHandler == CountError) previousHandler = nullptr;
    errorsBefore = errorCount;
    ++trapDepth;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display, False);
    --trapDepth;
    if (previousHandler) XSetErrorHandler(previousHandler);
}

bool X11ErrorTrap::Failed() {
    XSync(display, False);
    return errorCount != errorsBefore;
}

bool MessagesPending() {
    if (!X11Session::Posted().empty() || terminationRequested) return true;
    if (UsingWayland()) return WaylandEventsPending();
    X11Session* session = X11Session::Get();
    return session && XPending(session->display) > 0;
}

bool PumpMessage(int& exitCode) {
    if (terminationRequested) HandleTermination();
    auto& posted = X11Session::Posted();
    if (!posted.empty()) {
        const PostedMessage message = posted.front();
        posted.pop_front();
        if (message.window == 0) {
            exitCode = message.exitCode;
            return false;
        }
        DispatchPosted(message);
        return true;
    }
    if (UsingWayland()) {
        if (PumpWaylandEvent(wakePipe[0])) return true;
        exitCode = 0;  // no compositor: nothing can ever arrive
        return false;
    }
    X11Session* session = X11Session::Get();
    if (!session) {
        exitCode = 0;
        return false;
    }
    WaitForInput(session->display);
    if (XPending(session->display) > 0) {
        XEvent event;
        XNextEvent(session->display, &event);
        DispatchEvent(*session, event);
    }
    return true;
}

void PostWindowMessage(WindowHandle window, unsigned message) {
    if (window != 0) X11Session::Posted().push_back({window, message, 0});
}

void AfxPostQuitMessage(int exitCode) { X11Session::Posted().push_back({0, 0, exitCode}); }

int TerminationWakeDescriptor() { return wakePipe[0]; }

bool TerminationRequested() { return terminationRequested != 0; }

TerminationSignals::TerminationSignals() {
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = NoteTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous[i]);
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous[i], nullptr);
}

}  // namespace framework
