// Message boxes on Windows: the system's own, captioned "Vantaro", no owner window.

#include "platform/windows_api.h"

#include <string>

#include "platform/message_box_dialog.h"
#include "platform/wide_text.h"

namespace platform {

void ShowMessageDialog(std::string_view text) {
    const std::wstring caption = WideFromUtf8(kMessageCaption);
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), caption.c_str(), MB_OK);
}

}  // namespace platform
