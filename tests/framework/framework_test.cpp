#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/framework/message_queue.h"
#include "app/framework/monitor_layout.h"
#include "app/framework/system.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/wnd.h"
#include "platform/resources.h"
#include "tests/support/xvfb.h"

#include <X11/Xlib.h>
#if VANTARO_HAVE_XFIXES
#include <X11/extensions/Xfixes.h>
#endif

extern char** environ;

namespace {

using namespace framework;

constexpr const char* kTestClass = "VantaroTestClass";

// What a window was told, in order.
struct Journal {
    std::vector<std::string> events;
    std::vector<Point> moves;
    std::vector<unsigned> keys;
    std::vector<unsigned> systemKeys;
    int paints = 0;
    bool deleted = false;
    bool Saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
};

class RecordingFrame : public CFrameWnd {
public:
    explicit RecordingFrame(Journal& journal_) : journal(journal_) {}
    ~RecordingFrame() override { journal.deleted = true; }

    int createResult = 0;
    bool keepClientEdge = true;
    bool hideCursor = true;
    std::shared_ptr<const Icon> icon;

protected:
    bool PreCreateWindow(CreateStruct& cs) override {
        const bool ok = CFrameWnd::PreCreateWindow(cs);
        if (!keepClientEdge) cs.exStyle &= ~WS_EX_CLIENTEDGE;
        return ok;
    }
    int OnCreate(const CreateStruct&) override {
        journal.events.push_back("create");
        return createResult;
    }
    void OnDestroy() override {
        journal.events.push_back("destroy");
        CFrameWnd::OnDestroy();
    }
    void OnClose() override {
        journal.events.push_back("close");
        CFrameWnd::OnClose();
    }
    void OnKeyDown(unsigned key, unsigned repeat, unsigned flags) override {
        journal.keys.push_back(key);
        CFrameWnd::OnKeyDown(key, repeat, flags);
    }
    void OnSysKeyDown(unsigned key, unsigned repeat, unsigned flags) override {
        journal.systemKeys.push_back(key);
        CFrameWnd::OnSysKeyDown(key, repeat, flags);
    }
    void OnMouseMove(unsigned, Point point) override {
        journal.events.push_back("move");
        journal.moves.push_back(point);
    }
    bool OnSetCursor() override {
        journal.events.push_back("cursor");
        if (!hideCursor) return CFrameWnd::OnSetCursor();
        SetCursor(CursorKind::kNone);
        return true;
    }
    void OnPaint() override {
        CPaintDC dc(this);
        ++journal.paints;
        const Rect client = GetClientRect();
        if (icon) dc.DrawIcon(client.Width() / 2 - 16, client.Height() / 2 - 16, *icon);
    }

private:
    Journal& journal;
};

class TestApp : public CWinApp {
public:
    TestApp() : CWinApp("VantaroTest") {}
    std::function<bool(long)> idle = [this](long count) { return CWinApp::OnIdle(count); };
    bool OnIdle(long count) override { return idle(count); }
};

// Delivers messages until `done` holds or a few seconds have passed.
bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        int exitCode = 0;
        while (MessagesPending()) PumpMessage(exitCode);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Another program with one window of class `className`; killing it takes the window with it.
// With `stuck`, the window is the main window of a message loop whose idle processing never
// returns, and `window` is known once that loop runs.
class OtherProcess {
public:
    // `mode`: nullptr for a plain window, "stuck" or "busy" (see window_helper.cpp).
    explicit OtherProcess(const char* className, const char* mode = nullptr) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char* argv[] = {const_cast<char*>(WINDOW_HELPER), const_cast<char*>(className),
                        const_cast<char*>(mode), nullptr};
        if (posix_spawn(&pid, WINDOW_HELPER, &actions, nullptr, argv, environ) != 0) pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char buffer[32] = {};
        if (pid > 0 && read(fds[0], buffer, sizeof buffer - 1) > 0) window = std::stoul(buffer);
        close(fds[0]);
    }
    ~OtherProcess() { End(); }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // Ends the program: SIGTERM, and SIGKILL when that has not ended it within three seconds.
    void End() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        if (!EndsWithin(std::chrono::seconds(3))) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = 0;
        }
    }

    // The program's wait status once it has ended by itself within `limit`; nothing while it
    // still runs.
    std::optional<int> EndsWithin(std::chrono::milliseconds limit) {
        if (pid <= 0) return std::nullopt;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = 0;
                return status;
            }
            if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    pid_t pid = 0;
    WindowHandle window = 0;
};

