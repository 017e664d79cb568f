// The lesson menu: each player's car, operation and lesson, the "Custom" table grid, and the leaders.
#include <algorithm>
#include <string>

#include "accounts/accounts.h"
#include "audio/sound.h"
#include "lessons/catalogue.h"
#include "present/image.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "setup/leaders.h"
#include "setup/menu_keys.h"
#include "setup/setup.h"
#include "setup/table_grid.h"
#include "shell/frame.h"
#include "shell/help.h"
#include "shell/notice.h"
#include "store/game_store.h"
#include "store/store.h"

namespace {

constexpr int HighestCar = 7;
constexpr int HighestOperation = OperationCount - 1;
constexpr int HighestLesson = LessonCount - 1;
constexpr int CustomLesson = 1;
// The rows of a column: car, operation, lesson, and the table grid below them.
constexpr int CarRow = 0;
constexpr int OperationRow = 1;
constexpr int LessonRow = 2;
constexpr int GridRow = 3;
// Player 2's column is player 1's moved right by half the canvas.
constexpr int SecondColumnShift = 160;
// The arrows of every row of a column share their x.
constexpr int PrevArrowX = 22;
constexpr int NextArrowX = 122;
// Where a column's grid cells begin.
constexpr int FirstGridX = 44;

// The screen's own state of one player's column; all zero when the screen is entered.
struct ColumnState {
    int row = CarRow;
    int gridColumn = 0;
    int gridRow = 0;
    bool onGrid = false;     // the row was the grid at the end of the last frame: the cursor shows
    bool gridShown = false;  // Multiply or Divide with "Custom", worked out before any key
};

// The keys of one player: the arrows and Enter, "a" and "x" for player 1; the numeric pad's
// characters for player 2, who shares the keyboard.
struct ColumnKeys {
    std::string right, left, down, up, act, all, none;
};

const ColumnKeys FirstPlayerKeys{RightKey, LeftKey, DownKey, UpKey, EnterKey, "a", "x"};
const ColumnKeys SecondPlayerKeys{"6", "4", "5", "8", "2", "+", "-"};

// What one column shows and changes in the Game.
struct Seat {
    Player* player;  // null when the player's position is outside the list (a damaged state)
    int& operation;
    int& lesson;
    Problem& problem;
    int shift;  // 0 for player 1, SecondColumnShift for player 2
    int leaderLines;
    int leaderNameX;
    int leaderTimeX;
    const ColumnKeys& keys;
};

Player* playerAt(Game& game, int position) {
    if (position < 0 || position >= static_cast<int>(game.players.items.size())) return nullptr;
    return &game.players.items[position];
}

Seat firstSeat(Game& game) {
    return {playerAt(game, game.player1), game.operation1, game.lesson1, game.problem1, 0, 6, 6, 115,
            FirstPlayerKeys};
}

// Player 2's leaders list is one line shorter than player 1's.
Seat secondSeat(Game& game) {
    return {playerAt(game, game.player2), game.operation2, game.lesson2, game.problem2, SecondColumnShift,
            5, 163, 275, SecondPlayerKeys};
}

// A car outside the eight pictures (a damaged player file) becomes the nearest one, so that it can
// be drawn and raced; the corrected car is saved when the menu is left.
void keepCarInRange(Player* player) {
    if (player != nullptr) player->car = std::clamp(player->car, 0, HighestCar);
}

void putArrows(Image* canvas, const Game& game, int shift, int y, int value, int highest) {
    if (value < highest) putImage(canvas, NextArrowX + shift, y, game.nextImage.get(), PutMode::Transparent);
    if (value > 0) putImage(canvas, PrevArrowX + shift, y, game.prevImage.get(), PutMode::Transparent);
}

void drawPlayerHeader(Image* canvas, const Game& game, const Seat& seat) {
    if (seat.player == nullptr) return;
    const Player& player = *seat.player;
    const int middle = 80 + seat.shift;
    drawText(canvas, middle - 4 * static_cast<int>(player.name.size()), 8, player.name, MenuBlack);
    if (player.car >= 0 && player.car <= HighestCar)
        drawSprite(canvas, middle, 33, game.carImages[player.car].get(), 2.0f, 2.0f, true);
    putArrows(canvas, game, seat.shift, 25, player.car, HighestCar);
}

void drawLessonNames(Image* canvas, const Seat& seat) {
    drawText(canvas, 52 + seat.shift, 65, operationName(seat.operation), MenuBlack);
    drawText(canvas, 52 + seat.shift, 90, lessonName(seat.operation, seat.lesson), MenuBlack);
}

void drawGrid(Image* canvas, const Seat& seat, const ColumnState& column) {
    if (column.gridShown)
        drawTableGrid(canvas, FirstGridX + seat.shift, seat.problem.tables, column.gridColumn, column.gridRow,
                      column.onGrid);
}

void drawRowFrame(Image* canvas, const Seat& seat, const ColumnState& column) {
    const int left = 40 + seat.shift;
    const int right = 120 + seat.shift;
    if (column.row == CarRow) drawBox(canvas, left, 16, right, 51, MenuBlack);
    if (column.row == OperationRow) drawBox(canvas, left, 55, right, 80, MenuBlack);
    if (column.row == LessonRow) drawBox(canvas, left, 80, right, 105, MenuBlack);
}

void drawLessonArrows(Image* canvas, const Game& game, const Seat& seat) {
    putArrows(canvas, game, seat.shift, 60, seat.operation, HighestOperation);
    putArrows(canvas, game, seat.shift, 85, seat.lesson, HighestLesson);
}

void drawSeatLeaders(Image* canvas, const Game& game, const Seat& seat, const ColumnState& column) {
    if (!column.gridShown)
        drawLeaders(canvas, game.players, seat.operation, seat.lesson, game.distance, seat.leaderLines,
                    seat.leaderNameX, seat.leaderTimeX);
}

// Raises or lowers value inside [0, highest] on the player's right and left keys; says whether it
// changed.
bool stepValue(int& value, int highest, const ColumnKeys& keys) {
    if (pendingKey == keys.right && value < highest) {
        ++value;
        return true;
    }
    if (pendingKey == keys.left && value > 0) {
        --value;
        return true;
    }
    return false;
}

// The grid row: the three actions (silent) and the cursor (sound on every move). Up from the top
// row leaves the grid for the lesson row and uses up the key.
bool handleGridKeys(Seat& seat, ColumnState& column) {
    const ColumnKeys& keys = seat.keys;
    if (pendingKey == keys.all) {
        chooseAllTables(seat.problem.tables);
    } else if (pendingKey == keys.none) {
        clearAllTables(seat.problem.tables);
    } else if (pendingKey == keys.act) {
        actOnCell(seat.problem.tables, column.gridColumn, column.gridRow);
        pendingKey.clear();  // Enter here ticks a table and does not start the race
    }
    bool moved = false;
    if (pendingKey == keys.down && column.gridRow < GridRows - 1) {
        ++column.gridRow;
        moved = true;
    } else if (pendingKey == keys.up) {
        --column.gridRow;
        moved = true;
    } else if (pendingKey == keys.right && column.gridColumn < GridColumns - 1) {
        ++column.gridColumn;
        moved = true;
    } else if (pendingKey == keys.left && column.gridColumn > 0) {
        --column.gridColumn;
        moved = true;
    }
    if (column.gridRow < 0) {
        column.gridRow = 0;
        column.row = LessonRow;
        pendingKey.clear();
    }
    return moved;
}

// What the player's keys change on the row the player is on.
void handleRowKeys(Seat& seat, ColumnState& column) {
    bool changed = false;
    switch (column.row) {
        case CarRow:
            if (seat.player != nullptr) changed = stepValue(seat.player->car, HighestCar, seat.keys);
            break;
        case OperationRow: changed = stepValue(seat.operation, HighestOperation, seat.keys); break;
        case LessonRow: changed = stepValue(seat.lesson, HighestLesson, seat.keys); break;
        case GridRow: changed = handleGridKeys(seat, column); break;
        default: break;
    }
    if (changed) playSound(MoveSound);
}

// Down and up between the rows. Down below the lesson row without a grid stays on the lesson row,
// though the move sound has already played.
void handleRowMove(const Seat& seat, ColumnState& column) {
    if (pendingKey == seat.keys.down && column.row < GridRow) {
        ++column.row;
        playSound(MoveSound);
        if (column.row == GridRow && !column.gridShown) column.row = LessonRow;
    }
    column.onGrid = column.row == GridRow;
    if (pendingKey == seat.keys.up && (column.row == OperationRow || column.row == LessonRow)) {
        --column.row;
        playSound(MoveSound);
    }
}

void drawLessonFrame(Game& game, const Seat& first, const Seat& second, ColumnState (&columns)[2]) {
    Image* canvas = game.mainPanel.canvas.get();
    const bool two = game.twoPlayers != 0;
    putImage(canvas, 0, 0, game.backImage.get(), PutMode::Copy);
    drawPlayerHeader(canvas, game, first);
    if (two) drawPlayerHeader(canvas, game, second);
    drawLessonNames(canvas, first);
    columns[0].gridShown = first.operation > Subtract && first.lesson == CustomLesson;
    columns[1].gridShown = second.operation > Subtract && second.lesson == CustomLesson;
    drawGrid(canvas, first, columns[0]);
    if (two) drawGrid(canvas, second, columns[1]);
    if (two) drawLessonNames(canvas, second);
    drawRowFrame(canvas, first, columns[0]);
    if (two) drawRowFrame(canvas, second, columns[1]);
    drawLessonArrows(canvas, game, first);
    if (two) drawLessonArrows(canvas, game, second);
    drawSeatLeaders(canvas, game, first, columns[0]);
    if (two) drawSeatLeaders(canvas, game, second, columns[1]);
}

// Classmates on other devices may have raced since the boards were read: the leaders show their races.
void readNewRaces(Game& game) {
    GameStore.refreshBoard(game.classrooms, game.classroom, game.operation1, game.lesson1, game.distance);
    if (game.twoPlayers != 0 && (game.operation2 != game.operation1 || game.lesson2 != game.lesson1))
        GameStore.refreshBoard(game.classrooms, game.classroom, game.operation2, game.lesson2, game.distance);
}

}  // namespace

void lessonMenu(Game& game) {
    readNewRaces(game);
    ColumnState columns[2];
    // The seats refer into the player list, which nothing here resizes.
    Seat first = firstSeat(game);
    Seat second = secondSeat(game);
    keepCarInRange(first.player);
    if (game.twoPlayers != 0) keepCarInRange(second.player);
    for (;;) {
        tickFrame();
        pendingKey = readFrameKey(game, game.twoPlayers != 0 ? HelpTopic::LessonTwoPlayers : HelpTopic::Lesson);
        drawLessonFrame(game, first, second, columns);
        handleRowKeys(first, columns[0]);
        if (game.twoPlayers != 0) {
            handleRowKeys(second, columns[1]);
            handleRowMove(second, columns[1]);
        }
        handleRowMove(first, columns[0]);
        drawNotice(game, game.mainPanel.canvas.get());
        lockScreen();
        presentPanel(game.mainPanel);
        unlockScreen();
        if (pendingKey == EscKey) {
            game.screen = Track;
            playSound(MoveSound);
            break;
        }
        if (pendingKey == EnterKey) {
            game.screen = Race;
            playSound(ConfirmSound);
            break;
        }
        sleepMs(1);
    }
    saveClassPlayers(game);
}
