// The platform services in a browser: the screen on the page's canvas, keys from the page's keyboard
// events, the page's clock, and pauses that hand the browser its turn (Asyncify), so that every
// screen's own frame loop runs unchanged.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "present/keymap.h"
#include "present/platform.h"
#include "present/web.h"
#include "present/web_keys.h"

// The page side, in src/present/web/platform.js.
extern "C" {
void tally_web_open(int width, int height);
void tally_web_present(const std::uint8_t* rgba, int bytes);
int tally_web_next_key(char* code, int codeSize, char* key, int keySize);
void tally_web_wait_frame();
}

namespace {

// The game draws its 320 x 180 pictures four times enlarged onto a 1280 x 720 screen; the canvas
// takes the middle pixel of each 4 x 4 block and the page enlarges it again without smoothing.
constexpr int Enlargement = 4;
constexpr std::size_t MostQueuedKeys = 256;

// What a page key event says, as tally_web_next_key packs it.
constexpr int KeyDownFlag = 1;
constexpr int RepeatFlag = 2;
constexpr int CommandFlag = 4;
constexpr int LostFocusFlag = 8;

struct WebScreen {
    std::vector<std::uint32_t> pixels;  // the screen, 0xAARRGGBB, row after row
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> canvas;  // the canvas' picture as last shown, RGBA
    std::vector<std::uint8_t> next;    // the picture being made
    bool shownOnce = false;
    std::deque<std::string> keys;
    std::set<int> held;  // USB usages of the keys down now
    WebFrameStats stats;
    double resumedAt = 0;  // emscripten_get_now when the game last got its turn back
};

WebScreen web;

double nowMs() { return emscripten_get_now(); }

// Hands the browser its turn between two stretches of work and counts the work time: every pause
// of the game goes through here. Waits ms milliseconds, or for the next animation frame when ms < 0.
void webPause(int ms) {
    web.stats.workSeconds += (nowMs() - web.resumedAt) / 1000.0;
    if (ms < 0)
        tally_web_wait_frame();
    else
        emscripten_sleep(static_cast<unsigned>(ms));
    web.resumedAt = nowMs();
}

void queueKey(std::string key) {
    if (!key.empty() && web.keys.size() < MostQueuedKeys) web.keys.push_back(std::move(key));
}

// Takes every key event the page has collected since the last look.
void pumpEvents() {
    char code[64];
    char key[64];
    for (int flags; (flags = tally_web_next_key(code, sizeof code, key, sizeof key)) >= 0;) {
        if ((flags & LostFocusFlag) != 0) {
            web.held.clear();  // a key let go elsewhere sends no event here
            continue;
        }
        const int usage = usageForDomCode(code);
        if ((flags & KeyDownFlag) == 0) {
            web.held.erase(usage);
            continue;
        }
        if (usage != 0) web.held.insert(usage);
        for (std::string& typed : keyStringsForDomKeyDown(code, key, (flags & RepeatFlag) != 0,
                                                           (flags & CommandFlag) != 0))
            queueKey(std::move(typed));
    }
}

// The middle pixel of every enlarged block, as RGBA bytes: the game's enlargement starts its blocks
// a row late (the first row of blocks is five rows high), so a block's first row is its upper
// neighbour's last one.
void shrinkScreen() {
    const int width = web.width / Enlargement;
    const int height = web.height / Enlargement;
    auto* out = reinterpret_cast<std::uint32_t*>(web.next.data());
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row =
            &web.pixels[(static_cast<std::size_t>(y) * Enlargement + Enlargement / 2) * web.width];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x * Enlargement + Enlargement / 2];
            // 0xAARRGGBB to the bytes R, G, B, A of a little-endian word.
            *out++ = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
        }
    }
}

}  // namespace

bool openScreen(int width, int height, int /*bitsPerPixel*/, int /*pages*/, int /*flags*/) {
    if (!web.pixels.empty()) return web.width == width && web.height == height;
    if (width < Enlargement || height < Enlargement) return false;
    web.width = width;
    web.height = height;
    web.pixels.assign(static_cast<std::size_t>(width) * height, 0xFF000000u);
    const std::size_t bytes = static_cast<std::size_t>(width / Enlargement) * (height / Enlargement) * 4;
    web.canvas.assign(bytes, 0);
    web.next.assign(bytes, 0);
    tally_web_open(width / Enlargement, height / Enlargement);
    web.resumedAt = nowMs();
    return true;
}

void hideMousePointer() {}

void lockScreen() {}

void unlockScreen() {
    pumpEvents();
    if (web.pixels.empty()) return;
    ++web.stats.frames;
    shrinkScreen();
    if (!web.shownOnce || web.next != web.canvas) {
        web.canvas.swap(web.next);
        web.shownOnce = true;
        tally_web_present(web.canvas.data(), static_cast<int>(web.canvas.size()));
        ++web.stats.presented;
    }
    // The browser shows the canvas and runs its events once the game lets go; the next animation
    // frame also keeps the game at the display's pace.
    webPause(-1);
}

std::uint32_t* screenPixels() { return web.pixels.empty() ? nullptr : web.pixels.data(); }

ScreenInfo screenInfo() {
    if (web.pixels.empty()) return {};
    return {web.width, web.height, 4, web.width * 4};
}

std::string readKey() {
    pumpEvents();
    if (web.keys.empty()) return "";
    std::string key = std::move(web.keys.front());
    web.keys.pop_front();
    return key;
}

bool isKeyDown(int scanCode) {
    pumpEvents();
    const std::vector<int> usages = usagesForScanCode(scanCode);
    return std::any_of(usages.begin(), usages.end(), [](int usage) { return web.held.count(usage) != 0; });
}

void sleepMs(int ms) {
    if (ms >= 0) {
        webPause(ms);
        pumpEvents();
        return;
    }
    for (;;) {
        pumpEvents();
        if (!web.keys.empty()) return;
        webPause(50);
    }
}

double nowSeconds() { return nowMs() / 1000.0; }

void webQueueKey(const std::string& keyString) { queueKey(keyString); }

WebFrameStats webFrameStats() { return web.stats; }

