// The scrolling list shared by the classroom and player menus.
#include "accounts/menu_list.h"

ListWindow listWindow(int selection, int count) {
    ListWindow window;
    window.topRow = selection < 0 ? 0 : selection;
    if (window.topRow > count - 1) window.topRow = count - 1;
    window.bottomRow = window.topRow + ShownRows - 1;
    if (window.bottomRow > count - 1) window.bottomRow = count - 1;
    return window;
}

int rowY(const ListWindow& window, int row) { return (row - window.topRow) * 10 + 20; }

void drawTrailingRows(Image* canvas, const ListWindow& window, const std::string& addLabel) {
    drawText(canvas, 15, rowY(window, window.bottomRow + 1), addLabel, MenuInk);
    drawText(canvas, 15, rowY(window, window.bottomRow + 2), "Quit", MenuInk);
}

void drawSelectionFrame(Image* canvas, const ListWindow& window, int selection, int right) {
    const int top = rowY(window, selection) - 2;
    drawBox(canvas, 8, top, right, top + 10, MenuInk);
}

void drawPrompt(Image* canvas, const std::string& prompt, const std::string& text) {
    drawText(canvas, 7, 155, prompt, MenuInk);
    drawText(canvas, 7, 165, text, MenuInk);
}

std::string stars(const std::string& password) { return std::string(password.size(), '*'); }
