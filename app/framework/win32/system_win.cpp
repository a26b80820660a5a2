// What the system tells about the desktop, on the Win32 API.

#include "app/framework/system.h"

#include "app/framework/win32/win32_text.h"

namespace framework {

std::wstring WideFromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string narrow(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

// A process on Windows always has its desktop.
bool DisplayAvailable() { return true; }

// Direct3D draws into the window itself; there is no display connection to hand over.
void* NativeDisplay() { return nullptr; }

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

Rect FullScreenWindowRect(int width, int height) { return Rect{0, 0, width, height}; }

MonitorList GetMonitors() {
    MonitorList monitors;
    const MONITORENUMPROC add = [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info)) {
            const RECT& r = info.rcMonitor;
            reinterpret_cast<MonitorList*>(list)->push_back(
                Monitor{Rect{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
        }
        return TRUE;
    };
    EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool DisplayIsWayland() { return false; }

void BeginWindowFrame(WindowHandle) {}  // the device's present keeps the pace

void NearestFullScreenMode(int& width, int& height) {
    DEVMODEW current{};
    current.dmSize = sizeof(current);
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &current)) return;
    // The device keeps the desktop's pixel format, so only modes of its depth count.
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    long bestWidth = 0, bestHeight = 0;
    for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &mode); ++i) {
        if (mode.dmBitsPerPel != current.dmBitsPerPel) continue;
        const long w = static_cast<long>(mode.dmPelsWidth), h = static_cast<long>(mode.dmPelsHeight);
        if (w == width && h == height) return;
        if (w <= width && h <= height && w * h > bestWidth * bestHeight) {
            bestWidth = w;
            bestHeight = h;
        }
    }
    if (bestWidth == 0) {
        bestWidth = static_cast<long>(current.dmPelsWidth);
        bestHeight = static_cast<long>(current.dmPelsHeight);
    }
    width = static_cast<int>(bestWidth);
    height = static_cast<int>(bestHeight);
}

// Windows hosts give a preview window on the command line; an X11 host's variable means nothing here.
const char* HostWindowVariable() { return nullptr; }

bool GetCursorPos(Point& point) {
    POINT p{};
    if (!::GetCursorPos(&p)) return false;
    point = Point{p.x, p.y};
    return true;
}

WindowHandle FindWindow(const char* className, const char* windowName) {
    const std::wstring wideClass = WideFromUtf8(className ? className : "");
    const std::wstring wideName = WideFromUtf8(windowName ? windowName : "");
    return reinterpret_cast<WindowHandle>(FindWindowW(wideClass.c_str(), windowName ? wideName.c_str() : nullptr));
}

// A named mutex of the session: creating it and learning that it already existed is one step
// for the system, so of two savers started at once exactly one owns it. It is held until the
// process ends.
bool ClaimSelection(const char* name) {
    static HANDLE claimed = nullptr;
    if (claimed) return true;
    const std::wstring mutexName = L"Local\\" + WideFromUtf8(name);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName.c_str());
    if (!mutex) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    claimed = mutex;
    return true;
}

bool GetWindowClientRect(WindowHandle window, Rect& rect) {
    const auto hwnd = reinterpret_cast<HWND>(window);
    RECT client{};
    if (window == 0 || !IsWindow(hwnd) || !::GetClientRect(hwnd, &client)) return false;
    rect = Rect{0, 0, client.right - client.left, client.bottom - client.top};
    return true;
}

}  // namespace framework
