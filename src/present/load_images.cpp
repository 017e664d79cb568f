// Creates every picture of the game at its size and fill, then loads its BMP file over it.
#include <string>

#include "present/assets.h"

namespace {

constexpr std::uint32_t Black = 0xFF000000u;

void load(ImageHandle& field, int width, int height, std::uint32_t fill, const std::string& path) {
    field = createImage(width, height, fill);
    loadBitmap(path, field.get());
}

}  // namespace

void loadImages(Game& game) {
    for (int n = 1; n <= 8; ++n)
        load(game.carImages[n - 1], 32, 32, Black, "cars/car" + std::to_string(n) + ".bmp");
    for (int n = 1; n <= 13; ++n)
        load(game.driverImages[n - 1], 32, 32, Black, "drivers/driver" + std::to_string(n) + ".bmp");
    for (int t = 1; t <= 4; ++t) {
        auto& slots = game.trackImages[t - 1];
        const std::string dir = "track" + std::to_string(t);
        for (int k = 1; k <= 3; ++k)
            load(slots[46 + k], 32, 32, Black, dir + "/water" + std::to_string(k) + ".bmp");
        for (int k = 0; k <= 5; ++k)
            load(slots[50 + k], 32, 32, Black, dir + "/grass" + std::to_string(k) + ".bmp");
        load(slots[0], 32, 32, Black, dir + "/road.bmp");
        load(slots[1], 32, 32, Black, dir + "/road2.bmp");
        load(slots[2], 32, 32, Black, dir + "/bridge.bmp");
    }
    load(game.prevImage, 16, 16, Black, "ui/prev.bmp");
    load(game.nextImage, 16, 16, Black, "ui/next.bmp");
    load(game.bottomImage, 320, 20, Black, "ui/bottom.bmp");
    load(game.boardImage, 100, 31, Black, "ui/board.bmp");
    for (int n = 1; n <= 4; ++n)
        load(game.sceneImages[n - 1], 80, 45, Black, "ui/scene" + std::to_string(n) + ".bmp");
    load(game.snowImage, 320, 180, KeyColorOpaque, "ui/snow.bmp");
    load(game.splashImage, 320, 180, KeyColorOpaque, "ui/splash.bmp");
    load(game.backImage, 320, 180, KeyColorOpaque, "ui/back.bmp");
    load(game.back2Image, 320, 180, KeyColorOpaque, "ui/back2.bmp");
    game.veilImage = createImage(320, 180, Black);
}
