// Tests of the SDL back end's frames: what the window shows after each unlockScreen, when the screen
// changes in a few rows, not at all, or when the window loses its picture. Runs on SDL's off-screen
// driver, whose software renderer draws into the window's surface, where the test can read it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "present/platform.h"

namespace {

constexpr int Width = 1280;
constexpr int Height = 720;

SDL_Window* gameWindow() {
    for (Uint32 id = 1; id < 16; ++id)
        if (SDL_Window* window = SDL_GetWindowFromID(id)) return window;
    return nullptr;
}

// The number of pixels where the window differs from the screen (colour only: the window has no alpha).
int differingPixels() {
    SDL_Surface* shown = SDL_GetWindowSurface(gameWindow());
    if (shown == nullptr || shown->w != Width || shown->h != Height) return -1;
    SDL_Surface* wanted = SDL_ConvertSurfaceFormat(shown, SDL_PIXELFORMAT_ARGB8888, 0);
    int differing = 0;
    const std::uint32_t* screen = screenPixels();
    for (int y = 0; y < Height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(wanted->pixels) + y * wanted->pitch);
        for (int x = 0; x < Width; ++x)
            if (((row[x] ^ screen[y * Width + x]) & 0xFFFFFFu) != 0) ++differing;
    }
    SDL_FreeSurface(wanted);
    return differing;
}

void paintRow(int y, std::uint32_t colour) {
    std::uint32_t* screen = screenPixels();
    for (int x = 0; x < Width; ++x) screen[y * Width + x] = colour;
}

void spoilWindow() {
    SDL_Surface* shown = SDL_GetWindowSurface(gameWindow());
    SDL_FillRect(shown, nullptr, SDL_MapRGB(shown->format, 0, 200, 0));
}

class SdlFrames : public ::testing::Test {
 protected:
    void SetUp() override {
        ASSERT_TRUE(openScreen(Width, Height, 32, 1, 0));
        ASSERT_NE(gameWindow(), nullptr);
    }
};

TEST_F(SdlFrames, EveryChangedFrameReachesTheWindowWhole) {
    std::mt19937 random(13);
    lockScreen();
    for (int i = 0; i < Width * Height; ++i) screenPixels()[i] = 0xFF000000u | (random() & 0xFFFFFFu);
    unlockScreen();
    EXPECT_EQ(differingPixels(), 0) << "a whole new picture";

    // Changes in the first row, the last row, one pixel in the middle, and two rows far apart.
    const int changedRows[][2] = {{0, 0}, {Height - 1, Height - 1}, {360, 360}, {3, Height - 4}};
    for (const auto& rows : changedRows) {
        lockScreen();
        paintRow(rows[0], 0xFF123456u);
        paintRow(rows[1], 0xFF654321u);
        unlockScreen();
        EXPECT_EQ(differingPixels(), 0) << "rows " << rows[0] << " and " << rows[1];
    }
    lockScreen();
    screenPixels()[360 * Width + 640] = 0xFFFFFFFFu;
    unlockScreen();
    EXPECT_EQ(differingPixels(), 0) << "one pixel";
}

TEST_F(SdlFrames, AnUnchangedFrameIsNotDrawnAgainUnlessTheWindowLostItsPicture) {
    lockScreen();
    paintRow(100, 0xFFABCDEFu);
    unlockScreen();
    ASSERT_EQ(differingPixels(), 0);

    // The window's picture spoilt behind the back end's back: an unchanged frame leaves it so, which
    // shows that nothing was drawn ...
    spoilWindow();
    lockScreen();
    unlockScreen();
    EXPECT_GT(differingPixels(), 0);

    // ... until the window says it must be drawn again: then the same frame is shown once more.
    for (Uint8 windowEvent : {SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_FOCUS_GAINED}) {
        spoilWindow();
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = windowEvent;
        event.window.windowID = SDL_GetWindowID(gameWindow());
        SDL_PushEvent(&event);
        lockScreen();
        unlockScreen();
        EXPECT_EQ(differingPixels(), 0) << "after window event " << int(windowEvent);
    }

    // A change after all that is still shown.
    lockScreen();
    paintRow(101, 0xFF00FF00u);
    unlockScreen();
    EXPECT_EQ(differingPixels(), 0);
}

TEST_F(SdlFrames, TheWindowTitleTellsWhereHelpIs) {
    EXPECT_STREQ(SDL_GetWindowTitle(gameWindow()), "Tally Rally \u2014 F1: help");
}

}  // namespace
