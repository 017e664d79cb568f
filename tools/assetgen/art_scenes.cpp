// The large pictures: the four season scenes of the track menu, the splash with the game's title,
// and the two menu backgrounds.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "art.h"
#include "paint.h"
#include "palette.h"
#include "pixel_map.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Pieces shared by the scenes and the splash

// Sky or ground in flat bands of the given colours, top to bottom, with a dithered seam of
// `blend` rows between neighbouring bands (flat bands read calmer than a long dither).
void bands(Image& img, int x0, int y0, int x1, int y1, const std::vector<std::uint32_t>& colours, int blend) {
    const int n = static_cast<int>(colours.size());
    if (n == 0 || y1 < y0) return;
    const int span = y1 - y0 + 1;
    for (int y = y0; y <= y1; ++y) {
        const int pos = (y - y0) * n;  // in units of span / n
        const int band = std::min(pos / span, n - 1);
        // Distance in rows to the next seam below, for the blend into the next band.
        const int seam = y0 + (band + 1) * span / n;
        std::uint32_t base = colours[band];
        for (int x = x0; x <= x1; ++x) {
            std::uint32_t c = base;
            if (band + 1 < n && seam - y <= blend) {
                const int level = 16 * (blend - (seam - y) + 1) / (blend + 1);
                if (ditherOn(x, y, level)) c = colours[band + 1];
            }
            plot(img, x, y, c);
        }
    }
}

// A range of hills: the ground's top edge at column x is baseY minus a sum of two waves. The
// hills are flat colour with a lighter rim along their top.
void hills(Image& img, int baseY, double amp1, double period1, double amp2, double period2, double phase,
           std::uint32_t colour, std::uint32_t rim, int bottom) {
    for (int x = 0; x < img.width; ++x) {
        const double h = amp1 * std::sin((x + phase) * 2 * std::numbers::pi / period1) +
                         amp2 * std::sin((x + phase * 1.7) * 2 * std::numbers::pi / period2);
        const int top = baseY - static_cast<int>(std::lround(h));
        fillRect(img, x, std::max(top, 0), x, bottom, colour);
        plot(img, x, top, rim);
    }
}

void cloud(Image& img, int x, int y, int size, std::uint32_t colour, std::uint32_t shade) {
    fillEllipse(img, x + 0.5, y + size * 0.55, size * 1.6, size * 0.55, shade);
    fillEllipse(img, x + 0.5, y + size * 0.4, size * 1.5, size * 0.5, colour);
    fillEllipse(img, x - size * 0.6, y + size * 0.1, size * 0.7, size * 0.6, colour);
    fillEllipse(img, x + size * 0.4, y - size * 0.1, size * 0.8, size * 0.75, colour);
}

void sun(Image& img, int cx, int cy, int r) {
    fillEllipse(img, cx + 0.5, cy + 0.5, r + 1.2, r + 1.2, pal::Cream);
    fillEllipse(img, cx + 0.5, cy + 0.5, r, r, pal::Yellow);
    plot(img, cx - r / 2, cy - r / 2, pal::Cream);
    plot(img, cx - r / 2 + 1, cy - r / 2, pal::Cream);
    plot(img, cx - r / 2, cy - r / 2 + 1, pal::Cream);
}

// A fir: stacked triangles, lit from the left, optionally with snow on each tier's upper edge.
void pine(Image& img, int x, int baseY, int height, bool snowy) {
    fillRect(img, x, baseY - 1, x + 1, baseY, pal::DarkBrown);
    const int tiers = 3;
    const int tierHeight = (height - 2) / 2 + 1;
    for (int t = 0; t < tiers; ++t) {
        const int top = baseY - 2 - (height - 2) + t * (height - 2 - tierHeight) / (tiers - 1);
        const int widest = 2 + t + tierHeight / 2;
        for (int dy = 0; dy < tierHeight; ++dy) {
            const int half = (dy * widest) / tierHeight;
            for (int px = x - half; px <= x + 1 + half; ++px) {
                std::uint32_t c = px <= x ? pal::Green : pal::DarkGreen;
                if (snowy && dy == half / 2 + (px > x ? 1 : 0)) c = pal::White;
                if (snowy && dy == 0) c = pal::White;
                plot(img, px, top + dy, c);
            }
        }
    }
}

