// The SDL back end's key queue fed with real SDL events on the dummy video driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "present/platform.h"

namespace {

class SdlKeys : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        opened = openScreen(1280, 720, 32, 1, 0);
    }
    void SetUp() override {
        if (!opened) GTEST_SKIP() << "no SDL screen on the dummy driver";
        while (!readKey().empty()) {
        }
    }
    static void keyDown(SDL_Keycode sym, SDL_Scancode scancode, bool repeat, Uint16 mod = KMOD_NONE) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.state = SDL_PRESSED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = sym;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    static void typed(const char* text) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        SDL_strlcpy(event.text.text, text, sizeof event.text.text);
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    static inline bool opened = false;
};

TEST_F(SdlKeys, HeldEscapeQueuesOnlyItsFirstPress) {
    keyDown(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
    for (int i = 0; i < 5; ++i) keyDown(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(readKey(), "\x1B");
    EXPECT_EQ(readKey(), "");
}

TEST_F(SdlKeys, OtherKeysStillRepeatAndEscapeCanBePressedAgain) {
    keyDown(SDLK_RETURN, SDL_SCANCODE_RETURN, false);
    keyDown(SDLK_RETURN, SDL_SCANCODE_RETURN, true);
    keyDown(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, true);
    keyDown(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
    keyDown(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
    typed("7");
    EXPECT_EQ(readKey(), "\r");
    EXPECT_EQ(readKey(), "\r");
    EXPECT_EQ(readKey(), "\b");
    EXPECT_EQ(readKey(), "\x1B");  // a new press after letting go
    EXPECT_EQ(readKey(), "7");
    EXPECT_EQ(readKey(), "");
}

TEST_F(SdlKeys, KeypadGivesItsCharactersOnceWhateverNumLock) {
    keyDown(SDLK_KP_8, SDL_SCANCODE_KP_8, false);  // Num Lock off: no text follows
    keyDown(SDLK_KP_4, SDL_SCANCODE_KP_4, false, KMOD_NUM);
    typed("4");
    keyDown(SDLK_KP_2, SDL_SCANCODE_KP_2, false);  // SDL thinks Num Lock is off, yet the keypad typed
    typed("2");
    keyDown(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, false);
    typed("+");
    keyDown(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, false);
    keyDown(SDLK_KP_6, SDL_SCANCODE_KP_6, false);  // the last event of the queue
    EXPECT_EQ(readKey(), "8");
    EXPECT_EQ(readKey(), "4");
    EXPECT_EQ(readKey(), "2");
    EXPECT_EQ(readKey(), "+");
    EXPECT_EQ(readKey(), "\r");
    EXPECT_EQ(readKey(), "6");
    EXPECT_EQ(readKey(), "");
}

}  // namespace
