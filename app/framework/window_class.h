#pragma once
// Window classes, registered by name before windows are created from them, and the icons
// they carry.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

// An icon decoded from the program's icon resource: its images, largest first, as 32-bit
// ARGB pixels (not premultiplied), row by row.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

struct Icon {
    std::vector<IconImage> images;
    // The image at the standard icon size, 32 by 32 (scaled when the resource has none).
    const IconImage& Standard() const { return images.back(); }
};

// Icon resource `id` (PNG, ICO or any format the image loader knows), or nullptr when the
// program has no such resource or it cannot be decoded.
std::shared_ptr<const Icon> LoadIcon(int id);

enum class StockBrush { kNull, kBlack, kWhite };

struct WndClass {
    unsigned style = 0;  // CS_ bits
    std::shared_ptr<const Icon> icon;
    StockBrush background = StockBrush::kNull;
    std::string className;
};

// False when the name is empty or already registered in this process.
bool RegisterClass(const WndClass& wndClass);

// The registered class of that name, or nullptr.
const WndClass* FindRegisteredClass(std::string_view className);

// The class frames use when created without one: redraws on resizing, white background.
inline constexpr std::string_view kDefaultFrameClass = "FrameWnd";

}  // namespace framework