void leafyTree(Image& img, int x, int baseY, int size) {
    fillRect(img, x, baseY - size, x + 1, baseY, pal::Brown);
    plot(img, x + 1, baseY - size / 2, pal::DarkBrown);
    fillEllipse(img, x + 1.5, baseY - size - size * 0.3, size * 0.9, size * 0.75, pal::DarkGreen);
    fillEllipse(img, x + 0.8, baseY - size - size * 0.45, size * 0.75, size * 0.6, pal::Green);
    fillEllipse(img, x + 0.2, baseY - size - size * 0.65, size * 0.35, size * 0.3, pal::LightGreen);
}

// A saguaro: a trunk with one arm each side, lit from the left.
void cactus(Image& img, int x, int baseY, int height) {
    auto column = [&](int cx, int top, int bottom) {
        fillRect(img, cx, top, cx + 2, bottom, pal::Green);
        fillRect(img, cx, top + 1, cx, bottom, pal::LightGreen);
        fillRect(img, cx + 2, top + 1, cx + 2, bottom, pal::DarkGreen);
        plot(img, cx, top, pal::Green);
        plot(img, cx + 2, top, pal::DarkGreen);
    };
    column(x, baseY - height, baseY);
    const int leftArmY = baseY - height / 2, rightArmY = baseY - height * 2 / 3;
    column(x - 4, leftArmY - 5, leftArmY);
    fillRect(img, x - 2, leftArmY - 1, x - 1, leftArmY, pal::Green);
    fillRect(img, x - 2, leftArmY, x - 1, leftArmY, pal::DarkGreen);
    column(x + 4, rightArmY - 4, rightArmY);
    fillRect(img, x + 3, rightArmY - 1, x + 3, rightArmY, pal::DarkGreen);
    plot(img, x + 1, baseY + 1, pal::Tan);
}

void palm(Image& img, int x, int baseY, int height) {
    for (int i = 0; i <= height; ++i) {
        const int px = x + (i * i) / (height * 3);
        plot(img, px, baseY - i, i % 3 ? pal::Brown : pal::Tan);
        plot(img, px + 1, baseY - i, pal::DarkBrown);
    }
    const int tx = x + height / 3, ty = baseY - height;
    const int fronds[][2] = {{-7, 2}, {-5, -2}, {0, -3}, {5, -2}, {7, 3}, {-3, 4}, {4, 4}};
    for (const auto& f : fronds) {
        drawLine(img, tx, ty, tx + f[0], ty + f[1], pal::Green);
        drawLine(img, tx, ty + 1, tx + f[0], ty + f[1] + 1, pal::DarkGreen);
    }
    fillRect(img, tx - 1, ty, tx + 1, ty + 1, pal::DarkBrown);
}

// A side view of a small car for the scenes and the splash. '1' body, '2' shadow, '3' light.
const char* const SideCar = R"(
.......KKKKKK.......
......K3aaiaaK......
.....K31aaiaaaK.....
..KKK11111111113KK..
.K311111111111111yK.
KR1111111111111111K.
K2222KKK22222KKK222K
.KKKKDLDKKKKKDLDKKK.
....KKDKK...KKDKK...
.....KKK.....KKK....
)";

void sideCar(Image& img, int x, int y, std::uint32_t body, std::uint32_t shadow, std::uint32_t light) {
    Slots s;
    s.colour[1] = body;
    s.colour[2] = shadow;
    s.colour[3] = light;
    stampMap(img, x, y, parseMap(SideCar, "side car"), s);
}

// A road seen from the side: a grey band with a lighter kerb and dashes.
void roadBand(Image& img, int top, int bottom, std::uint32_t dash) {
    fillRect(img, 0, top, img.width - 1, bottom, pal::Grey);
    fillRect(img, 0, top, img.width - 1, top, pal::LightGrey);
    fillRect(img, 0, bottom, img.width - 1, bottom, pal::DarkGrey);
    const int mid = (top + bottom) / 2;
    for (int x = 0; x < img.width; ++x)
        if (x % 12 < 6) plot(img, x, mid, dash);
}

// ---------------------------------------------------------------------------------------------
// The four scenes of the track menu, 80 x 45

