// Review renders: track strips as the race lays out its tiles, and the screens' texts on their
// backgrounds, so the pictures can be judged where the game shows them.
#include "previews.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "art.h"
#include "paint.h"
#include "png_write.h"

namespace {

constexpr std::uint32_t Black = 0xFF000000u;

struct Lookup {
    std::map<std::string, const Image*> byPath;
    const Image* operator()(const std::string& path) const {
        auto it = byPath.find(path);
        return it == byPath.end() ? nullptr : it->second;
    }
};

bool save(const std::string& dir, const std::string& name, const Image& image, int scale) {
    ImageHandle big = enlarge(image, scale);
    return writePng((std::filesystem::path(dir) / name).string(), big->width, big->height,
                    big->pixels.data(), big->width);
}

// A fixed stand-in for the race's random track: the same spread of grass variants as the race
// draws (two plain kinds most of the time, the four decorated kinds now and then), the start
// line in columns 5 and 6 and one river.
std::string tileAt(int column, int row, int riverFirst, int riverLast) {
    const bool road = row >= 1 && row <= 3;
    if (column >= riverFirst && column <= riverLast) {
        if (road) return "bridge.bmp";
        if (column == riverFirst) return "water1.bmp";
        if (column == riverLast) return "water3.bmp";
        return "water2.bmp";
    }
    if (road) return (column == 5 || column == 6) ? "road2.bmp" : "road.bmp";
    const double r1 = (noise(column, row, 1) & 0xFFFF) / 65536.0;
    const double r2 = (noise(column, row, 2) & 0xFFFF) / 65536.0;
    const double r3 = (noise(column, row, 3) & 0xFFFF) / 65536.0;
    int k = r1 < 0.5 ? 0 : 1;
    if (r2 >= 0.75) k = 1 + static_cast<int>(4 * r3 + 0.5);
    return "grass" + std::to_string(k) + ".bmp";
}

void drawTrack(Image& canvas, const Lookup& find, int season, int scrollX, int columns, int riverFirst,
               int riverLast) {
    const std::string dir = "track" + std::to_string(season + 1) + "/";
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < 5; ++r)
            putImage(&canvas, 32 * c - scrollX, 32 * r, find(dir + tileAt(c, r, riverFirst, riverLast)),
                     PutMode::Transparent);
}

void drawSnowLayers(Image& view, const Image* snow, double sx, double sy) {
    for (int layer = 0; layer < 2; ++layer) {
        double x = layer == 0 ? sx : 2 * sx, y = layer == 0 ? sy : 2 * sy;
        if (x > 320) x -= 320;
        if (y > 180) y -= 180;
        const int alpha = layer == 0 ? 60 : 160;
        putImage(&view, x - 320, y, snow, PutMode::Blend, alpha);
        putImage(&view, x, y - 180, snow, PutMode::Blend, alpha);
        putImage(&view, x - 320, y - 180, snow, PutMode::Blend, alpha);
        putImage(&view, x, y, snow, PutMode::Blend, alpha);
    }
}

// A sprite doubled about its centre, as the menus show portraits and cars.
void doubled(Image& canvas, int cx, int cy, const Image* source, bool key) {
    if (!source) return;
    ImageHandle big = enlarge(*source, 2);
    putImage(&canvas, cx - source->width, cy - source->height, big.get(),
             key ? PutMode::Transparent : PutMode::Copy);
}

void raceView(Image& view, const Lookup& find, int season, int carX, const std::string& problem,
              const std::string& feedback, int carColumn = 110) {
    const int scrollX = carX - carColumn;
    const int width = view.width;
    ImageHandle world = createImage(width, 180, Black);
    drawTrack(*world, find, season, scrollX, 40, 13, 21);
    putImage(world.get(), carX - scrollX, 32, find("cars/car3.bmp"), PutMode::Transparent);
    putImage(world.get(), carX + 50 - scrollX, 64, find("cars/car1.bmp"), PutMode::Transparent);
    putImage(world.get(), carX - 70 - scrollX, 96, find("cars/car7.bmp"), PutMode::Transparent);
    if (season == 1) drawSnowLayers(*world, find("ui/snow.bmp"), 100, 40);
    putImage(world.get(), 0, 160, find("ui/bottom.bmp"), PutMode::Copy);
    putImage(world.get(), 0, 0, find("ui/board.bmp"), PutMode::Copy);
    drawText(world.get(), 2, 2, "1-Anna", Black);
    drawText(world.get(), 2, 12, "2-Benjamin12", 0xFF500000u);
    drawText(world.get(), 2, 22, "3-inactive", Black);
    drawText(world.get(), 2, 161, "mph 17", Black);
    drawText(world.get(), 80, 161, "m 45", Black);
    drawText(world.get(), 2, 171, problem, Black);
    drawText(world.get(), 80, 171, feedback, Black);
    putImage(&view, 0, 0, world.get(), PutMode::Copy);
}