class OnDisplay : public testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        if (testsupport::StartVirtualDisplay(whyNot).empty()) GTEST_SKIP() << whyNot;
        ASSERT_TRUE(DisplayAvailable());
        if (!FindRegisteredClass(kTestClass)) {
            WndClass wndClass;
            wndClass.className = kTestClass;
            wndClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;
            wndClass.background = StockBrush::kBlack;
            ASSERT_TRUE(RegisterClass(wndClass));
        }
        alarm(60);  // a loop that never ends fails the test program instead of hanging it
    }
    void TearDown() override { alarm(0); }

    Journal journal;
};

// Full screen on made-up desks: the picture's monitor and the black ones.
TEST(MonitorPlacement, PictureOnThePrimaryMonitorAndEveryOtherBlack) {
    const Rect screen{0, 0, 4000, 3000};
    const Rect hd{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024}, left{-1280, 0, 0, 1024};
    const Rect portrait{0, 0, 1080, 1920}, tall{1920, -400, 3120, 1520};
    struct Case {
        const char* desk;
        MonitorList monitors;
        FullScreenLayout expected;
    };
    const Case cases[] = {
        {"one monitor", {{hd, true}}, {hd, {}}},
        {"two side by side", {{hd, true}, {right, false}}, {hd, {right}}},
        {"the marked primary wins over the origin", {{hd, false}, {right, true}}, {right, {hd}}},
        {"three sizes, negative origin, none marked", {{left, false}, {tall, false}, {hd, false}}, {hd, {left, tall}}},
        {"none marked and none at the origin: the first", {{left, false}, {tall, false}}, {left, {tall}}},
        {"a mirrored pair", {{hd, true}, {hd, false}}, {hd, {}}},
        {"a smaller mirror inside the picture", {{hd, true}, {Rect{0, 0, 1024, 768}, false}}, {hd, {}}},
        {"a mirrored pair beside the primary", {{hd, true}, {right, false}, {right, false}}, {hd, {right}}},
        {"a portrait primary", {{portrait, true}, {Rect{1080, 0, 3000, 1080}, false}}, {portrait, {Rect{1080, 0, 3000, 1080}}}},
        {"no monitor: the screen", {}, {screen, {}}},
        {"an empty monitor is none", {{Rect{0, 0, 0, 0}, true}, {right, false}}, {right, {}}},
    };
    for (const Case& c : cases) {
        const FullScreenLayout layout = PlaceFullScreen(c.monitors, screen);
        EXPECT_EQ(layout, c.expected) << c.desk;
    }
}

bool CountsRiseFromZero(const std::vector<long>& counts) {
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] != 0 && (i == 0 || counts[i] != counts[i - 1] + 1)) return false;
    }
    return true;
}

TEST_F(OnDisplay, IdleRunsWhileTheQueueIsEmptyAndTheLoopEndsWithTheMainWindow) {
    TestApp app;
    auto* frame = new RecordingFrame(journal);
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 200, 150}));
    app.SetMainWnd(frame);
    std::vector<long> counts;
    int paintsBefore = -1;
    bool idleAfterDestroy = false;
    app.idle = [&](long count) {
        idleAfterDestroy = idleAfterDestroy || journal.deleted;
        counts.push_back(count);
        if (count == 200 && paintsBefore < 0) {
            paintsBefore = journal.paints;
            frame->Invalidate();  // a message: idle processing starts again at 0 after it
        }
        if (paintsBefore >= 0 && journal.paints > paintsBefore && count == 3) frame->PostMessage(WM_CLOSE);
        return true;
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(CountsRiseFromZero(counts));
    const auto restart = std::find(counts.begin() + 1, counts.end(), 0);
    EXPECT_NE(std::find(counts.begin(), counts.end(), 200), counts.end());
    EXPECT_NE(restart, counts.end()) << "the count never started again after a message";
    EXPECT_EQ(journal.events.back(), "destroy");
    EXPECT_TRUE(journal.deleted);
    EXPECT_FALSE(idleAfterDestroy);
    EXPECT_EQ(app.GetMainWnd(), nullptr);
}

