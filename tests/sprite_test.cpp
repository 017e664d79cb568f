// The sprite blit and the panels, on the headless screen.
#include <gtest/gtest.h>

#include "present/headless.h"
#include "present/platform.h"
#include "present/sprite.h"

namespace {

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        headlessReset();
        openScreen(1280, 720, 32, 1, ScreenFullscreen);
    }
    void TearDown() override { headlessReset(); }
    static std::uint32_t screen(int x, int y) { return headlessScreen()[y * headlessScreenPitch() + x]; }
};

// A canvas whose every pixel names its own column and row.
ImageHandle numbered(int w, int h) {
    auto image = createImage(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image->pixels[y * w + x] = 0xFF000000u | (x << 8) | y;
    return image;
}

TEST_F(SpriteTest, MainPanelMapsCanvasPixelsToScreenBlocks) {
    Panel panel;
    setupPanel(panel, 640, 360, 320, 180);
    panel.canvas = numbered(320, 180);
    lockScreen();
    presentPanel(panel);
    unlockScreen();
    for (int x = 0; x < 1280; x += 7) EXPECT_EQ((screen(x, 100) >> 8) & 0xFFFF, x / 4u) << x;
    // The factor 65535 shifts rows by one: row 0 covers 0..4, row k covers 4k+1..4k+4, row 179 717..719.
    for (int y = 0; y <= 4; ++y) EXPECT_EQ(screen(0, y) & 0xFF, 0u) << y;
    for (int k = 1; k <= 178; ++k) {
        EXPECT_EQ(screen(5, 4 * k + 1) & 0xFF, static_cast<unsigned>(k));
        EXPECT_EQ(screen(5, 4 * k + 4) & 0xFF, static_cast<unsigned>(k));
    }
    EXPECT_EQ(screen(1279, 719) & 0xFF, 179u);
    // The canvas is opaque black afterwards, everywhere.
    for (auto p : panel.canvas->pixels) ASSERT_EQ(p, 0xFF000000u);
}

TEST_F(SpriteTest, SidePanelCoversTheRightHalf) {
    lockScreen();
    Panel side;
    setupPanel(side, 960, 360, 160, 180);
    side.canvas = numbered(160, 180);
    presentPanel(side);
    unlockScreen();
    EXPECT_EQ(screen(639, 300), 0xFF000000u);  // left half untouched (black at open)
    EXPECT_EQ((screen(640, 300) >> 8) & 0xFFFF, 0u);
    EXPECT_EQ((screen(1279, 300) >> 8) & 0xFFFF, 159u);
}

TEST_F(SpriteTest, CarAtDoubleSizeWithKey) {
    auto canvas = createImage(320, 180, 0xFF000000u);
    auto car = numbered(32, 32);
    car->pixels[0] = KeyColorOpaque;        // skipped with the key
    car->pixels[1] = 0x00FF00FFu;           // not the full 32-bit key: drawn
    drawSprite(canvas.get(), 250, 50, car.get(), 2.0f, 2.0f, true);
    const auto px = [&](int x, int y) { return canvas->pixels[y * 320 + x]; };
    EXPECT_EQ(px(217, 40), 0xFF000000u);
    EXPECT_EQ(px(218, 18), 0xFF000000u);  // key pixel left the target alone
    EXPECT_EQ(px(220, 18), 0x00FF00FFu);
    EXPECT_EQ(px(281, 81) & 0xFFFF, (31u << 8) | 31u);
    EXPECT_EQ(px(282, 50), 0xFF000000u);
    EXPECT_EQ(px(250, 82), 0xFF000000u);
    // Source column 5 covers target columns 228 and 229.
    EXPECT_EQ((px(228, 50) >> 8) & 0xFF, 5u);
    EXPECT_EQ((px(229, 50) >> 8) & 0xFF, 5u);
}

TEST_F(SpriteTest, PartlyOutsideStartsFromTheFirstVisiblePixel) {
    auto canvas = createImage(320, 180, 0xFF000000u);
    auto car = numbered(32, 32);
    drawSprite(canvas.get(), 10, 8, car.get(), 2.0f, 2.0f, false);  // X0 = -22, Y0 = -24
    const auto px = [&](int x, int y) { return canvas->pixels[y * 320 + x]; };
    // 22 columns skipped advance the source by 11 columns; the factor 65535 lands just short of it.
    EXPECT_EQ((px(0, 20) >> 8) & 0xFF, 10u);
    EXPECT_EQ((px(1, 20) >> 8) & 0xFF, 11u);
    EXPECT_EQ((px(41, 20) >> 8) & 0xFF, 31u);
    EXPECT_EQ(px(42, 20), 0xFF000000u);
    EXPECT_EQ(px(5, 0) & 0xFF, 11u);  // rows above are skipped but advance the source row (24 rows -> 11.99)
    // Wholly outside: nothing, and no crash.
    auto before = canvas->pixels;
    drawSprite(canvas.get(), -100, 50, car.get(), 2.0f, 2.0f, false);
    drawSprite(canvas.get(), 400, 50, car.get(), 2.0f, 2.0f, false);
    drawSprite(canvas.get(), 50, 500, car.get(), 2.0f, 2.0f, false);
    EXPECT_EQ(before, canvas->pixels);
}

TEST_F(SpriteTest, TinyScalesDrawAtMostOneColumn) {
    auto canvas = createImage(64, 64, 0xFF000000u);
    auto dot = createImage(1, 4, 0xFFFFFFFFu);
    drawSprite(canvas.get(), 30, 30, dot.get(), 0.5f, 4.0f, false);
    int columns = 0;
    for (int x = 0; x < 64; ++x) columns += canvas->pixels[30 * 64 + x] == 0xFFFFFFFFu;
    EXPECT_LE(columns, 1);
    drawSprite(canvas.get(), 30, 30, dot.get(), 0.0f, -3.0f, false);  // raised to 0.001: one pixel at most
    drawSprite(canvas.get(), 30, 30, nullptr, 1.0f, 1.0f, false);
}

TEST(SpriteNoScreen, NothingWithoutAScreen) {
    headlessReset();
    auto canvas = createImage(64, 64, 0xFF000000u);
    auto dot = createImage(4, 4, 0xFFFFFFFFu);
    drawSprite(canvas.get(), 30, 30, dot.get(), 2.0f, 2.0f, false);
    for (auto p : canvas->pixels) EXPECT_EQ(p, 0xFF000000u);
}

}  // namespace
