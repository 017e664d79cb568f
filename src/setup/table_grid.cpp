// The "Custom" lesson's grid: its cells' actions on a player's tables, and its drawing.
#include "setup/table_grid.h"

#include "setup/menu_keys.h"

namespace {

constexpr std::uint32_t ChosenGreen = 0xFF00A000u;
constexpr std::uint32_t CursorRed = 0xFFC80000u;
// The grid's top edge and cell size; the cursor frame sits one pixel inside a cell.
constexpr int GridTop = 113;
constexpr int CellWidth = 24;
constexpr int CellHeight = 10;

const char* const GridLabels[GridRows] = {"x  a  0", "1  2  3", "4  5  6", "7  8  9", "10 11 12"};

}  // namespace

void chooseAllTables(std::uint8_t (&tables)[TableCount]) {
    for (auto& flag : tables) flag = 1;
}

void clearAllTables(std::uint8_t (&tables)[TableCount]) {
    for (auto& flag : tables) flag = 0;
}

void actOnCell(std::uint8_t (&tables)[TableCount], int column, int row) {
    const int k = gridCell(column, row);
    if (k == AllCell)
        chooseAllTables(tables);
    else if (k == ClearCell)
        clearAllTables(tables);
    else if (k >= 0 && k < TableCount)
        tables[k] = tables[k] != 0 ? 0 : 1;  // shown green when not 0, so that is what Enter turns off
}

void drawTableGrid(Image* canvas, int x0, const std::uint8_t (&tables)[TableCount], int cursorColumn,
                   int cursorRow, bool cursorShown) {
    for (int c = 0; c < GridColumns; ++c) {
        for (int r = 0; r < GridRows; ++r) {
            const int k = gridCell(c, r);
            const int left = x0 + CellWidth * c;
            const int top = GridTop + CellHeight * r;
            if (k >= 0 && tables[k] != 0) fillBox(canvas, left, top, left + CellWidth, top + CellHeight, ChosenGreen);
            if (cursorShown && c == cursorColumn && r == cursorRow)
                drawBox(canvas, left + 1, top + 1, left + CellWidth - 1, top + CellHeight - 1, CursorRed);
            drawBox(canvas, left, top, left + CellWidth, top + CellHeight, MenuBlack);
        }
    }
    for (int r = 0; r < GridRows; ++r) drawText(canvas, x0 + 4, GridTop + 2 + CellHeight * r, GridLabels[r], MenuBlack);
}