ImageHandle summerScene() {
    ImageHandle image = createImage(80, 45, pal::LightBlue);
    Image& s = *image;
    bands(s, 0, 0, 79, 26, {pal::LightBlue, pal::LightBlue, pal::Ice}, 2);
    sun(s, 64, 8, 5);
    cloud(s, 20, 7, 5, pal::White, pal::Ice);
    cloud(s, 44, 13, 3, pal::White, pal::Ice);
    hills(s, 23, 3, 60, 1.5, 23, 5, pal::Green, pal::LightGreen, 44);
    hills(s, 29, 2, 47, 1, 17, 31, pal::LightGreen, pal::Mint, 44);
    leafyTree(s, 10, 31, 5);
    leafyTree(s, 56, 30, 4);
    roadBand(s, 33, 40, pal::White);
    fillRect(s, 0, 41, 79, 44, pal::LightGreen);
    for (int x = 0; x < 80; x += 7) plot(s, x + 3, 42 + (x / 7) % 2, pal::Green);
    plot(s, 20, 43, pal::Red);
    plot(s, 47, 42, pal::Yellow);
    plot(s, 66, 43, pal::White);
    sideCar(s, 30, 29, pal::Red, pal::DarkRed, pal::Peach);
    return image;
}

// Mountains: a row of peaks, pale blue with white caps.
void mountains(Image& img, const std::vector<std::array<int, 3>>& peaks, int bottom) {
    for (const auto& p : peaks) {
        const int px = p[0], top = p[1], half = p[2];
        for (int y = top; y <= bottom; ++y) {
            const int w = (y - top) * half / std::max(1, bottom - top);
            for (int x = px - w; x <= px + w; ++x) {
                std::uint32_t c = x <= px ? pal::LightBlue : pal::Blue;
                if (y - top < 3 + ((x * 7) % 3)) c = x <= px ? pal::White : pal::Ice;
                plot(img, x, y, c);
            }
        }
    }
}

ImageHandle winterScene() {
    ImageHandle image = createImage(80, 45, pal::Ice);
    Image& s = *image;
    bands(s, 0, 0, 79, 24, {pal::PaleGrey, pal::Ice}, 3);
    mountains(s, {{{18, 6, 16}, {50, 3, 18}, {72, 9, 12}}}, 24);
    hills(s, 22, 2, 70, 1, 29, 12, pal::White, pal::White, 44);
    for (int x = 0; x < 80; ++x)
        for (int y = 23; y < 30; ++y)
            if (peek(s, x, y) == pal::White && ditherOn(x, y, 3)) plot(s, x, y, pal::Ice);
    pine(s, 7, 28, 13, true);
    pine(s, 17, 26, 10, true);
    pine(s, 63, 27, 12, true);
    pine(s, 72, 29, 9, true);
    roadBand(s, 33, 40, pal::White);
    for (int x = 0; x < 80; ++x)
        if (noiseBelow(x, 0, 51, 3) == 0) plot(s, x, 33, pal::White);
    fillRect(s, 0, 41, 79, 44, pal::White);
    sideCar(s, 30, 29, pal::Blue, pal::DarkBlue, pal::LightBlue);
    // Falling snow.
    for (int i = 0; i < 36; ++i) {
        const int x = noiseBelow(i, 1, 52, 80), y = noiseBelow(i, 2, 52, 30);
        if (peek(s, x, y) != pal::White) plot(s, x, y, pal::White);
    }
    return image;
}

ImageHandle desertScene() {
    ImageHandle image = createImage(80, 45, pal::LightBlue);
    Image& s = *image;
    bands(s, 0, 0, 79, 26, {pal::LightBlue, pal::Ice, pal::Cream}, 2);
    sun(s, 16, 9, 6);
    hills(s, 24, 3, 55, 1.5, 21, 40, pal::Sand, pal::Cream, 44);
    hills(s, 29, 1.5, 37, 1, 15, 9, pal::Tan, pal::Sand, 44);
    // The oasis: a pool with reeds and a palm.
    fillEllipse(s, 60.5, 30, 9, 2.2, pal::Teal);
    fillRect(s, 55, 29, 62, 29, pal::LightBlue);
    fillRect(s, 51, 29, 53, 29, pal::LightGreen);
    fillRect(s, 68, 30, 70, 30, pal::LightGreen);
    palm(s, 63, 30, 11);
    cactus(s, 14, 31, 11);
    roadBand(s, 33, 40, pal::Yellow);
    fillRect(s, 0, 41, 79, 44, pal::Sand);
    for (int x = 0; x < 80; ++x)
        if (noiseBelow(x, 42, 53, 5) == 0) plot(s, x, 42 + x % 3, pal::Tan);
    sideCar(s, 30, 29, pal::Yellow, pal::Orange, pal::Cream);
    return image;
}

