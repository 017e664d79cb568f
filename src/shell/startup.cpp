// Start-up in its fixed order, and the screen loop that dispatches one screen routine at a time.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "accounts/accounts.h"
#include "audio/sound.h"
#include "lessons/catalogue.h"
#include "present/assets.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "race/race.h"
#include "setup/setup.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "shell/watch.h"
#include "shell/notice.h"
#include "store/game_store.h"
#include "store/save_lock.h"
#include "store/store.h"

void enterClassroom(Game& game) {
    game.raceLength = 500;
    // The saves still waiting belong to the classroom being left, whose boards and players are
    // about to be replaced: they land first.
    GameStore.finishSaving(-1);
    GameStore.enterClassroom(game.classrooms, game.classroom, game.players);
    game.screen = Players;
}

namespace {

// How long quitting waits for a save that another PC's lock holds up before keeping its races on
// this PC for the next start.
constexpr double QuitPatienceSeconds = 20;

// How long a save of the game waits for another PC's lock before the screens go on without it.
constexpr double SaveTryPatience = 0.5;

void finishBeforeQuitting(Game& game) {
    if (GameStore.finishSaving(QuitPatienceSeconds)) return;
    const int kept = GameStore.keepUnsaved();
    if (kept == 0) return;
    const char* const told = "Race kept on this PC: saved next start";
    std::fprintf(stderr, "%s\n", told);
    showNotice(game, told);
    drawNotice(game, game.mainPanel.canvas.get());
    lockScreen();
    presentPanel(game.mainPanel);
    unlockScreen();
    sleepMs(1500);
}

// At any exit (the window's close button, the play tool's end) the saves still waiting land, or
// their races are kept on this PC; the screen may be gone, so nothing is drawn.
void saveBeforeExit() {
    setLockWaitHook(nullptr);
    releaseAllSaveLocks();
    if (GameStore.finishSaving(QuitPatienceSeconds)) return;
    if (GameStore.keepUnsaved() > 0) std::fprintf(stderr, "Race kept on this PC: saved next start\n");
}

// Tells the watchers when the loop sees screen take a new value.
void noticeScreen(const Game& game) {
    static int seen = Classrooms;
    if (game.screen == seen) return;
    seen = game.screen;
    if (Watchers.screenChanged) Watchers.screenChanged(seen);
}

}  // namespace

void runScreenLoop(Game& game) {
    for (;;) {
        const int screen = game.screen;
        switch (screen) {
            case Classrooms:
                runClassroomMenu(game);
                noticeScreen(game);
                if (game.screen != Quit) enterClassroom(game);
                break;
            case Players:
                runPlayerMenu(game);
                break;
            case Track:
                trackMenu(game);
                break;
            case Lesson:
                lessonMenu(game);
                break;
            case Race:
                runRace(game);
                break;
            case Quit:
                finishBeforeQuitting(game);
                sleepMs(200);
                return;
            default:
                break;  // an unknown screen runs nothing
        }
        noticeScreen(game);
        sleepMs(1);
    }
}

int runGame() {
    FrameClock.lastTime = nowSeconds();
    FrameClock.frameDelta = FrameClock.lastTime;
    // The browser plays again in the same process after the quit choice: the sound library starts once.
    static bool soundStarted = false;
    if (!soundStarted) initSoundLibrary();
    soundStarted = true;
    loadSoundBank();
    fillLessonCatalogue();
    // A fresh game each run, every field zero or empty.
    const auto game = std::make_unique<Game>();
    openScreen(1280, 720, 32, 1, ScreenFullscreen);
    hideMousePointer();
    loadImages(*game);
    deferBusySaves(SaveTryPatience);
    watchSaves(*game);
    static bool exitWatched = false;
    if (!exitWatched) std::atexit(saveBeforeExit);
    exitWatched = true;
    GameStore.storeKept();
    runSplash(*game);
    runScreenLoop(*game);
    return 0;
}
