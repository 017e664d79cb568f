// Drawing services: rounding of positions, the three putImage modes, boxes and 8 x 8 text.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>

#include "present/font8x8.h"
#include "present/image.h"

namespace {

std::uint32_t at(const ImageHandle& image, int x, int y) { return image->pixels[y * image->width + x]; }

TEST(Drawing, PositionsRoundHalfAwayFromZero) {
    EXPECT_EQ(roundPosition(2.5), 3);
    EXPECT_EQ(roundPosition(-2.5), -3);
    EXPECT_EQ(roundPosition(2.49), 2);
    EXPECT_EQ(roundPosition(-0.4), 0);
    EXPECT_EQ(roundPosition(1e300), 1000000000);  // far away, not undefined
}

TEST(Drawing, CreateImageFillsAndDefaultsToOpaqueMagenta) {
    auto image = createImage(3, 2);
    EXPECT_EQ(image->pitch, 12);
    for (auto p : image->pixels) EXPECT_EQ(p, 0xFFFF00FFu);
    auto black = createImage(2, 2, 0xFF000000u);
    EXPECT_EQ(at(black, 1, 1), 0xFF000000u);
    EXPECT_EQ(imageInfo(black.get()).bytesPerPixel, 4);
    EXPECT_EQ(imageInfo(nullptr).pixels, nullptr);
}

TEST(Drawing, PutImageModes) {
    auto source = createImage(2, 1, 0xFF112233u);
    source->pixels[1] = 0x00FF00FFu;  // key colour with another alpha still counts as key
    auto target = createImage(4, 2, 0xFF000000u);

    putImage(target.get(), 0, 0, source.get(), PutMode::Transparent);
    EXPECT_EQ(at(target, 0, 0), 0xFF112233u);
    EXPECT_EQ(at(target, 1, 0), 0xFF000000u);

    putImage(target.get(), 2.5, 0.4, source.get(), PutMode::Copy);  // x rounds to 3, y to 0
    EXPECT_EQ(at(target, 2, 0), 0xFF000000u);
    EXPECT_EQ(at(target, 3, 0), 0xFF112233u);  // second source pixel is clipped away
}

TEST(Drawing, BlendArithmetic) {
    auto source = createImage(1, 1, 0xFFC86432u);  // r 200, g 100, b 50
    auto target = createImage(1, 1, 0xFF0A1478u);  // r 10, g 20, b 120
    putImage(target.get(), 0, 0, source.get(), PutMode::Blend, 100);
    // d + ((s - d) * 101) / 256, rounded down (towards minus infinity for negative differences).
    const int r = 10 + ((200 - 10) * 101 >> 8);
    const int g = 20 + ((100 - 20) * 101 >> 8);
    const int b = 120 + ((50 - 120) * 101 >> 8);  // -27.6 -> -28
    EXPECT_EQ(b, 92);
    EXPECT_EQ(at(target, 0, 0), 0xFF000000u | (r << 16) | (g << 8) | b);

    auto exact = createImage(1, 1, 0xFF0A1478u);
    putImage(exact.get(), 0, 0, source.get(), PutMode::Blend, 255);
    EXPECT_EQ(at(exact, 0, 0), 0xFFC86432u);

    auto untouched = createImage(1, 1, 0xFF0A1478u);
    putImage(untouched.get(), 0, 0, source.get(), PutMode::Blend, 0);
    EXPECT_EQ(at(untouched, 0, 0), 0xFF0A1478u);

    auto keyed = createImage(1, 1);  // magenta fill is skipped by Blend
    putImage(untouched.get(), 0, 0, keyed.get(), PutMode::Blend, 255);
    EXPECT_EQ(at(untouched, 0, 0), 0xFF0A1478u);
}

TEST(Drawing, PutImageFarOutsideIsHarmless) {
    auto source = createImage(8, 8, 0xFFFFFFFFu);
    auto target = createImage(4, 4, 0xFF000000u);
    putImage(target.get(), -8, 0, source.get(), PutMode::Copy);
    putImage(target.get(), 4, 4, source.get(), PutMode::Copy);
    putImage(target.get(), -1e12, 1e12, source.get(), PutMode::Copy);
    putImage(nullptr, 0, 0, source.get(), PutMode::Copy);
    for (auto p : target->pixels) EXPECT_EQ(p, 0xFF000000u);
    putImage(target.get(), -6, -6, source.get(), PutMode::Copy);
    EXPECT_EQ(at(target, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 2, 2), 0xFF000000u);
}

TEST(Drawing, BoxesIncludeBothCornersInEitherOrder) {
    auto target = createImage(6, 6, 0xFF000000u);
    drawBox(target.get(), 4, 4, 1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 4, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 2, 2), 0xFF000000u);  // outline only
    EXPECT_EQ(at(target, 5, 5), 0xFF000000u);

