// The notice line at the foot of the screen, and the store's save failures that feed it.
#include "shell/notice.h"

#include <cstdio>
#include <string>
#include <vector>

#include "present/platform.h"
#include "present/sprite.h"
#include "store/game_store.h"
#include "store/save_lock.h"

namespace {

constexpr std::uint32_t NoticePaper = 0xFFFFF4C8u;  // pale yellow, like a note stuck on the screen
constexpr std::uint32_t NoticeInk = 0xFF000000u;

// A wait shorter than this goes unremarked: most saves that meet a classmate's lock get it in
// well under a second.
constexpr double WaitWorthTelling = 1;

Game* watchedGame = nullptr;
bool waitingTold = false;  // the waiting notice is up: "Saved" follows it when the save lands

void drawNoticeBox(Game& game, Image* canvas) {
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

// While a save waits for another PC's lock inside one call, the last picture stays up with the
// waiting notice over it, so the class sees why the game paused.
void showWaiting(double waited) {
    if (watchedGame == nullptr || waited < WaitWorthTelling) return;
    Game& game = *watchedGame;
    Image* canvas = game.mainPanel.canvas.get();
    if (canvas == nullptr) return;
    showNotice(game, WaitingNotice, 0.5);
    waitingTold = true;
    drawNoticeBox(game, canvas);
    lockScreen();
    presentPanel(game.mainPanel);
    unlockScreen();
}

}  // namespace

void watchSaves(Game& game) {
    watchedGame = &game;
    waitingTold = false;
    setLockWaitHook(showWaiting);
}

void showNotice(Game& game, const std::string& text, double seconds) {
    game.noticeText = text;
    game.noticeUntil = nowSeconds() + seconds;
}

void drawNotice(Game& game, Image* canvas) {
    // A save left for later while a classmate's PC held the lock is tried again here; "Saved" is
    // said only once it is on disk.
    const double waited = GameStore.keepSaving();
    if (waited >= WaitWorthTelling) {
        showNotice(game, WaitingNotice, 0.5);
        waitingTold = true;
    } else if (waited == 0 && waitingTold) {
        waitingTold = false;
        showNotice(game, "Saved");
    }
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
    drawNoticeBox(game, canvas);
}