ImageHandle volcanoScene() {
    ImageHandle image = createImage(80, 45, pal::DarkPurple);
    Image& s = *image;
    // A thin red glow low on the horizon, the rest of the sky night purple.
    bands(s, 0, 0, 79, 32, {pal::DarkPurple, pal::DarkPurple, pal::DarkPurple, pal::DarkPurple, pal::DarkPurple, pal::DarkRed}, 3);
    // The smoke plume.
    fillEllipse(s, 48, 7, 10, 4.5, pal::DarkGrey);
    fillEllipse(s, 38, 4, 7, 3.5, pal::DarkGrey);
    fillEllipse(s, 56, 3, 6, 3, pal::DarkGrey);
    fillEllipse(s, 46, 6, 7, 2.5, pal::Grey);
    // The cone: its sunlit flank and its shadowed flank.
    const int top = 13, foot = 34;
    auto halfAt = [&](int y) {
        const double t = (y - top) / double(foot - top);
        return static_cast<int>(5 + 30 * t * t * 0.7 + 9 * t);
    };
    for (int y = top; y <= foot; ++y) {
        const int half = halfAt(y);
        for (int x = 40 - half; x <= 41 + half; ++x) plot(s, x, y, x < 40 - half / 3 ? pal::DarkGrey : pal::Ink);
    }
    // The glowing crater and lava running down both flanks.
    fillRect(s, 36, top, 45, top, pal::Red);
    fillRect(s, 37, top - 1, 44, top - 1, pal::Orange);
    fillRect(s, 38, top - 2, 43, top - 2, pal::Yellow);
    const double streams[] = {-0.55, 0.15, 0.7};
    for (double lean : streams) {
        for (int y = top + 1; y <= foot; ++y) {
            const int half = halfAt(y);
            const int x = 40 + static_cast<int>(std::lround(lean * half + ((y / 3) % 2)));
            plot(s, x, y, y < top + 8 ? pal::Yellow : pal::Orange);
            plot(s, x + 1, y, pal::Red);
        }
    }
    // Sparks flung out of the crater.
    const int sparks[][2] = {{34, 8}, {47, 4}, {40, 6}, {52, 9}, {31, 11}, {44, 3}};
    for (const auto& p : sparks) plot(s, p[0], p[1], pal::Orange);
    plot(s, 40, 4, pal::Yellow);
    hills(s, 32, 1.5, 40, 1, 13, 8, pal::DarkGrey, pal::Grey, 44);
    roadBand(s, 33, 40, pal::Orange);
    fillRect(s, 0, 41, 79, 44, pal::DarkGrey);
    for (int x = 0; x < 80; ++x)
        if (noiseBelow(x, 43, 54, 6) == 0) plot(s, x, 42 + x % 3, pal::DarkRed);
    sideCar(s, 30, 29, pal::Orange, pal::DarkRed, pal::Yellow);
    return image;
}

// ---------------------------------------------------------------------------------------------
// The title, "Tally Rally", in block letters of its own, drawn at twice this size. '1' marks the
// letter; capitals stand 11 rows tall, small letters 8 on the same base line, y hangs 3 below.

const char* const LetterT = R"(
111111111
111111111
...111...
...111...
...111...
...111...
...111...
...111...
...111...
...111...
...111...
)";
const char* const LetterR = R"(
1111111..
11111111.
111...111
111...111
111..111.
1111111..
111111...
111.111..
111..111.
111...111
111...111
)";
const char* const LetterA = R"(
1111111.
11111111
.....111
.1111111
11111111
111..111
11111111
.1111111
)";
const char* const LetterL = R"(
111
111
111
111
111
111
111
111
111
111
111
)";
const char* const LetterY = R"(
111..111
111..111
111..111
111..111
111..111
11111111
.1111111
.....111
.....111
11111111
1111111.
)";

