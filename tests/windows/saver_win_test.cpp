// The saver's application, frame window and configuration dialog on the Win32 framework,
// inside the test's process: the preview child and its painting, the input that closes the
// test window, the settings in the registry, and the dialog driven through its controls.

// The saver's headers come first: <windows.h> defines macros named as their constants.
#include "app/config_dlg.h"
#include "app/framework/window_class.h"
#include "app/main_frame.h"
#include "app/saver_app.h"
#include "platform/message_box.h"
#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#undef GetProfileString
#undef RegisterClass
#undef WriteProfileString

namespace {

// Delivers what is queued for `duration`, as the message loop would.
void Pump(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    MSG message;
    while (std::chrono::steady_clock::now() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A window of the test's own, standing in for a screensaver host's preview pane.
HWND MakePane(int width, int height) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = L"TestPane";
        return RegisterClassW(&wc) != 0;
    }();
    if (!registered) return nullptr;
    return CreateWindowExW(0, L"TestPane", L"pane", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, width, height,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The window's client area as 0xRRGGBB pixels, row by row.
std::vector<std::uint32_t> ReadClient(HWND window, int width, int height) {
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    for (auto& p : pixels) p &= 0xFFFFFFu;
    return pixels;
}

// The saver's window class as the application registers it.
void RegisterSaverClass() {
    framework::WndClass wc;
    wc.style = 0x080B;
    wc.background = framework::StockBrush::kBlack;
    wc.className = "ssKZClass";
    framework::RegisterClass(wc);
}

HWND SaverWindowIn(HWND parent) { return FindWindowExW(parent, nullptr, L"ssKZClass", nullptr); }

TEST(SaverOnWindows, PreviewIsABlackChildOfThePaneWithTheIconInTheMiddle) {
    HWND pane = MakePane(200, 150);
    ASSERT_NE(pane, nullptr);
    CSaverApp app;
    app.SetCommandLine("/p " + std::to_string(reinterpret_cast<std::uintptr_t>(pane)));
    ASSERT_TRUE(app.InitInstance());
    HWND saver = SaverWindowIn(pane);
    ASSERT_NE(saver, nullptr);
    EXPECT_EQ(app.GetMainWnd()->GetSafeHwnd(), reinterpret_cast<framework::WindowHandle>(saver));

    // The class as the saver registers it.
    EXPECT_EQ(GetClassLongPtrW(saver, GCL_STYLE), 0x080B);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(saver, GCLP_HBRBACKGROUND)), GetStockObject(BLACK_BRUSH));
    EXPECT_NE(GetClassLongPtrW(saver, GCLP_HICON), 0);
    EXPECT_EQ(GetClassLongPtrW(saver, GCLP_HCURSOR), 0);
    EXPECT_EQ(GetWindowLongW(saver, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(GetWindowLongW(saver, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE), 0);
    RECT client{};
    GetClientRect(saver, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 150);

    Pump(std::chrono::milliseconds(300));
    const auto pixels = ReadClient(saver, 200, 150);
    std::set<std::uint32_t> iconColours;
    int outsideNonBlack = 0;
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 200; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y * 200 + x)];
            // The icon's 32 x 32 square at (200 / 2 - 16, 150 / 2 - 16).
            if (x >= 84 && x < 116 && y >= 59 && y < 91) {
                iconColours.insert(p);
            } else if (p != 0) {
                ++outsideNonBlack;
            }
        }
    }
    EXPECT_EQ(outsideNonBlack, 0);
    EXPECT_GT(iconColours.size(), 8u);

    // Keys and the pointer do nothing in the preview.
    SendMessageW(saver, WM_KEYDOWN, 'A', 1);
    SendMessageW(saver, WM_MOUSEMOVE, 0, MAKELPARAM(190, 140));
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, saver, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));

    // The host destroying its pane ends the saver's loop.
    DestroyWindow(pane);
    EXPECT_EQ(app.GetMainWnd(), nullptr);
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The test window, made as the saver makes it, with the pointer's start where the test says.
class TestWindow : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSaverClass();
        frame = new CMainFrame(settings, 0, 0);
        frame->windowed = true;
        if (!frame->Create("ssKZClass", nullptr, WS_VISIBLE | WS_SYSMENU,
                           framework::Rect{100, 100, 760, 620})) {
            delete frame;
            frame = nullptr;
            GTEST_SKIP() << "no Direct3D 9 device for the window here";
        }
        window = reinterpret_cast<HWND>(frame->GetSafeHwnd());
        // Where the pointer is, as the saver notes it after creating its window.
        GetCursorPos(&start);
        frame->startCursor = {start.x, start.y};
        Pump(std::chrono::milliseconds(50));
        ASSERT_TRUE(IsWindow(window)) << "the pointer standing still closed the window";
    }
    void TearDown() override {
        if (window && IsWindow(window)) DestroyWindow(window);  // deletes the frame
    }

    // Whether `send` made the window post itself WM_CLOSE (which is then taken off the queue).
    bool Closes(const std::function<void()>& send) {
        send();
        MSG message;
        const bool found = PeekMessageW(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
        return found;
    }
    // The pointer (dx, dy) from where it stood, in the window's client coordinates.
    void MoveTo(int dx, int dy) {
        POINT p{start.x + dx, start.y + dy};
        ScreenToClient(window, &p);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    }

    Settings settings;
    CMainFrame* frame = nullptr;
    HWND window = nullptr;
    POINT start{};
};

