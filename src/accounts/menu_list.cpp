// What the classroom and player menus share: the scrolling list, the prompt box and refusals.
#include "accounts/menu_list.h"

#include <algorithm>

#include "audio/sound.h"
#include "present/platform.h"
#include "shell/notice.h"

namespace {

// The prompt box: its lines at y 145 and 155 end above the notice line, and a list row
// whose frame ends above the box top stays whole.
constexpr int PromptTop = 142;
constexpr int PromptBottom = 164;
constexpr std::uint32_t PromptPaper = 0xFFFFFFFFu;
// Long enough to read a short reason, short enough not to hold up the next try.
constexpr double RefusalSeconds = 2.5;

// Entries that fit when the lowest row ("Quit", two rows under the last entry) must end above y:
// row k's frame ends at 28 + 10k.
constexpr int entriesAbove(int y) { return (y - 1 - 28) / 10 + 1 - 2; }

}  // namespace

int shownEntries(const Game& game, bool promptOpen) {
    if (promptOpen) return entriesAbove(PromptTop);
    const bool noticeUp = !game.noticeText.empty() && nowSeconds() < game.noticeUntil;
    return noticeUp ? entriesAbove(NoticeTop) : ShownRows;
}

ListWindow listWindow(int lastTop, int selection, int count, int shown) {
    ListWindow window;
    window.count = count;
    if (count <= 0) {
        window.topRow = window.bottomRow = -1;
        return window;
    }
    shown = std::max(shown, 1);
    int top = std::max(lastTop, 0);
    if (selection >= 0 && selection < count) {
        if (selection < top) top = selection;
        if (selection > top + shown - 1) top = selection - shown + 1;
    }
    top = std::clamp(top, 0, std::max(count - shown, 0));
    window.topRow = top;
    window.bottomRow = std::min(count - 1, top + shown - 1);
    return window;
}

int rowY(const ListWindow& window, int row) {
    const int slot = row < window.count ? row - window.topRow
                                        : window.bottomRow - window.topRow + 1 + (row - window.count);
    return slot * 10 + 20;
}

void drawTrailingRows(Image* canvas, const ListWindow& window, const std::string& addLabel) {
    drawText(canvas, 15, rowY(window, window.count), addLabel, MenuInk);
    drawText(canvas, 15, rowY(window, window.count + 1), "Quit", MenuInk);
}

void drawSelectionFrame(Image* canvas, const ListWindow& window, int selection, int right) {
    const int top = rowY(window, selection) - 2;
    drawBox(canvas, 8, top, right, top + 10, MenuInk);
}

void drawPrompt(Image* canvas, const std::string& prompt, const std::string& text) {
    const int widest = static_cast<int>(std::max(prompt.size(), text.size()));
    const int right = 10 + 8 * widest;
    fillBox(canvas, 4, PromptTop, right, PromptBottom, PromptPaper);
    drawBox(canvas, 4, PromptTop, right, PromptBottom, MenuInk);
    drawText(canvas, 7, PromptTop + 3, prompt, MenuInk);
    drawText(canvas, 7, PromptTop + 13, text, MenuInk);
}

void refuse(Game& game, const std::string& why) {
    showNotice(game, why, RefusalSeconds);
    playSound(WrongSound);
}

std::string stars(const std::string& password) { return std::string(password.size(), '*'); }
