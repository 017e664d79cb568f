// The classroom menu: choose the classroom to work in, add one, delete one, or quit the game.
#include "accounts/accounts.h"
#include "accounts/menu_list.h"
#include "audio/sound.h"
#include "present/key_strings.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/help.h"
#include "shell/notice.h"
#include "store/game_store.h"

namespace {

// The locals of one run of the menu.
struct ClassroomMenu {
    int entryMode = 0;  // 0 browsing, 1 typing a new classroom's name, 2 its password, 3 the password again
    bool askOpen = false;
    bool confirmDelete = false;  // "Delete ...?" is asked: one key wipes a classroom with all its races
    bool askDelete = false;
    std::string nameText;
    std::string passwordText;
    std::string repeatText;
    int topRow = 0;  // the first entry shown in the last frame
};

enum class Outcome { Stay, Leave };

bool onClassroomRow(const Game& game) { return game.classroom >= 0 && game.classroom < game.classrooms.count; }

// Whether the selected classroom asks for a password: false when the selection is not on one.
bool selectedAsksPassword(const Game& game) {
    return onClassroomRow(game) && asksPassword(game.classrooms.items[static_cast<std::size_t>(game.classroom)]);
}

// Whether typed opens the selected classroom: the store says, which may ask the classroom server.
bool opensSelected(Game& game, const std::string& typed) {
    return onClassroomRow(game) && GameStore.isClassroomPassword(game.classrooms, game.classroom, typed);
}

bool promptOpen(const ClassroomMenu& menu) {
    return menu.entryMode != 0 || menu.askOpen || menu.confirmDelete || menu.askDelete;
}

// Saves the index merged with what other PCs saved meanwhile (which may move or remove rows) and
// keeps the selection on the same classroom by name. False when the selected classroom is gone.
bool saveKeepingSelection(Game& game) {
    if (!onClassroomRow(game)) {
        GameStore.saveClassrooms(game.classrooms);
        if (game.classroom > game.classrooms.count + 1) game.classroom = game.classrooms.count;
        return true;
    }
    const std::string name = game.classrooms.items[static_cast<std::size_t>(game.classroom)].name;
    GameStore.saveClassrooms(game.classrooms);
    const auto& items = game.classrooms.items;
    if (onClassroomRow(game) && items[static_cast<std::size_t>(game.classroom)].name == name) return true;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].name == name) {
            game.classroom = static_cast<int>(i);
            return true;
        }
    }
    game.classroom = 0;
    return false;
}

// Enters the selected classroom, unless another PC deleted it meanwhile.
Outcome enterSelected(Game& game, ClassroomMenu& menu) {
    if (saveKeepingSelection(game)) return Outcome::Leave;
    menu.askOpen = false;
    refuse(game, "This class was deleted on another PC");
    return Outcome::Stay;
}

// Deletes the selected classroom; the list may have shrunk by more than one meanwhile.
void deleteSelected(Game& game) {
    GameStore.deleteClassroom(game.classrooms, game.classroom);
    GameStore.saveClassrooms(game.classrooms);
    if (game.classroom > game.classrooms.count) game.classroom = game.classrooms.count;
}

void addTypedClassroom(Game& game, const ClassroomMenu& menu) {
    GameStore.addClassroom(game.classrooms, menu.nameText, menu.passwordText);
    game.classroom = game.classrooms.count - 1;
    GameStore.saveClassrooms(game.classrooms);
}

// The keys of the browsing state.
Outcome browse(Game& game, ClassroomMenu& menu) {
    const int count = game.classrooms.count;
    if (pendingKey == EnterKey) {
        pendingKey.clear();
        playSound(ConfirmSound);
        if (game.classroom == count) {
            menu.entryMode = 1;
            menu.nameText.clear();
            menu.passwordText.clear();
        } else if (game.classroom == count + 1) {
            GameStore.saveClassrooms(game.classrooms);
            game.screen = Quit;
            return Outcome::Leave;
        } else if (onClassroomRow(game)) {
            // Every classroom with a password asks for it, whoever raced last.
            menu.passwordText.clear();
            menu.askOpen = true;
        }
    } else if (pendingKey == DeleteKey) {
        if (!onClassroomRow(game)) return Outcome::Stay;
        pendingKey.clear();
        playSound(ConfirmSound);
        menu.confirmDelete = true;
    } else if (pendingKey == DownKey) {
        if (game.classroom < count + 1) {
            pendingKey.clear();
            ++game.classroom;
            playSound(MoveSound);
        }
    } else if (pendingKey == UpKey) {
        if (game.classroom > 0) {
            pendingKey.clear();
            --game.classroom;
            playSound(MoveSound);
        }
    }
    return Outcome::Stay;
}

