#pragma once
// Puts finished frames on an X11 window through a shared-memory image, for the software
// rasteriser: its swap sends every frame's pixels through the X socket (1.2 MB at 640 x 480),
// which both sides pay for; through shared memory the server copies them once.

#include <cstdint>
#include <memory>

namespace scene::gl {

class ShmPresenter {
public:
    // Nothing when the server is not on this machine, lacks shared memory, or shows the window
    // in a pixel layout other than 8-bit blue, green, red and pad.
    static std::unique_ptr<ShmPresenter> Create(void* x11Display, unsigned long window);
    ~ShmPresenter();
    ShmPresenter(const ShmPresenter&) = delete;
    ShmPresenter& operator=(const ShmPresenter&) = delete;

    // Memory for a frame of `width` x `height`: rows from the top, four bytes a pixel (blue,
    // green, red, pad), no gaps between rows. Null when it cannot be had.
    std::uint8_t* Frame(unsigned width, unsigned height);
    // Shows the frame on the window and waits until the server has taken it; false when the
    // server refused it (the window is gone), and the device then presents through the swap.
    bool Show();
    // Whether the window is still there, once Show has failed: a window that is gone needs no
    // other way of presenting.
    bool WindowExists();

private:
    struct Connection;
    explicit ShmPresenter(std::unique_ptr<Connection> connection);
    void ReleaseImage(bool attached = true);

    std::unique_ptr<Connection> x;
};

}  // namespace scene::gl
