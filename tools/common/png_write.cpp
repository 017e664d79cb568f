// Writes 0xAARRGGBB pixel buffers as 8-bit RGB PNG files through libpng.
#include "png_write.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace {

bool writeRows(const std::string& path, int width, int height, const std::uint32_t* pixels,
               int pitchInPixels, bool keyed) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    const int channels = keyed ? 4 : 3;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 keyed ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* src = pixels + static_cast<std::size_t>(y) * pitchInPixels;
        for (int x = 0; x < width; ++x) {
            png_byte* out = row.data() + static_cast<std::size_t>(x) * channels;
            const bool clear = keyed && (src[x] & 0x00FFFFFFu) == 0x00FF00FFu;
            out[0] = clear ? 0 : static_cast<png_byte>(src[x] >> 16);
            out[1] = clear ? 0 : static_cast<png_byte>(src[x] >> 8);
            out[2] = clear ? 0 : static_cast<png_byte>(src[x]);
            if (keyed) out[3] = clear ? 0 : 255;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace

bool writePng(const std::string& path, int width, int height, const std::uint32_t* pixels,
              int pitchInPixels) {
    return writeRows(path, width, height, pixels, pitchInPixels, false);
}

bool writeKeyedPng(const std::string& path, int width, int height, const std::uint32_t* pixels,
                   int pitchInPixels) {
    return writeRows(path, width, height, pixels, pitchInPixels, true);
}
