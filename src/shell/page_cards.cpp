// The cards the browser page shows before and after the game.
#include "shell/page_cards.h"

#include <algorithm>
#include <cstdint>

#include "present/platform.h"
#include "present/sprite.h"

namespace {

// As the help cards: black 8 x 8 text on the menu paper, in one-pixel black frames.
constexpr std::uint32_t CardInk = 0xFF000000u;
constexpr std::uint32_t CardPaper = 0xFFF0E8D0u;
constexpr int Margin = 12;
constexpr int LinePitch = 12;
constexpr int TitleGap = 6;
constexpr int GlyphSize = 8;
constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 180;

}  // namespace

ImageHandle drawPageCard(const Image* paper, const std::vector<std::string>& lines) {
    ImageHandle screen = createImage(ScreenWidth, ScreenHeight, CardPaper);
    if (paper != nullptr) putImage(screen.get(), 0, 0, paper, PutMode::Transparent);
    std::size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    // Even sizes keep the card on whole pixels of the enlarged screen.
    const int width = 2 * Margin + GlyphSize * static_cast<int>(longest);
    const int lineCount = static_cast<int>(lines.size());
    const int height = 2 * Margin + GlyphSize + LinePitch * std::max(0, lineCount - 1) + (lineCount > 1 ? TitleGap : 0);
    const int left = (ScreenWidth - width) / 2 / 2 * 2;
    const int top = (ScreenHeight - height) / 2 / 2 * 2;
    drawBox(screen.get(), left, top, left + width - 1, top + height - 1, CardInk);
    drawBox(screen.get(), left + 3, top + 3, left + width - 4, top + height - 4, CardInk);
    int y = top + Margin;
    for (int i = 0; i < lineCount; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        const int x = left + (width - GlyphSize * static_cast<int>(line.size())) / 2;
        drawText(screen.get(), x, y, line, CardInk);
        y += LinePitch + (i == 0 ? TitleGap : 0);
    }
    return screen;
}

void showPageCard(const Image* card) {
    for (;;) {
        lockScreen();
        drawSprite(nullptr, 640, 360, card, 4.0f, 4.0f, false);
        unlockScreen();
        if (!readKey().empty()) return;
        sleepMs(-1);
    }
}