TEST_F(OnDisplay, APostedCloseIsHandledAfterTheFrameThatPostedIt) {
    TestApp app;
    auto* frame = new RecordingFrame(journal);
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 200, 150}));
    app.SetMainWnd(frame);
    bool inFrame = false;
    bool closedInsideFrame = false;
    int framesAfterPost = 0;
    app.idle = [&](long count) {
        inFrame = true;
        if (count == 5) {
            frame->PostMessage(WM_CLOSE);
            // The rest of this frame still has its window.
            EXPECT_NE(frame->GetSafeHwnd(), 0u);
            EXPECT_FALSE(journal.Saw("close"));
        }
        if (count > 5) ++framesAfterPost;
        closedInsideFrame = closedInsideFrame || journal.Saw("close");
        inFrame = false;
        return true;
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(inFrame);
    EXPECT_FALSE(closedInsideFrame);
    EXPECT_EQ(framesAfterPost, 0);
    ASSERT_GE(journal.events.size(), 2u);
    EXPECT_EQ(journal.events[journal.events.size() - 2], "close");
    EXPECT_TRUE(journal.deleted);
}

TEST_F(OnDisplay, AChildEndsTheLoopWhenAnotherProgramDestroysItsParent) {
    OtherProcess host(kTestClass);
    ASSERT_NE(host.window, 0u);
    TestApp app;
    auto* frame = new RecordingFrame(journal);
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_CHILD | WS_VISIBLE, Rect{0, 0, 320, 240}, host.window));
    EXPECT_EQ(frame->GetClientRect().Width(), 316);  // a frame has a client edge unless it removes it
    app.SetMainWnd(frame);
    int idles = 0;
    app.idle = [&](long count) {
        // The default idle processing: the loop then sleeps until a message comes.
        if (idles++ == 0) host.End();
        return app.CWinApp::OnIdle(count);
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(journal.Saw("destroy"));
    EXPECT_TRUE(journal.deleted);
    EXPECT_LE(idles, 2) << "the loop kept calling idle processing that had finished";
}

// A screensaver host's window: the frame fills it, keeps filling it when it changes size, takes
// no input when disabled, and goes with it.
TEST_F(OnDisplay, AFrameInAHostsWindowFillsItFollowsItsSizeAndTakesNoInputWhenDisabled) {
    if (testsupport::FindProgram("xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    OtherProcess host(kTestClass);
    ASSERT_NE(host.window, 0u);
    Rect hostRect;
    ASSERT_TRUE(GetWindowClientRect(host.window, hostRect));
    TestApp app;
    auto* frame = new RecordingFrame(journal);
    frame->keepClientEdge = false;
    EXPECT_FALSE(frame->CreateInHost(kTestClass, 0x3FFFFFF, WS_VISIBLE | WS_DISABLED));  // no such window
    ASSERT_TRUE(frame->CreateInHost(kTestClass, host.window, WS_VISIBLE | WS_DISABLED));
    app.SetMainWnd(frame);
    EXPECT_EQ(frame->GetClientRect().Width(), hostRect.Width());
    EXPECT_EQ(frame->GetClientRect().Height(), hostRect.Height());
    ASSERT_TRUE(PumpUntil([&] { return journal.paints > 0; }));

    int status = 0;
    testsupport::RunAndCapture({"xdotool", "windowsize", std::to_string(host.window), "400", "300"}, status);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(PumpUntil([&] { return frame->GetClientRect().Width() == 400; }));
    EXPECT_EQ(frame->GetClientRect().Height(), 300);

    // Over the frame, the pointer's moves and the keys pass it by.
    testsupport::RunAndCapture({"xdotool", "mousemove", "--window", std::to_string(host.window), "100", "100"}, status);
    testsupport::RunAndCapture({"xdotool", "mousemove", "--window", std::to_string(host.window), "200", "150"}, status);
    testsupport::RunAndCapture({"xdotool", "key", "a"}, status);
    const auto settled = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    PumpUntil([&] { return std::chrono::steady_clock::now() > settled; });
    EXPECT_TRUE(journal.moves.empty());
    EXPECT_TRUE(journal.keys.empty());

    host.End();
    ASSERT_TRUE(PumpUntil([&] { return journal.deleted; }));
    EXPECT_TRUE(journal.Saw("destroy"));
}

TEST_F(OnDisplay, ATerminationSignalClosesTheMainWindowLikeAUser) {
    TestApp app;
    auto* frame = new RecordingFrame(journal);
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 100, 100}));
    app.SetMainWnd(frame);
    std::thread host;
    app.idle = [&](long count) {
        // The signal comes while the loop sleeps, from elsewhere.
        if (!host.joinable()) host = std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kill(getpid(), SIGTERM);
        });
        return app.CWinApp::OnIdle(count);
    };
    EXPECT_EQ(app.Run(), 0);
    host.join();
    EXPECT_TRUE(journal.Saw("close"));
    EXPECT_TRUE(journal.deleted);
}

