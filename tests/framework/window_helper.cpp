// A window made by another process, for the tests that look across processes.
//   vantaro_window_helper CLASS         one captioned window of class CLASS; prints its id and
//                                       waits until it is killed, which takes the window with it
//   vantaro_window_helper CLASS stuck   the same window as the main window of a message loop
//                                       whose idle processing never returns, as a frame loop
//                                       stuck inside a graphics driver; prints the window's id
//                                       once the loop runs
//   vantaro_window_helper CLASS busy    the same, but the first idle processing only takes 1.5 s
//                                       with a sign of life every 100 ms, as a programme load
//                                       does; a loop that then ends by itself exits with status 3

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/framework/system.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/wnd.h"
#include "platform/heartbeat.h"

namespace {

class StuckApp : public framework::CWinApp {
public:
    explicit StuckApp(bool busy_) : CWinApp("helper"), busy(busy_) {}
    bool OnIdle(long) override {
        if (printed) return false;
        printed = true;
        std::printf("%lu\n", static_cast<unsigned long>(GetMainWnd()->GetSafeHwnd()));
        std::fflush(stdout);
        for (int beat = 0; busy && beat < 15; ++beat) {
            usleep(100 * 1000);
            platform::Heartbeat();
        }
        for (;;) {
            if (busy) return false;
            sleep(1);  // signals interrupt the sleep, never the loop
        }
    }
    int ExitInstance() override { return busy ? 3 : CWinApp::ExitInstance(); }

private:
    const bool busy;
    bool printed = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const bool busy = argc > 2 && std::strcmp(argv[2], "busy") == 0;
    const bool stuck = busy || (argc > 2 && std::strcmp(argv[2], "stuck") == 0);
    StuckApp app(busy);
    framework::WndClass wndClass;
    wndClass.className = argv[1];
    wndClass.background = framework::StockBrush::kBlack;
    framework::RegisterClass(wndClass);
    auto* frame = new framework::CFrameWnd;
    if (!frame->Create(argv[1], "helper", framework::WS_OVERLAPPED | framework::WS_VISIBLE,
                       framework::Rect{10, 10, 334, 265})) {
        return 1;
    }
    framework::Point pointer;
    framework::GetCursorPos(pointer);  // a round trip: the window exists once this returns
    if (stuck) {
        app.SetMainWnd(frame);
        return app.Run();
    }
    std::printf("%lu\n", static_cast<unsigned long>(frame->GetSafeHwnd()));
    std::fflush(stdout);
    for (;;) pause();
}
