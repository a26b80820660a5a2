// Makes one captioned window of the class named on the command line, prints its id and
// waits until it is killed, which takes the window with it.

#include <unistd.h>

#include <cstdio>

#include "app/framework/system.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/wnd.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    framework::CWinApp app("helper");
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
    std::printf("%lu\n", static_cast<unsigned long>(frame->GetSafeHwnd()));
    std::fflush(stdout);
    for (;;) pause();
}