TEST_F(TestWindow, MovesUpToFivePixelsKeepItAndSixCloseIt) {
    for (const auto& [dx, dy] : {std::pair{0, 0}, {5, 0}, {-5, 5}, {5, -5}, {-5, -5}}) {
        EXPECT_FALSE(Closes([&, dx = dx, dy = dy] { MoveTo(dx, dy); })) << dx << "," << dy;
    }
    for (const auto& [dx, dy] : {std::pair{6, 0}, {0, -6}, {-6, 0}, {0, 6}, {6, 6}}) {
        EXPECT_TRUE(Closes([&, dx = dx, dy = dy] { MoveTo(dx, dy); })) << dx << "," << dy;
    }
}

TEST_F(TestWindow, AnyKeyClosesItButClicksAndSystemKeysDoNot) {
    EXPECT_FALSE(Closes([&] { SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50)); }));
    EXPECT_FALSE(Closes([&] { SendMessageW(window, WM_SYSKEYDOWN, VK_MENU, 0x20000001); }));
    EXPECT_TRUE(Closes([&] { SendMessageW(window, WM_KEYDOWN, VK_SPACE, 1); }));
    EXPECT_TRUE(Closes([&] { SendMessageW(window, WM_KEYDOWN, 'A', 0x40000001); }));  // an auto-repeat
}

TEST_F(TestWindow, ThePostedCloseDestroysTheWindowAndItsFrame) {
    frame->RenderFrame();
    PostMessageW(window, WM_CLOSE, 0, 0);
    Pump(std::chrono::milliseconds(50));
    EXPECT_FALSE(IsWindow(window));
}

