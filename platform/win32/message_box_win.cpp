// Message boxes on Windows: the system's own, captioned "Vantaro". A box raised while one of the
// program's dialogs is open belongs to that dialog, which stays disabled until the box is
// answered; otherwise it has no owner window.

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/message_box_dialog.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// The topmost enabled, visible dialog of this thread: the one the user is working in (a dialog
// that opened another is disabled while the other is open).
BOOL CALLBACK FindOpenDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

void ShowMessageDialog(std::string_view text) {
    HWND owner = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, reinterpret_cast<LPARAM>(&owner));
    const std::wstring caption = WideFromUtf8(kMessageCaption);
    MessageBoxW(owner, WideFromUtf8(text).c_str(), caption.c_str(), MB_OK);
}

}  // namespace platform
