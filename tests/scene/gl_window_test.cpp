// The device on a real X11 window, on an Xvfb server of the test's own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "gl_test_support.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace scene {
namespace {

// An Xvfb on the first free display number from 140 up, ended with the test.
class XvfbServer {
public:
    XvfbServer() {
        for (int number = 140; number < 200 && display == nullptr; ++number) {
            if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
                continue;
            }
            std::string name = ":" + std::to_string(number);
            pid = fork();
            if (pid == 0) {
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "320x240x24", "-nolisten", "tcp", nullptr);
                _exit(127);
            }
            display = WaitForServer(name);
        }
    }
    ~XvfbServer() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    Display* display = nullptr;

private:
    Display* WaitForServer(const std::string& name) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (Display* opened = XOpenDisplay(name.c_str())) {
                return opened;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;  // it gave up, perhaps on a number taken meanwhile
                return nullptr;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        // Too slow to answer (a loaded machine): ended here, or it would outlive the test.
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
        return nullptr;
    }

    pid_t pid = -1;
};

unsigned long PixelOf(Display* display, Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    unsigned long pixel = image != nullptr ? XGetPixel(image, 0, 0) : 0;
    if (image != nullptr) {
        XDestroyImage(image);
    }
    return pixel & 0xffffff;
}

TEST(GlWindowDevice, PresentsItsBackBufferScaledToTheWindow) {
    XvfbServer server;
    ASSERT_NE(server.display, nullptr) << "could not start Xvfb";
    Display* display = server.display;
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 150, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);

    {
        // A back buffer half the window's size, as full screen draws at the chosen resolution.
        auto device = CreateWindowDevice({display, window, 100, 75}, DeviceType::kHardware);
        ASSERT_NE(device, nullptr);
        gfx::Viewport viewport;
        device->GetViewport(viewport);
        EXPECT_EQ(viewport.width, 100u);
        device->Clear(kClearTarget | kClearZBuffer, 0xff000028, 1, 0);
        device->SetMaterial(testing::FlatMaterial(1, 0, 0));
        auto quad = testing::UploadVertices(*device, testing::Quad(-1, 0, 0, 1, 0.5f));  // top left quarter
        device->BeginScene();
        device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
        device->EndScene();
        ASSERT_EQ(device->Present(), kOk);
        XSync(display, False);
        EXPECT_EQ(PixelOf(display, window, 40, 35), 0xff0000u);
        EXPECT_EQ(PixelOf(display, window, 40, 110), 0x000028u);  // not upside down
        EXPECT_EQ(PixelOf(display, window, 160, 35), 0x000028u);
        EXPECT_EQ(PixelOf(display, window, 199, 149), 0x000028u);
    }

    // Without a size the back buffer is the window's.
    auto windowed = CreateWindowDevice({display, window, 0, 0}, DeviceType::kSoftwareVertexProcessing);
    ASSERT_NE(windowed, nullptr);
    gfx::Viewport viewport;
    windowed->GetViewport(viewport);
    EXPECT_EQ(viewport.width, 200u);
    EXPECT_EQ(viewport.height, 150u);
    windowed.reset();

    // The reference device draws with the software rasteriser on the same window.
    auto reference = CreateWindowDevice({display, window, 0, 0}, DeviceType::kReference);
    ASSERT_NE(reference, nullptr);
    EXPECT_NE(reference->RendererName().find("llvmpipe"), std::string::npos);
    reference->Clear(kClearTarget, 0xff00ff00, 1, 0);
    ASSERT_EQ(reference->Present(), kOk);
    XSync(display, False);
    EXPECT_EQ(PixelOf(display, window, 100, 75), 0x00ff00u);
    reference.reset();

    EXPECT_EQ(CreateWindowDevice({display, 0, 0, 0}, DeviceType::kHardware), nullptr);
    XDestroyWindow(display, window);
}

