// libFuzzer target: any bytes into the JPEG and Targa decoders; a decoded image must have the
// pixels its size says, and its texture levels must build.
#include <cstdio>
#include <cstdlib>

#include "gfx/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const auto image = gfx::DecodeImage({data, size});
    if (!image) return 0;
    if (image->width == 0 || image->height == 0 || image->width > gfx::kMaxImageSide ||
        image->height > gfx::kMaxImageSide || image->pixels.size() != size_t{image->width} * image->height * 4) {
        std::fprintf(stderr, "decoded image of a wrong shape\n");
        std::abort();
    }
    if (size_t{image->width} * image->height <= 256 * 256 && gfx::BuildMipChain(*image).empty()) std::abort();
    return 0;
}
