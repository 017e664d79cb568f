// Start-up in its fixed order, and the screen loop that dispatches one screen routine at a time.
#include "audio/sound.h"
#include "lessons/catalogue.h"
#include "present/assets.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "store/store.h"

void enterClassroom(Game& game) {
    game.raceLength = 500;
    loadPlayers(game.players, game.classroom);
    game.screen = Players;
}

void runBlankScreen(Game& game) {
    tickFrame();
    pendingKey = readKey();
    lockScreen();
    presentPanel(game.mainPanel);
    unlockScreen();
    pendingKey.clear();
    sleepMs(1);
}

void runScreenLoop(Game& game) {
    for (;;) {
        const int screen = game.screen;
        switch (screen) {
            case Classrooms:
                // The classroom menu joins here; once it returns with a classroom chosen (screen
                // not Quit) the classroom's boards are loaded and enterClassroom moves on.
                runBlankScreen(game);
                break;
            case Players:
            case Track:
            case Lesson:
            case Race:
                runBlankScreen(game);
                break;
            case Quit:
                sleepMs(200);
                return;
            default:
                break;  // an unknown screen runs nothing
        }
        sleepMs(1);
    }
}

int runGame() {
    FrameClock.lastTime = nowSeconds();
    FrameClock.frameDelta = FrameClock.lastTime;
    initSoundLibrary();
    loadSoundBank();
    fillLessonCatalogue();
    static Game game;
    openScreen(1280, 720, 32, 1, ScreenFullscreen);
    hideMousePointer();
    loadImages(game);
    runSplash(game);
    runScreenLoop(game);
    return 0;
}