TEST_F(OnDisplay, AToolkitDialogRunsModallyInsideTheLoop) {
    setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus on a test display
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
    TestApp app;
    auto* frame = new RecordingFrame(journal);
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 100, 100}));
    app.SetMainWnd(frame);
    int response = 0;
    int paintsAfterDialog = -1;
    app.idle = [&](long) {
        if (response == 0) {
            GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "modal");
            g_timeout_add(200, [](gpointer d) -> gboolean {
                gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_OK);
                return G_SOURCE_REMOVE;
            }, dialog);
            response = gtk_dialog_run(GTK_DIALOG(dialog));
            gtk_widget_destroy(dialog);
            paintsAfterDialog = journal.paints;
            frame->Invalidate();
        } else if (journal.paints > paintsAfterDialog) {
            frame->PostMessage(WM_CLOSE);  // our own window still answers after the dialog
        }
        return true;
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(response, GTK_RESPONSE_OK);
    EXPECT_TRUE(journal.deleted);
}

TEST_F(OnDisplay, FindsAWindowOfAClassMadeByAnotherProcess) {
    EXPECT_EQ(FindWindow("ssKZClass"), 0u);
    OtherProcess other("ssKZClass");
    ASSERT_NE(other.window, 0u);
    EXPECT_EQ(FindWindow("ssKZClass"), other.window);
    EXPECT_EQ(FindWindow("ssKZClass", "helper"), other.window);
    EXPECT_EQ(FindWindow("ssKZClass", "another title"), 0u);
    EXPECT_EQ(FindWindow("ssKZClas"), 0u);
    if (!testsupport::FindProgram("xdotool").empty()) {
        int status = 0;
        const std::string found = testsupport::RunAndCapture({"xdotool", "search", "--class", "ssKZClass"}, status);
        EXPECT_EQ(found, std::to_string(other.window) + "\n");
    }
    other.End();
    EXPECT_TRUE(PumpUntil([] { return FindWindow("ssKZClass") == 0; }));
}

TEST_F(OnDisplay, FailedCreationLeavesNoWindowAndTheObjectWithTheCaller) {
    auto frame = std::make_unique<RecordingFrame>(journal);
    frame->createResult = -1;
    EXPECT_FALSE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 100, 100}));
    EXPECT_EQ(journal.events, (std::vector<std::string>{"create", "destroy"}));
    EXPECT_FALSE(journal.deleted);
    EXPECT_EQ(frame->GetSafeHwnd(), 0u);
    EXPECT_EQ(FindWindow(kTestClass), 0u);

    journal.events.clear();
    frame->createResult = 0;
    EXPECT_FALSE(frame->Create(kTestClass, "", WS_POPUP, Rect{0, 0, 0, 600}));
    EXPECT_FALSE(frame->Create(kTestClass, "", WS_POPUP, Rect{0, 0, 800, -600}));
    EXPECT_FALSE(frame->Create(kTestClass, "", WS_POPUP, Rect{0, 0, 100000, 600}));
    EXPECT_FALSE(frame->Create("NoSuchClass", "", WS_POPUP, Rect{0, 0, 100, 100}));
    EXPECT_FALSE(frame->Create(kTestClass, "", WS_CHILD, Rect{0, 0, 100, 100}, 0));
    EXPECT_FALSE(frame->Create(kTestClass, "", WS_CHILD, Rect{0, 0, 100, 100}, 0x3FFFFFF));
    EXPECT_TRUE(journal.events.empty());

    WndClass again;
    again.className = kTestClass;
    EXPECT_FALSE(RegisterClass(again));
    EXPECT_FALSE(RegisterClass(WndClass{}));
}

