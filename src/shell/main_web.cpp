// The browser build's entry: keeps the classrooms on the classroom server when one serves the page,
// else brings them back from IndexedDB; waits on a start card for the key that lets the page make
// sound, runs the game, and after the quit choice shows an end card from which a key plays again.
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
#include "store/store_remote.h"

// The page side, in src/present/web/platform.js.
extern "C" {
void tally_web_mount(const char* gameFolder);
int tally_web_sync(int pull);
int tally_web_lock();
void tally_web_unlock();
}

// Whether a classroom server serves this page: served.js asked it as the page loaded.
EM_ASYNC_JS(int, tally_web_served, (), {
  return (typeof TallyServer !== "undefined" && (await TallyServer.served)) ? 1 : 0;
});

// Sends one request to the server that serves the page and keeps its answer for
// tally_web_take_answer; returns the status, or 0 when nothing came back (a lost connection, or no
// answer within a few seconds, so that the game goes on with a notice rather than waiting).
EM_ASYNC_JS(int, tally_web_fetch, (const char* method, const char* route, const char* body), {
  var options = { method: UTF8ToString(method), cache: "no-store", headers: {} };
  if (options.method !== "GET") {
    options.body = UTF8ToString(body);
    options.headers["Content-Type"] = "application/json";
  }
  var abort = typeof AbortController !== "undefined" ? new AbortController() : null;
  if (abort) options.signal = abort.signal;
  var timer = setTimeout(function () { if (abort) abort.abort(); }, 5000);
  Module["tallyAnswer"] = "";
  // Relative to the page, so that a server that serves it under a path of its own works too.
  var path = UTF8ToString(route);
  if (path.charAt(0) === "/") path = path.substring(1);
  try {
    var response = await fetch(new URL(path, document.baseURI), options);
    Module["tallyAnswer"] = await response.text();
    return response.status;
  } catch (error) {
    return 0;
  } finally {
    clearTimeout(timer);
  }
});

// The length in bytes of the answer tally_web_fetch kept, and the answer itself into buffer (size
// bytes with its terminating zero). Answers are plain ASCII: the server escapes every other byte.
EM_JS(int, tally_web_answer_size, (), { return lengthBytesUTF8(Module["tallyAnswer"] || ""); });
EM_JS(void, tally_web_take_answer, (char* buffer, int size), {
  stringToUTF8(Module["tallyAnswer"] || "", buffer, size);
  Module["tallyAnswer"] = "";
});

// The races kept for the classroom server (store_remote.h) in this browser's IndexedDB: one text
// under one key. tally_web_kept_read keeps it for tally_web_take_answer and returns its length in
// bytes, or -1 when IndexedDB could not be read; tally_web_kept_write returns 1 once the text is
// stored, 0 when it was not.
EM_ASYNC_JS(int, tally_web_kept_read, (), {
  function open() {
    return new Promise(function (done, fail) {
      var request = indexedDB.open("tallyrally-kept", 1);
      request.onupgradeneeded = function () { request.result.createObjectStore("kept"); };
      request.onsuccess = function () { done(request.result); };
      request.onerror = function () { fail(request.error); };
    });
  }
  Module["tallyKeptOpen"] = Module["tallyKeptOpen"] || open;
  try {
    var db = await Module["tallyKeptOpen"]();
    var text = await new Promise(function (done, fail) {
      var get = db.transaction("kept", "readonly").objectStore("kept").get("races");
      get.onsuccess = function () { done(typeof get.result === "string" ? get.result : ""); };
      get.onerror = function () { fail(get.error); };
    });
    db.close();
    Module["tallyAnswer"] = text;
    return lengthBytesUTF8(text);
  } catch (error) {
    return -1;
  }
});

EM_ASYNC_JS(int, tally_web_kept_write, (const char* text), {
  var value = UTF8ToString(text);
  try {
    var db = await Module["tallyKeptOpen"]();
    await new Promise(function (done, fail) {
      var transaction = db.transaction("kept", "readwrite");
      transaction.objectStore("kept").put(value, "races");
      transaction.oncomplete = function () { done(); };
      transaction.onerror = function () { fail(transaction.error); };
      transaction.onabort = function () { fail(transaction.error); };
    });
    db.close();
    return 1;
  } catch (error) {
    return 0;
  }
});

namespace {

// The game folder: the pictures and sounds are preloaded here, and its "classrooms" is kept in
// IndexedDB.
constexpr const char* GameFolder = "/game";

bool remote = false;  // the classrooms are kept by the classroom server that serves the page

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

RemoteAnswer fetchFromServer(const std::string& method, const std::string& route, const std::string& body) {
    RemoteAnswer answer;
    answer.status = tally_web_fetch(method.c_str(), route.c_str(), body.c_str());
    std::string text(static_cast<std::size_t>(tally_web_answer_size()) + 1, '\0');
    tally_web_take_answer(text.data(), static_cast<int>(text.size()));
    text.pop_back();
    answer.body = std::move(text);
    return answer;
}

// The shelf of the races that wait for the server: IndexedDB, held by the lock every tab of this
// site shares, so that two tabs never send one race twice or write over each other's.
KeptRaceShelf browserShelf() {
    KeptRaceShelf shelf;
    shelf.hold = [] { tally_web_lock(); };
    shelf.release = [] { tally_web_unlock(); };
    shelf.read = [](std::string& text) {
        const int size = tally_web_kept_read();
        if (size < 0) return false;
        text.assign(static_cast<std::size_t>(size) + 1, '\0');
        tally_web_take_answer(text.data(), static_cast<int>(text.size()));
        text.pop_back();
        return true;
    };
    shelf.write = [](const std::string& text) { return tally_web_kept_write(text.c_str()) == 1; };
    return shelf;
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

// The name of the racer in slot 0..2 of the race that runs now (slot 0: the rival's ghost); empty
// when no race runs.
EMSCRIPTEN_KEEPALIVE const char* tally_web_racer_name(int slot) {
    const Racer* racer = racerInRace(slot);
    return racer == nullptr ? "" : racer->name.c_str();
}

// 1 when the game keeps its classrooms on the classroom server that serves the page.
EMSCRIPTEN_KEEPALIVE int tally_web_remote() { return remote ? 1 : 0; }

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
    // The card shows at once; the classroom server is asked for, or IndexedDB read, while it is up.
    lockScreen();
    drawSprite(nullptr, 640, 360, startCard.get(), 4.0f, 4.0f, false);
    unlockScreen();
    // Served by a classroom server, the class's classrooms are there and none are kept here.
    remote = tally_web_served() != 0;
    if (remote) {
        useRemoteStore(fetchFromServer, browserShelf());
        sendKeptRaces();  // what a former visit kept while the server was away
    } else {
        mountClassrooms();
        setSaveHooks({beforeSave, afterSave});
    }
    showPageCard(startCard.get());
    for (;;) {
        runGame();
        // Keys typed as the game ended are not the one that plays again.
        while (!readKey().empty()) {
        }
        showPageCard(drawPageCard(paper.get(), EndCardLines).get());
    }
}
