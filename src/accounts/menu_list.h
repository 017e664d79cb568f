// The scrolling list shared by the classroom and player menus: which rows show, where each row
// stands, the two rows under the list, the selection frame and the prompt of an open text field.
#pragma once
#include <cstdint>
#include <string>

#include "present/image.h"

// Every text and frame of the two menus is drawn in opaque black.
constexpr std::uint32_t MenuInk = 0xFF000000u;
// Most list rows shown at once.
constexpr int ShownRows = 13;

// The rows of the list shown this frame. Rows are numbered like list positions: 0 .. count-1 the
// entries, count the "Add" row and count+1 "Quit". The selected entry is always the top row unless
// the selection is on "Add" or "Quit"; with an empty list topRow and bottomRow are both -1.
struct ListWindow {
    int topRow = 0;
    int bottomRow = 0;
};

// Called once per frame with the menu's selection and the number of entries.
ListWindow listWindow(int selection, int count);

// The canvas y of the text of list row row (rows below the window follow on from its last row).
int rowY(const ListWindow& window, int row);

// Draws the "Add" row label and "Quit" right under the last shown entry.
void drawTrailingRows(Image* canvas, const ListWindow& window, const std::string& addLabel);

// Draws the one-pixel frame around the selected row, from x 8 to x right.
void drawSelectionFrame(Image* canvas, const ListWindow& window, int selection, int right);

// Draws the prompt line of an open text field and the text under it.
void drawPrompt(Image* canvas, const std::string& prompt, const std::string& text);

// One "*" per character of a password, so that it is never shown.
std::string stars(const std::string& password);
