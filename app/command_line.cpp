#include "app/command_line.h"

#include <cctype>

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

SaverCommand ParseCommandLine(std::string_view line) {
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
