// The clock and the message box on Windows: timeGetTime as winmm counts it, and the system's
// message box captioned "Vantaro", owned by no window, showing the text it was given.

#include "platform/win32/windows_api.h"
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/win32/wide_text.h"

namespace {

TEST(WindowsClock, IsWinmmsCountUnlessATestClockLives) {
    const std::uint32_t ours = platform::timeGetTime();
    const DWORD system = ::timeGetTime();
    EXPECT_LE(platform::ElapsedMs(system, ours), 5u);
    Sleep(50);
    const std::uint32_t later = platform::timeGetTime();
    EXPECT_GE(platform::ElapsedMs(later, ours), 40u);
    EXPECT_LT(platform::ElapsedMs(later, ours), 2000u);
    platform::TestClock clock(0xFFFFFFF0u);
    EXPECT_EQ(platform::timeGetTime(), 0xFFFFFFF0u);
}

// What the box showed, read by a second thread, which then presses its OK button.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    bool ownerEnabled = false;  // while the box showed
    bool found = false;
};

BOOL CALLBACK FindStaticText(HWND child, LPARAM seen) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (std::wstring(className) == L"Static") {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        if (text[0] != L'\0') reinterpret_cast<SeenBox*>(seen)->text = text;
    }
    return TRUE;
}

void WatchForBox(SeenBox& seen, std::atomic<bool>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop && std::chrono::steady_clock::now() < deadline) {
        if (HWND box = FindWindowW(L"#32770", L"Vantaro"); box && IsWindowVisible(box)) {
            wchar_t caption[64] = {};
            GetWindowTextW(box, caption, 64);
            seen.caption = caption;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.ownerEnabled = seen.owner && IsWindowEnabled(seen.owner);
            EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&seen));
            seen.found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return;
        }
        Sleep(20);
    }
}

// A dialog of the test's own, open while a box is raised, as the configuration dialog is.
HWND OpenDialog() {
    struct alignas(4) Template {
        DLGTEMPLATE dialog;
        WORD menu, windowClass, title;
    } blank{{WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 10, 10, 120, 60}, 0, 0, 0};
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &blank.dialog, nullptr,
                                      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

// Without a dialog the box has no owner; while one is open it belongs to it, which cannot be
// used (nor raise a second box) until the box is answered.
TEST(WindowsMessageBox, IsCaptionedVantaroShowsTheTextAndBelongsToAnOpenDialog) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "Wine shows windows only on an X display";
    for (const bool withDialog : {false, true}) {
        HWND dialog = withDialog ? OpenDialog() : nullptr;
        ASSERT_EQ(withDialog, dialog != nullptr);
        SeenBox seen;
        std::atomic<bool> stop = false;
        std::thread watcher(WatchForBox, std::ref(seen), std::ref(stop));
        const std::string text = "Could not load KZ.x (メッシュ)";
        platform::ShowMessage(text);  // returns once the watcher has pressed OK
        stop = true;
        watcher.join();
        ASSERT_TRUE(seen.found) << "no message box appeared";
        EXPECT_EQ(seen.caption, L"Vantaro");
        EXPECT_EQ(seen.text, platform::WideFromUtf8(text));
        EXPECT_EQ(seen.owner, dialog);
        EXPECT_FALSE(seen.ownerEnabled) << "the dialog stayed usable behind its box";
        if (dialog) {
            EXPECT_TRUE(IsWindowEnabled(dialog)) << "the dialog stayed disabled after its box";
            DestroyWindow(dialog);
        }
    }
}

}  // namespace