    fillBox(target.get(), -3, -3, 2.5, 1.2, 0xFF00FF00u);  // clipped; 2.5 -> 3, 1.2 -> 1
    EXPECT_EQ(at(target, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(at(target, 3, 1), 0xFF00FF00u);
    EXPECT_EQ(at(target, 4, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 3, 2), 0xFF000000u);
}

// Boxes beside, across and far past every edge of a 320 x 180 canvas: each pixel must be what the
// rectangle says, and nothing may land outside the canvas (the sanitizers watch the writes).
TEST(Drawing, BoxesPastEveryEdgeClipToTheCanvas) {
    struct Box {
        double x1, y1, x2, y2;
    };
    const Box boxes[] = {
        // Wholly beside each edge, touching it from outside, and far away.
        {-10, 5, -5, 10}, {-2, 5, -2, 10}, {-1, 5, -1, 10}, {-50, 5, -5, 10}, {-1e12, 5, -1e9, 10},
        {400, 5, 410, 10}, {320, 5, 320, 10}, {330, 5, 400, 10}, {1e9, 5, 1e12, 10},
        {5, -10, 10, -5}, {5, -2, 10, -2}, {5, -1e9, 10, -1e9},
        {5, 180, 10, 190}, {5, 181, 10, 181}, {5, 1e9, 10, 1e12},
        {-1e9, -1e9, -1e9, -1e9}, {1e9, 1e9, 1e9, 1e9},
        // Partly off one side, and across the whole canvas.
        {-20, 5, 10, 10}, {310, 5, 330, 10}, {5, -20, 10, 3}, {5, 170, 10, 200},
        {319, 179, 1e9, 1e9}, {-1e9, -1e9, 0, 0}, {-5, -5, 330, 190},
        {-1e9, 5, 1e9, 10}, {5, -1e9, 10, 1e9}, {-1e9, -1e9, 1e9, 1e9},
    };
    constexpr std::uint32_t Paper = 0xFF000000u, Ink = 0xFFFFFFFFu;
    for (const Box& b : boxes) {
        for (const bool filled : {false, true}) {
            SCOPED_TRACE(testing::Message() << (filled ? "fillBox(" : "drawBox(") << b.x1 << ", " << b.y1
                                            << ", " << b.x2 << ", " << b.y2 << ")");
            auto target = createImage(320, 180, Paper);
            if (filled) fillBox(target.get(), b.x1, b.y1, b.x2, b.y2, Ink);
            else drawBox(target.get(), b.x1, b.y1, b.x2, b.y2, Ink);
            const long long left = roundPosition(std::min(b.x1, b.x2)), right = roundPosition(std::max(b.x1, b.x2));
            const long long top = roundPosition(std::min(b.y1, b.y2)), bottom = roundPosition(std::max(b.y1, b.y2));
            int wrong = 0;
            for (int y = 0; y < 180; ++y)
                for (int x = 0; x < 320; ++x) {
                    const bool inside = x >= left && x <= right && y >= top && y <= bottom;
                    const bool edge = x == left || x == right || y == top || y == bottom;
                    wrong += at(target, x, y) != ((inside && (filled || edge)) ? Ink : Paper);
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(Drawing, TextWritesOnlyGlyphPixels) {
    auto target = createImage(24, 8, 0xFF123456u);
    const std::string text = "A\xF6";
    drawText(target.get(), 0, 0, text, 0xFF000000u);
    int set = 0;
    for (int cell = 0; cell < 2; ++cell)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool on = Font8x8[static_cast<unsigned char>(text[cell])][y] & (0x80 >> x);
                EXPECT_EQ(at(target, cell * 8 + x, y), on ? 0xFF000000u : 0xFF123456u);
                set += on;
            }
    EXPECT_GT(set, 10);
    for (int y = 0; y < 8; ++y)
        for (int x = 16; x < 24; ++x) EXPECT_EQ(at(target, x, y), 0xFF123456u);
    drawText(target.get(), -20, -3, std::string(100, '\xDB'), 0xFFFFFFFFu);  // clipped, no crash
    EXPECT_EQ(at(target, 23, 4), 0xFFFFFFFFu);
    EXPECT_EQ(at(target, 23, 5), 0xFF123456u);
}

TEST(Drawing, FontCoversTheWholeCodePage) {
    // The division sign: a bar with a dot above and below.
    EXPECT_EQ(Font8x8[246][3], 0x7E);
    EXPECT_NE(Font8x8[246][1], 0);
    EXPECT_NE(Font8x8[246][5], 0);
    int blank = 0;
    for (int c = 0; c < 256; ++c) {
        int bits = 0;
        for (int y = 0; y < 8; ++y) bits |= Font8x8[c][y];
        blank += bits == 0;
    }
    EXPECT_EQ(blank, 3);  // 0, 32 and 255 (non-breaking space) are the only empty glyphs
}

// Look-alikes must not stand in for one another: a double-line frame drawn with single lines, or
// alpha drawn as sharp s, would say something else on screen.
TEST(Drawing, EveryCharacterHasAGlyphOfItsOwn) {
    const auto glyph = [](int c) { return std::string(reinterpret_cast<const char*>(Font8x8[c]), 8); };
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b) {
            const bool blank = (a == 0 || a == 32) && (b == 32 || b == 255);
            if (blank) continue;
            EXPECT_NE(glyph(a), glyph(b)) << a << " and " << b << " share a glyph";
        }

    const auto rowsOf = [](int c, std::uint8_t row) {
        int count = 0;
        for (int y = 0; y < 8; ++y) count += Font8x8[c][y] == row;
        return count;
    };
    EXPECT_EQ(rowsOf(205, 0xFF), 2);  // two horizontal lines ...
    EXPECT_EQ(rowsOf(205, 0x00), 6);  // ... and nothing else
    EXPECT_EQ(rowsOf(196, 0xFF), 1);
    EXPECT_EQ(rowsOf(186, Font8x8[186][0]), 8);  // two vertical lines from top to bottom
    EXPECT_EQ(std::popcount(Font8x8[186][0]), 4);
    EXPECT_NE(Font8x8[186][0] & 0x18, 0x18);  // apart, not the single line's two columns
    EXPECT_EQ(rowsOf(179, 0x18), 8);
    // A double corner joins the double lines it meets: its outer lines are theirs.
    EXPECT_EQ(Font8x8[201][7], Font8x8[186][0]);
    EXPECT_EQ(Font8x8[201][2] & 0x0F, 0x0F);
    EXPECT_EQ(Font8x8[201][4] & 0x0F, 0x07);

    // 30 points up and 31 down: each row at least as wide as the one above, or below.
    const auto widthOf = [](int c, int y) { return std::popcount(Font8x8[c][y]); };
    for (int y = 1; y < 8; ++y) {
        if (Font8x8[30][y] == 0 || Font8x8[30][y - 1] == 0) continue;
        EXPECT_GE(widthOf(30, y), widthOf(30, y - 1)) << "row " << y;
    }
    for (int y = 1; y < 8; ++y) {
        if (Font8x8[31][y] == 0 || Font8x8[31][y - 1] == 0) continue;
        EXPECT_LE(widthOf(31, y), widthOf(31, y - 1)) << "row " << y;
    }
    EXPECT_NE(std::string(reinterpret_cast<const char*>(Font8x8[30]), 8), glyph(24));  // not the arrow up
}

}  // namespace
