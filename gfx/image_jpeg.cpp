// JPEG decoding (and encoding, for our tools) through the libjpeg 6b interface, in memory. The
// library reports fatal errors through error_exit, which by default calls exit(): ours jumps
// back to the caller instead, so a broken image is an error result and never ends the program.

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>

#include <jpeglib.h>

#include "gfx/image.h"

namespace gfx {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;  // first, so the library's pointer to it is a pointer to us
    std::jmp_buf escape;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

// Warnings (data ends early, corrupt entropy data, bad markers) are counted by the library in
// num_warnings; the messages themselves stay quiet.
void OutputMessage(j_common_ptr) {}

// Sets up the library's error handling on `info`; `escape` must be armed with setjmp before
// any library call that may fail.
template <typename Info>
void UseErrorManager(Info& info, ErrorManager& errors) {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.output_message = OutputMessage;
}

// Owns the decompressor; jpeg_destroy_decompress releases everything the library allocated,
// also after an error jump.
class Decompressor {
public:
    Decompressor() { UseErrorManager(info, errors); }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    // Everything that may jump lives here, with no C++ object of its own in scope: a jump
    // leaves nothing undestroyed. `image` belongs to the caller.
    bool Run(ByteSpan bytes, Image& image) {
        if (setjmp(errors.escape) != 0) return false;
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
        if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxImageSide ||
            info.image_height > kMaxImageSide) {
            return false;
        }
        if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) return false;
        info.out_color_space = JCS_EXT_RGBA;  // alpha filled with 255 by the library
        jpeg_start_decompress(&info);
        image.width = info.output_width;
        image.height = info.output_height;
        image.pixels.resize(size_t{image.width} * image.height * 4);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &image.pixels[size_t{info.output_scanline} * image.width * 4];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        return info.err->num_warnings == 0;
    }

private:
    jpeg_decompress_struct info{};
    ErrorManager errors{};
};

// Owns the compressor and the memory buffer that jpeg_mem_dest grows with malloc.
class Compressor {
public:
    Compressor() { UseErrorManager(info, errors); }
    ~Compressor() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    bool Run(const Image& image, int quality) {
        if (setjmp(errors.escape) != 0) return false;
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = image.width;
        info.image_height = image.height;
        info.input_components = 4;
        info.in_color_space = JCS_EXT_RGBA;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            // The library does not write through the row pointers it is given.
            JSAMPROW row = const_cast<JSAMPROW>(&image.pixels[size_t{info.next_scanline} * image.width * 4]);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        return true;
    }

    std::vector<std::uint8_t> Bytes() const { return {buffer, buffer + size}; }

private:
    jpeg_compress_struct info{};
    ErrorManager errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality) {
    if (image.width == 0 || image.height == 0 || image.pixels.size() != size_t{image.width} * image.height * 4) {
        return {};
    }
    Compressor compressor;
    if (!compressor.Run(image, std::clamp(quality, 1, 100))) return {};
    return compressor.Bytes();
}

std::optional<Image> DecodeJpeg(ByteSpan bytes) {
    if (bytes.empty()) return std::nullopt;
    Image image;
    Decompressor decompressor;
    if (!decompressor.Run(bytes, image)) return std::nullopt;
    return image;
}

}  // namespace gfx
