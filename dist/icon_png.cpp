// Writes every image of the saver's icon as a PNG file in the icon theme's layout, for
// installing: DIR/16x16/apps/vantaro.png, DIR/24x24/apps/vantaro.png and so on, one folder per
// size the icon resource holds, and prints the sizes it wrote.
//   vantaro-icon-png DIR

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "app/saver_app.h"
#include "gfx/image.h"
#include "platform/resources.h"
#include "tools/render/png_file.h"

namespace {

unsigned U16(std::span<const std::uint8_t> b, size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t U32(std::span<const std::uint8_t> b, size_t at) { return U16(b, at) | (std::uint32_t{U16(b, at + 2)} << 16); }

// An icon entry stored as a 32-bit bitmap: bottom-up BGRA rows (the transparency mask after
// them is redundant with the alpha channel). Nothing for any other kind of bitmap.
std::optional<gfx::Image> DecodeBitmap(std::span<const std::uint8_t> entry) {
    if (entry.size() < 40 || U32(entry, 0) < 40 || U16(entry, 14) != 32 || U32(entry, 16) != 0) return std::nullopt;
    const std::uint32_t headerSize = U32(entry, 0);
    const std::uint32_t width = U32(entry, 4);
    const std::uint32_t height = U32(entry, 8) / 2;  // colour rows and mask rows
    if (width == 0 || height == 0 || width > 1024 || height > 1024) return std::nullopt;
    if (entry.size() < headerSize + size_t{width} * height * 4) return std::nullopt;
    gfx::Image image;
    image.width = width;
    image.height = height;
    image.pixels.reserve(size_t{width} * height * 4);
    for (std::uint32_t y = 0; y < height; ++y) {
        const size_t row = headerSize + size_t{height - 1 - y} * width * 4;
        for (std::uint32_t x = 0; x < width; ++x) {
            const size_t at = row + size_t{x} * 4;
            image.pixels.insert(image.pixels.end(), {entry[at + 2], entry[at + 1], entry[at], entry[at + 3]});
        }
    }
    return image;
}

bool WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantaro-icon-png DIR\n");
        return 2;
    }
    const auto icon = platform::FindResource(platform::ResourceType::kICON, kIconResource);
    if (!icon || icon->size() < 6 || U16(*icon, 2) != 1 || U16(*icon, 4) == 0) {
        std::fprintf(stderr, "vantaro-icon-png: the executable carries no icon %d\n", kIconResource);
        return 1;
    }
    const unsigned count = U16(*icon, 4);
    for (unsigned i = 0; i < count; ++i) {
        const size_t dir = 6 + size_t{i} * 16;
        if (icon->size() < dir + 16) {
            std::fprintf(stderr, "vantaro-icon-png: the icon's directory is cut short\n");
            return 1;
        }
        const std::uint32_t size = U32(*icon, dir + 8);
        const std::uint32_t offset = U32(*icon, dir + 12);
        if (offset > icon->size() || size > icon->size() - offset) {
            std::fprintf(stderr, "vantaro-icon-png: image %u of the icon lies outside it\n", i);
            return 1;
        }
        const auto entry = icon->subspan(offset, size);
        // An entry is either a whole PNG file or a bitmap without its file header.
        static constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        const bool png = entry.size() > 24 && std::equal(std::begin(kPngSignature), std::end(kPngSignature), entry.begin());
        std::optional<gfx::Image> bitmap;
        unsigned width = 0, height = 0;
        if (png) {
            width = static_cast<unsigned>(entry[16] << 24 | entry[17] << 16 | entry[18] << 8 | entry[19]);
            height = static_cast<unsigned>(entry[20] << 24 | entry[21] << 16 | entry[22] << 8 | entry[23]);
        } else if ((bitmap = DecodeBitmap(entry))) {
            width = bitmap->width;
            height = bitmap->height;
        } else {
            std::fprintf(stderr, "vantaro-icon-png: image %u of the icon is neither PNG nor a 32-bit bitmap\n", i);
            return 1;
        }
        const std::string sizeName = std::to_string(width) + "x" + std::to_string(height);
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / sizeName / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::filesystem::path out = folder / "vantaro.png";
        if (error || !(png ? WriteBytes(out, entry) : tools::WritePng(out.string(), *bitmap))) {
            std::fprintf(stderr, "vantaro-icon-png: cannot write %s\n", out.c_str());
            return 1;
        }
        std::printf("%s\n", sizeName.c_str());
    }
    return 0;
}
