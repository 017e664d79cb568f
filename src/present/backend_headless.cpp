// The headless back end: an in-memory screen, a virtual clock and scripted keys. Nothing reads real
// time, so the same input always gives the same screens.
#include <deque>
#include <set>
#include <vector>

#include "present/headless.h"
#include "present/platform.h"

namespace {

struct HeadlessState {
    std::vector<std::uint32_t> screen;
    int width = 0;
    int height = 0;
    bool open = false;
    double now = 0.0;
    double frameSeconds = 1.0 / 60.0;
    long long frames = 0;
    std::deque<std::string> keys;
    std::set<int> held;
    std::function<void()> presentHook;
    std::function<void()> timeHook;
    std::function<void(const std::string&)> keyReadHook;
};

HeadlessState& state() {
    static HeadlessState s;
    return s;
}

void advance(double seconds) {
    auto& s = state();
    s.now += seconds;
    if (s.timeHook) s.timeHook();
}

}  // namespace

bool openScreen(int width, int height, int, int, int) {
    auto& s = state();
    if (width <= 0 || height <= 0) return false;
    s.width = width;
    s.height = height;
    s.screen.assign(static_cast<std::size_t>(width) * height, 0xFF000000u);
    s.open = true;
    return true;
}

void hideMousePointer() {}

void lockScreen() {}

void unlockScreen() {
    auto& s = state();
    if (!s.open) return;
    ++s.frames;
    if (s.presentHook) s.presentHook();
    advance(s.frameSeconds);
}

std::uint32_t* screenPixels() {
    auto& s = state();
    return s.open ? s.screen.data() : nullptr;
}

ScreenInfo screenInfo() {
    auto& s = state();
    if (!s.open) return {};
    return {s.width, s.height, 4, s.width * 4};
}

std::string readKey() {
    auto& s = state();
    if (s.keys.empty()) return {};
    std::string key = s.keys.front();
    s.keys.pop_front();
    if (s.keyReadHook) s.keyReadHook(key);
    return key;
}

bool isKeyDown(int scanCode) { return state().held.count(scanCode) != 0; }

void sleepMs(int ms) {
    auto& s = state();
    if (ms >= 0) {
        advance(ms / 1000.0);
        return;
    }
    // Wait for a key in 50 ms steps of game time. Without anyone to press a key (no hook), give
    // up after an hour of game time rather than hang a test forever.
    for (int step = 0; s.keys.empty(); ++step) {
        if (!s.timeHook && step >= 72000) return;
        advance(0.05);
    }
}

double nowSeconds() { return state().now; }

void headlessSetFrameSeconds(double seconds) { state().frameSeconds = seconds > 0 ? seconds : 1.0 / 60.0; }
void headlessSetPresentHook(std::function<void()> hook) { state().presentHook = std::move(hook); }
void headlessSetTimeHook(std::function<void()> hook) { state().timeHook = std::move(hook); }
void headlessSetKeyReadHook(std::function<void(const std::string&)> hook) {
    state().keyReadHook = std::move(hook);
}
void headlessPushKey(const std::string& keyString) {
    if (!keyString.empty()) state().keys.push_back(keyString);
}
void headlessSetKeyDown(int scanCode, bool down) {
    if (down)
        state().held.insert(scanCode);
    else
        state().held.erase(scanCode);
}

void headlessReset() { state() = HeadlessState{}; }

const std::uint32_t* headlessScreen() { return screenPixels(); }
int headlessScreenPitch() { return state().width; }
long long headlessFrames() { return state().frames; }
