// The asset generator's pieces: BMP rows and padding, pixel maps, dither and outline helpers, the
// palette, and how the tiles meet their neighbours.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "art.h"
#include "bmp_write.h"
#include "contact_sheet.h"
#include "paint.h"
#include "palette.h"
#include "picture_set.h"
#include "pixel_map.h"

namespace fs = std::filesystem;

namespace {

fs::path scratchDir() {
    const fs::path dir = fs::temp_directory_path() / ("tally_assetgen_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

std::uint32_t at(const Image& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}

TEST(BmpWriter, PadsOddRowsAndStoresThemBottomUp) {
    // The game's pictures all have widths whose rows need no padding; odd widths do.
    for (int width : {1, 2, 3, 5, 7}) {
        SCOPED_TRACE(width);
        ImageHandle image = createImage(width, 3, 0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x)
                image->pixels[static_cast<std::size_t>(y) * width + x] =
                    0xFF000000u | static_cast<std::uint32_t>(x * 40) << 16 | static_cast<std::uint32_t>(y * 90) << 8 | 7u;
        const std::vector<unsigned char> bytes = encodeBmp(*image);
        const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        ASSERT_EQ(bytes.size(), 54 + rowBytes * 3);
        // The first stored row is the picture's bottom row: blue 7, green 180, red 0 at x = 0.
        EXPECT_EQ(bytes[54], 7);
        EXPECT_EQ(bytes[55], 180);
        EXPECT_EQ(bytes[56], 0);
        for (std::size_t pad = width * 3; pad < rowBytes; ++pad) EXPECT_EQ(bytes[54 + pad], 0);

        const fs::path file = scratchDir() / ("odd" + std::to_string(width) + ".bmp");
        ASSERT_TRUE(writeBmp(file.string(), *image));
        ImageHandle back = createImage(width, 3, 0x12345678u);
        ASSERT_TRUE(loadBitmap(file.string(), back.get()));
        EXPECT_EQ(back->pixels, image->pixels);
    }
    EXPECT_FALSE(writeBmp((scratchDir() / "no" / "such" / "dir.bmp").string(), *createImage(2, 2)));
}

TEST(PixelMaps, ParseRowsAndRefuseMistakes) {
    const PixelMap m = parseMap("\nK.1\n.W.\n\n", "ok");
    EXPECT_EQ(m.width, 3);
    EXPECT_EQ(m.height, 2);
    EXPECT_EQ(m.cells, "K.1.W.");
    EXPECT_THROW(parseMap("\nKK\nK\n", "ragged"), std::runtime_error);
    EXPECT_THROW(parseMap("\nK?\n", "unknown"), std::runtime_error);
    EXPECT_THROW(parseMap("\nKK\n\nKK\n", "gap"), std::runtime_error);
    EXPECT_THROW(parseMap("\n\n", "empty"), std::runtime_error);
}

TEST(PixelMaps, StampSkipsKeyAndBlankUsesSlotsAndMirrors) {
    const PixelMap m = parseMap("\nK.1\n 2W\n", "stamp");
    Slots s;
    s.colour[1] = pal::Red;
    s.colour[2] = pal::Blue;
    ImageHandle image = createImage(5, 4, pal::Key);
    stampMap(*image, 1, 1, m, s);
    EXPECT_EQ(at(*image, 1, 1), pal::Ink);
    EXPECT_EQ(at(*image, 2, 1), pal::Key);  // '.' leaves what was there
    EXPECT_EQ(at(*image, 3, 1), pal::Red);
    EXPECT_EQ(at(*image, 1, 2), pal::Key);  // ' ' too
    EXPECT_EQ(at(*image, 2, 2), pal::Blue);
    EXPECT_EQ(at(*image, 3, 2), pal::White);

    ImageHandle mirrored = createImage(3, 2, pal::Key);
    stampMap(*mirrored, 0, 0, m, s, true);
    EXPECT_EQ(at(*mirrored, 2, 0), pal::Ink);
    EXPECT_EQ(at(*mirrored, 0, 0), pal::Red);
    EXPECT_EQ(at(*mirrored, 0, 1), pal::White);

    // Partly outside the target: clipped, no fault.
    stampMap(*image, -2, 3, m, s);
    EXPECT_EQ(at(*image, 0, 3), pal::Red);
    // A digit without a colour is a fault in the map.
    EXPECT_THROW(stampMap(*image, 0, 0, m, Slots{}), std::runtime_error);
}

TEST(Paint, DitherCoversItsShareAndGrowsWithTheLevel) {
    for (int level = 0; level <= 16; ++level) {
        int on = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                on += ditherOn(x, y, level);
                // Every pixel on at one level stays on at every higher level.
                if (ditherOn(x, y, level) && level < 16) {
                    EXPECT_TRUE(ditherOn(x, y, level + 1));
                }
            }
        EXPECT_EQ(on, level);
    }
}

TEST(Paint, OutlineTouchesOnlyTheFourNeighbours) {
    ImageHandle image = createImage(5, 5, pal::Key);
    plot(*image, 2, 2, pal::Red);
    outlineOnKey(*image, pal::Ink);
    EXPECT_EQ(at(*image, 2, 2), pal::Red);
    for (auto [x, y] : {std::pair{1, 2}, {3, 2}, {2, 1}, {2, 3}}) EXPECT_EQ(at(*image, x, y), pal::Ink);
    for (auto [x, y] : {std::pair{1, 1}, {3, 3}, {0, 2}}) EXPECT_EQ(at(*image, x, y), pal::Key);
}

TEST(Palette, ThirtyTwoOpaqueDistinctColoursWithoutTheKey) {
    EXPECT_EQ(paletteSize(), 32);
    EXPECT_EQ(paletteSymbol('.'), pal::Key);
    EXPECT_FALSE(inPalette(pal::Key));
    std::set<std::uint32_t> seen;
    for (char c = 33; c < 127; ++c) {
        const std::uint32_t colour = paletteSymbol(c);
        if (colour == 0 || c == '.') continue;
        EXPECT_EQ(colour >> 24, 0xFFu);
        EXPECT_TRUE(inPalette(colour));
        seen.insert(colour);
    }
    EXPECT_EQ(seen.size(), 32u);
}

TEST(Pictures, AreDrawnOnlyInThePaletteAndTheKey) {
    const std::vector<Picture> pictures = buildPictures();
    ASSERT_EQ(pictures.size(), 81u);
    std::set<std::string> paths;
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.path);
        paths.insert(p.path);
        for (std::uint32_t c : p.image->pixels) ASSERT_TRUE(c == pal::Key || inPalette(c));
    }
    EXPECT_EQ(paths.size(), 81u);
}

