#pragma once
// Text between the framework's UTF-8 strings and the UTF-16 the Win32 API takes, and the
// module the program's resources and window classes belong to. Windows implementation files only.

#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"

// <windows.h> renames these to their A or W forms; the framework has functions of these names.
#undef FindWindow
#undef LoadIcon
#undef PostMessage
#undef RegisterClass

namespace framework {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

inline HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

}  // namespace framework
