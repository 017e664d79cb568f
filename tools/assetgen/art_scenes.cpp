// The large pictures: the four season scenes of the track menu, the splash with the game's title,
// and the two menu backgrounds.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"
#include "paint.h"
#include "palette.h"
#include "pixel_map.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Pieces shared by the scenes and the splash

// A range of hills: the ground's top edge at column x is baseY minus a sum of two waves.
void hills(Image& img, int baseY, double amp1, double period1, double amp2, double period2, double phase,
           std::uint32_t colour, std::uint32_t shade, int bottom) {
    for (int x = 0; x < img.width; ++x) {
        const double h = amp1 * std::sin((x + phase) * 2 * M_PI / period1) +
                         amp2 * std::sin((x + phase * 1.7) * 2 * M_PI / period2);
        const int top = baseY - static_cast<int>(std::lround(h));
        const double slope = amp1 * std::cos((x + phase) * 2 * M_PI / period1);
        for (int y = std::max(top, 0); y <= bottom; ++y) {
            // The slopes facing away from the light (the sun is up and left) are shaded.
            const bool shaded = slope > 0 && ditherOn(x, y, std::min(12, static_cast<int>(slope * 3)));
            plot(img, x, y, shaded ? shade : colour);
        }
        plot(img, x, top, shade == colour ? colour : colour);
    }
}

void cloud(Image& img, int x, int y, int size, std::uint32_t colour, std::uint32_t shade) {
    fillEllipse(img, x + 0.5, y + size * 0.55, size * 1.6, size * 0.55, shade);
    fillEllipse(img, x + 0.5, y + size * 0.4, size * 1.5, size * 0.5, colour);
    fillEllipse(img, x - size * 0.6, y + size * 0.1, size * 0.7, size * 0.6, colour);
    fillEllipse(img, x + size * 0.4, y - size * 0.1, size * 0.8, size * 0.75, colour);
}

void sun(Image& img, int cx, int cy, int r) {
    fillEllipse(img, cx + 0.5, cy + 0.5, r + 2, r + 2, pal::Cream);
    fillEllipse(img, cx + 0.5, cy + 0.5, r, r, pal::Yellow);
    fillEllipse(img, cx - r * 0.25 + 0.5, cy - r * 0.25 + 0.5, r * 0.45, r * 0.45, pal::Cream);
}

void pine(Image& img, int x, int baseY, int height, bool snowy) {
    fillRect(img, x, baseY - 2, x + 1, baseY, pal::DarkBrown);
    const int tiers = 3;
    for (int t = 0; t < tiers; ++t) {
        const int top = baseY - 2 - height + t * height / 4;
        const int h = height / 2;
        for (int dy = 0; dy <= h; ++dy) {
            const int half = dy * (height / 3 + 1 - t) / h;
            fillRect(img, x - half, top + dy, x + 1 + half, top + dy, pal::DarkGreen);
            plot(img, x + 1 + half, top + dy, pal::Ink);
            if (snowy && dy >= h - 1) fillRect(img, x - half, top + dy, x + half / 2, top + dy, pal::White);
            if (!snowy && dy > 0) plot(img, x - half, top + dy, pal::Green);
        }
        if (snowy) plot(img, x, top, pal::White);
    }
}

void leafyTree(Image& img, int x, int baseY, int size) {
    fillRect(img, x, baseY - size, x + 1, baseY, pal::Brown);
    plot(img, x + 1, baseY - size / 2, pal::DarkBrown);
    fillEllipse(img, x + 1.5, baseY - size - size * 0.3, size * 0.9, size * 0.75, pal::DarkGreen);
    fillEllipse(img, x + 0.8, baseY - size - size * 0.45, size * 0.75, size * 0.6, pal::Green);
    fillEllipse(img, x + 0.2, baseY - size - size * 0.65, size * 0.35, size * 0.3, pal::LightGreen);
}