TEST_F(OnDisplay, ACaptionedWindowsClientAreaIsItsRectangleLessEdgesAndCaption) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    const int width = 640 + 2 * GetSystemMetrics(SM_CXEDGE);
    const int height = 480 + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
    auto* frame = new RecordingFrame(journal);
    frame->keepClientEdge = false;
    ASSERT_TRUE(frame->Create(kTestClass, "test", WS_VISIBLE | WS_SYSMENU, Rect{100, 100, 100 + width, 100 + height}));
    EXPECT_EQ(frame->GetClientRect().Width(), 640);
    EXPECT_EQ(frame->GetClientRect().Height(), 480);
    if (!testsupport::FindProgram("xwininfo").empty()) {
        int status = 0;
        const std::string info =
            testsupport::RunAndCapture({"xwininfo", "-id", std::to_string(frame->GetSafeHwnd())}, status);
        EXPECT_NE(info.find("Width: 640\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Height: 480\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Absolute upper-left X:  100\n"), std::string::npos) << info;
    }
    EXPECT_TRUE(frame->DestroyWindow());
    EXPECT_TRUE(journal.deleted);

    Journal edged;
    auto* framed = new RecordingFrame(edged);
    ASSERT_TRUE(framed->Create(kTestClass, "", WS_POPUP, Rect{0, 0, 200, 100}));
    EXPECT_EQ(framed->GetClientRect().Width(), 196);
    EXPECT_EQ(framed->GetClientRect().Height(), 96);
    framed->DestroyWindow();
}

TEST_F(OnDisplay, KeysAndPointerReachTheWindowInScreenCoordinates) {
    if (testsupport::FindProgram("xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    int status = 0;
    testsupport::RunAndCapture({"xdotool", "mousemove", "512", "384"}, status);
    auto* frame = new RecordingFrame(journal);
    frame->keepClientEdge = false;
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 1024, 768}, 0, WS_EX_TOPMOST));
    ASSERT_TRUE(PumpUntil([&] { return journal.paints > 0; }));

    testsupport::RunAndCapture({"xdotool", "mousemove", "300", "200"}, status);
    ASSERT_TRUE(PumpUntil([&] { return !journal.moves.empty() && journal.moves.back().x == 300; }));
    EXPECT_EQ(journal.moves.back().y, 200);
    Point pointer;
    ASSERT_TRUE(GetCursorPos(pointer));
    EXPECT_EQ(pointer.x, 300);
    EXPECT_EQ(pointer.y, 200);
    // Each move is preceded by the question which cursor to show.
    const auto firstMove = std::find(journal.events.begin(), journal.events.end(), "move");
    ASSERT_NE(firstMove, journal.events.begin());
    EXPECT_EQ(*(firstMove - 1), "cursor");

    testsupport::RunAndCapture({"xdotool", "key", "a"}, status);
    ASSERT_TRUE(PumpUntil([&] { return !journal.keys.empty(); }));
    EXPECT_EQ(journal.keys, std::vector<unsigned>{'a'});
    EXPECT_FALSE(journal.Saw("close"));

    // A click is no movement.
    const std::size_t moves = journal.moves.size();
    testsupport::RunAndCapture({"xdotool", "click", "1"}, status);
    testsupport::RunAndCapture({"xdotool", "key", "b"}, status);  // a marker after the click
    ASSERT_TRUE(PumpUntil([&] { return journal.keys.size() == 2; }));
    EXPECT_EQ(journal.moves.size(), moves);

    // Keys with Alt are system keys; Alt+F4 closes the window.
    testsupport::RunAndCapture({"xdotool", "key", "alt+x"}, status);
    ASSERT_TRUE(PumpUntil([&] { return journal.systemKeys.size() >= 2; }));
    EXPECT_EQ(journal.keys.size(), 2u);
    testsupport::RunAndCapture({"xdotool", "key", "alt+F4"}, status);
    ASSERT_TRUE(PumpUntil([&] { return journal.deleted; }));
    EXPECT_TRUE(journal.Saw("close"));
}

