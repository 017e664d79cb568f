// Shapes, ordered dither and positional noise for the composed pictures.
#include "paint.h"

#include <algorithm>
#include <cmath>

void plot(Image& image, int x, int y, std::uint32_t colour) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    image.pixels[static_cast<std::size_t>(y) * image.width + x] = colour;
}

std::uint32_t peek(const Image& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}

void fillRect(Image& image, int x0, int y0, int x1, int y1, std::uint32_t colour) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    for (int y = std::max(y0, 0); y <= std::min(y1, image.height - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, image.width - 1); ++x)
            image.pixels[static_cast<std::size_t>(y) * image.width + x] = colour;
}

void fillEllipse(Image& image, double cx, double cy, double rx, double ry, std::uint32_t colour) {
    if (rx <= 0 || ry <= 0) return;
    const int y0 = static_cast<int>(std::floor(cy - ry));
    const int y1 = static_cast<int>(std::ceil(cy + ry));
    const int x0 = static_cast<int>(std::floor(cx - rx));
    const int x1 = static_cast<int>(std::ceil(cx + rx));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double dx = (x + 0.5 - cx) / rx;
            const double dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) plot(image, x, y, colour);
        }
}

void drawLine(Image& image, int x0, int y0, int x1, int y1, std::uint32_t colour) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(image, x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

bool ditherOn(int x, int y, int level) {
    static const int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return Bayer[y & 3][x & 3] < level;
}

void ditherRect(Image& image, int x0, int y0, int x1, int y1, std::uint32_t colour, int level) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (ditherOn(x, y, level)) plot(image, x, y, colour);
}

void gradientRows(Image& image, int x0, int y0, int x1, int y1,
                  const std::vector<std::uint32_t>& colours) {
    if (colours.empty() || y1 < y0) return;
    if (colours.size() == 1 || y1 == y0) {
        fillRect(image, x0, y0, x1, y1, colours.front());
        return;
    }
    const int bands = static_cast<int>(colours.size()) - 1;
    const int span = y1 - y0;
    for (int y = y0; y <= y1; ++y) {
        // Position along the gradient in 16ths of a band.
        const int pos = (y - y0) * bands * 16 / span;
        const int band = std::min(pos / 16, bands - 1);
        const int level = pos - band * 16;
        for (int x = x0; x <= x1; ++x)
            plot(image, x, y, ditherOn(x, y, level) ? colours[band + 1] : colours[band]);
    }
}

std::uint32_t noise(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^
                      static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

int noiseBelow(int x, int y, std::uint32_t seed, int n) {
    return n <= 1 ? 0 : static_cast<int>(noise(x, y, seed) % static_cast<std::uint32_t>(n));
}

void outlineOnKey(Image& image, std::uint32_t colour) {
    const Image before = image;
    auto solid = [&](int x, int y) {
        const std::uint32_t p = peek(before, x, y);
        return p != 0 && (p & 0xFFFFFFu) != 0xFF00FFu;
    };
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (solid(x, y)) continue;
            if (solid(x - 1, y) || solid(x + 1, y) || solid(x, y - 1) || solid(x, y + 1))
                plot(image, x, y, colour);
        }
}

void recolour(Image& image, int x0, int y0, int x1, int y1, std::uint32_t from, std::uint32_t to) {
    for (int y = std::max(y0, 0); y <= std::min(y1, image.height - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, image.width - 1); ++x) {
            std::uint32_t& p = image.pixels[static_cast<std::size_t>(y) * image.width + x];
            if (p == from) p = to;
        }
}

ImageHandle enlarge(const Image& image, int factor) {
    ImageHandle out = createImage(image.width * factor, image.height * factor);
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x)
            out->pixels[static_cast<std::size_t>(y) * out->width + x] =
                image.pixels[static_cast<std::size_t>(y / factor) * image.width + x / factor];
    return out;
}

void bigText(Image& image, int x, int y, const std::string& text, std::uint32_t colour, int scale) {
    if (scale <= 1) {
        drawText(&image, x, y, text, colour);
        return;
    }
    // Draw at 1x on the key, then copy each set pixel as a block.
    ImageHandle small = createImage(static_cast<int>(text.size()) * 8, 8, KeyColorOpaque);
    drawText(small.get(), 0, 0, text, 0xFF000000u);
    for (int sy = 0; sy < small->height; ++sy)
        for (int sx = 0; sx < small->width; ++sx)
            if (small->pixels[static_cast<std::size_t>(sy) * small->width + sx] == 0xFF000000u)
                fillRect(image, x + sx * scale, y + sy * scale, x + sx * scale + scale - 1,
                         y + sy * scale + scale - 1, colour);
}
