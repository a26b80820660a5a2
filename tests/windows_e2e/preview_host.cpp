// A stand-in for the screensaver host's preview pane: a borderless window at the position and
// size given, whose handle is written in decimal to a file, destroyed after the given number of
// seconds (the host closing its settings page). Half-way it writes its child windows to
// HANDLE_FILE.children.
//   preview_host X Y WIDTH HEIGHT SECONDS HANDLE_FILE

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/windows_api.h"

namespace {

constexpr UINT_PTR kDestroyTimer = 1;
constexpr UINT_PTR kReportTimer = 2;
const char* reportPath = nullptr;

// One line per child window of the pane: its class, client size and whether it is visible.
BOOL CALLBACK ReportChild(HWND child, LPARAM out) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    RECT client{};
    GetClientRect(child, &client);
    std::fprintf(reinterpret_cast<FILE*>(out), "%ls %ldx%ld %s\n", name, client.right, client.bottom,
                 IsWindowVisible(child) ? "visible" : "hidden");
    return TRUE;
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kReportTimer) {
        KillTimer(window, kReportTimer);
        if (FILE* out = std::fopen(reportPath, "w")) {
            EnumChildWindows(window, ReportChild, reinterpret_cast<LPARAM>(out));
            std::fclose(out);
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == kDestroyTimer) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: preview_host X Y WIDTH HEIGHT SECONDS HANDLE_FILE\n");
        return 2;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaneProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"PreviewPane";
    RegisterClassW(&wc);
    HWND pane = CreateWindowExW(0, wc.lpszClassName, L"Preview pane", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!pane) return 1;
    const auto lifetime = static_cast<UINT>(std::atoi(argv[5]) * 1000);
    SetTimer(pane, kDestroyTimer, lifetime, nullptr);
    SetTimer(pane, kReportTimer, lifetime / 2, nullptr);
    static std::string report = std::string(argv[6]) + ".children";
    reportPath = report.c_str();
    if (FILE* out = std::fopen(argv[6], "w")) {
        std::fprintf(out, "%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(pane)));
        std::fclose(out);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