#if VANTARO_HAVE_XFIXES
// Whether the pointer's current image has any visible pixel, as the display shows it.
bool PointerVisible() {
    Display* display = XOpenDisplay(nullptr);
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    bool visible = false;
    for (int i = 0; image && i < image->width * image->height; ++i) visible = visible || (image->pixels[i] >> 24) != 0;
    if (image) XFree(image);
    XCloseDisplay(display);
    return visible;
}

TEST_F(OnDisplay, ThePointerIsInvisibleOverAWindowThatHidesIt) {
    if (testsupport::FindProgram("xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    int status = 0;
    testsupport::RunAndCapture({"xdotool", "mousemove", "900", "700"}, status);
    EXPECT_TRUE(PointerVisible());
    for (const bool hide : {true, false}) {
        Journal seen;
        auto* frame = new RecordingFrame(seen);
        frame->hideCursor = hide;
        ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 1024, 768}));
        // The pointer stands still: coming into the window alone asks for the cursor.
        ASSERT_TRUE(PumpUntil([&] { return seen.Saw("cursor"); }));
        EXPECT_EQ(PointerVisible(), !hide);
        EXPECT_EQ(seen.moves.size(), 1u);
        EXPECT_EQ(seen.moves.front().x, 900);
        frame->DestroyWindow();
    }
    EXPECT_TRUE(PointerVisible());
}
#endif

// A 64 by 64 PNG: the left half opaque red, the right half half-transparent green.
std::vector<std::uint8_t> TestIconPng() {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 64, 64);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            guchar* p = pixels + y * stride + x * 4;
            const bool left = x < 32;
            p[0] = left ? 255 : 0;
            p[1] = left ? 0 : 255;
            p[2] = 0;
            p[3] = left ? 255 : 128;
        }
    }
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr);
    std::vector<std::uint8_t> png(buffer, buffer + size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return png;
}

TEST_F(OnDisplay, PaintDrawsTheClassIconBlendedOverTheBackground) {
    if (testsupport::FindProgram("import").empty()) GTEST_SKIP() << "ImageMagick's import is not installed";
    platform::ScopedResourceOverride resources;
    resources.Replace(platform::ResourceType::kICON, 128, TestIconPng());
    resources.Replace(platform::ResourceType::kICON, 129, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'});
    EXPECT_EQ(LoadIcon(129), nullptr);
    EXPECT_EQ(LoadIcon(130), nullptr);
    const auto icon = LoadIcon(128);
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->images.size(), 2u);
    EXPECT_EQ(icon->images.front().width, 64);
    EXPECT_EQ(icon->Standard().width, 32);

    auto* frame = new RecordingFrame(journal);
    frame->keepClientEdge = false;
    frame->icon = icon;
    ASSERT_TRUE(frame->Create(kTestClass, "", WS_POPUP | WS_VISIBLE, Rect{0, 0, 200, 100}));
    ASSERT_TRUE(PumpUntil([&] { return journal.paints > 0; }));
    const std::string shot = testing::TempDir() + "vantaro-icon-paint.png";
    int status = 0;
    testsupport::RunAndCapture({"import", "-window", std::to_string(frame->GetSafeHwnd()), shot}, status);
    ASSERT_EQ(status, 0);
    GdkPixbuf* picture = gdk_pixbuf_new_from_file(shot.c_str(), nullptr);
    ASSERT_NE(picture, nullptr);
    const int stride = gdk_pixbuf_get_rowstride(picture);
    const int channels = gdk_pixbuf_get_n_channels(picture);
    auto rgb = [&](int x, int y) {
        const guchar* p = gdk_pixbuf_get_pixels(picture) + y * stride + x * channels;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    // The icon's top-left corner is at (200 / 2 - 16, 100 / 2 - 16) = (84, 34).
    EXPECT_EQ(rgb(84 + 4, 34 + 16), (std::vector<int>{255, 0, 0}));
    const std::vector<int> halfGreen = rgb(84 + 28, 34 + 16);
    EXPECT_NEAR(halfGreen[1], 128, 2);
    EXPECT_EQ(halfGreen[0], 0);
    EXPECT_EQ(rgb(84 - 1, 34 + 16), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(84 + 4, 34 + 32), (std::vector<int>{0, 0, 0}));
    g_object_unref(picture);
    frame->DestroyWindow();
}

// A main thread that can never return to its loop (a graphics driver spinning in a buffer
// swap once its window or display is gone) is ended from outside, within a second.
constexpr std::chrono::milliseconds kEndLimit{1000};

bool ExitedWith(const std::optional<int>& status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

TEST_F(OnDisplay, TerminationSignalsEndALoopStuckInItsIdleProcessingWithinASecond) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        OtherProcess stuck(kTestClass, "stuck");
        ASSERT_NE(stuck.window, 0u);
        kill(stuck.pid, signal);
        const auto status = stuck.EndsWithin(kEndLimit);
        ASSERT_TRUE(status) << "the loop was still running a second after the signal";
        EXPECT_TRUE(ExitedWith(status, 0)) << "wait status " << *status;
    }
}

