#include "tools/assets/picture.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace assets {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint8_t ToByte(float v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

void PutU16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xff));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xffff);
    PutU16(out, v >> 16);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    return std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

// Bottom-up BGRA rows followed by the 1-bit transparency mask, as an icon entry stores them.
std::vector<uint8_t> IconImage(const Picture& p) {
    std::vector<uint8_t> out;
    int maskStride = ((p.width + 31) / 32) * 4;
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(p.width));
    PutU32(out, static_cast<uint32_t>(p.height * 2));  // colour rows and mask rows
    PutU16(out, 1);
    PutU16(out, 32);
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(p.width * p.height * 4 + maskStride * p.height));
    for (int i = 0; i < 4; ++i) PutU32(out, 0);
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const Rgba& c = p.at(x, y);
            out.insert(out.end(), {ToByte(c.b), ToByte(c.g), ToByte(c.r), ToByte(c.a)});
        }
    }
    for (int y = p.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
        for (int x = 0; x < p.width; ++x) {
            if (ToByte(p.at(x, y).a) == 0) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Scaled(const Rgba& c, float s) { return {c.r * s, c.g * s, c.b * s, c.a * s}; }

std::vector<uint8_t> ToRgb8(const Picture& picture) {
    std::vector<uint8_t> out;
    out.reserve(picture.pixels.size() * 3);
    for (const Rgba& c : picture.pixels) out.insert(out.end(), {ToByte(c.r), ToByte(c.g), ToByte(c.b)});
    return out;
}

std::vector<uint8_t> ToRgba8(const Picture& picture) {
    std::vector<uint8_t> out;
    out.reserve(picture.pixels.size() * 4);
    for (const Rgba& c : picture.pixels) {
        out.insert(out.end(), {ToByte(c.r), ToByte(c.g), ToByte(c.b), ToByte(c.a)});
    }
    return out;
}

bool WriteJpeg(const std::string& path, const Picture& picture, int quality) {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f.get());
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // Full-resolution colour: the livery's red and blue edges stay crisp.
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> rgb = ToRgb8(picture);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(cinfo.next_scanline) * picture.width * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::ferror(f.get()) == 0;
}

bool ReadJpeg(const std::string& path, Picture& picture) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f.get());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    picture = Picture(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 3);
    for (int y = 0; y < picture.height; ++y) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
        for (int x = 0; x < picture.width; ++x) {
            picture.at(x, y) = {row[x * 3] / 255.0f, row[x * 3 + 1] / 255.0f, row[x * 3 + 2] / 255.0f, 1.0f};
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool WritePng(const std::string& path, const Picture& picture) {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    std::vector<uint8_t> rgba = ToRgba8(picture);  // made before setjmp, so an error path frees it
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) png_write_row(png, &rgba[static_cast<size_t>(y) * picture.width * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool WriteTarga(const std::string& path, const Picture& picture) {
    std::vector<uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // uncompressed true colour
    PutU16(out, static_cast<unsigned>(picture.width));
    PutU16(out, static_cast<unsigned>(picture.height));
    out.push_back(32);
    out.push_back(0x08);  // 8 alpha bits, rows stored bottom-up
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgba& c = picture.at(x, y);
            out.insert(out.end(), {ToByte(c.b), ToByte(c.g), ToByte(c.r), ToByte(c.a)});
        }
    }
    return WriteBytes(path, out);
}

bool WriteIcon(const std::string& path, const std::vector<Picture>& sizes) {
    std::vector<uint8_t> out;
    PutU16(out, 0);
    PutU16(out, 1);  // icon
    PutU16(out, static_cast<unsigned>(sizes.size()));
    std::vector<std::vector<uint8_t>> images;
    for (const Picture& p : sizes) images.push_back(IconImage(p));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        out.push_back(static_cast<uint8_t>(sizes[i].width >= 256 ? 0 : sizes[i].width));
        out.push_back(static_cast<uint8_t>(sizes[i].height >= 256 ? 0 : sizes[i].height));
        out.push_back(0);  // no palette
        out.push_back(0);
        PutU16(out, 1);   // planes
        PutU16(out, 32);  // bits per pixel
        PutU32(out, static_cast<uint32_t>(images[i].size()));
        PutU32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return WriteBytes(path, out);
}

}  // namespace assets