// The title on the key, outlined, with a drop shadow: a picture to lay over others.
ImageHandle titleLayer() {
    struct Glyph {
        const char* map;
        int top;  // row of the glyph's first line, from the cap line
    };
    const Glyph T{LetterT, 0}, R{LetterR, 0}, a{LetterA, 3}, l{LetterL, 0}, y{LetterY, 3};
    const Glyph* word[] = {&T, &a, &l, &l, &y, nullptr, &R, &a, &l, &l, &y};
    // The letters at their drawn size, on the key.
    ImageHandle small = createImage(80, 14, pal::Key);
    Slots s;
    s.colour[1] = pal::Yellow;
    int x = 0;
    for (const Glyph* g : word) {
        if (!g) {
            x += 4;
            continue;
        }
        const PixelMap m = parseMap(g->map, "title letter");
        stampMap(*small, x, g->top, m, s);
        x += m.width + 1;
    }
    const int width = (x - 1) * 2 + 4, height = 14 * 2 + 4;
    ImageHandle face = createImage(width, height, pal::Key);
    ImageHandle big = enlarge(*small, 2);
    putImage(face.get(), 1, 1, big.get(), PutMode::Transparent);
    // Light from above: the top of each capital pale, the lower half orange, dithered between.
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            std::uint32_t& p = face->pixels[static_cast<std::size_t>(py) * width + px];
            if (p != pal::Yellow) continue;
            const int row = py - 1;  // 0 at the cap line
            if (row < 3 || (row >= 6 && row < 8)) p = pal::Cream;
            else if (row >= 17 && (row >= 21 || ditherOn(px, py, 8))) p = pal::Orange;
        }
    outlineOnKey(*face, pal::Ink);
    ImageHandle layer = createImage(width + 2, height + 2, pal::Key);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (peek(*face, px, py) != pal::Key) {
                plot(*layer, px + 2, py + 2, pal::DarkRed);
                plot(*layer, px + 1, py + 1, pal::DarkRed);
            }
    putImage(layer.get(), 0, 0, face.get(), PutMode::Transparent);
    return layer;
}

// Maths signs floating like balloons on strings.
void balloon(Image& img, int x, int y, std::uint32_t colour, std::uint32_t shade, const char* sign) {
    drawLine(img, x, y + 6, x - 1, y + 13, pal::LightGrey);
    fillEllipse(img, x + 0.5, y + 0.5, 5, 6, shade);
    fillEllipse(img, x, y, 4.5, 5.5, colour);
    plot(img, x - 2, y - 3, pal::White);
    plot(img, x - 3, y - 2, pal::White);
    drawText(&img, x - 3, y - 4, sign, pal::White);
}

}  // namespace

ImageHandle makeScene(int season) {
    switch (season) {
        case 1:
            return winterScene();
        case 2:
            return desertScene();
        case 3:
            return volcanoScene();
        default:
            return summerScene();
    }
}

