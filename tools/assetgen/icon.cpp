// The desktop icon: a badge drawn once at 32 x 32 from the game's own car and palette, enlarged,
// and written as RGBA PNG files with see-through corners.
#include "icon.h"

#include <filesystem>
#include <vector>

#include "art.h"
#include "paint.h"
#include "palette.h"
#include "png_write.h"

namespace {

constexpr int BaseSize = 32;

// Pixels cut from each corner of the badge, row by row from the outer edge: a rounded corner
// that still reads as round at 32 pixels.
constexpr int CornerCut[] = {4, 2, 1, 1};

bool insideBadge(int x, int y) {
    if (x < 0 || y < 0 || x >= BaseSize || y >= BaseSize) return false;  // the rim's neighbours off the edge
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
        ok = writeKeyedPng(outDir + "/" + name + "/tallyrally.png", icon->width, icon->height, icon->pixels.data(),
                           icon->width) && ok;
    }
    return ok;
}
