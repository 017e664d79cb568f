// The platform services: screen, keys, clock and sleep. Three back ends implement them, chosen at
// link time (SDL2 for the game, headless for tests and the play tool, the browser's for the web
// build); game code sees only this.
#pragma once
#include <cstdint>
#include <string>

constexpr int ScreenFullscreen = 1;

struct ScreenInfo {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    int pitch = 0;
};

// Called once at start-up, before any image is created. Returns false when no screen could be
// opened; screenPixels then stays null and every screen blit draws nothing.
bool openScreen(int width, int height, int bitsPerPixel, int pages, int flags);
void hideMousePointer();

// Open and close one frame. Between them screenPixels gives the top row of the screen;
// unlockScreen shows the whole screen as it now is.
void lockScreen();
void unlockScreen();
std::uint32_t* screenPixels();  // null when no screen is open
ScreenInfo screenInfo();

// Oldest waiting key string ("" when none waits); never blocks.
std::string readKey();
// Whether the key with this PC set-1 scan code is held now.
bool isKeyDown(int scanCode);
// Pauses about ms milliseconds; -1 waits (looking every 50 ms) until a key press is queued and
// leaves it queued.
void sleepMs(int ms);
// Monotonic seconds; only differences matter (and the race's random seed).
double nowSeconds();
