// Start-up in its fixed order, and the screen loop that dispatches one screen routine at a time.
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
#include "store/game_store.h"

void enterClassroom(Game& game) {
    game.raceLength = 500;
    GameStore.enterClassroom(game.classrooms, game.classroom, game.players);
    game.screen = Players;
}

namespace {

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
    runSplash(*game);
    runScreenLoop(*game);
    return 0;
}
