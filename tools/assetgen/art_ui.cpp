// The small interface pictures: the menu arrows, the race's standings board and bottom bar, and
// the snow that falls over the winter track.
#include <vector>

#include "art.h"
#include "paint.h"
#include "palette.h"
#include "pixel_map.h"

namespace {

// Points right; "prev" is the same arrow mirrored. '1' face, '2' shadow, '3' light.
const char* const Arrow = R"(
.......3......
.......13.....
.......113....
.......1113...
.33333311113..
.311111111113.
.3111111111113
.3111111111122
.222222111122.
.22222211122..
.......1122...
.......122....
.......22.....
.......2......
)";

}  // namespace

ImageHandle makeArrow(bool next) {
    Slots s;
    s.colour[1] = pal::Orange;
    s.colour[2] = pal::DarkRed;
    s.colour[3] = pal::Yellow;
    ImageHandle image = createImage(16, 16, pal::Key);
    stampMap(*image, 1, 1, parseMap(Arrow, "arrow"), s, !next);
    outlineOnKey(*image, pal::Ink);
    return image;
}

ImageHandle makeBoard() {
    // A cream card: three ruled lines for "1-Name", "2-Name", "3-Name" at rows 2, 12 and 22.
    ImageHandle image = createImage(100, 31, pal::Cream);
    Image& b = *image;
    fillRect(b, 0, 0, 99, 0, pal::Brown);
    fillRect(b, 0, 0, 0, 30, pal::Brown);
    fillRect(b, 99, 0, 99, 30, pal::DarkBrown);
    fillRect(b, 0, 30, 99, 30, pal::DarkBrown);
    fillRect(b, 1, 1, 98, 1, pal::White);
    fillRect(b, 1, 1, 1, 29, pal::White);
    fillRect(b, 2, 29, 98, 29, pal::Sand);
    fillRect(b, 98, 2, 98, 29, pal::Sand);
    for (int x = 3; x < 97; x += 2) {
        plot(b, x, 10, pal::Sand);
        plot(b, x, 20, pal::Sand);
    }
    return image;
}

ImageHandle makeBottom() {
    // The dashboard under the track: cream where the speed, distance and problem lines are
    // written (the left 160 pixels, all that a two-player view shows), a chequered flag at the
    // far right.
    ImageHandle image = createImage(320, 20, pal::Cream);
    Image& b = *image;
    fillRect(b, 0, 0, 319, 0, pal::DarkBrown);
    fillRect(b, 0, 19, 319, 19, pal::Sand);
    for (int x = 0; x < 320; ++x)
        if (ditherOn(x, 1, 8)) plot(b, x, 1, pal::White);
    // Speed stripes leading into the flag.
    for (int i = 0; i < 4; ++i) {
        const int x0 = 236 + i * 14;
        for (int y = 3; y <= 16; ++y) {
            const int shift = (y - 3) / 2;
            fillRect(b, x0 - shift, y, x0 - shift + 5, y, i % 2 ? pal::Sand : pal::Peach);
        }
    }
    for (int y = 3; y <= 16; ++y)
        for (int x = 294; x <= 316; ++x) {
            const bool dark = (((x - 294) / 4) + ((y - 3) / 4)) % 2;
            plot(b, x, y, dark ? pal::Ink : pal::White);
        }
    fillRect(b, 293, 2, 293, 17, pal::DarkBrown);
    return image;
}

ImageHandle makeSnow() {
    // Flakes placed by position noise and wrapped at the edges, so the picture tiles both ways.
    ImageHandle image = createImage(320, 180, pal::Key);
    Image& s = *image;
    auto put = [&](int x, int y, std::uint32_t c) { plot(s, ((x % 320) + 320) % 320, ((y % 180) + 180) % 180, c); };
    for (int i = 0; i < 360; ++i) {
        const int x = noiseBelow(i, 1, 4242, 320);
        const int y = noiseBelow(i, 2, 4242, 180);
        const int kind = noiseBelow(i, 3, 4242, 10);
        if (kind < 4) {
            put(x, y, pal::White);
        } else if (kind < 8) {
            put(x, y, pal::White);
            put(x + 1, y, pal::White);
            put(x, y + 1, pal::White);
            put(x + 1, y + 1, pal::Ice);
        } else {
            put(x, y, pal::White);
            put(x - 1, y, pal::Ice);
            put(x + 1, y, pal::Ice);
            put(x, y - 1, pal::Ice);
            put(x, y + 1, pal::Ice);
        }
    }
    return image;
}
