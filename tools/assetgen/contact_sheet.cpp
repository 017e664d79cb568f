// Builds the contact sheet of all pictures with their paths.
#include "contact_sheet.h"

#include <algorithm>

#include "paint.h"
#include "png_write.h"

namespace {

constexpr int SheetWidth = 1400;
constexpr int Gap = 12;
constexpr int LabelHeight = 12;
constexpr std::uint32_t SheetBackground = 0xFF2A2A30;
constexpr std::uint32_t LabelColour = 0xFFE8E8E8;

int scaleFor(const Image& image) { return image.width > 160 ? 2 : 4; }

struct Cell {
    int x, y, w, h;
};

}  // namespace

bool writeContactSheet(const std::vector<Picture>& pictures, const std::string& pngPath) {
    // Shelf layout: left to right, a new shelf when the next picture does not fit. A new kind of
    // picture (the directory changes) also starts a new shelf, so the sheet reads by group.
    std::vector<Cell> cells;
    int x = Gap, y = Gap, shelfHeight = 0;
    std::string lastDir;
    for (const Picture& p : pictures) {
        const int s = scaleFor(*p.image);
        const int w = std::max(p.image->width * s, static_cast<int>(p.path.size()) * 8);
        const int h = p.image->height * s + LabelHeight;
        const std::string dir = p.path.substr(0, p.path.find('/'));
        if (x + w + Gap > SheetWidth || (dir != lastDir && !lastDir.empty())) {
            x = Gap;
            y += shelfHeight + Gap;
            shelfHeight = 0;
        }
        lastDir = dir;
        cells.push_back({x, y, w, h});
        x += w + Gap;
        shelfHeight = std::max(shelfHeight, h);
    }
    const int height = y + shelfHeight + Gap;
    ImageHandle sheet = createImage(SheetWidth, height, SheetBackground);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        const Cell& c = cells[i];
        drawText(sheet.get(), c.x, c.y, p.path, LabelColour);
        ImageHandle big = enlarge(*p.image, scaleFor(*p.image));
        putImage(sheet.get(), c.x, c.y + LabelHeight, big.get(), PutMode::Copy);
    }
    return writePng(pngPath, sheet->width, sheet->height, sheet->pixels.data(), sheet->width);
}
