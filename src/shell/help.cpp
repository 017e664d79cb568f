// The F1 help cards: the frame key of every screen, and the card shown over a screen until a key.
#include "shell/help.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "audio/sound.h"
#include "present/image.h"
#include "present/key_strings.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"

namespace {

// The card keeps the menus' look: black 8 x 8 text on the menu paper, in one-pixel black frames.
constexpr std::uint32_t CardInk = 0xFF000000u;
constexpr std::uint32_t CardPaper = 0xFFF0E8D0u;  // stands in when there is no paper picture
constexpr int Margin = 10;       // from the card's edge to its text
constexpr int LinePitch = 10;    // as the menus' list rows
constexpr int TitleGap = 4;      // below the title, and above the last line
constexpr int GlyphSize = 8;
constexpr int CanvasWidth = 320;
constexpr int CanvasHeight = 180;

// Draws the card once: it does not change while it is shown.
ImageHandle drawCard(const Game& game, HelpTopic topic) {
    const HelpCardSize size = helpCardSize(topic);
    const int left = (CanvasWidth - size.width) / 2;
    const int top = (CanvasHeight - size.height) / 2;
    ImageHandle card = createImage(size.width, size.height, CardPaper);
    // The same piece of the menu paper that the card covers, so that it reads as part of the game.
    putImage(card.get(), -left, -top, game.back2Image.get(), PutMode::Transparent);
    drawBox(card.get(), 0, 0, size.width - 1, size.height - 1, CardInk);
    drawBox(card.get(), 3, 3, size.width - 4, size.height - 4, CardInk);
    const auto& lines = helpCard(topic);
    int y = Margin;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        drawText(card.get(), Margin, y, std::string(lines[i]), CardInk);
        y += LinePitch + (i == 0 ? TitleGap : 0);
    }
    drawText(card.get(), Margin, y + TitleGap, std::string(HelpCardLastLine), CardInk);
    return card;
}

// One frame of the card, four times enlarged in the middle of the screen, over whatever is there.
void presentCard(const Image* card) {
    lockScreen();
    drawSprite(nullptr, 640, 360, card, 4.0f, 4.0f, false);
    unlockScreen();
}

}  // namespace

HelpCardSize helpCardSize(HelpTopic topic) {
    const auto& lines = helpCard(topic);
    std::size_t longest = HelpCardLastLine.size();
    for (std::string_view line : lines) longest = std::max(longest, line.size());
    const int textLines = static_cast<int>(lines.size()) + 1;
    return {2 * Margin + GlyphSize * static_cast<int>(longest),
            2 * Margin + LinePitch * (textLines - 1) + 2 * TitleGap + GlyphSize};
}

double showHelpCard(Game& game, HelpTopic topic) {
    const double opened = nowSeconds();
    playSound(ConfirmSound);
    const ImageHandle card = drawCard(game, topic);
    // Frames like any screen's, so that the display keeps its pace, until a key closes the card.
    bool closed = false;
    for (;;) {
        tickFrame();
        if (!readKey().empty()) closed = true;
        presentCard(card.get());
        if (closed && !isKeyDown(EscScanCode)) break;
        sleepMs(1);
    }
    FrameClock.lastTime = nowSeconds();
    return nowSeconds() - opened;
}

std::string readFrameKey(Game& game, HelpTopic topic, double& pausedSeconds) {
    pausedSeconds = 0;
    std::string key = readKey();
    if (key != F1Key) return key;
    pausedSeconds = showHelpCard(game, topic);
    return "";
}

std::string readFrameKey(Game& game, HelpTopic topic) {
    double pausedSeconds = 0;
    return readFrameKey(game, topic, pausedSeconds);
}