TEST(Pictures, EachCarDriverAndGroundVariantIsItsOwn) {
    auto differ = [](const ImageHandle& a, const ImageHandle& b) { return a->pixels != b->pixels; };
    for (int i = 1; i <= 8; ++i)
        for (int j = i + 1; j <= 8; ++j) EXPECT_TRUE(differ(makeCar(i), makeCar(j))) << i << " " << j;
    for (int i = 1; i <= 13; ++i)
        for (int j = i + 1; j <= 13; ++j) EXPECT_TRUE(differ(makeDriver(i), makeDriver(j))) << i << " " << j;
    for (int s = 0; s < SeasonCount; ++s)
        for (int i = 0; i <= 5; ++i)
            for (int j = i + 1; j <= 5; ++j)
                EXPECT_TRUE(differ(makeTile(s, TileKind::Grass, i), makeTile(s, TileKind::Grass, j)));
}

// Fixed: the buggy was so tall that in the lesson menu, drawn twice the size centred at (80, 33),
// it covered the pupil's name. Picture pixel (x, y) covers canvas (48 + 2x, 1 + 2y) and the pixel
// after each: every car must stay inside the car frame (40, 16)-(120, 51), under the name and
// clear of the frame's lines. The player menu gives the car more room than that.
TEST(Pictures, EveryCarStaysInsideTheMenusCarFrame) {
    for (int n = 1; n <= 8; ++n) {
        const ImageHandle car = makeCar(n);
        int top = 32, bottom = -1, left = 32, right = -1;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (peek(*car, x, y) != pal::Key) {
                    top = std::min(top, y), bottom = std::max(bottom, y);
                    left = std::min(left, x), right = std::max(right, x);
                }
        EXPECT_GT(1 + 2 * top, 16) << "car " << n;
        EXPECT_LT(2 + 2 * bottom, 51) << "car " << n;
        EXPECT_GT(48 + 2 * left, 40) << "car " << n;
        EXPECT_LT(49 + 2 * right, 120) << "car " << n;
    }
}

