#include "app/command_line.h"

#include <cctype>
#include <charconv>

std::uintptr_t PreviewWindowFrom(std::string_view line) {
    const auto blank = line.rfind(' ');
    if (blank == std::string_view::npos) return 0;
    std::string_view text = line.substr(blank + 1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Window ids are 32-bit; a longer number is no window (and would overflow).
    constexpr std::uint64_t kLargestWindow = 0xFFFFFFFFu;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kLargestWindow) return 0;
    }
    return negative ? 0 : static_cast<std::uintptr_t>(value);
}

std::uintptr_t HostWindowFrom(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    // Unsigned from_chars takes no sign and fails beyond 32 bits; the digits must be all there is.
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc{} && end == text.data() + text.size() ? value : 0;
}

namespace {

SaverCommand ModeFromSwitch(std::string_view line) {
    SaverCommand result;
    if (line.size() < 2 || (line[0] != '-' && line[0] != '/')) return result;
    switch (std::tolower(static_cast<unsigned char>(line[1]))) {
        case 'a': result.mode = RunMode::kExit; break;
        case 'c': result.mode = RunMode::kConfigure; break;
        case 'w': result.mode = RunMode::kWindowed; break;
        case 'p':
            result.previewParent = PreviewWindowFrom(line);
            if (result.previewParent != 0) result.mode = RunMode::kPreview;
            break;
        default: break;
    }
    return result;
}

}  // namespace

SaverCommand ParseCommandLine(std::string_view line, const char* hostWindow) {
    SaverCommand result = ModeFromSwitch(line);
    if (result.mode == RunMode::kFullScreen && hostWindow && *hostWindow) {
        result.mode = RunMode::kHosted;
        result.hostWindow = HostWindowFrom(hostWindow);
    }
    return result;
}
