// The browser build's entry: brings the saved classrooms back from IndexedDB, waits on a start card
// for the key that lets the page make sound, runs the game, and after the quit choice shows an end
// card from which a key plays again.
#include <emscripten.h>
#include <unistd.h>

#include <string>

#include "audio/sound.h"
#include "present/image.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "present/web.h"
#include "race/race.h"
#include "shell/page_cards.h"
#include "shell/shell.h"
#include "store/store.h"

// The page side, in src/present/web/platform.js.
extern "C" {
void tally_web_mount(const char* gameFolder);
int tally_web_sync(int pull);
int tally_web_lock();
void tally_web_unlock();
}

namespace {

// The game folder: the pictures and sounds are preloaded here, and its "classrooms" is kept in
// IndexedDB.
constexpr const char* GameFolder = "/game";

// Every save holds the lock that all tabs of this site share, and starts from what the other tabs
// saved, so that the store's merge sees their saves as it sees another PC's in a shared folder.
void beforeSave() {
    tally_web_lock();
    tally_web_sync(1);
}

void afterSave() {
    tally_web_sync(0);
    tally_web_unlock();
}

void mountClassrooms() {
    tally_web_mount(GameFolder);
    beforeSave();
    tally_web_unlock();
}

// The keys that type player's answer with that player's keys: the letters laid out as a keypad
// (q w e / a s d / z x c / v) and Space, or the digits and Enter.
void typeAnswer(long long number, bool letterKeys) {
    static const char letters[] = "vzxcasdqwe";  // the letter of digit 0 to 9
    for (char digit : std::to_string(number < 0 ? -number : number))
        webQueueKey(std::string(1, letterKeys ? letters[digit - '0'] : digit));
    webQueueKey(letterKeys ? " " : "\r");
}

}  // namespace

// Test hooks for the browser test, reached through Module (page.js).
extern "C" {

// Types the right answer to player's (1 or 2) problem on screen now; returns 0 when there is none.
EMSCRIPTEN_KEEPALIVE int tally_web_solve(int player) {
    bool letterKeys = false;
    const Problem* problem = problemOnScreen(player, letterKeys);
    if (problem == nullptr) return 0;
    typeAnswer(problem->answer, letterKeys);
    return 1;
}

EMSCRIPTEN_KEEPALIVE double tally_web_frames() { return webFrameStats().frames; }
EMSCRIPTEN_KEEPALIVE double tally_web_presented() { return webFrameStats().presented; }
EMSCRIPTEN_KEEPALIVE double tally_web_work_seconds() { return webFrameStats().workSeconds; }

}  // extern "C"

int main() {
    if (chdir(GameFolder) != 0) return 1;
    openScreen(1280, 720, 32, 1, ScreenFullscreen);
    ImageHandle paper = createImage(320, 180);
    if (!loadBitmap("ui/back2.bmp", paper.get())) paper.reset();
    const ImageHandle startCard = drawPageCard(paper.get(), StartCardLines);
    // The card shows at once; IndexedDB is read while it is up.
    lockScreen();
    drawSprite(nullptr, 640, 360, startCard.get(), 4.0f, 4.0f, false);
    unlockScreen();
    mountClassrooms();
    setSaveHooks({beforeSave, afterSave});
    showPageCard(startCard.get());
    for (;;) {
        runGame();
        // Keys typed as the game ended are not the one that plays again.
        while (!readKey().empty()) {
        }
        showPageCard(drawPageCard(paper.get(), EndCardLines).get());
    }
}
