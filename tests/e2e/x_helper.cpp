// What the end-to-end tests need of the display beyond xdotool:
//   x_helper host WIDTH HEIGHT   a stand-in for a host's preview pane: a black top-level window,
//                                its id printed in decimal, destroyed on SIGTERM or SIGINT
//   x_helper move X Y            moves the pointer to (X, Y) through the XTEST extension
//   x_helper destroy WINDOW      destroys another client's window (id in decimal), leaving that
//                                client's connection alone, unlike xdotool windowkill
// The display must run with -noreset: a server that resets when its last client leaves puts
// the pointer back at the centre of the screen.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void RequestStop(int) { stopRequested = 1; }

int Host(Display* display, unsigned width, unsigned height) {
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 0, 0,
                                              BlackPixel(display, screen));
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", window);
    std::fflush(stdout);
    std::signal(SIGTERM, RequestStop);
    std::signal(SIGINT, RequestStop);
    const timespec pause{0, 20 * 1000 * 1000};
    while (!stopRequested) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
        nanosleep(&pause, nullptr);
    }
    XDestroyWindow(display, window);
    XSync(display, False);
    return 0;
}

int Move(Display* display, int x, int y) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "x_helper: the display has no XTEST extension\n");
        return 1;
    }
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
    return 0;
}

bool destroyFailed = false;
int NoteFailure(Display*, XErrorEvent*) {
    destroyFailed = true;
    return 0;
}

int Destroy(Display* display, Window window) {
    XSetErrorHandler(NoteFailure);
    XDestroyWindow(display, window);
    XSync(display, False);
    if (destroyFailed) std::fprintf(stderr, "x_helper: no window %lu\n", window);
    return destroyFailed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool destroy = argc == 3 && std::strcmp(argv[1], "destroy") == 0;
    if (!destroy && (argc != 4 || (std::strcmp(argv[1], "host") != 0 && std::strcmp(argv[1], "move") != 0))) {
        std::fprintf(stderr, "usage: x_helper host WIDTH HEIGHT | x_helper move X Y | x_helper destroy WINDOW\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x_helper: no display\n");
        return 1;
    }
    if (destroy) {
        const int status = Destroy(display, std::strtoul(argv[2], nullptr, 10));
        XCloseDisplay(display);
        return status;
    }
    const int a = std::atoi(argv[2]);
    const int b = std::atoi(argv[3]);
    const int status = std::strcmp(argv[1], "host") == 0
                           ? Host(display, static_cast<unsigned>(a), static_cast<unsigned>(b))
                           : Move(display, a, b);
    XCloseDisplay(display);
    return status;
}
