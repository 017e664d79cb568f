// Images and the drawing services on them: putImage in its three modes, boxes and 8 x 8 text.
#include "present/image.h"

#include <algorithm>
#include <cmath>

#include "present/font8x8.h"

int roundPosition(double v) {
    // Half away from zero; far-off positions are pinned well outside any target instead of
    // overflowing the integer.
    if (!(v == v)) return 0;
    const double r = std::round(v);
    if (r > 1.0e9) return 1000000000;
    if (r < -1.0e9) return -1000000000;
    return static_cast<int>(r);
}

ImageHandle createImage(int width, int height, std::uint32_t fill) {
    auto image = std::make_unique<Image>();
    image->width = std::max(width, 1);
    image->height = std::max(height, 1);
    image->pitch = image->width * 4;
    image->pixels.assign(static_cast<std::size_t>(image->width) * image->height, fill);
    return image;
}

ImageInfo imageInfo(const Image* image) {
    if (!image) return {};
    return {image->width, image->height, 4, image->pitch,
            const_cast<std::uint32_t*>(image->pixels.data())};
}

namespace {

bool isKey(std::uint32_t pixel) { return (pixel & 0x00FFFFFFu) == KeyColor; }

std::uint32_t blendPixel(std::uint32_t d, std::uint32_t s, int weight) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int dc = static_cast<int>((d >> shift) & 0xFF);
        const int sc = static_cast<int>((s >> shift) & 0xFF);
        // Arithmetic shift floors negative differences, as the mix requires.
        const int c = dc + (((sc - dc) * weight) >> 8);
        out |= static_cast<std::uint32_t>(c) << shift;
    }
    return out;
}

// The span of a w x h source placed at (x, y) that falls inside the target.
struct Clip {
    int x0, y0, x1, y1;  // target coordinates, half-open
};

bool clipTo(const Image& target, int x, int y, int w, int h, Clip& clip) {
    clip.x0 = std::max(x, 0);
    clip.y0 = std::max(y, 0);
    clip.x1 = static_cast<int>(std::min<long long>(static_cast<long long>(x) + w, target.width));
    clip.y1 = static_cast<int>(std::min<long long>(static_cast<long long>(y) + h, target.height));
    return clip.x0 < clip.x1 && clip.y0 < clip.y1;
}

}  // namespace

void putImage(Image* target, double x, double y, const Image* source, PutMode mode, int alpha) {
    if (!target || !source) return;
    if (mode == PutMode::Blend) {
        alpha = std::clamp(alpha, 0, 255);
        if (alpha == 0) return;
    }
    const int px = roundPosition(x);
    const int py = roundPosition(y);
    Clip clip{};
    if (!clipTo(*target, px, py, source->width, source->height, clip)) return;
    const int weight = alpha + 1;
    for (int ty = clip.y0; ty < clip.y1; ++ty) {
        const std::uint32_t* src =
            source->pixels.data() + static_cast<std::size_t>(ty - py) * source->width - px;
        std::uint32_t* dst = target->pixels.data() + static_cast<std::size_t>(ty) * target->width;
        switch (mode) {
            case PutMode::Copy:
                std::copy(src + clip.x0, src + clip.x1, dst + clip.x0);
                break;
            case PutMode::Transparent:
                for (int tx = clip.x0; tx < clip.x1; ++tx)
                    if (!isKey(src[tx])) dst[tx] = src[tx];
                break;
            case PutMode::Blend:
                for (int tx = clip.x0; tx < clip.x1; ++tx)
                    if (!isKey(src[tx])) dst[tx] = blendPixel(dst[tx], src[tx], weight);
                break;
        }
    }
}

namespace {

void fillRect(Image* target, int x0, int y0, int x1, int y1, std::uint32_t colour) {
    // Inclusive corners, already ordered.
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, target->width - 1);
    y1 = std::min(y1, target->height - 1);
    // A box wholly beside the target leaves nothing after clipping.
    if (x0 > x1 || y0 > y1) return;
    for (int y = y0; y <= y1; ++y) {
        std::uint32_t* row = target->pixels.data() + static_cast<std::size_t>(y) * target->width;
        std::fill(row + x0, row + x1 + 1, colour);
    }
}

}  // namespace

namespace {

// The rectangle of two corners given in either order, rounded, as inclusive left/top/right/bottom.
struct Corners {
    int left, top, right, bottom;
};

Corners orderedCorners(double x1, double y1, double x2, double y2) {
    const int ax = roundPosition(x1), ay = roundPosition(y1);
    const int bx = roundPosition(x2), by = roundPosition(y2);
    return {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
}

}  // namespace

void fillBox(Image* target, double x1, double y1, double x2, double y2, std::uint32_t colour) {
    if (!target) return;
    const Corners c = orderedCorners(x1, y1, x2, y2);
    fillRect(target, c.left, c.top, c.right, c.bottom, colour);
}

void drawBox(Image* target, double x1, double y1, double x2, double y2, std::uint32_t colour) {
    if (!target) return;
    const Corners c = orderedCorners(x1, y1, x2, y2);
    fillRect(target, c.left, c.top, c.right, c.top, colour);
    fillRect(target, c.left, c.bottom, c.right, c.bottom, colour);
    fillRect(target, c.left, c.top, c.left, c.bottom, colour);
    fillRect(target, c.right, c.top, c.right, c.bottom, colour);
}

void drawText(Image* target, double x, double y, const std::string& text, std::uint32_t colour) {
    if (!target) return;
    const int px = roundPosition(x);
    const int py = roundPosition(y);
    if (py >= target->height || py + 8 <= 0) return;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const long long cellX = px + 8LL * static_cast<long long>(i);
        if (cellX >= target->width) break;
        if (cellX + 8 <= 0) continue;
        const std::uint8_t* glyph = Font8x8[static_cast<unsigned char>(text[i])];
        for (int row = 0; row < 8; ++row) {
            const int ty = py + row;
            if (ty < 0 || ty >= target->height) continue;
            std::uint32_t* dst = target->pixels.data() + static_cast<std::size_t>(ty) * target->width;
            for (int col = 0; col < 8; ++col) {
                const long long tx = cellX + col;
                if ((glyph[row] & (0x80 >> col)) && tx >= 0 && tx < target->width) dst[tx] = colour;
            }
        }
    }
}
