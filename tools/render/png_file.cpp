#include "tools/render/png_file.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace tools {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool WritePng(const std::string& path, const gfx::Image& image) {
    if (image.width == 0 || image.height == 0 || image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        return false;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGBA;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    bool written = png_image_write_to_stdio(&png, file.get(), 0, image.pixels.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return std::fclose(file.release()) == 0 && written;
}

std::optional<gfx::Image> ReadPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGBA;
    gfx::Image image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

}  // namespace tools
