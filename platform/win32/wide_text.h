#pragma once
// UTF-8 and the UTF-16 text of the Windows interfaces, for the Windows implementations only.

#include <string>
#include <string_view>

namespace platform {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace platform
