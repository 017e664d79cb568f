// The "Custom" lesson's grid of 13 multiplication tables, with its "x" (none) and "a" (all) cells.
#pragma once
#include <cstdint>

#include "present/image.h"

constexpr int GridColumns = 3;
constexpr int GridRows = 5;
constexpr int TableCount = 13;

// The cell in column c and row r stands for k = 3r + c - 2: -2 is "x", -1 is "a", 0..12 a table.
constexpr int ClearCell = -2;
constexpr int AllCell = -1;
constexpr int gridCell(int column, int row) { return 3 * row + column - 2; }

// The grid's actions on a player's tables: every flag 1, every flag 0, or the cell's action
// (k -1 all, k -2 none, a table's flag flipped between 0 and 1).
void chooseAllTables(std::uint8_t (&tables)[TableCount]);
void clearAllTables(std::uint8_t (&tables)[TableCount]);
void actOnCell(std::uint8_t (&tables)[TableCount], int column, int row);

// Called by the lesson menu while a player's grid is shown: draws the 15 cells from x0 (44 for
// player 1, 204 for player 2), the chosen tables filled green, the cursor cell framed in red when
// cursorShown, and the labels.
void drawTableGrid(Image* canvas, int x0, const std::uint8_t (&tables)[TableCount], int cursorColumn,
                   int cursorRow, bool cursorShown);