void classroomMenu(Image& c, const Lookup& find) {
    putImage(&c, 0, 0, find("ui/back2.bmp"), PutMode::Copy);
    drawText(&c, 7, 8, "Select Class ", Black);
    const char* rooms[] = {"Class 4b", "Mrs Okafor's Maths", "Room 12", "Year 3 Rabbits", "Default"};
    for (int i = 0; i < 5; ++i) drawText(&c, 15, i * 10 + 20, rooms[i], Black);
    drawText(&c, 15, 4 * 10 + 30, "Add Class", Black);
    drawText(&c, 15, 4 * 10 + 40, "Quit", Black);
    drawBox(&c, 8, 18, 200, 28, Black);
    drawText(&c, 7, 155, "Enter classname:", Black);
    drawText(&c, 7, 165, "Mrs Rodriguez Yr5 A", Black);
}

void playerMenu(Image& c, const Lookup& find) {
    putImage(&c, 0, 0, find("ui/back2.bmp"), PutMode::Copy);
    drawText(&c, 7, 8, "Player 1", Black);
    const char* names[] = {"Anna", "Benjamin12", "Chloe", "Dev", "Emeka", "Freya", "Gus", "Hana",
                           "Ilse", "Jamal", "Kai", "Lotte", "Mo"};
    for (int i = 0; i < 13; ++i) drawText(&c, 15, i * 10 + 20, names[i], Black);
    drawText(&c, 15, 12 * 10 + 30, "Add Player", Black);
    drawText(&c, 15, 12 * 10 + 40, "Quit", Black);
    drawBox(&c, 8, 18, 120, 28, Black);
    doubled(c, 165, 50, find("drivers/driver4.bmp"), false);
    doubled(c, 250, 50, find("cars/car2.bmp"), true);
    drawText(&c, 193, 8, "Anna", Black);
    drawText(&c, 219, 75, "Raced 12x", Black);
    drawText(&c, 175, 90, "Fastest", Black);
    drawText(&c, 250, 90, "Average", Black);
    const char* signs[] = {"+", "-", "x", "\xF6"};
    for (int o = 0; o < 4; ++o) {
        drawText(&c, 143, 100 + 10 * o, signs[o], Black);
        drawText(&c, 175, 100 + 10 * o, std::to_string(38 + 7 * o) + "mph", Black);
        drawText(&c, 250, 100 + 10 * o, std::to_string(21 + 3 * o) + "mph", Black);
    }
    drawText(&c, 143, 150, "Classroom", Black);
    drawText(&c, 143, 160, "Mrs Okafor's Maths", Black);
}

void trackMenu(Image& c, const Lookup& find, int season) {
    static const char* names[] = {"Summer", "Winter", "Desert", "Volcano"};
    putImage(&c, 0, 0, find("ui/back2.bmp"), PutMode::Copy);
    putImage(&c, 120, 60, find("ui/scene" + std::to_string(season + 1) + ".bmp"), PutMode::Copy);
    drawText(&c, 132, 45, names[season], Black);
    drawBox(&c, 120, 35, 200, 105, Black);
    if (season < 3) putImage(&c, 202, 40, find("ui/next.bmp"), PutMode::Transparent);
    if (season > 0) putImage(&c, 102, 40, find("ui/prev.bmp"), PutMode::Transparent);
    drawText(&c, 136, 130, "4500 m", Black);
    putImage(&c, 202, 125, find("ui/next.bmp"), PutMode::Transparent);
    putImage(&c, 102, 125, find("ui/prev.bmp"), PutMode::Transparent);
}

