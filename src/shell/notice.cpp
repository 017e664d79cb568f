// The notice line at the foot of the screen, and the store's save failures that feed it.
#include "shell/notice.h"

#include <cstdio>

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
    const int width = canvas->width;
    fillBox(canvas, 0, NoticeTop, width - 1, NoticeTop + 11, NoticePaper);
    drawBox(canvas, 0, NoticeTop, width - 1, NoticeTop + 11, NoticeInk);
    const int textWidth = static_cast<int>(game.noticeText.size()) * 8;
    drawText(canvas, (width - textWidth) / 2, NoticeTop + 2, game.noticeText, NoticeInk);
}