void cactus(Image& img, int x, int baseY, int height) {
    fillRect(img, x, baseY - height, x + 2, baseY, pal::Green);
    fillRect(img, x + 2, baseY - height, x + 2, baseY, pal::DarkGreen);
    plot(img, x, baseY - height, pal::LightGreen);
    fillRect(img, x - 3, baseY - height * 2 / 3, x - 1, baseY - height / 3, pal::Green);
    fillRect(img, x - 3, baseY - height / 3, x, baseY - height / 3 + 1, pal::Green);
    fillRect(img, x + 3, baseY - height / 2 - 3, x + 5, baseY - height / 4, pal::DarkGreen);
    fillRect(img, x + 3, baseY - height / 4, x + 3, baseY - height / 4 + 1, pal::DarkGreen);
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
    gradientRows(s, 0, 0, 79, 24, {pal::LightBlue, pal::LightBlue, pal::Ice});
    sun(s, 64, 8, 5);
    cloud(s, 20, 7, 5, pal::White, pal::Ice);
    cloud(s, 44, 13, 3, pal::White, pal::Ice);
    hills(s, 24, 3, 60, 1.5, 23, 5, pal::Green, pal::DarkGreen, 44);
    hills(s, 29, 2, 47, 1, 17, 31, pal::LightGreen, pal::Green, 44);
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

ImageHandle winterScene() {
    ImageHandle image = createImage(80, 45, pal::Ice);
    Image& s = *image;
    gradientRows(s, 0, 0, 79, 24, {pal::LightGrey, pal::PaleGrey, pal::Ice});
    hills(s, 21, 4, 70, 2, 29, 12, pal::White, pal::PaleGrey, 44);
    pine(s, 8, 27, 12, true);
    pine(s, 17, 25, 9, true);
    pine(s, 64, 26, 11, true);
    pine(s, 72, 28, 8, true);
    hills(s, 30, 1.5, 50, 1, 19, 3, pal::White, pal::Ice, 44);
    roadBand(s, 33, 40, pal::White);
    for (int x = 0; x < 80; ++x)
        if (noiseBelow(x, 0, 51, 3) == 0) plot(s, x, 33, pal::White);
    fillRect(s, 0, 41, 79, 44, pal::White);
    for (int x = 0; x < 80; ++x)
        if (ditherOn(x, 41, 6)) plot(s, x, 41, pal::PaleGrey);
    sideCar(s, 30, 29, pal::Blue, pal::DarkBlue, pal::LightBlue);
    // Falling snow.
    for (int i = 0; i < 40; ++i) plot(s, noiseBelow(i, 1, 52, 80), noiseBelow(i, 2, 52, 33), pal::White);
    return image;
}

ImageHandle desertScene() {
    ImageHandle image = createImage(80, 45, pal::LightBlue);
    Image& s = *image;
    gradientRows(s, 0, 0, 79, 26, {pal::LightBlue, pal::Ice, pal::Cream});
    sun(s, 16, 9, 6);
    hills(s, 24, 3, 55, 1.5, 21, 40, pal::Sand, pal::Tan, 44);
    // The oasis: a pool with a palm.
    fillEllipse(s, 60.5, 29.5, 9, 2.2, pal::Teal);
    fillEllipse(s, 59.5, 29, 6, 1.2, pal::LightBlue);
    fillRect(s, 51, 28, 53, 28, pal::LightGreen);
    fillRect(s, 67, 29, 69, 29, pal::LightGreen);
    palm(s, 63, 29, 11);
    cactus(s, 12, 31, 9);
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
    gradientRows(s, 0, 0, 79, 28, {pal::DarkPurple, pal::DarkPurple, pal::DarkRed});
    // Smoke.
    fillEllipse(s, 45, 6, 9, 4, pal::DarkGrey);
    fillEllipse(s, 36, 4, 6, 3, pal::DarkGrey);
    fillEllipse(s, 44, 5, 6, 2.5, pal::Grey);
    // The cone.
    for (int y = 10; y <= 33; ++y) {
        const int half = 4 + (y - 10) * 3 / 2;
        for (int x = 40 - half; x <= 40 + half; ++x) {
            const bool lit = x < 40 - half / 3;
            plot(s, x, y, lit ? pal::DarkGrey : pal::Ink);
        }
    }
    // Crater glow and lava running down.
    fillRect(s, 37, 10, 43, 10, pal::Orange);
    fillRect(s, 38, 9, 42, 9, pal::Yellow);
    const int flows[][2] = {{39, -1}, {42, 1}};
    for (const auto& f : flows) {
        int x = f[0];
        for (int y = 11; y <= 32; ++y) {
            if (y % 4 == 0) x += f[1];
            plot(s, x, y, y < 18 ? pal::Yellow : pal::Orange);
            plot(s, x + 1, y, pal::Red);
        }
    }
    // Sparks.
    const int sparks[][2] = {{34, 6}, {47, 3}, {40, 2}, {51, 7}, {30, 9}};
    for (const auto& p : sparks) plot(s, p[0], p[1], pal::Orange);
    hills(s, 31, 1.5, 40, 1, 13, 8, pal::DarkGrey, pal::Ink, 44);
    roadBand(s, 33, 40, pal::Orange);
    fillRect(s, 0, 41, 79, 44, pal::DarkGrey);
    for (int x = 0; x < 80; ++x)
        if (noiseBelow(x, 43, 54, 6) == 0) plot(s, x, 42 + x % 3, pal::DarkRed);
    sideCar(s, 30, 29, pal::Orange, pal::DarkRed, pal::Yellow);
    return image;
}

// ---------------------------------------------------------------------------------------------
// The title, "Tally Rally", in block letters of its own. '1' letter face.

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
const char* const LetterA = R"(
..11111..
.1111111.
111...111
111...111
111...111
111111111
111111111
111...111
111...111
111...111
111...111
)";
const char* const LetterL = R"(
111......
111......
111......
111......
111......
111......
111......
111......
111......
11111111.
11111111.
)";
const char* const LetterY = R"(
111...111
111...111
111...111
111...111
.111.111.
..11111..
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