void lessonMenu(Image& c, const Lookup& find) {
    putImage(&c, 0, 0, find("ui/back.bmp"), PutMode::Copy);
    const std::string names[2] = {"Anna", "Benjamin12"};
    const char* ops[2] = {"Multiply", "Add"};
    const char* lessons[2] = {"Custom", "Sums to 20"};
    for (int p = 0; p < 2; ++p) {
        const int dx = 160 * p;
        drawText(&c, 80 + dx - 4 * static_cast<int>(names[p].size()), 8, names[p], Black);
        doubled(c, 80 + dx, 33, find(p == 0 ? "cars/car5.bmp" : "cars/car4.bmp"), true);
        putImage(&c, 122 + dx, 25, find("ui/next.bmp"), PutMode::Transparent);
        putImage(&c, 22 + dx, 25, find("ui/prev.bmp"), PutMode::Transparent);
        drawText(&c, 52 + dx, 65, ops[p], Black);
        drawText(&c, 52 + dx, 90, lessons[p], Black);
        putImage(&c, 122 + dx, 60, find("ui/next.bmp"), PutMode::Transparent);
        putImage(&c, 22 + dx, 60, find("ui/prev.bmp"), PutMode::Transparent);
        putImage(&c, 122 + dx, 85, find("ui/next.bmp"), PutMode::Transparent);
        putImage(&c, 22 + dx, 85, find("ui/prev.bmp"), PutMode::Transparent);
    }
    drawBox(&c, 40, 80, 120, 105, Black);
    drawBox(&c, 200, 16, 280, 51, Black);
    // Player 1: the table grid of the "Custom" lesson.
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 5; ++row) {
            const int k = 3 * row + col - 2;
            if (k >= 0 && k % 3 != 1) fillBox(&c, 44 + 24 * col, 113 + 10 * row, 68 + 24 * col, 123 + 10 * row, 0xFF00A000u);
            drawBox(&c, 44 + 24 * col, 113 + 10 * row, 68 + 24 * col, 123 + 10 * row, Black);
        }
    const char* labels[] = {"x  a  0", "1  2  3", "4  5  6", "7  8  9", "10 11 12"};
    for (int i = 0; i < 5; ++i) drawText(&c, 48, 115 + 10 * i, labels[i], Black);
    // Player 2: the leaders list.
    drawText(&c, 163, 108, "Leaders", Black);
    const char* leaders[] = {"Benjamin12", "Anna", "Chloe", "Dev", "Emeka"};
    const char* times[] = {"31.20", "33.85", "40.02", "0.00", "0.00"};
    for (int n = 0; n < 5; ++n) {
        drawText(&c, 163, 120 + 10 * n, std::to_string(n + 1) + ": " + leaders[n], Black);
        drawText(&c, 275, 120 + 10 * n, times[n], Black);
    }
}

void results(Image& c, const Lookup& find) {
    putImage(&c, 0, 0, find("ui/back.bmp"), PutMode::Copy);
    for (int p = 0; p < 2; ++p) {
        const int dx = p == 0 ? 0 : 156;
        const int lx = p == 0 ? 73 : 229;
        doubled(c, 39 + dx, 50, find(p == 0 ? "drivers/driver1.bmp" : "drivers/driver9.bmp"), false);
        drawText(&c, 7 + dx, 8, p == 0 ? "Anna" : "Benjamin12", Black);
        drawText(&c, p == 0 ? 126 : 270, 8, p == 0 ? "1st" : "2nd", Black);
        drawText(&c, lx, 20, "Time", Black);
        drawText(&c, lx, 30, "33.85 sec", Black);
        drawText(&c, lx, 40, "Fastest", Black);
        drawText(&c, lx, 50, "47.63 mph", Black);
        drawText(&c, lx, 60, "Average", Black);
        drawText(&c, lx, 70, "31.02 mph", Black);
        drawText(&c, 7 + dx, 85, "New High Score", Black);
        drawText(&c, 7 + dx, 95, "N/A to 33.85 sec", Black);
        drawText(&c, 7 + dx, 105, "New Top Speed", Black);
        drawText(&c, 7 + dx, 115, "0.00 to 47.63 mph", Black);
        drawText(&c, 7 + dx, 130, " Player Stats", Black);
        drawText(&c, 7 + dx, 140, "Toprace 33.85 sec", Black);
        drawText(&c, 7 + dx, 150, "Fastest 47.63 mph", Black);
        drawText(&c, 7 + dx, 160, "Average 31.02 mph", Black);
    }
}

// Pictures side by side, enlarged, the key shown as the given ground (as on the road).
bool lineUp(const std::string& dir, const std::string& name, const Lookup& find,
            const std::vector<std::string>& paths, std::uint32_t ground, int scale) {
    int w = 0, h = 0;
    for (const std::string& p : paths)
        if (const Image* image = find(p)) w = std::max(w, image->width), h = std::max(h, image->height);
    ImageHandle row = createImage(static_cast<int>(paths.size()) * (w + 4) + 4, h + 8, ground);
    for (std::size_t i = 0; i < paths.size(); ++i)
        putImage(row.get(), 4 + (w + 4) * static_cast<int>(i), 4, find(paths[i]), PutMode::Transparent);
    return save(dir, name, *row, scale);
}

}  // namespace

