// The shell on the headless back end: the frame clock, the game context, picture loading and the splash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "headless_fixture.h"
#include "present/assets.h"
#include "present/headless.h"
#include "present/platform.h"
#include "shell/frame.h"
#include "shell/game.h"

namespace {

namespace fs = std::filesystem;

// Runs each test in an empty working directory on a freshly opened headless screen.
class ShellTest : public HeadlessTest {
protected:
    ShellTest() : HeadlessTest("shell") {}
    static std::uint32_t screen(int x, int y) { return headlessScreen()[y * headlessScreenPitch() + x]; }
};

// A 24-bit bottom-up BMP of w x h whose pixel (x, y) is colour(x, y).
template <class F>
void writeBmp(const fs::path& path, int w, int h, F colour) {
    const int rowBytes = (w * 3 + 3) & ~3;
    std::string data(54 + rowBytes * h, '\0');
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) data[at + i] = static_cast<char>(v >> (8 * i));
    };
    data[0] = 'B';
    data[1] = 'M';
    put32(2, static_cast<std::uint32_t>(data.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    data[26] = 1;
    data[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            const int at = 54 + (h - 1 - y) * rowBytes + x * 3;
            data[at] = static_cast<char>(c);
            data[at + 1] = static_cast<char>(c >> 8);
            data[at + 2] = static_cast<char>(c >> 16);
        }
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

TEST(FrameClock, DeltaIsTimeSinceLastTickIn180ths) {
    headlessReset();
    FrameClock.lastTime = nowSeconds();
    sleepMs(50);
    tickFrame();
    EXPECT_NEAR(FrameClock.frameDelta, 9.0, 1e-9);
    sleepMs(10000);  // a very long frame is not capped
    tickFrame();
    EXPECT_NEAR(FrameClock.frameDelta, 1800.0, 1e-6);
    headlessReset();
}

TEST(GameContext, StartsWithEveryChoiceZero) {
    Game game;
    EXPECT_EQ(game.screen, Classrooms);
    EXPECT_EQ(game.track, 0);
    EXPECT_EQ(game.distance, 0);
    EXPECT_EQ(game.operation1 + game.operation2 + game.lesson1 + game.lesson2, 0);
    EXPECT_EQ(game.twoPlayers, 0);
    EXPECT_FALSE(game.mainPanel.canvas);
    EXPECT_FALSE(game.carImages[0]);
    EXPECT_TRUE(game.racers[2].name.empty());
    EXPECT_TRUE(game.problem1.question.empty());
}

TEST_F(ShellTest, MissingPicturesKeepTheirFills) {
    Game game;
    loadImages(game);
    EXPECT_EQ(game.carImages[7]->pixels[0], 0xFF000000u);
    EXPECT_EQ(game.driverImages[12]->width, 32);
    for (int t = 0; t < 4; ++t) {
        for (int slot : {0, 1, 2, 47, 48, 49, 50, 55}) ASSERT_TRUE(game.trackImages[t][slot]) << slot;
        EXPECT_FALSE(game.trackImages[t][3]);
        EXPECT_FALSE(game.trackImages[t][56]);
    }
    EXPECT_EQ(game.boardImage->width, 100);
    EXPECT_EQ(game.boardImage->height, 31);
    EXPECT_EQ(game.sceneImages[3]->width, 80);
    EXPECT_EQ(game.splashImage->pixels[0], 0xFFFF00FFu);
    EXPECT_EQ(game.back2Image->pixels[0], 0xFFFF00FFu);
    EXPECT_EQ(game.veilImage->pixels[0], 0xFF000000u);
}

TEST_F(ShellTest, LargerPictureIsCutToItsImage) {
    writeBmp(dir / "ui/board.bmp", 120, 40, [](int x, int y) { return (x < 100 && y < 31) ? 0x336699u : 0xFF0000u; });
    writeBmp(dir / "track3/grass4.bmp", 32, 32, [](int x, int) { return x < 16 ? 0x00FF00u : 0x0000FFu; });
    Game game;
    loadImages(game);
    for (auto p : game.boardImage->pixels) ASSERT_EQ(p, 0xFF336699u);
    EXPECT_EQ(game.trackImages[2][54]->pixels[0], 0xFF00FF00u);
    EXPECT_EQ(game.trackImages[2][54]->pixels[31], 0xFF0000FFu);
}

TEST_F(ShellTest, SplashEndsByItselfAfterAboutSevenPointSevenSeconds) {
    Game game;
    loadImages(game);
    runSplash(game);
    EXPECT_NEAR(nowSeconds(), 7.7, 0.1);
    EXPECT_TRUE(pendingKey.empty());
    EXPECT_EQ(game.mainPanel.width, 320);
    EXPECT_EQ(game.sidePanel.centerX, 960);
    EXPECT_EQ(game.sidePanel.canvas->width, 160);
}

TEST_F(ShellTest, SplashShowsPictureUnderTheVeilAndFadesTheBackgroundIn) {
    writeBmp(dir / "ui/splash.bmp", 320, 180, [](int x, int y) { return x < 160 && y < 90 ? 0x2040C0u : 0xFFFFFFu; });
    writeBmp(dir / "ui/back.bmp", 320, 180, [](int, int) { return 0xE0D0A0u; });
    Game game;
    loadImages(game);
    std::uint32_t early = 0, middle = 0;
    headlessSetPresentHook([&] {
        const double t = nowSeconds();
        if (t < 0.1) early = screen(640, 360);
        if (t > 4.0 && t < 4.02) middle = screen(1279, 719);
    });
    runSplash(game);
    headlessSetPresentHook(nullptr);
    EXPECT_EQ(early, 0xFF000000u);   // still behind the black veil
    EXPECT_EQ(middle, 0xFF2040C0u);  // upper-left quarter doubled over the whole screen
    // The background has faded in over the picture by the last frame (alpha about 250).
    const std::uint32_t last = screen(640, 360);
    EXPECT_NEAR(static_cast<int>((last >> 16) & 0xFF), 0xE0, 8);
    EXPECT_NEAR(static_cast<int>((last >> 8) & 0xFF), 0xD0, 8);
    EXPECT_NEAR(static_cast<int>(last & 0xFF), 0xA0, 8);
}

TEST_F(ShellTest, KeyEndsTheSplashAndIsNotSeenAgain) {
    Game game;
    loadImages(game);
    headlessSetTimeHook([] {
        static bool pressed = false;
        if (!pressed && nowSeconds() >= 2.0) {
            pressed = true;
            headlessPushKey("q");
        }
    });
    runSplash(game);
    headlessSetTimeHook(nullptr);
    EXPECT_NEAR(nowSeconds(), 2.0, 0.05);
    EXPECT_EQ(pendingKey, "q");
    EXPECT_EQ(readKey(), "");  // the next screen's first frame reads a fresh key
}

TEST_F(ShellTest, MissingSplashPictureShowsMagentaOnceTheVeilLifts) {
    Game game;
    loadImages(game);
    std::uint32_t seen = 0;
    headlessSetPresentHook([&] {
        if (nowSeconds() > 5.0 && nowSeconds() < 5.02) seen = screen(100, 100);
    });
    runSplash(game);
    headlessSetPresentHook(nullptr);
    EXPECT_EQ(seen, 0xFFFF00FFu);
}

}  // namespace