// The open field or question of this frame, or the browsing keys when none is open.
Outcome actOnKey(Game& game, ClassroomMenu& menu, Image* canvas) {
    if (menu.entryMode == 1) {
        if (editText(menu.nameText, 20) == 1) {
            menu.entryMode = menu.nameText.empty() ? 0 : 2;
            if (menu.nameText.empty()) refuse(game, "No name: nothing added");
        }
        drawPrompt(canvas, "Enter classname:", menu.nameText);
    } else if (menu.entryMode == 2) {
        drawPrompt(canvas, "New password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            // A password typed once as stars could hold a slip nobody sees: a password is typed
            // twice, and none needs no second typing.
            menu.entryMode = menu.passwordText.empty() ? 0 : 3;
            menu.repeatText.clear();
            if (menu.passwordText.empty()) addTypedClassroom(game, menu);
        }
    } else if (menu.entryMode == 3) {
        drawPrompt(canvas, "Repeat password:", stars(menu.repeatText));
        if (editText(menu.repeatText, 10) == 1) {
            menu.entryMode = 0;
            if (menu.repeatText == menu.passwordText)
                addTypedClassroom(game, menu);
            else
                refuse(game, "Passwords differ: nothing added");
        }
    } else if (menu.askOpen) {
        if (!selectedAsksPassword(game)) return enterSelected(game, menu);
        drawPrompt(canvas, "Enter password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            if (opensSelected(game, menu.passwordText)) return enterSelected(game, menu);
            menu.passwordText.clear();
            menu.askOpen = false;
            refuse(game, "Wrong password");
        }
    } else if (menu.confirmDelete) {
        const DeleteAnswer answer =
            askBeforeDeleting(canvas, game.classrooms.items[static_cast<std::size_t>(game.classroom)].name);
        if (answer != DeleteAnswer::Waiting) menu.confirmDelete = false;
        if (answer == DeleteAnswer::Yes) {
            menu.passwordText.clear();
            menu.askDelete = true;
        }
    } else if (menu.askDelete) {
        if (!selectedAsksPassword(game)) {
            deleteSelected(game);
            menu.askDelete = false;
            return Outcome::Stay;
        }
        drawPrompt(canvas, "Enter password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            if (opensSelected(game, menu.passwordText)) {
                deleteSelected(game);
            } else {
                refuse(game, "Wrong password");
            }
            menu.passwordText.clear();
            menu.askDelete = false;
        }
    } else {
        return browse(game, menu);
    }
    return Outcome::Stay;
}

}  // namespace

void runClassroomMenu(Game& game) {
    forgetAcceptedPlayers();
    GameStore.loadClassrooms(game.classrooms);
    // The selection kept from the last visit may lie beyond a list that has shrunk since: it starts
    // on the first row, never on "Quit", where one Enter would end the game.
    if (game.classroom >= game.classrooms.count || game.classroom < 0) game.classroom = 0;
    ClassroomMenu menu;
    for (;;) {
        tickFrame();
        pendingKey = readFrameKey(game, HelpTopic::Classrooms);
        Image* canvas = game.mainPanel.canvas.get();
        putImage(canvas, 0, 0, game.back2Image.get(), PutMode::Copy);
        const ListWindow window = listWindow(menu.topRow, game.classroom, game.classrooms.count,
                                             shownEntries(game, promptOpen(menu)));
        menu.topRow = window.topRow;
        drawText(canvas, 7, 8, "Select Class ", MenuInk);
        for (int i = window.topRow < 0 ? 0 : window.topRow; i <= window.bottomRow; ++i)
            drawText(canvas, 15, rowY(window, i), game.classrooms.items[static_cast<std::size_t>(i)].name, MenuInk);
        drawTrailingRows(canvas, window, "Add Class");
        drawSelectionFrame(canvas, window, game.classroom, 200);
        if (actOnKey(game, menu, canvas) == Outcome::Leave) return;
        drawNotice(game, game.mainPanel.canvas.get());
        lockScreen();
        presentPanel(game.mainPanel);
        unlockScreen();
        sleepMs(1);
    }
}
