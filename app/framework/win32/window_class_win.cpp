// Window classes and icons on the Win32 API. Every class the framework registers has the
// framework's window procedure (wnd_win.cpp), which hands the messages to the CWnd objects.

#include "app/framework/window_class.h"

#include <map>

#include "app/framework/types.h"
#include "app/framework/win32/win32_text.h"
#include "app/framework/win32/win32_window.h"

namespace framework {
namespace {

constexpr int kStandardIconSize = 32;

std::map<std::string, WndClass, std::less<>>& Registry() {
    static std::map<std::string, WndClass, std::less<>> classes;
    return classes;
}

HBRUSH BrushOf(StockBrush brush) {
    switch (brush) {
        case StockBrush::kBlack: return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        case StockBrush::kWhite: return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        case StockBrush::kNull: break;
    }
    return nullptr;
}

// The icon's pixels as the system drew them into a 32-bit bitmap, top row first.
bool ReadIconPixels(HICON handle, IconImage& image) {
    ICONINFO info{};
    if (!GetIconInfo(handle, &info)) return false;
    BITMAPINFO bitmap{};
    bitmap.bmiHeader.biSize = sizeof(bitmap.bmiHeader);
    bitmap.bmiHeader.biWidth = image.width;
    bitmap.bmiHeader.biHeight = -image.height;
    bitmap.bmiHeader.biPlanes = 1;
    bitmap.bmiHeader.biBitCount = 32;
    bitmap.bmiHeader.biCompression = BI_RGB;
    image.argb.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(image.height), image.argb.data(), &bitmap,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return rows == image.height;
}

}  // namespace

std::shared_ptr<const Icon> LoadIcon(int id) {
    auto handle = static_cast<HICON>(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, kStandardIconSize,
                                                kStandardIconSize, LR_DEFAULTCOLOR));
    if (!handle) return nullptr;
    IconImage image;
    image.width = kStandardIconSize;
    image.height = kStandardIconSize;
    const bool read = ReadIconPixels(handle, image);
    DestroyIcon(handle);
    if (!read) return nullptr;
    auto icon = std::make_shared<Icon>();
    icon->images.push_back(std::move(image));
    return icon;
}

HICON CreateIconHandle(const IconImage& image) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = image.width;
    header.bV5Height = -image.height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour) return nullptr;
    std::copy(image.argb.begin(), image.argb.end(), static_cast<std::uint32_t*>(bits));
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    HICON handle = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return handle;
}

bool RegisterClass(const WndClass& wndClass) {
    if (wndClass.className.empty() || Registry().contains(wndClass.className)) return false;
    const std::wstring name = WideFromUtf8(wndClass.className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = wndClass.style;
    wc.lpfnWndProc = FrameworkWindowProc;
    wc.hInstance = ModuleInstance();
    // The class keeps its icon for the life of the process, as a class registered from the
    // program's resources would.
    wc.hIcon = wndClass.icon ? CreateIconHandle(wndClass.icon->Standard()) : nullptr;
    wc.hCursor = nullptr;
    wc.hbrBackground = BrushOf(wndClass.background);
    wc.lpszClassName = name.c_str();
    if (!RegisterClassExW(&wc)) {
        if (wc.hIcon) DestroyIcon(wc.hIcon);
        return false;
    }
    Registry().emplace(wndClass.className, wndClass);
    return true;
}

const WndClass* FindRegisteredClass(std::string_view className) {
    auto& classes = Registry();
    if (className == kDefaultFrameClass && !classes.contains(className)) {
        WndClass frame;
        frame.style = CS_VREDRAW | CS_HREDRAW;
        frame.background = StockBrush::kWhite;
        frame.className = kDefaultFrameClass;
        RegisterClass(frame);
    }
    const auto it = classes.find(className);
    return it == classes.end() ? nullptr : &it->second;
}

}  // namespace framework
