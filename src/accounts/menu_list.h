// What the classroom and player menus share: the scrolling list (which rows show, where each row
// stands, the two rows under the list, the selection frame), the box of an open text field or
// question, and the way a refused choice is told.
#pragma once
#include <cstdint>
#include <string>

#include "present/image.h"
#include "shell/game.h"

// Every text and frame of the two menus is drawn in opaque black.
constexpr std::uint32_t MenuInk = 0xFF000000u;
// Most entries shown at once while nothing stands at the foot of the screen: with "Add" and "Quit"
// under them the rows reach y 160, just above where the notice line begins.
constexpr int ShownRows = 13;

// The entries shown this frame. Rows are numbered like list positions: 0 .. count-1 the entries,
// count the "Add" row and count+1 "Quit"; "Add" and "Quit" always stand right under bottomRow. With
// an empty list topRow and bottomRow are both -1, so "Add" stands one row down, at y 30.
struct ListWindow {
    int topRow = 0;
    int bottomRow = 0;
    int count = 0;
};

// How many entries may show this frame: ShownRows, fewer while a notice is up (it covers the foot)
// and fewer still while a field or question is open, so that neither covers a row.
int shownEntries(const Game& game, bool promptOpen);

// Called once per frame with the topRow of the last frame (0 before the first), the menu's
// selection, the number of entries and shownEntries. The list scrolls only as far as it must to
// keep a selected entry in view, and never further down than its end needs: a list that fits
// shows whole, wherever the selection is.
ListWindow listWindow(int lastTop, int selection, int count, int shown);

// The canvas y of the text of list row row; the caller keeps row inside the window or on "Add"/"Quit".
int rowY(const ListWindow& window, int row);

// Draws the "Add" row label and "Quit" right under the last shown entry.
void drawTrailingRows(Image* canvas, const ListWindow& window, const std::string& addLabel);

// Draws the one-pixel frame around the selected row, from x 8 to x right.
void drawSelectionFrame(Image* canvas, const ListWindow& window, int selection, int right);

// Draws an open field (its prompt, then the text under it) or a question (the question, then the
// answers) in a framed box from y 142 to 164: under the rows shownEntries leaves and above the
// notice line, so that all three stay readable.
void drawPrompt(Image* canvas, const std::string& prompt, const std::string& text);

// The answers of the question asked before an entry is deleted.
inline const std::string DeleteAnswers = "Enter: yes  Esc: no";

// Called when the menu refuses what was typed: says why at the foot for a few seconds, with the
// refusal sound.
void refuse(Game& game, const std::string& why);

// One "*" per character of a password, so that it is never shown.
std::string stars(const std::string& password);
