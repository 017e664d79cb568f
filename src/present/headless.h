// Control of the headless back end: the virtual clock, scripted keys and the in-memory screen.
// Used by the play tool and by tests; the game itself never includes this.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Each presented frame (unlockScreen) advances the virtual clock by this many seconds (default 1/60).
void headlessSetFrameSeconds(double seconds);
// Called after every presented frame, with the screen as it was shown.
void headlessSetPresentHook(std::function<void()> hook);
// Called whenever the virtual clock has advanced (after a frame, a sleep, or a 50 ms wait step).
void headlessSetTimeHook(std::function<void()> hook);
// Called with every non-empty key string that readKey hands to the game.
void headlessSetKeyReadHook(std::function<void(const std::string&)> hook);
// Queues one key string, as a key press would.
void headlessPushKey(const std::string& keyString);
// Holds or releases a key by its PC set-1 scan code, for isKeyDown.
void headlessSetKeyDown(int scanCode, bool down);
// Clears the screen, the keys, the hooks and the clock back to 0, as at program start.
void headlessReset();
// The 1280 x 720 screen (null before openScreen) and its pixel count per row.
const std::uint32_t* headlessScreen();
int headlessScreenPitch();
// Frames presented since the reset.
long long headlessFrames();
