// Fuzz driver: feeds arbitrary bytes to the BMP decoder and checks that a refusal changes nothing.
#include <cstdlib>
#include <cstring>

#include "present/bitmap.h"

namespace {

Image blank(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pitch = width * 4;
    image.pixels.assign(static_cast<std::size_t>(width) * height, 0xFFFF00FFu);
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One image as large as the game's biggest pictures are wide, and a single pixel.
    for (Image image : {blank(64, 48), blank(1, 1)}) {
        const Image before = image;
        if (!decodeBitmap(data, size, &image) && image.pixels != before.pixels) std::abort();
        if (image.pixels.size() != before.pixels.size()) std::abort();
    }
    return 0;
}
