#pragma once
// Catches the errors of one X connection while it lives, so that a request the server refuses
// (a window gone, an extension that cannot be used) is noticed instead of ending the process
// through Xlib's default handler. Errors of other connections go to the handler that was there
// before. Include after <X11/Xlib.h>.

namespace scene::gl {

class XErrorTrap {
public:
    explicit XErrorTrap(Display* display) {
        trapped = display;
        failed = false;
        previous = XSetErrorHandler(&XErrorTrap::Handle);
    }
    ~XErrorTrap() {
        XSetErrorHandler(previous);
        trapped = nullptr;
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    static bool Failed() { return failed; }

private:
    static int Handle(Display* display, XErrorEvent* error) {
        if (display == trapped) {
            failed = true;
            return 0;
        }
        return previous != nullptr ? previous(display, error) : 0;
    }

    static inline Display* trapped = nullptr;
    static inline bool failed = false;
    static inline XErrorHandler previous = nullptr;
};

}  // namespace scene::gl
