#pragma once
// What the framework's Windows files share: the one window procedure of every class the
// framework registers, and icons as the system takes them. Windows implementation files only.

#include "app/framework/window_class.h"
#include "app/framework/win32/win32_text.h"

namespace framework {

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A system icon with the image's pixels and alpha; the caller destroys it.
HICON CreateIconHandle(const IconImage& image);

}  // namespace framework
