// The player menu: choose player 1 and then player 2 or "Singleplayer", add and delete players,
// then fill the racer slots for the race.
#include <algorithm>
#include <string>
#include <vector>

#include "accounts/accounts.h"
#include "accounts/menu_list.h"
#include "accounts/player_stats.h"
#include "audio/sound.h"
#include "present/key_strings.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/help.h"
#include "shell/notice.h"
#include "store/game_store.h"

namespace {

// Races are found by the player's name alone, so a second player of the same name would race
// under the first one's name and into their statistics: such a name cancels the addition, as an
// empty one does.
bool nameTaken(const PlayerList& players, const std::string& name) {
    for (const Player& player : players.items)
        if (player.name == name) return true;
    return false;
}

// The names of the players who have given their password (or have none) since the classroom was
// entered. Only they may be taken again without asking, so that nobody races, and fills the
// boards, under another pupil's name. Names, not positions: a save merges what other PCs changed,
// which may move players. Removing a player here forgets them all, as it always did.
std::vector<std::string> acceptedPlayers;

bool isAccepted(const Game& game, int position) {
    if (position < 0 || position >= static_cast<int>(game.players.items.size())) return false;
    const std::string& name = game.players.items[static_cast<std::size_t>(position)].name;
    return std::find(acceptedPlayers.begin(), acceptedPlayers.end(), name) != acceptedPlayers.end();
}

void rememberAccepted(const Game& game, int position) {
    if (position < 0 || position >= static_cast<int>(game.players.items.size())) return;
    if (!isAccepted(game, position)) acceptedPlayers.push_back(game.players.items[static_cast<std::size_t>(position)].name);
}

// The locals of one stage.
struct PlayerMenu {
    int stage = 0;      // 0 choosing player 1, 1 choosing player 2
    int entryMode = 0;  // 0 browsing, 1 typing a new player's name, 2 its password, 3 the password again
    bool askOpen = false;
    bool confirmDelete = false;  // "Delete ...?" is asked: one key would wipe a pupil's name and races
    bool askDelete = false;
    std::string nameText;
    std::string passwordText;
    std::string repeatText;
    int topRow = 0;  // the first entry shown in the last frame
};

enum class Outcome { Stay, StageEnded, BackToFirstStage, StagesOver, QuitGame };

// The cursor of the current stage.
int& selection(Game& game, const PlayerMenu& menu) { return menu.stage == 0 ? game.player1 : game.player2; }

bool isPlayerRow(const Game& game, int row) { return row >= 0 && row < game.players.count; }

void save(Game& game) { saveClassPlayers(game); }

// Whether typed is the password of the player at position: the store says, which may ask the
// classroom server.
bool opensPlayer(Game& game, int position, const std::string& typed) {
    return GameStore.isPlayerPassword(game.classrooms, game.classroom, game.players, position, typed);
}

void beginStage(Game& game, PlayerMenu& menu, int stage) {
    menu = PlayerMenu();
    menu.stage = stage;
    // A cursor kept from a classroom with fewer players would stand on "Add Player", "Quit" or past
    // them, where one Enter ends the game: it starts on the first row instead.
    if (!isPlayerRow(game, game.player1)) game.player1 = 0;
    game.player2 = game.player1;
}

// The selected player passed: in stage 1 the race has two players.
Outcome accept(Game& game, const PlayerMenu& menu) {
    const int sel = selection(game, menu);
    if (menu.stage == 1) game.twoPlayers = 1;
    rememberAccepted(game, sel);
    save(game);
    return Outcome::StageEnded;
}

bool promptOpen(const PlayerMenu& menu) {
    return menu.entryMode != 0 || menu.askOpen || menu.confirmDelete || menu.askDelete;
}

void addTypedPlayer(Game& game, const PlayerMenu& menu) {
    addPlayer(game.players, menu.nameText, menu.passwordText);
    selection(game, menu) = game.players.count - 1;
    save(game);
}

void removeSelected(Game& game, const PlayerMenu& menu) {
    const int sel = selection(game, menu);
    // In stage 1 player 1 is already chosen: when the last player, who moves into the freed
    // position, is player 1, the choice follows them there.
    if (menu.stage == 1 && game.player1 == game.players.count - 1) game.player1 = sel;
    removePlayer(game.players, sel);
    acceptedPlayers.clear();
    save(game);
}

// The keys of the browsing state.
Outcome browse(Game& game, PlayerMenu& menu) {
    int& sel = selection(game, menu);
    const int count = game.players.count;
    if (pendingKey == EnterKey) {
        pendingKey.clear();
        playSound(ConfirmSound);
        if (sel == count) {
            menu.entryMode = 1;
            menu.nameText.clear();
            menu.passwordText.clear();
        } else if (sel == count + 1) {
            save(game);
            game.screen = Quit;
            return Outcome::QuitGame;
        } else if (isPlayerRow(game, sel)) {
            // In stage 1 this row is "Singleplayer"; in stage 0 it is the row the stage began on,
            // taken without asking only when that player has already passed in this classroom.
            if (game.player2 == game.player1 && (menu.stage == 1 || isAccepted(game, game.player1))) {
                save(game);
                if (menu.stage == 1) game.twoPlayers = 0;
                return Outcome::StageEnded;
            }
            menu.passwordText.clear();
            menu.askOpen = true;
        }
    } else if (pendingKey == DeleteKey) {
        // "Singleplayer" is player 1, already chosen: it cannot be deleted from under them.
        const bool singleplayerRow = menu.stage == 1 && sel == game.player1;
        if (!isPlayerRow(game, sel) || singleplayerRow) return Outcome::Stay;
        pendingKey.clear();
        playSound(ConfirmSound);
        menu.confirmDelete = true;
    } else if (pendingKey == DownKey) {
        if (sel < count + 1) {
            pendingKey.clear();
            ++sel;
            playSound(MoveSound);
        }
    } else if (pendingKey == UpKey) {
        if (sel > 0) {
            pendingKey.clear();
            --sel;
            playSound(MoveSound);
        }
    } else if (pendingKey == EscKey) {
        pendingKey.clear();
        save(game);
        playSound(MoveSound);
        if (menu.stage == 1) return Outcome::BackToFirstStage;
        game.screen = Classrooms;
        return Outcome::StagesOver;
    }
    return Outcome::Stay;
}

// The open field or question of this frame, or the browsing keys when none is open.
Outcome actOnKey(Game& game, PlayerMenu& menu, Image* canvas) {
    const int sel = selection(game, menu);
    if (menu.entryMode == 1) {
        if (editText(menu.nameText, 10) == 1) {
            menu.entryMode = 0;
            if (menu.nameText.empty())
                refuse(game, "No name: nothing added");
            else if (nameTaken(game.players, menu.nameText))
                refuse(game, "That name is taken");
            else
                menu.entryMode = 2;
        }
        drawPrompt(canvas, "Enter username:", menu.nameText);
    } else if (menu.entryMode == 2) {
        drawPrompt(canvas, "New password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            // A password typed once as stars could hold a slip nobody sees: a password is typed
            // twice, and none needs no second typing.
            menu.entryMode = menu.passwordText.empty() ? 0 : 3;
            menu.repeatText.clear();
            if (menu.passwordText.empty()) addTypedPlayer(game, menu);
        }
    } else if (menu.entryMode == 3) {
        drawPrompt(canvas, "Repeat password:", stars(menu.repeatText));
        if (editText(menu.repeatText, 10) == 1) {
            menu.entryMode = 0;
            if (menu.repeatText == menu.passwordText)
                addTypedPlayer(game, menu);
            else
                refuse(game, "Passwords differ: nothing added");
        }
    } else if (menu.askOpen) {
        if (!asksPassword(game.players.items[static_cast<std::size_t>(sel)])) return accept(game, menu);
        drawPrompt(canvas, "Enter password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            if (opensPlayer(game, sel, menu.passwordText)) return accept(game, menu);
            menu.passwordText.clear();
            menu.askOpen = false;
            refuse(game, "Wrong password");
        }
    } else if (menu.confirmDelete) {
        const DeleteAnswer answer = askBeforeDeleting(canvas, game.players.items[static_cast<std::size_t>(sel)].name);
        if (answer != DeleteAnswer::Waiting) menu.confirmDelete = false;
        if (answer == DeleteAnswer::Yes) {
            menu.passwordText.clear();
            menu.askDelete = true;
        }
    } else if (menu.askDelete) {
        if (!asksPassword(game.players.items[static_cast<std::size_t>(sel)])) {
            removeSelected(game, menu);
            menu.askDelete = false;
            return Outcome::Stay;
        }
        drawPrompt(canvas, "Enter password:", stars(menu.passwordText));
        if (editText(menu.passwordText, 10) == 1) {
            if (opensPlayer(game, sel, menu.passwordText))
                removeSelected(game, menu);
            else
                refuse(game, "Wrong password");
            menu.passwordText.clear();
            menu.askDelete = false;
        }
    } else {
        return browse(game, menu);
    }
    return Outcome::Stay;
}

// Draws the list of the current stage; "Singleplayer" stands in player 1's row in stage 1.
void drawPlayerList(Game& game, const PlayerMenu& menu, const ListWindow& window, Image* canvas) {
    drawText(canvas, 7, 8, "Player " + std::to_string(menu.stage + 1), MenuInk);
    for (int i = std::max(window.topRow, 0); i <= window.bottomRow; ++i) {
        const bool singleplayer = menu.stage == 1 && i == game.player1;
        drawText(canvas, 15, rowY(window, i),
                 singleplayer ? std::string("Singleplayer") : game.players.items[static_cast<std::size_t>(i)].name,
                 MenuInk);
    }
    drawTrailingRows(canvas, window, "Add Player");
}

// Frames of one stage until it ends.
Outcome runStage(Game& game, PlayerMenu& menu) {
    for (;;) {
        tickFrame();
        pendingKey = readFrameKey(game, menu.stage == 0 ? HelpTopic::FirstPlayer : HelpTopic::SecondPlayer);
        Image* canvas = game.mainPanel.canvas.get();
        putImage(canvas, 0, 0, game.back2Image.get(), PutMode::Copy);
        const int sel = selection(game, menu);
        const ListWindow window =
            listWindow(menu.topRow, sel, game.players.count, shownEntries(game, promptOpen(menu)));
        menu.topRow = window.topRow;
        drawPlayerList(game, menu, window, canvas);
        if (isPlayerRow(game, sel)) drawPlayerStats(game, sel);
        drawSelectionFrame(canvas, window, sel, 120);
        const Outcome outcome = actOnKey(game, menu, canvas);
        if (outcome != Outcome::Stay) return outcome;
        drawNotice(game, game.mainPanel.canvas.get());
        lockScreen();
        presentPanel(game.mainPanel);
        unlockScreen();
        sleepMs(1);
    }
}

// The name of the player at position, or "inactive" when no player stands there.
std::string racerName(const Game& game, int position) {
    return isPlayerRow(game, position) ? game.players.items[static_cast<std::size_t>(position)].name
                                       : std::string("inactive");
}

void fillRacerSlots(Game& game) {
    for (int i = 0; i < 3; ++i) {
        Racer& racer = game.racers[static_cast<std::size_t>(i)];
        racer.lane = 32 * (i + 1);
        racer.x = 160;
        racer.name = "inactive";
    }
    game.racerOfPlayer1 = 1;
    game.racerOfPlayer2 = 2;
    game.racers[1].name = racerName(game, game.player1);
    if (game.twoPlayers) game.racers[2].name = racerName(game, game.player2);
}

}  // namespace

void forgetAcceptedPlayers() { acceptedPlayers.clear(); }

void runPlayerMenu(Game& game) {
    game.screen = Track;
    PlayerMenu menu;
    int stage = 0;
    while (stage < 2) {
        beginStage(game, menu, stage);
        switch (runStage(game, menu)) {
            case Outcome::StageEnded: ++stage; break;
            case Outcome::BackToFirstStage: stage = 0; break;
            case Outcome::StagesOver: stage = 2; break;
            case Outcome::QuitGame: return;
            case Outcome::Stay: break;
        }
    }
    fillRacerSlots(game);
}
