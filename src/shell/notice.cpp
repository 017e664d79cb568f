// The notice line at the foot of the screen, and the store's save failures that feed it.
#include "shell/notice.h"

#include <cstdio>
#include <string>
#include <vector>

#include "present/platform.h"
#include "store/game_store.h"

namespace {

constexpr std::uint32_t NoticePaper = 0xFFFFF4C8u;  // pale yellow, like a note stuck on the screen
constexpr std::uint32_t NoticeInk = 0xFF000000u;

}  // namespace

void showNotice(Game& game, const std::string& text, double seconds) {
    game.noticeText = text;
    game.noticeUntil = nowSeconds() + seconds;
}

void drawNotice(Game& game, Image* canvas) {
    const std::string trouble = GameStore.takeTrouble();
    if (!trouble.empty()) {
        std::fprintf(stderr, "%s\n", trouble.c_str());
        showNotice(game, trouble);
    }
    if (game.noticeText.empty() || canvas == nullptr) return;
    if (nowSeconds() >= game.noticeUntil) {
        game.noticeText.clear();
        return;
    }
    // A sentence longer than the line breaks at its last blank that fits, and the note grows upward.
    const int width = canvas->width;
    const std::size_t fits = static_cast<std::size_t>(width / 8);
    std::vector<std::string> lines{game.noticeText};
    if (lines[0].size() > fits) {
        const std::size_t blank = lines[0].rfind(' ', fits);
        const std::size_t cut = blank == std::string::npos || blank == 0 ? fits : blank;
        lines = {lines[0].substr(0, cut), lines[0].substr(cut + (blank == cut ? 1 : 0))};
    }
    const int top = NoticeTop - 10 * (static_cast<int>(lines.size()) - 1);
    fillBox(canvas, 0, top, width - 1, NoticeTop + 11, NoticePaper);
    drawBox(canvas, 0, top, width - 1, NoticeTop + 11, NoticeInk);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int textWidth = static_cast<int>(lines[i].size()) * 8;
        drawText(canvas, (width - textWidth) / 2, top + 2 + 10 * static_cast<int>(i), lines[i], NoticeInk);
    }
}
