// Writes the largest image of the saver's icon (128 by 128) as a PNG file, for installing.
//   vantaro-icon-png OUT.png

#include <cstdio>

#include "app/framework/window_class.h"
#include "gfx/image.h"
#include "tools/render/png_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantaro-icon-png OUT.png\n");
        return 2;
    }
    constexpr int kIconResource = 128;
    const auto icon = framework::LoadIcon(kIconResource);
    if (!icon || icon->images.empty()) {
        std::fprintf(stderr, "vantaro-icon-png: the executable carries no icon %d\n", kIconResource);
        return 1;
    }
    const framework::IconImage& largest = icon->images.front();
    gfx::Image image;
    image.width = static_cast<unsigned>(largest.width);
    image.height = static_cast<unsigned>(largest.height);
    image.pixels.reserve(largest.argb.size() * 4);
    for (const std::uint32_t argb : largest.argb) {
        for (const int shift : {16, 8, 0, 24}) image.pixels.push_back(static_cast<std::uint8_t>(argb >> shift));
    }
    if (!tools::WritePng(argv[1], image)) {
        std::fprintf(stderr, "vantaro-icon-png: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
