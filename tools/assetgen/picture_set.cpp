// Assembles the 81 pictures under their paths and writes them out as BMP files.
#include "picture_set.h"

#include <filesystem>
#include <system_error>

#include "art.h"
#include "bmp_write.h"

std::vector<Picture> buildPictures() {
    std::vector<Picture> out;
    auto add = [&](std::string path, ImageHandle image) { out.push_back({std::move(path), std::move(image)}); };
    for (int n = 1; n <= 8; ++n) add("cars/car" + std::to_string(n) + ".bmp", makeCar(n));
    for (int n = 1; n <= 13; ++n) add("drivers/driver" + std::to_string(n) + ".bmp", makeDriver(n));
    for (int t = 1; t <= SeasonCount; ++t) {
        const std::string dir = "track" + std::to_string(t) + "/";
        const int s = t - 1;
        add(dir + "water1.bmp", makeTile(s, TileKind::WaterFirst, 0));
        add(dir + "water2.bmp", makeTile(s, TileKind::WaterInner, 0));
        add(dir + "water3.bmp", makeTile(s, TileKind::WaterLast, 0));
        for (int k = 0; k <= 5; ++k)
            add(dir + "grass" + std::to_string(k) + ".bmp", makeTile(s, TileKind::Grass, k));
        add(dir + "road.bmp", makeTile(s, TileKind::Road, 0));
        add(dir + "road2.bmp", makeTile(s, TileKind::StartLine, 0));
        add(dir + "bridge.bmp", makeTile(s, TileKind::Bridge, 0));
    }
    add("ui/prev.bmp", makeArrow(false));
    add("ui/next.bmp", makeArrow(true));
    add("ui/bottom.bmp", makeBottom());
    add("ui/board.bmp", makeBoard());
    for (int n = 1; n <= SeasonCount; ++n) add("ui/scene" + std::to_string(n) + ".bmp", makeScene(n - 1));
    add("ui/snow.bmp", makeSnow());
    add("ui/splash.bmp", makeSplash());
    add("ui/back.bmp", makeBack());
    add("ui/back2.bmp", makeBack2());
    return out;
}

bool writePictures(const std::vector<Picture>& pictures, const std::string& outDir) {
    namespace fs = std::filesystem;
    bool ok = true;
    for (const Picture& p : pictures) {
        const fs::path path = fs::path(outDir) / p.path;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (ec || !writeBmp(path.string(), *p.image)) ok = false;
    }
    return ok;
}