// A frame of many colour levels, some blended, read back and as the window shows it, at the
// drawing precision and in eight bits: the same pixels, the right way up. The size is no
// multiple of four pixels across nor of the rows read back at a time.
TEST(GlWindowDevice, ShowsTheSamePixelsAsItsBackBufferReadsBack) {
    XvfbServer server;
    ASSERT_NE(server.display, nullptr) << "could not start Xvfb";
    constexpr unsigned kWidth = 117, kHeight = 70;
    Window window = XCreateSimpleWindow(server.display, DefaultRootWindow(server.display), 0, 0, kWidth, kHeight, 0, 0, 0);
    XMapWindow(server.display, window);
    XSync(server.display, False);
    auto device = CreateWindowDevice({server.display, window, 0, 0}, DeviceType::kHardware);
    ASSERT_NE(device, nullptr);
    for (ColourPrecision precision : {kDrawingPrecision, ColourPrecision::kEightBit}) {
        SCOPED_TRACE(precision == ColourPrecision::kEightBit ? "eight bits" : "drawing precision");
        ASSERT_TRUE(device->SetColourPrecision(precision));
        device->Clear(kClearTarget | kClearZBuffer, 0xff102030, 1, 0);
        device->BeginScene();
        device->SetRenderState(RenderState::kAlphaBlendEnable, 1);
        device->SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
        device->SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
        std::vector<std::unique_ptr<VertexBuffer>> quads;
        for (int row = 0; row < 6; ++row) {
            for (int column = 0; column < 7; ++column) {
                const float level = (static_cast<float>(row * 7 + column) * 6.1f + 0.37f) / 255.0f;
                device->SetMaterial(testing::FlatMaterial(level, 1 - level, level * 0.5f, row % 2 == 0 ? 1.0f : 0.3f));
                const float x = -1 + column * 2.0f / 7, y = 1 - row * 2.0f / 6;
                quads.push_back(testing::UploadVertices(*device, testing::Quad(x, y - 2.0f / 6, x + 2.0f / 7, y, 0.5f)));
                device->DrawPrimitive(PrimitiveType::kTriangleStrip, 0, 2);
            }
        }
        device->EndScene();
        ASSERT_EQ(device->Present(), kOk);
        XSync(server.display, False);
        const gfx::Image drawn = testing::ReadBack(*device);
        XImage* shown = XGetImage(server.display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        ASSERT_NE(shown, nullptr);
        int differing = 0;
        for (unsigned y = 0; y < kHeight; ++y) {
            for (unsigned x = 0; x < kWidth; ++x) {
                const testing::Rgb rgb = testing::PixelAt(drawn, x, y);
                const unsigned long expected = static_cast<unsigned long>(rgb.r << 16 | rgb.g << 8 | rgb.b);
                if ((XGetPixel(shown, static_cast<int>(x), static_cast<int>(y)) & 0xffffff) != expected) ++differing;
            }
        }
        XDestroyImage(shown);
        EXPECT_EQ(differing, 0);
        EXPECT_NE(testing::PixelAt(drawn, 2, 2).r, testing::PixelAt(drawn, 2, kHeight - 3).r);  // not one flat colour
    }
    device.reset();
    XDestroyWindow(server.display, window);
}

// Xvfb has no retrace for a swap to wait for, so the device keeps the display's pace itself:
// frames that cost next to nothing still come no faster than the refresh rate (60 Hz here).
TEST(GlWindowDevice, PresentsNoFasterThanTheDisplayRefreshes) {
    XvfbServer server;
    ASSERT_NE(server.display, nullptr) << "could not start Xvfb";
    Window window = XCreateSimpleWindow(server.display, DefaultRootWindow(server.display), 0, 0, 64, 48, 0, 0, 0);
    XMapWindow(server.display, window);
    XSync(server.display, False);
    auto device = CreateWindowDevice({server.display, window, 0, 0}, DeviceType::kHardware);
    ASSERT_NE(device, nullptr);
    constexpr int kFrames = 13;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < kFrames; ++frame) {
        device->Clear(kClearTarget, frame % 2 == 0 ? 0xff00ff00 : 0xff0000ff, 1, 0);
        ASSERT_EQ(device->Present(), kOk);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::microseconds((kFrames - 1) * 1'000'000 / 60 - 1000));
    XSync(server.display, False);
    EXPECT_EQ(PixelOf(server.display, window, 10, 10), 0x00ff00u);  // the last frame is on the window
    device.reset();
    XDestroyWindow(server.display, window);
}

}  // namespace
}  // namespace scene
