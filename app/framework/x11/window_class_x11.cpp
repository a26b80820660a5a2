#include "app/framework/window_class.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <map>

#include "app/framework/types.h"
#include "platform/resources.h"

namespace framework {
namespace {

constexpr int kStandardIconSize = 32;

std::map<std::string, WndClass, std::less<>>& Registry() {
    static std::map<std::string, WndClass, std::less<>> classes = [] {
        std::map<std::string, WndClass, std::less<>> builtIn;
        WndClass frame;
        frame.style = CS_VREDRAW | CS_HREDRAW;
        frame.background = StockBrush::kWhite;
        frame.className = kDefaultFrameClass;
        builtIn.emplace(frame.className, frame);
        return builtIn;
    }();
    return classes;
}

IconImage ImageOf(GdkPixbuf* pixbuf) {
    GdkPixbuf* rgba = gdk_pixbuf_add_alpha(pixbuf, FALSE, 0, 0, 0);
    IconImage image;
    image.width = gdk_pixbuf_get_width(rgba);
    image.height = gdk_pixbuf_get_height(rgba);
    const int stride = gdk_pixbuf_get_rowstride(rgba);
    const guchar* pixels = gdk_pixbuf_read_pixels(rgba);
    image.argb.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const guchar* p = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < image.width; ++x, p += 4) {
            image.argb.push_back(std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]);
        }
    }
    g_object_unref(rgba);
    return image;
}

}  // namespace

std::shared_ptr<const Icon> LoadIcon(int id) {
    const auto bytes = platform::FindResource(platform::ResourceType::kICON, id);
    if (!bytes || bytes->empty()) return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool written = gdk_pixbuf_loader_write(loader, bytes->data(), bytes->size(), nullptr);
    const bool decoded = gdk_pixbuf_loader_close(loader, nullptr) && written;
    GdkPixbuf* pixbuf = decoded ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    std::shared_ptr<Icon> icon;
    if (pixbuf) {
        icon = std::make_shared<Icon>();
        icon->images.push_back(ImageOf(pixbuf));
        if (gdk_pixbuf_get_width(pixbuf) != kStandardIconSize || gdk_pixbuf_get_height(pixbuf) != kStandardIconSize) {
            GdkPixbuf* standard =
                gdk_pixbuf_scale_simple(pixbuf, kStandardIconSize, kStandardIconSize, GDK_INTERP_BILINEAR);
            icon->images.push_back(ImageOf(standard));
            g_object_unref(standard);
        }
    }
    g_object_unref(loader);
    return icon;
}

bool RegisterClass(const WndClass& wndClass) {
    if (wndClass.className.empty()) return false;
    return Registry().emplace(wndClass.className, wndClass).second;
}

const WndClass* FindRegisteredClass(std::string_view className) {
    const auto& classes = Registry();
    const auto it = classes.find(className);
    return it == classes.end() ? nullptr : &it->second;
}

}  // namespace framework
