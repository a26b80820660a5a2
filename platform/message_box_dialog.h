#pragma once
// The toolkit side of message boxes; only platform/message_box.cpp calls it.

#include <string_view>

namespace platform {

inline constexpr std::string_view kMessageCaption = "Vantaro";

// A modal dialog captioned "Vantaro" with one OK button; one line on stderr without a display.
void ShowMessageDialog(std::string_view text);

}  // namespace platform
