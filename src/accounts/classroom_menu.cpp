// The classroom menu: choose the classroom to work in, add one, delete one, or quit the game.
#include "accounts/accounts.h"
#include "accounts/menu_list.h"
#include "audio/sound.h"
#include "present/key_strings.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/help.h"
#include "store/store.h"

namespace {

// The locals of one run of the menu.
struct ClassroomMenu {
    int entryMode = 0;  // 0 browsing, 1 typing a new classroom's name, 2 its password
    bool askOpen = false;
    bool askDelete = false;
    std::string nameText;
    std::string passwordText;
};

enum class Outcome { Stay, Leave };

// The password of the selected classroom, or "" when the selection is not on a classroom.
const std::string& selectedPassword(const Game& game) {
    static const std::string none;
    const int at = game.classroom;
    return at >= 0 && at < game.classrooms.count ? game.classrooms.items[static_cast<std::size_t>(at)].password
                                                 : none;
}

bool onClassroomRow(const Game& game) { return game.classroom >= 0 && game.classroom < game.classrooms.count; }

// The keys of the browsing state.
Outcome browse(Game& game, ClassroomMenu& menu, const ListWindow& window) {
    const int count = game.classrooms.count;
    if (pendingKey == EnterKey) {
        pendingKey.clear();
        playSound(ConfirmSound);
        if (game.classroom == count) {
            menu.entryMode = 1;
            menu.nameText.clear();
            menu.passwordText.clear();
        } else if (game.classroom == count + 1) {
            saveClassrooms(game.classrooms);
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
        menu.passwordText.clear();
        menu.askDelete = true;
    } else if (pendingKey == DownKey) {
        if (game.classroom < window.bottomRow + 2) {
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
Outcome actOnKey(Game& game, ClassroomMenu& menu, const ListWindow& window, Image* canvas) {
    if (menu.entryMode == 1) {
        if (editText(menu.nameText, 20) == 1) menu.entryMode = menu.nameText.empty() ? 0 : 2;
        drawPrompt(canvas, "Enter classname:", menu.nameText);
    } else if (menu.entryMode == 2) {
        drawPrompt(canvas, "New password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            addClassroom(game.classrooms, menu.nameText, menu.passwordText);
            game.classroom = game.classrooms.count - 1;
            menu.entryMode = 0;
            saveClassrooms(game.classrooms);
        }
    } else if (menu.askOpen) {
        if (selectedPassword(game).empty()) {
            saveClassrooms(game.classrooms);
            return Outcome::Leave;
        }
        drawPrompt(canvas, "Enter password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            if (menu.passwordText == selectedPassword(game)) {
                saveClassrooms(game.classrooms);
                return Outcome::Leave;
            }
            menu.passwordText.clear();
            menu.askOpen = false;
        }
    } else if (menu.askDelete) {
        if (selectedPassword(game).empty()) {
            deleteClassroom(game.classrooms, game.classroom);
            saveClassrooms(game.classrooms);
            menu.askDelete = false;
            return Outcome::Stay;
        }
        drawPrompt(canvas, "Enter password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            if (menu.passwordText == selectedPassword(game)) {
                deleteClassroom(game.classrooms, game.classroom);
                saveClassrooms(game.classrooms);
            }
            menu.passwordText.clear();
            menu.askDelete = false;
        }
    } else {
        return browse(game, menu, window);
    }
    return Outcome::Stay;
}

}  // namespace

void runClassroomMenu(Game& game) {
    forgetAcceptedPlayers();
    loadClassrooms(game.classrooms);
    // The selection kept from the last visit may lie beyond a list that has shrunk since.
    if (game.classroom > game.classrooms.count + 1) game.classroom = game.classrooms.count + 1;
    if (game.classroom < 0) game.classroom = 0;
    ClassroomMenu menu;
    for (;;) {
        tickFrame();
        pendingKey = readFrameKey(game, HelpTopic::Classrooms);
        Image* canvas = game.mainPanel.canvas.get();
        putImage(canvas, 0, 0, game.back2Image.get(), PutMode::Copy);
        const ListWindow window = listWindow(game.classroom, game.classrooms.count);
        drawText(canvas, 7, 8, "Select Class ", MenuInk);
        for (int i = window.topRow < 0 ? 0 : window.topRow; i <= window.bottomRow; ++i)
            drawText(canvas, 15, rowY(window, i), game.classrooms.items[static_cast<std::size_t>(i)].name, MenuInk);
        drawTrailingRows(canvas, window, "Add Class");
        drawSelectionFrame(canvas, window, game.classroom, 200);
        if (actOnKey(game, menu, window, canvas) == Outcome::Leave) return;
        lockScreen();
        presentPanel(game.mainPanel);
        unlockScreen();
        sleepMs(1);
    }
}
