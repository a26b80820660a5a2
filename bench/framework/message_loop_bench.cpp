// What the message loop costs the saver per frame: one turn of idle processing with the
// window open and no events (the frame itself does nothing here), and one round of a
// posted message. Runs on a virtual display of its own.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "app/framework/types.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/wnd.h"
#include "tests/support/xvfb.h"

namespace {

using namespace framework;

class BenchApp : public CWinApp {
public:
    explicit BenchApp(benchmark::State& state_) : CWinApp("bench"), state(state_) {}

    bool OnIdle(long) override {
        if (!state.KeepRunning()) GetMainWnd()->PostMessage(WM_CLOSE);
        return true;
    }

private:
    benchmark::State& state;
};

// Every message goes through a full turn of the loop: post, take, deliver, idle.
class PostingApp : public CWinApp {
public:
    explicit PostingApp(benchmark::State& state_) : CWinApp("bench"), state(state_) {}

    bool OnIdle(long) override {
        GetMainWnd()->PostMessage(state.KeepRunning() ? kNoSuchMessage : WM_CLOSE);
        return true;
    }

private:
    static constexpr unsigned kNoSuchMessage = 0x7FFF;
    benchmark::State& state;
};

bool OpenWindow(CWinApp& app, benchmark::State& state) {
    std::string whyNot;
    if (testsupport::StartVirtualDisplay(whyNot).empty()) {
        state.SkipWithError(whyNot.c_str());
        return false;
    }
    if (!FindRegisteredClass("BenchClass")) {
        WndClass wndClass;
        wndClass.className = "BenchClass";
        wndClass.background = StockBrush::kBlack;
        RegisterClass(wndClass);
    }
    auto* frame = new CFrameWnd;
    if (!frame->Create("BenchClass", "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 640, 480})) {
        delete frame;
        state.SkipWithError("the window could not be created");
        return false;
    }
    app.SetMainWnd(frame);
    return true;
}

void BM_IdleTurn(benchmark::State& state) {
    BenchApp app(state);
    if (OpenWindow(app, state)) app.Run();
}
BENCHMARK(BM_IdleTurn);

void BM_PostedMessageTurn(benchmark::State& state) {
    PostingApp app(state);
    if (OpenWindow(app, state)) app.Run();
}
BENCHMARK(BM_PostedMessageTurn);

}  // namespace

BENCHMARK_MAIN();
