// The scaled sprite blit (fixed point with the factor 65535) and the enlarged display panels.
#include "present/sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "present/platform.h"

namespace {

long long toFixed(double v) {
    // Nearest, ties to even (the default rounding mode).
    return static_cast<long long>(std::nearbyint(v * 65535.0));
}

}  // namespace

void drawSprite(Image* target, int centerX, int centerY, const Image* source, float scaleX,
                float scaleY, bool colourKey) {
    if (screenPixels() == nullptr || source == nullptr) return;
    scaleX = std::max(scaleX, 0.001f);
    scaleY = std::max(scaleY, 0.001f);

    std::uint32_t* base = nullptr;
    long long W = 0, H = 0, pitch = 0;  // pitch in pixels
    if (target == nullptr) {
        const ScreenInfo info = screenInfo();
        base = screenPixels();
        W = info.width;
        H = info.height;
        pitch = info.pitch / 4;
    } else {
        base = target->pixels.data();
        W = target->width;
        H = target->height;
        pitch = target->pitch / 4;
    }
    if (W < 4 || H < 4) return;

    const int w = source->width;
    const int h = source->height;
    const float halfW = static_cast<float>(w) / 2.0f * scaleX;
    const float halfH = static_cast<float>(h) / 2.0f * scaleY;
    const long long X0 = static_cast<long long>(std::floor(static_cast<double>(centerX) - halfW));
    const long long X1 = static_cast<long long>(std::floor(static_cast<double>(centerX) + halfW));
    const long long Y0 = static_cast<long long>(std::floor(static_cast<double>(centerY) - halfH));
    const long long Y1 = static_cast<long long>(std::floor(static_cast<double>(centerY) + halfH));
    if (X1 == X0 || Y1 == Y0 || X1 < 0 || Y1 < 0 || X0 >= W || Y0 >= H) return;

    const float du = static_cast<float>(w) / static_cast<float>(X1 - X0);
    const float dv = static_cast<float>(h) / static_cast<float>(Y1 - Y0);
    long long xs = X0;
    float u0 = 0.0f;
    if (X0 < 0) {
        xs = 0;
        u0 = static_cast<float>(-X0) * du;
    }
    const long long xe = std::min(X1, W);
    const long long U0 = std::max(0LL, toFixed(u0));
    const long long dU = toFixed(du);

    // Columns whose source column would pass the right edge (never for the game's own calls, but
    // a rounding step must not read past the row) are left out.
    long long columns = xe - xs;
    if (columns <= 0) return;
    if (dU > 0) {
        const long long lastAllowed = static_cast<long long>(w) * 65536 - 1;
        if (U0 > lastAllowed) return;
        columns = std::min(columns, (lastAllowed - U0) / dU + 1);
    }

    float v = 0.0f;
    long long lastRow = -1;
    const std::uint32_t* lastDst = nullptr;
    for (long long y = Y0; y < Y1 && y <= H - 1; ++y, v += dv) {
        if (y < 0) continue;
        const long long V = std::max(0LL, toFixed(v));
        const long long row = std::min<long long>(V >> 16, h - 1);
        const std::uint32_t* src = source->pixels.data() + row * w;
        std::uint32_t* dst = base + y * pitch + xs;
        if (!colourKey && row == lastRow) {
            // An enlarged row repeats the one above it: copy it whole instead of stepping again.
            std::copy(lastDst, lastDst + columns, dst);
            continue;
        }
        lastRow = row;
        lastDst = dst;
        long long U = U0;
        if (colourKey) {
            for (long long i = 0; i < columns; ++i, U += dU) {
                const std::uint32_t p = src[U >> 16];
                if (p != KeyColorOpaque) dst[i] = p;
            }
        } else {
            for (long long i = 0; i < columns; ++i, U += dU) dst[i] = src[U >> 16];
        }
    }
}

void setupPanel(Panel& panel, int centerX, int centerY, int width, int height) {
    panel.centerX = centerX;
    panel.centerY = centerY;
    panel.width = width;
    panel.height = height;
    panel.canvas = createImage(width, height, 0xFF000000u);
}

void setPanelScroll(Panel& panel, int x, int y) {
    panel.scrollX = x;
    panel.scrollY = y;
}

void presentPanel(Panel& panel) {
    drawSprite(nullptr, panel.centerX, panel.centerY, panel.canvas.get(), 4.0f, 4.0f, false);
    fillBox(panel.canvas.get(), 0, 0, panel.width, panel.height, 0xFF000000u);
}