TEST(Tiles, WaterColumnsJoinAndTheBanksFaceOutwards) {
    for (int s = 0; s < SeasonCount; ++s) {
        SCOPED_TRACE(s);
        ImageHandle first = makeTile(s, TileKind::WaterFirst, 0);
        ImageHandle inner = makeTile(s, TileKind::WaterInner, 0);
        ImageHandle last = makeTile(s, TileKind::WaterLast, 0);
        // The first column's bank is on its left and its right side is open water exactly as in
        // the inner columns; the last column mirrors that.
        int bankLeft = 0, bankRight = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (x >= 16) {
                    EXPECT_EQ(at(*first, x, y), at(*inner, x, y));
                } else {
                    EXPECT_EQ(at(*last, x, y), at(*inner, x, y));
                }
            }
            bankLeft += at(*first, 0, y) != at(*inner, 0, y);
            bankRight += at(*last, 31, y) != at(*inner, 31, y);
        }
        EXPECT_GT(bankLeft, 24);
        EXPECT_GT(bankRight, 24);
        // No water column has a hole for the track to show through.
        for (const ImageHandle* tile : {&first, &inner, &last})
            for (std::uint32_t c : (*tile)->pixels) EXPECT_NE(c, pal::Key);
    }
}

TEST(Tiles, LaneDashesRunOnAcrossTheRoad) {
    const std::uint32_t dashes[SeasonCount] = {pal::White, pal::White, pal::Yellow, pal::Orange};
    for (int s = 0; s < SeasonCount; ++s) {
        SCOPED_TRACE(s);
        ImageHandle road = makeTile(s, TileKind::Road, 0);
        for (int y : {0, 31}) {
            int dashPixels = 0;
            for (int x = 0; x < 32; ++x) {
                // Dashes of period 16 divide the 32-pixel tile, so they run on across tiles.
                const bool dash = at(*road, x, y) == dashes[s];
                dashPixels += dash;
                EXPECT_EQ(dash, at(*road, (x + 16) % 32, y) == dashes[s]);
            }
            EXPECT_EQ(dashPixels, 16);
        }
    }
}

// The race lays the start tile in two neighbouring columns of three lanes: its chequer must run
// on across every edge so that the six tiles make one band, not separate stripes.
TEST(Tiles, StartLineChequerJoinsAcrossTileEdges) {
    auto dark = [](std::uint32_t c) { return c == pal::Ink || c == pal::DarkGrey; };
    for (int s = 0; s < SeasonCount; ++s) {
        SCOPED_TRACE(s);
        ImageHandle start = makeTile(s, TileKind::StartLine, 0);
        int darkPixels = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                darkPixels += dark(at(*start, x, y));
                // Crossing any tile edge steps into the neighbouring square, as inside the tile.
                if (x == 0) {
                    EXPECT_NE(dark(at(*start, 0, y)), dark(at(*start, 31, y))) << y;
                }
                if (y == 0) {
                    EXPECT_NE(dark(at(*start, x, 0)), dark(at(*start, x, 31))) << x;
                }
            }
        EXPECT_EQ(darkPixels, 512);
    }
}

// Stacked in the three road rows, the bridge must not draw a rail along its top or bottom edge:
// its edge rows look like any row inside the deck.
TEST(Tiles, StackedBridgeTilesJoinIntoOneDeck) {
    for (int s = 0; s < SeasonCount; ++s) {
        SCOPED_TRACE(s);
        ImageHandle bridge = makeTile(s, TileKind::Bridge, 0);
        for (int edge : {0, 31}) {
            int alike = 0;
            for (int x = 0; x < 32; ++x) alike += at(*bridge, x, edge) == at(*bridge, x, edge == 0 ? 16 : 15);
            EXPECT_GE(alike, 26) << edge;
        }
    }
}

TEST(ContactSheet, WritesOnePngOfEveryPicture) {
    const std::vector<Picture> pictures = buildPictures();
    const fs::path file = scratchDir() / "sheet.png";
    ASSERT_TRUE(writeContactSheet(pictures, file.string()));
    std::ifstream in(file, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    EXPECT_GT(fs::file_size(file), 10000u);
    EXPECT_FALSE(writeContactSheet(pictures, (scratchDir() / "no" / "dir" / "sheet.png").string()));
    fs::remove_all(scratchDir());
}

}  // namespace