// Full screen on a made-up desk of three monitors (Wine offers one): the picture where the saver
// put it, a black top-most window of the saver's class on each other monitor that takes no
// focus and hides the pointer; input over one ends the saver as over the picture, and the
// black windows go with the frame.
TEST(SaverOnWindows, FullScreenBlacksOutTheOtherMonitorsAndTheirWindowsGoWithTheFrame) {
    RegisterSaverClass();
    Settings settings;
    settings.sound = 0;
    settings.width = GetSystemMetrics(SM_CXSCREEN);  // the one mode the display offers here
    settings.height = GetSystemMetrics(SM_CYSCREEN);
    const framework::Rect primary{0, 0, settings.width, settings.height};
    const framework::Rect left{-800, 0, 0, 600}, right{settings.width, -100, settings.width + 1024, 668};
    auto* frame = new CMainFrame(settings, 0, 0);
    frame->monitors = [&] { return framework::MonitorList{{left, false}, {primary, true}, {right, false}}; };
    if (!frame->Create("ssKZClass", nullptr, WS_POPUP | WS_VISIBLE, primary, 0, WS_EX_TOPMOST)) {
        delete frame;
        GTEST_SKIP() << "no full-screen Direct3D 9 device here";
    }
    HWND window = reinterpret_cast<HWND>(frame->GetSafeHwnd());
    std::vector<HWND> black;
    EnumWindows(
        [](HWND found, LPARAM list) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(found, name, 32);
            if (std::wstring(name) == L"ssKZClass") reinterpret_cast<std::vector<HWND>*>(list)->push_back(found);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&black));
    std::erase(black, window);
    std::set<std::tuple<long, long, long, long>> areas;
    for (HWND cover : black) {
        RECT r{};
        GetWindowRect(cover, &r);
        areas.insert({r.left, r.top, r.right, r.bottom});
        EXPECT_TRUE(IsWindowVisible(cover));
        EXPECT_NE(GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        EXPECT_EQ(SendMessageW(cover, WM_SETCURSOR, reinterpret_cast<WPARAM>(cover), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
        EXPECT_EQ(GetCursor(), nullptr);
    }
    const std::set<std::tuple<long, long, long, long>> expected{{-800, 0, 0, 600}, {right.left, -100, right.right, 668}};
    EXPECT_EQ(areas, expected);
    EXPECT_EQ(std::find(black.begin(), black.end(), GetForegroundWindow()), black.end()) << "a black window took the focus";

    ASSERT_FALSE(black.empty());
    HWND cover = black.front();
    RECT area{};
    GetWindowRect(cover, &area);
    frame->startCursor = {area.left + 100, area.top + 100};
    MSG message;
    const auto closes = [&](UINT input, int dx) {
        SendMessageW(cover, input, input == WM_KEYDOWN ? 'A' : 0, input == WM_KEYDOWN ? 1 : MAKELPARAM(100 + dx, 100));
        return PeekMessageW(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
    };
    EXPECT_FALSE(closes(WM_MOUSEMOVE, 5));
    EXPECT_TRUE(closes(WM_MOUSEMOVE, 6));
    EXPECT_TRUE(closes(WM_KEYDOWN, 0));

    DestroyWindow(window);  // deletes the frame
    for (HWND gone : black) EXPECT_FALSE(IsWindow(gone));
}

// The settings, through the framework's profile, in a registry key of the test's own.
class RegistrySettings : public ::testing::Test {
protected:
    static constexpr const wchar_t* kKey = L"Software\\VantaroTest";
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    static void Open(CSaverApp& app) {
        app.SetRegistryKey("VantaroTest");
        app.startupVolume = 1234;
    }
};

TEST_F(RegistrySettings, AbsentValuesGiveTheDefaultsAndSavedOnesComeBack) {
    CSaverApp fresh;
    Open(fresh);
    fresh.LoadSettings();
    EXPECT_EQ(fresh.settings.program, Settings{}.program);
    EXPECT_EQ(fresh.settings.volume, 1234);
    EXPECT_EQ(fresh.settings.width, 800);

    fresh.settings.program.fill(0);
    // Programme 32 is a blank, 34 a double quotation mark; a full list has no end mark.
    for (std::size_t i = 0; i < show::kPlayListLength; ++i) fresh.settings.program[i] = static_cast<signed char>(40 - i % 9);
    fresh.settings.program[0] = 32;
    fresh.settings.program[1] = 34;
    fresh.settings.sound = 0;
    fresh.settings.width = 1600;
    fresh.settings.height = 1200;
    fresh.settings.volume = 65535;
    fresh.settings.smoke = 3;
    ASSERT_TRUE(fresh.SaveSettings());

    CSaverApp again;
    Open(again);
    again.LoadSettings();
    EXPECT_EQ(again.settings.program, fresh.settings.program);
    EXPECT_EQ(again.settings.sound, 0);
    EXPECT_EQ(again.settings.width, 1600);
    EXPECT_EQ(again.settings.height, 1200);
    EXPECT_EQ(again.settings.volume, 65535);
    EXPECT_EQ(again.settings.smoke, 3);
    EXPECT_EQ(again.GetProfileString("Option", "Program", "").size(), show::kPlayListLength);
}

TEST_F(RegistrySettings, AStoredPlayListOfFortyFiveKeepsItsFirstForty) {
    CSaverApp app;
    Open(app);
    ASSERT_TRUE(app.WriteProfileString("Option", "Program", std::string(45, '\x05')));
    app.LoadSettings();
    for (signed char entry : app.settings.program) EXPECT_EQ(entry, 5);
}

// The configuration dialog, driven through its controls once it is on screen.
class DrivenConfigDlg : public CConfigDlg {
public:
    DrivenConfigDlg(Settings& edited, std::function<void(HWND)> drive) : CConfigDlg(edited), steps(std::move(drive)) {}

protected:
    void OnShown() override { steps(FindWindowW(nullptr, L"Vantaro 設定")); }

private:
    std::function<void(HWND)> steps;
};

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Twice the centre of a window's rectangle, x and y.
std::pair<long, long> Centre2(const RECT& r) { return {r.left + r.right, r.top + r.bottom}; }

// Where the version dialog opened, taken by a second thread that then closes it.
RECT OpenAbout(HWND config) {
    RECT about{};
    std::thread closer([&about] {
        for (int i = 0; i < 500; ++i, Sleep(20)) {
            // Shown once its initialisation, the placing included, is done.
            if (HWND window = FindWindowW(L"#32770", L"バージョン情報"); window && IsWindowVisible(window)) {
                GetWindowRect(window, &about);
                PostMessageW(window, WM_COMMAND, IDOK, 0);
                return;
            }
        }
    });
    Click(config, IDC_ABOUT);  // returns when the version dialog has closed
    closer.join();
    return about;
}

void Select(HWND dialog, int list, int index) {
    SendDlgItemMessageW(dialog, list, LB_SETSEL, TRUE, index);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
}

TEST(ConfigDialogOnWindows, ItsControlsComposeThePlayListAndOkTakesEverything) {
    Settings settings;
    settings.volume = 1000;
    DrivenConfigDlg dialog(settings, [](HWND window) {
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_PLAY_LIST, LB_GETCOUNT, 0, 0), 7);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_AVAILABLE_LIST, LB_GETCOUNT, 0, 0), 33);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_RESOLUTION, CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_RESOLUTION, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(IsDlgButtonChecked(window, IDC_SOUND), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_SMOKE, TBM_GETPOS, 0, 0), 2);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_VOLUME, TBM_GETRANGEMAX, 0, 0), 65535);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_ADD)));
        EXPECT_EQ(GetFocus(), GetDlgItem(window, IDOK));
        // Centred on the screen, and the version dialog centred over it.
        RECT box{};
        GetWindowRect(window, &box);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), &monitor);
        EXPECT_NEAR(Centre2(box).first, Centre2(monitor.rcWork).first, 1);
        EXPECT_NEAR(Centre2(box).second, Centre2(monitor.rcWork).second, 1);
        const RECT about = OpenAbout(window);
        EXPECT_NEAR(Centre2(about).first, Centre2(box).first, 1);
        EXPECT_NEAR(Centre2(about).second, Centre2(box).second, 1);
        // Programmes 6 and 5 (indexes 1 and 0 of the available list) join the play list in
        // list order.
        Select(window, IDC_AVAILABLE_LIST, 1);
        Select(window, IDC_AVAILABLE_LIST, 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_ADD)));
        Click(window, IDC_ADD);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_PLAY_LIST, LB_GETCOUNT, 0, 0), 9);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_ADD)));
        // The last one moved up a place.
        Select(window, IDC_PLAY_LIST, 8);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_MOVE_UP)));
        Click(window, IDC_MOVE_UP);
        SendDlgItemMessageW(window, IDC_RESOLUTION, CB_SETCURSEL, 4, 0);
        SendDlgItemMessageW(window, IDC_SMOKE, TBM_SETPOS, TRUE, 3);
        SendDlgItemMessageW(window, IDC_VOLUME, TBM_SETPOS, TRUE, 65535);
        Click(window, IDC_SOUND);
        Click(window, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const std::array<signed char, show::kPlayListLength> expected{1, 2, 3, 4, 16, 24, 27, 6, 5};
    EXPECT_EQ(settings.program, expected);
    EXPECT_EQ(settings.width, 1600);
    EXPECT_EQ(settings.height, 1200);
    EXPECT_EQ(settings.smoke, 3);
    EXPECT_EQ(settings.volume, 65535);
    EXPECT_EQ(settings.sound, 0);
}

TEST(ConfigDialogOnWindows, AnEmptyPlayListIsRefusedAndCancelKeepsTheSettings) {
    Settings settings;
    const Settings before = settings;
    platform::MessageCapture messages;
    DrivenConfigDlg dialog(settings, [&messages](HWND window) {
        Click(window, IDC_PLAY_SELECT_ALL);
        Click(window, IDC_REMOVE);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_PLAY_LIST, LB_GETCOUNT, 0, 0), 0);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_AVAILABLE_LIST, LB_GETCOUNT, 0, 0), 40);
        Click(window, IDOK);
        EXPECT_TRUE(IsWindow(window));
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0], kEmptyPlayListMessage);
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(settings.program, before.program);
}

}  // namespace