bool writePreviews(const std::vector<Picture>& pictures, const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    Lookup find;
    for (const Picture& p : pictures) find.byPath[p.path] = p.image.get();
    static const char* seasons[] = {"summer", "winter", "desert", "volcano"};
    bool ok = true;
    for (int s = 0; s < SeasonCount; ++s) {
        // The first 26 columns: start line, a river, verges.
        ImageHandle strip = createImage(26 * 32, 160, Black);
        drawTrack(*strip, find, s, 0, 26, 13, 21);
        putImage(strip.get(), 160, 32, find("cars/car" + std::to_string(2 * s + 1) + ".bmp"), PutMode::Transparent);
        putImage(strip.get(), 300, 64, find("cars/car" + std::to_string(2 * s + 2) + ".bmp"), PutMode::Transparent);
        putImage(strip.get(), 500, 96, find("cars/car" + std::to_string((2 * s + 4) % 8 + 1) + ".bmp"), PutMode::Transparent);
        ok &= save(dir, std::string("strip_") + seasons[s] + ".png", *strip, 2);
        ImageHandle view = createImage(320, 180, Black);
        raceView(*view, find, s, 160, "7x8=56", "Correct");
        ok &= save(dir, std::string("race_start_") + seasons[s] + ".png", *view, 2);
        raceView(*view, find, s, 470, "144\xF6" "12=1", "12x12=144");
        ok &= save(dir, std::string("race_river_") + seasons[s] + ".png", *view, 2);
        ImageHandle menu = createImage(320, 180, Black);
        trackMenu(*menu, find, s);
        ok &= save(dir, std::string("menu_track_") + seasons[s] + ".png", *menu, 2);
    }
    {
        // Two players: each view 160 wide with its car at column 30, framed as the race frames it.
        ImageHandle left = createImage(160, 180, Black), right = createImage(160, 180, Black);
        raceView(*left, find, 0, 300, "7+8=15", "Correct", 30);
        raceView(*right, find, 0, 420, "9x6=5", "", 30);
        drawBox(left.get(), 0, 0, 160, 160, 0xFF1A0A05u);
        drawBox(right.get(), 0, 0, 159, 160, 0xFF1A0A05u);
        drawBox(left.get(), 1, 1, 159, 159, 0xFF371E15u);
        drawBox(right.get(), 1, 1, 158, 159, 0xFF371E15u);
        ImageHandle both = createImage(320, 180, Black);
        putImage(both.get(), 0, 0, left.get(), PutMode::Copy);
        putImage(both.get(), 160, 0, right.get(), PutMode::Copy);
        ok &= save(dir, "race_two_players.png", *both, 2);
    }
    ImageHandle c = createImage(320, 180, Black);
    classroomMenu(*c, find);
    ok &= save(dir, "menu_classroom.png", *c, 2);
    playerMenu(*c, find);
    ok &= save(dir, "menu_players.png", *c, 2);
    lessonMenu(*c, find);
    ok &= save(dir, "menu_lesson.png", *c, 2);
    results(*c, find);
    ok &= save(dir, "results.png", *c, 2);
    // The splash as shown: the upper-left quarter doubled; then half-way into the fade to back.
    ImageHandle splash = createImage(320, 180, Black);
    doubled(*splash, 0, 0, nullptr, false);
    {
        ImageHandle big = enlarge(*find("ui/splash.bmp"), 2);
        putImage(splash.get(), 0, 0, big.get(), PutMode::Copy);
    }
    ok &= save(dir, "splash_view.png", *splash, 2);
    putImage(splash.get(), 0, 0, find("ui/back.bmp"), PutMode::Blend, 128);
    ok &= save(dir, "splash_fade.png", *splash, 2);
    std::vector<std::string> cars, drivers;
    for (int n = 1; n <= 8; ++n) cars.push_back("cars/car" + std::to_string(n) + ".bmp");
    for (int n = 1; n <= 13; ++n) drivers.push_back("drivers/driver" + std::to_string(n) + ".bmp");
    ok &= lineUp(dir, "cars_on_road.png", find, cars, 0xFF67656F, 5);
    ok &= lineUp(dir, "cars_on_snow.png", find, cars, 0xFFF6F5EF, 2);
    ok &= lineUp(dir, "drivers.png", find, drivers, 0xFF2A2A30, 4);
    ok &= lineUp(dir, "scenes.png", find, {"ui/scene1.bmp", "ui/scene2.bmp", "ui/scene3.bmp", "ui/scene4.bmp"},
                 0xFF2A2A30, 4);
    ok &= lineUp(dir, "arrows.png", find, {"ui/prev.bmp", "ui/next.bmp"}, 0xFFF6F5EF, 8);
    for (int t = 1; t <= SeasonCount; ++t) {
        std::vector<std::string> tiles;
        for (const char* name : {"water1", "water2", "water3", "grass0", "grass1", "grass2", "grass3",
                                 "grass4", "grass5", "road", "road2", "bridge"})
            tiles.push_back("track" + std::to_string(t) + "/" + name + ".bmp");
        ok &= lineUp(dir, std::string("tiles_") + seasons[t - 1] + ".png", find, tiles, 0xFF2A2A30, 4);
    }
    // Every picture at 4x on its own, for close inspection.
    for (const Picture& p : pictures) {
        std::string name = p.path;
        std::replace(name.begin(), name.end(), '/', '_');
        name.replace(name.size() - 4, 4, ".png");
        ok &= save(dir, "x4_" + name, *p.image, p.image->width > 160 ? 4 : 8);
    }
    return ok;
}