ImageHandle makeSplash() {
    // Only the upper-left 160 x 90 is shown (doubled); the rest continues the landscape.
    ImageHandle image = createImage(320, 180, pal::LightBlue);
    Image& s = *image;
    bands(s, 0, 0, 319, 62, {pal::Blue, pal::LightBlue, pal::LightBlue, pal::Ice}, 3);
    sun(s, 146, 52, 7);
    cloud(s, 18, 44, 4, pal::White, pal::Ice);
    cloud(s, 104, 41, 4, pal::White, pal::Ice);
    cloud(s, 220, 34, 6, pal::White, pal::Ice);
    hills(s, 59, 4, 90, 2, 37, 10, pal::Green, pal::LightGreen, 179);
    hills(s, 67, 3, 70, 1.5, 29, 50, pal::LightGreen, pal::Mint, 179);
    leafyTree(s, 12, 68, 6);
    leafyTree(s, 110, 67, 5);
    leafyTree(s, 200, 68, 6);
    balloon(s, 34, 46, pal::Red, pal::DarkRed, "+");
    balloon(s, 56, 51, pal::Blue, pal::DarkBlue, "-");
    balloon(s, 80, 45, pal::Purple, pal::DarkPurple, "x");
    balloon(s, 130, 50, pal::Teal, pal::DarkGreen, "\xF6");
    roadBand(s, 73, 85, pal::White);
    // The finish line across the road.
    for (int y = 74; y <= 84; ++y)
        for (int x = 122; x <= 127; ++x) plot(s, x, y, ((x - 122) / 3 + (y - 74) / 3) % 2 ? pal::Ink : pal::White);
    sideCar(s, 94, 67, pal::Red, pal::DarkRed, pal::Peach);
    sideCar(s, 60, 71, pal::Blue, pal::DarkBlue, pal::LightBlue);
    sideCar(s, 24, 69, pal::Yellow, pal::Orange, pal::Cream);
    fillRect(s, 0, 86, 319, 179, pal::LightGreen);
    for (int y = 86; y < 180; ++y)
        for (int x = 0; x < 320; ++x)
            if (noiseBelow(x, y, 61, 100) < 6) plot(s, x, y, pal::Green);
    // Below the road, out of the splash screen's view: a fence, a pond and a meadow, so the
    // picture stays a whole landscape for anyone who opens the file.
    for (int x = 0; x < 320; ++x) {
        plot(s, x, 93, pal::Tan);
        plot(s, x, 96, pal::Tan);
        if (x % 10 == 4) fillRect(s, x, 91, x + 1, 99, pal::Brown);
    }
    fillEllipse(s, 236, 134, 34, 11, pal::Tan);
    fillEllipse(s, 236, 134, 31, 9, pal::Blue);
    fillEllipse(s, 230, 131, 14, 3, pal::LightBlue);
    fillRect(s, 222, 131, 238, 131, pal::Blue);
    for (int y = 100; y < 180; ++y)
        for (int x = 0; x < 320; ++x) {
            if (x > 196 && x < 276 && y > 120 && y < 148) continue;
            const int n = noiseBelow(x, y, 62, 1000);
            if (n < 4) plot(s, x, y, pal::White);
            else if (n < 7) plot(s, x, y, pal::Yellow);
            else if (n < 9) plot(s, x, y, pal::Red);
        }
    leafyTree(s, 40, 140, 7);
    leafyTree(s, 150, 128, 6);
    leafyTree(s, 296, 166, 7);
    leafyTree(s, 92, 174, 5);
    ImageHandle title = titleLayer();
    putImage(&s, (160 - title->width) / 2, 3, title.get(), PutMode::Transparent);
    return image;
}

ImageHandle makeBack() {
    // Warm paper with faint diagonal bands, a chequered edge at the top. Every place where the
    // lesson menu and the results write stays pale.
    ImageHandle image = createImage(320, 180, pal::Cream);
    Image& b = *image;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 320; ++x)
            if (((x + y) / 12) % 2 == 0 && ditherOn(x, y, 3)) plot(b, x, y, pal::White);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 320; ++x) plot(b, x, y, ((x / 2) + (y / 2)) % 2 ? pal::Sand : pal::White);
    fillRect(b, 0, 4, 319, 4, pal::Sand);
    fillRect(b, 0, 179, 319, 179, pal::Sand);
    return image;
}

ImageHandle makeBack2() {
    // Squared exercise-book paper: a pale blue grid, a margin line and punched holes along the
    // top, all light enough for the black menu texts.
    ImageHandle image = createImage(320, 180, pal::White);
    Image& b = *image;
    for (int y = 6; y < 180; ++y)
        for (int x = 0; x < 320; ++x)
            if (x % 8 == 3 || y % 8 == 3) plot(b, x, y, pal::Ice);
    fillRect(b, 4, 6, 4, 179, pal::Pink);
    for (int x = 12; x < 320; x += 16) {
        fillRect(b, x, 1, x + 3, 3, pal::PaleGrey);
        fillRect(b, x + 1, 0, x + 2, 4, pal::PaleGrey);
        fillRect(b, x + 1, 1, x + 2, 3, pal::LightGrey);
    }
    fillRect(b, 0, 5, 319, 5, pal::PaleGrey);
    return image;
}