// The title's letters on the key, outlined, with a drop shadow: a picture to lay over others.
ImageHandle titleLayer() {
    const char* word[] = {LetterT, LetterA, LetterL, LetterL, LetterY, nullptr,
                          LetterR, LetterA, LetterL, LetterL, LetterY};
    const int width = 10 * 10 + 6 + 4, height = 11 + 5;
    ImageHandle face = createImage(width, height, pal::Key);
    int x = 1;
    Slots s;
    s.colour[1] = pal::Yellow;
    for (const char* letter : word) {
        if (!letter) {
            x += 6;
            continue;
        }
        const PixelMap m = parseMap(letter, "title letter");
        stampMap(*face, x, 1, m, s);
        x += m.width + 1;
    }
    // Light from above: the upper rows pale, the lower rows orange, dithered between.
    for (int y = 0; y < height; ++y)
        for (int px = 0; px < width; ++px) {
            std::uint32_t& p = face->pixels[static_cast<std::size_t>(y) * width + px];
            if (p != pal::Yellow) continue;
            if (y <= 2) p = pal::Cream;
            else if (y >= 8 && (y >= 10 || ditherOn(px, y, 8))) p = pal::Orange;
        }
    outlineOnKey(*face, pal::Ink);
    ImageHandle layer = createImage(width, height, pal::Key);
    // Shadow: the outlined letters moved down and right, in dark red.
    for (int y = 0; y < height; ++y)
        for (int px = 0; px < width; ++px)
            if (peek(*face, px, y) != pal::Key) {
                plot(*layer, px + 2, y + 2, pal::DarkRed);
                plot(*layer, px + 1, y + 1, pal::DarkRed);
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
    gradientRows(s, 0, 0, 319, 52, {pal::Blue, pal::LightBlue, pal::LightBlue, pal::Ice});
    sun(s, 140, 36, 7);
    cloud(s, 22, 40, 5, pal::White, pal::Ice);
    cloud(s, 108, 28, 4, pal::White, pal::Ice);
    cloud(s, 220, 30, 6, pal::White, pal::Ice);
    hills(s, 54, 4, 90, 2, 37, 10, pal::Green, pal::DarkGreen, 179);
    hills(s, 62, 3, 70, 1.5, 29, 50, pal::LightGreen, pal::Green, 179);
    leafyTree(s, 14, 63, 6);
    leafyTree(s, 118, 62, 5);
    leafyTree(s, 200, 63, 6);
    balloon(s, 40, 32, pal::Red, pal::DarkRed, "+");
    balloon(s, 62, 38, pal::Blue, pal::DarkBlue, "-");
    balloon(s, 86, 33, pal::Purple, pal::DarkPurple, "x");
    balloon(s, 130, 54, pal::Teal, pal::DarkGreen, "\xF6");
    roadBand(s, 68, 80, pal::White);
    // The finish line across the road.
    for (int y = 69; y <= 79; ++y)
        for (int x = 120; x <= 125; ++x) plot(s, x, y, ((x - 120) / 3 + (y - 69) / 3) % 2 ? pal::Ink : pal::White);
    sideCar(s, 92, 62, pal::Red, pal::DarkRed, pal::Peach);
    sideCar(s, 58, 66, pal::Blue, pal::DarkBlue, pal::LightBlue);
    sideCar(s, 22, 64, pal::Yellow, pal::Orange, pal::Cream);
    fillRect(s, 0, 81, 319, 179, pal::LightGreen);
    for (int y = 81; y < 180; ++y)
        for (int x = 0; x < 320; ++x)
            if (noiseBelow(x, y, 61, 100) < 6) plot(s, x, y, pal::Green);
    ImageHandle title = titleLayer();
    putImage(&s, (160 - title->width) / 2, 6, title.get(), PutMode::Transparent);
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
    // Squared exercise-book paper with rings along the top.
    ImageHandle image = createImage(320, 180, pal::White);
    Image& b = *image;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 320; ++x)
            if (x % 8 == 3 || y % 8 == 3) plot(b, x, y, pal::Ice);
    fillRect(b, 0, 0, 319, 5, pal::White);
    for (int x = 6; x < 320; x += 14) {
        fillRect(b, x, 1, x + 3, 3, pal::PaleGrey);
        plot(b, x + 1, 2, pal::LightGrey);
        plot(b, x + 2, 2, pal::LightGrey);
        fillRect(b, x + 1, 0, x + 2, 0, pal::LightGrey);
    }
    fillRect(b, 0, 5, 319, 5, pal::Ice);
    return image;
}
