// The desktop icon: a badge drawn once at 32 x 32 from the game's own car and palette, enlarged,
// and written as RGBA PNG files with see-through corners.
#include "icon.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "art.h"
#include "paint.h"
#include "palette.h"

namespace {

constexpr int BaseSize = 32;

// Pixels cut from each corner of the badge, row by row from the outer edge: a rounded corner
// that still reads as round at 32 pixels.
constexpr int CornerCut[] = {4, 2, 1, 1};

bool insideBadge(int x, int y) {
    const int row = y < BaseSize / 2 ? y : BaseSize - 1 - y;
    const int column = x < BaseSize / 2 ? x : BaseSize - 1 - x;
    return row >= 4 || column >= CornerCut[row];
}

// The badge at 32 x 32: grass verges, an asphalt road with a dashed centre line, the rally car
// on it, an ink rim. Outside the rim stays the key colour.
ImageHandle makeBaseIcon() {
    ImageHandle icon = createImage(BaseSize, BaseSize, pal::Green);
    fillRect(*icon, 0, 0, BaseSize - 1, 5, pal::LightGreen);
    fillRect(*icon, 0, 26, BaseSize - 1, BaseSize - 1, pal::Green);
    fillRect(*icon, 0, 6, BaseSize - 1, 25, pal::Grey);
    // Kerbs at both road edges, red and white as on the race track.
    for (int x = 0; x < BaseSize; ++x) {
        const std::uint32_t kerb = (x / 2) % 2 == 0 ? pal::Red : pal::White;
        plot(*icon, x, 6, kerb);
        plot(*icon, x, 25, kerb);
    }
    for (int x = 0; x < BaseSize; x += 6) fillRect(*icon, x, 15, x + 2, 16, pal::PaleGrey);
    // The rally car: white on the grey road, and short enough to keep clear of the rim.
    const ImageHandle car = makeCar(8);
    putImage(icon.get(), 0, 0, car.get(), PutMode::Transparent);
    // Key outside the rounded outline, ink on the outline itself.
    for (int y = 0; y < BaseSize; ++y)
        for (int x = 0; x < BaseSize; ++x) {
            if (!insideBadge(x, y)) {
                plot(*icon, x, y, pal::Key);
                continue;
            }
            const bool edge = !insideBadge(x - 1, y) || !insideBadge(x + 1, y) ||
                              !insideBadge(x, y - 1) || !insideBadge(x, y + 1) || x == 0 ||
                              y == 0 || x == BaseSize - 1 || y == BaseSize - 1;
            if (edge) plot(*icon, x, y, pal::Ink);
        }
    return icon;
}

// Writes the image as an 8-bit RGBA PNG; the key colour becomes fully transparent.
bool writeRgbaPng(const std::string& path, const Image& image) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(image.width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.pixels[static_cast<std::size_t>(y) * image.width + x];
            const bool key = (p & 0x00FFFFFFu) == KeyColor;
            row[x * 4 + 0] = key ? 0 : static_cast<png_byte>(p >> 16);
            row[x * 4 + 1] = key ? 0 : static_cast<png_byte>(p >> 8);
            row[x * 4 + 2] = key ? 0 : static_cast<png_byte>(p);
            row[x * 4 + 3] = key ? 0 : 255;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace

ImageHandle makeIcon(int size) {
    const ImageHandle base = makeBaseIcon();
    return enlarge(*base, size / BaseSize);
}

bool writeIcons(const std::string& outDir) {
    bool ok = true;
    for (const int size : IconSizes) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        std::error_code error;
        std::filesystem::create_directories(outDir + "/" + name, error);
        const ImageHandle icon = makeIcon(size);
        ok = writeRgbaPng(outDir + "/" + name + "/tallyrally.png", *icon) && ok;
    }
    return ok;
}