TEST_F(OnDisplay, ALoopThatIsBusyButMovesOnIsLeftToEndByItself) {
    OtherProcess busy(kTestClass, "busy");
    ASSERT_NE(busy.window, 0u);
    kill(busy.pid, SIGTERM);
    const auto status = busy.EndsWithin(std::chrono::seconds(4));
    ASSERT_TRUE(status) << "the loop did not end after its busy idle processing";
    EXPECT_TRUE(ExitedWith(status, 3)) << "the guard cut a loop short that was making progress: wait status "
                                       << *status;
}

TEST_F(OnDisplay, AWindowDestroyedUnderAStuckLoopEndsItWithinASecond) {
    ::Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    {
        // Another client destroys the window; the stuck program's connection stays.
        OtherProcess stuck(kTestClass, "stuck");
        ASSERT_NE(stuck.window, 0u);
        XDestroyWindow(other, static_cast<::Window>(stuck.window));
        XSync(other, False);
        EXPECT_TRUE(ExitedWith(stuck.EndsWithin(kEndLimit), 0)) << "still running a second after its window went";
    }
    {
        // The window's client is killed, as xdotool windowkill does: window and connection go.
        OtherProcess stuck(kTestClass, "stuck");
        ASSERT_NE(stuck.window, 0u);
        XKillClient(other, static_cast<::Window>(stuck.window));
        XSync(other, False);
        EXPECT_TRUE(stuck.EndsWithin(kEndLimit)) << "still running a second after its connection was killed";
    }
    XCloseDisplay(other);
}

TEST_F(OnDisplay, ALostDisplayEndsAStuckLoopAtOnceWithStatusOne) {
    testsupport::PrivateDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << display.WhyNot();
    const std::string shared = std::getenv("DISPLAY");
    setenv("DISPLAY", display.Name().c_str(), 1);
    OtherProcess stuck(kTestClass, "stuck");
    setenv("DISPLAY", shared.c_str(), 1);
    ASSERT_NE(stuck.window, 0u);
    display.Stop();
    EXPECT_TRUE(ExitedWith(stuck.EndsWithin(kEndLimit), 1)) << "no end with status 1 a second after the display went";
}

TEST_F(OnDisplay, ASelectionIsClaimedByOneClientAlone) {
    EXPECT_TRUE(ClaimSelection("VANTARO_TEST_CLAIM"));
    EXPECT_TRUE(ClaimSelection("VANTARO_TEST_CLAIM")) << "a second claim of our own holds";
    ::Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const Atom selection = XInternAtom(other, "VANTARO_TEST_CLAIM", False);
    EXPECT_NE(XGetSelectionOwner(other, selection), static_cast<::Window>(None));
    // A selection another client holds is not ours to take.
    const Atom taken = XInternAtom(other, "VANTARO_TEST_TAKEN", False);
    const ::Window owner = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(other, taken, owner, CurrentTime);
    XSync(other, False);
    EXPECT_FALSE(ClaimSelection("VANTARO_TEST_TAKEN"));
    EXPECT_EQ(XGetSelectionOwner(other, taken), owner);
    // Once its owner's connection is gone, it is free again.
    XCloseDisplay(other);
    EXPECT_TRUE(PumpUntil([] { return ClaimSelection("VANTARO_TEST_TAKEN"); }));
}

}  // namespace
