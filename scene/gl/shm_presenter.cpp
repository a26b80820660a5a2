#include "scene/gl/shm_presenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <string_view>

#include "scene/gl/x_error_trap.h"

namespace scene::gl {

// A connection of our own, so that waiting for the server never touches the events the
// saver's window reads from its connection.
struct ShmPresenter::Connection {
    Display* display = nullptr;
    Window window = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};

    ~Connection() {
        if (gc != nullptr) XFreeGC(display, gc);
        if (display != nullptr) XCloseDisplay(display);
    }
};

namespace {

// Shared memory works only with a server on this machine.
bool IsLocal(std::string_view name) {
    return name.starts_with(":") || name.starts_with("unix:") || name.starts_with("/");
}

bool IsBgrx(const Visual* visual, int depth) {
    return depth == 24 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

}  // namespace

ShmPresenter::ShmPresenter(std::unique_ptr<Connection> connection) : x(std::move(connection)) {}

std::unique_ptr<ShmPresenter> ShmPresenter::Create(void* x11Display, unsigned long window) {
    auto* shared = static_cast<Display*>(x11Display);
    if (shared == nullptr || window == 0 || !IsLocal(DisplayString(shared))) {
        return nullptr;
    }
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(DisplayString(shared));
    if (connection->display == nullptr || XShmQueryExtension(connection->display) != True) {
        return nullptr;
    }
    // The window may be gone already (destroyed while the device was made): trapped, so that
    // the presenter is simply not made.
    XErrorTrap trap(connection->display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(connection->display, window, &attributes) == 0 ||
        !IsBgrx(attributes.visual, attributes.depth)) {
        return nullptr;
    }
    connection->window = window;
    connection->visual = attributes.visual;
    connection->depth = attributes.depth;
    connection->gc = XCreateGC(connection->display, window, 0, nullptr);
    XSync(connection->display, False);
    if (XErrorTrap::Failed()) {
        return nullptr;
    }
    return std::unique_ptr<ShmPresenter>(new ShmPresenter(std::move(connection)));
}

ShmPresenter::~ShmPresenter() { ReleaseImage(); }

void ShmPresenter::ReleaseImage(bool attached) {
    if (x->image == nullptr) {
        return;
    }
    if (attached) {
        XShmDetach(x->display, &x->segment);
        XSync(x->display, False);
    }
    XDestroyImage(x->image);  // frees the XImage, not the segment
    shmdt(x->segment.shmaddr);
    x->image = nullptr;
    x->segment = {};
}

std::uint8_t* ShmPresenter::Frame(unsigned width, unsigned height) {
    if (x->image != nullptr && static_cast<unsigned>(x->image->width) == width &&
        static_cast<unsigned>(x->image->height) == height) {
        return reinterpret_cast<std::uint8_t*>(x->image->data);
    }
    ReleaseImage();
    XImage* image = XShmCreateImage(x->display, x->visual, static_cast<unsigned>(x->depth), ZPixmap, nullptr,
                                    &x->segment, width, height);
    if (image == nullptr) {
        return nullptr;
    }
    if (image->bits_per_pixel != 32 || image->byte_order != LSBFirst ||
        image->bytes_per_line != static_cast<int>(width * 4)) {
        XDestroyImage(image);
        return nullptr;
    }
    x->segment.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * height, IPC_CREAT | 0600);
    if (x->segment.shmid < 0) {
        XDestroyImage(image);
        return nullptr;
    }
    x->segment.shmaddr = static_cast<char*>(shmat(x->segment.shmid, nullptr, 0));
    if (x->segment.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(x->segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        x->segment = {};
        return nullptr;
    }
    x->segment.readOnly = True;
    image->data = x->segment.shmaddr;
    x->image = image;
    bool attached = false;
    {
        XErrorTrap trap(x->display);
        attached = XShmAttach(x->display, &x->segment) == True;
        XSync(x->display, False);
        attached = attached && !XErrorTrap::Failed();
    }
    // Once both sides hold it, marked for removal: it goes when the last of them lets go, even
    // when the saver does not end cleanly.
    shmctl(x->segment.shmid, IPC_RMID, nullptr);
    if (!attached) {
        ReleaseImage(false);
        return nullptr;
    }
    return reinterpret_cast<std::uint8_t*>(image->data);
}

bool ShmPresenter::Show() {
    if (x->image == nullptr) {
        return false;
    }
    // A window destroyed under the saver (a host tearing down its window) makes the put fail;
    // trapped, so that the device steps aside to the swap, whose end of a lost window the frame
    // loop already handles, instead of Xlib's default handler ending the process mid-frame.
    XErrorTrap trap(x->display);
    XShmPutImage(x->display, x->window, x->gc, x->image, 0, 0, 0, 0, static_cast<unsigned>(x->image->width),
                 static_cast<unsigned>(x->image->height), False);
    // The next frame is written into the same memory, so the server must be done reading.
    XSync(x->display, False);
    return !XErrorTrap::Failed();
}

bool ShmPresenter::WindowExists() {
    XErrorTrap trap(x->display);
    XWindowAttributes attributes{};
    const bool found = XGetWindowAttributes(x->display, x->window, &attributes) != 0;
    return found && !XErrorTrap::Failed();
}

}  // namespace scene::gl
