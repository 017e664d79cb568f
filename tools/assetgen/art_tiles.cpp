// The track tiles of the four seasons: verges, road, start line, bridge and the three water columns.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "art.h"
#include "paint.h"
#include "palette.h"
#include "pixel_map.h"

namespace {

constexpr int Tile = 32;

enum Season { Summer = 0, Winter = 1, Desert = 2, Volcano = 3 };

// The colours of one season. Tiles of a season share them so that any two tiles meet cleanly.
struct SeasonArt {
    std::uint32_t ground, groundDark, groundLight, groundShade;  // verges; shade is cast shadows
    std::uint32_t road, roadDark, roadLight, laneMark;           // asphalt
    std::uint32_t shore, shoreEdge;                              // banks, from ground to liquid
    std::uint32_t deck, deckLight, deckGap, beam;                // bridge
};

const SeasonArt& seasonArt(int season) {
    static const SeasonArt table[SeasonCount] = {
        // Summer: green grass, blue water, wooden bridge.
        {pal::LightGreen, pal::Green, pal::Mint, pal::Green,
         pal::Grey, pal::DarkGrey, pal::LightGrey, pal::White,
         pal::Sand, pal::Tan,
         pal::Tan, pal::Sand, pal::Brown, pal::DarkBrown},
        // Winter: snow, ice, a snow-dusted wooden bridge.
        {pal::White, pal::PaleGrey, pal::Ice, pal::PaleGrey,
         pal::Grey, pal::DarkGrey, pal::LightGrey, pal::White,
         pal::PaleGrey, pal::LightGrey,
         pal::Brown, pal::Tan, pal::DarkBrown, pal::DarkBrown},
        // Desert: sand, an oasis stream with reeds, a sun-bleached bridge.
        {pal::Sand, pal::Tan, pal::Cream, pal::Tan,
         pal::Grey, pal::DarkGrey, pal::LightGrey, pal::Yellow,
         pal::LightGreen, pal::Green,
         pal::Sand, pal::Cream, pal::Tan, pal::Brown},
        // Volcano: dark rock, lava, an iron bridge.
        {pal::DarkGrey, pal::Ink, pal::Grey, pal::Ink,
         pal::Grey, pal::DarkGrey, pal::LightGrey, pal::Orange,
         pal::Ink, pal::DarkRed,
         pal::DarkGrey, pal::Grey, pal::Ink, pal::Ink},
    };
    return table[season];
}

ImageHandle blankTile() { return createImage(Tile, Tile, pal::Key); }

// Plots with wrap-around, so that shapes crossing an edge come back on the other side and the
// tile repeats without a seam.
void plotWrap(Image& tile, int x, int y, std::uint32_t colour) {
    plot(tile, ((x % Tile) + Tile) % Tile, ((y % Tile) + Tile) % Tile, colour);
}

// Smooth noise in 0..1 that repeats every tile: random heights on a cells x cells lattice,
// blended between lattice points.
double tileNoise(int x, int y, std::uint32_t seed, int cells) {
    const int size = Tile / cells;
    const int gx = x / size, gy = y / size;
    double fx = (x % size + 0.5) / size, fy = (y % size + 0.5) / size;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) { return (noise(i % cells, j % cells, seed) & 0xFFFF) / 65535.0; };
    const double top = at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx;
    const double bottom = at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

// ---------------------------------------------------------------------------------------------
// Verges

// The plain ground texture: the base colour with sparse specks. Every ground tile uses it with
// its own seed, so neighbouring tiles differ but nothing lines up at the edges.
void paintGround(Image& tile, int season, std::uint32_t seed) {
    const SeasonArt& a = seasonArt(season);
    int darkShare = 50, lightShare = 30;  // per thousand
    if (season == Winter) darkShare = 14, lightShare = 40;
    if (season == Desert) darkShare = 28, lightShare = 30;
    if (season == Volcano) darkShare = 90, lightShare = 35;
    for (int y = 0; y < Tile; ++y)
        for (int x = 0; x < Tile; ++x) {
            const int n = noiseBelow(x, y, seed, 1000);
            std::uint32_t c = a.ground;
            if (n < darkShare) c = a.groundDark;
            else if (n < darkShare + lightShare) c = a.groundLight;
            plot(tile, x, y, c);
        }
    if (season == Summer) {
        // Short blades: a dark pixel with a light tip above it, sparse.
        for (int y = 1; y < Tile; ++y)
            for (int x = 0; x < Tile; ++x)
                if (noiseBelow(x, y, seed + 77, 1000) < 18) {
                    plot(tile, x, y, pal::Green);
                    plot(tile, x, y - 1, pal::Mint);
                }
    }
    if (season == Winter) {
        // Soft drifts: faint blue shade in hollows, the same on every tile so that they join.
        for (int y = 0; y < Tile; ++y)
            for (int x = 0; x < Tile; ++x)
                if (tileNoise(x, y, 640, 4) > 0.7 && ditherOn(x, y, 3)) plot(tile, x, y, pal::Ice);
    }
    if (season == Desert) {
        // Faint wind ripples: short tan dashes.
        for (int y = 0; y < Tile; ++y)
            for (int x = 0; x < Tile - 3; ++x)
                if (noiseBelow(x, y, seed + 91, 1000) < 6)
                    for (int i = 0; i < 3; ++i) plot(tile, x + i, y, pal::Tan);
    }
    if (season == Volcano) {
        // A few ember specks.
        for (int y = 0; y < Tile; ++y)
            for (int x = 0; x < Tile; ++x)
                if (noiseBelow(x, y, seed + 13, 1000) < 3) plot(tile, x, y, pal::DarkRed);
    }
}

struct Placed {
    const char* map;
    int x, y;
    Slots slots;
};

Slots slots2(std::uint32_t one, std::uint32_t two = 0, std::uint32_t shade = 0) {
    Slots s;
    s.colour[1] = one;
    s.colour[2] = two;
    s.colour[9] = shade;
    return s;
}

void stampAll(Image& tile, const std::vector<Placed>& items, std::uint32_t shade) {
    for (const Placed& p : items) {
        Slots s = p.slots;
        if (s.colour[9] == 0) s.colour[9] = shade;
        stampMap(tile, p.x, p.y, parseMap(p.map, "tile decoration"), s);
    }
}

// --- Decorations. '9' is the season's cast shadow; '1' and '2' are chosen per use.

const char* Flower = R"(
.1.
121
.1.
)";

const char* Tuft = R"(
1...1
.1.1.
.212.
)";

const char* Pebble = R"(
.LP.
LLLG
.GG9
)";

const char* Stone = R"(
..PP..
.PWPL.
PPPLLG
LLLLGG
.GGGG9
...99.
)";

const char* Boulder = R"(
...LLLL...
..LPPPLL..
.LPWPPLLG.
LLPPLLLLGG
LLLLLLLGGG
GLLLLGGGGD
.GGGGGGGD9
..DDDDDD99
....9999..
)";

const char* Bush = R"(
....gggggg....
..ggelleeegg..
.gelmlleeleeg.
gellmleeeleleg
geleleeeeeelg.
gelleeReeeeeeg
geeeeeeeeRleg9
.geReeeeeeegg9
..gggeeeeggg99
....gggggg999.
......99999...
)";

const char* SnowTuft = R"(
.b..t..
.t.tb.t
..tbt.b
.btbtb.
..PPPP.
)";

const char* SnowRock = R"(
...WWW...
..WWWWWL.
.WWWPPLLG
.LLGGGLGG
LGGGGDGGD
.DGGDDDDP
..PPPPPP.
)";

const char* Pine = R"(
.......g.......
......gWg......
.....gWWeg.....
....gWWgeeg....
.....ggeegg....
....gWWgeeeg...
...gWWWggeeeg..
..ggggeeeeegg..
....gWWgeeeg...
...gWWWggeeeg..
..gWWggeeeeegg.
.ggggeeeeeeeggg
..gggggggggggg.
......nnb......
...99.nnb.999..
....999999999..
)";

const char* Snowman = R"(
....KKKK....
....KKKK....
...KKKKKK...
...LWWWWL...
..LWKWWKWL..
..LWWooWWL..
...LWWWPL...
..RRRRRRRR..
..LWWKWWPLr.
.LWWWWWWWPL.
.LWWWKWWWPL.
.LWWWWWWWPL.
..LPWWWWPL..
...LLLLLL99.
....999999..
)";

const char* Ripple = R"(
.tt..tt.
t..tt..t
)";

const char* DesertPebbles = R"(
.tb...
tbbn..
.nn...
....tb
...tbn
....n.
)";

const char* Shrub = R"(
..n...n.n...
n..n.n.n..n.
.n.nbnbn.n..
..nbbtbbn..n
.nbtbbbtbn..
..nnbbbnn...
....ttt.....
)";

const char* Cactus = R"(
.....ee.....
....eleg....
....elegg...
.ee.eleg....
elegelegee..
eleeeleglege
.eeeelegleg.
....elegeeg.
....elegg...
....eleg....
....eleg....
....elegt...
...ttttttt..
)";

const char* Crack = R"(
.r.....
.Rr....
..oR...
..rRr..
...rRo.
....rRr
.....r.
)";

const char* LavaPool = R"(
...KKKKKK...
.KKrrRRrrKK.
KrRooyoooRrK
KrooyyyoooRK
KroooyooOorK
.KrRoooooRK.
..KKrrrrKK..
....KKKK....
)";

const char* Vent = R"(
.....LP......
....PWWP.....
.....PWP.L...
......LPP....
....L..PL....
.......L.....
....KKDDDKK..
...KDrRRRrDK.
...KDroyorDK.
....KDrrrDK9.
.....KKKKK99.
)";

// Everything drawn on a verge tile beyond its texture, by season and variant (2..5; 0 and 1
// are plain ground with different seeds, and the race picks them most often).
std::vector<Placed> decorations(int season, int variant) {
    switch (season * 10 + variant) {
        // Summer
        case 1:
            return {{Tuft, 22, 20, slots2(pal::Green, pal::DarkGreen)}};
        case 2:
            return {{Flower, 5, 5, slots2(pal::Red, pal::Yellow)},
                    {Flower, 20, 3, slots2(pal::Yellow, pal::Orange)},
                    {Flower, 13, 13, slots2(pal::White, pal::Yellow)},
                    {Flower, 25, 17, slots2(pal::Red, pal::Yellow)},
                    {Flower, 4, 22, slots2(pal::White, pal::Yellow)},
                    {Flower, 17, 25, slots2(pal::Pink, pal::Yellow)}};
        case 3:
            return {{Stone, 6, 8, {}}, {Pebble, 21, 5, {}}, {Pebble, 18, 22, {}}};
        case 4:
            return {{Tuft, 4, 6, slots2(pal::Green, pal::DarkGreen)},
                    {Tuft, 19, 10, slots2(pal::Green, pal::DarkGreen)},
                    {Tuft, 10, 21, slots2(pal::Green, pal::DarkGreen)},
                    {Tuft, 24, 24, slots2(pal::Green, pal::DarkGreen)}};
        case 5:
            return {{Bush, 9, 10, {}}};
        // Winter
        case 11:
            return {{Pebble, 24, 6, {}}};
        case 12:
            return {{SnowTuft, 4, 5, {}}, {SnowTuft, 20, 19, {}}};
        case 13:
            return {{SnowRock, 5, 9, {}}, {Pebble, 22, 22, {}}};
        case 14:
            return {{Pine, 8, 8, {}}};
        case 15:
            return {{Snowman, 10, 8, {}}};
        // Desert
        case 21:
            return {{Ripple, 18, 22, {}}};
        case 22:
            return {{Ripple, 3, 6, {}}, {Ripple, 19, 14, {}}, {Ripple, 7, 24, {}}};
        case 23:
            return {{DesertPebbles, 6, 7, {}}, {DesertPebbles, 20, 20, {}}};
        case 24:
            return {{Shrub, 10, 12, {}}};
        case 25:
            return {{Cactus, 10, 9, {}}};
        // Volcano
        case 31:
            return {{Pebble, 8, 22, {}}};
        case 32:
            return {{Crack, 6, 5, {}}, {Crack, 19, 18, {}}};
        case 33:
            return {{Boulder, 11, 11, {}}, {Pebble, 3, 4, {}}};
        case 34:
            return {{Vent, 9, 10, {}}};
        case 35:
            return {{LavaPool, 10, 12, {}}};
        default:
            return {};
    }
}

ImageHandle makeGround(int season, int variant) {
    ImageHandle tile = blankTile();
    paintGround(*tile, season, 1000u + static_cast<std::uint32_t>(season * 16 + variant));
    stampAll(*tile, decorations(season, variant), seasonArt(season).groundShade);
    return tile;
}

// ---------------------------------------------------------------------------------------------
// Road

// Asphalt with faint wheel tracks and a dashed line along the top and bottom edge: the three
// road rows stack into three lanes with double dashes between them.
void paintRoad(Image& tile, int season) {
    const SeasonArt& a = seasonArt(season);
    for (int y = 0; y < Tile; ++y)
        for (int x = 0; x < Tile; ++x) {
            const int n = noiseBelow(x, y, 500u + season, 1000);
            std::uint32_t c = a.road;
            if (n < (season == Volcano ? 70 : 30)) c = a.roadDark;
            else if (n < 42) c = a.roadLight;
            plot(tile, x, y, c);
        }
    if (season == Winter) {
        // Packed snow at the lane edges.
        for (int x = 0; x < Tile; ++x) {
            for (int y : {1, 2, 29, 30})
                if (noiseBelow(x, y, 777, 10) < (y == 1 || y == 30 ? 4 : 1)) plot(tile, x, y, pal::LightGrey);
        }
    }
    if (season == Desert) {
        for (int x = 0; x < Tile; ++x)
            for (int y : {1, 2, 29, 30})
                if (noiseBelow(x, y, 778, 10) < (y == 1 || y == 30 ? 3 : 1)) plot(tile, x, y, pal::Tan);
    }
    // Dashes: 8 on, 8 off, so they continue across tiles.
    for (int x = 0; x < Tile; ++x)
        if ((x + 4) % 16 < 8) {
            plot(tile, x, 0, a.laneMark);
            plot(tile, x, Tile - 1, a.laneMark);
        }
}

ImageHandle makeRoad(int season) {
    ImageHandle tile = blankTile();
    paintRoad(*tile, season);
    return tile;
}

// The start and finish columns: the race lays this tile in two neighbouring columns of all three
// lanes, so it is chequered edge to edge. Squares of 8 pixels, four to a side, keep the chequer's
// parity running on across both columns and all three rows: together they make one 64-pixel
// band. The paint is a little worn where the wheels run.
ImageHandle makeStartLine(int season) {
    ImageHandle tile = blankTile();
    paintRoad(*tile, season);
    for (int y = 0; y < Tile; ++y)
        for (int x = 0; x < Tile; ++x) {
            const bool dark = ((x / 8) + (y / 8)) % 2 != 0;
            std::uint32_t c = dark ? pal::Ink : pal::White;
            const int wear = noiseBelow(x, y, 510u + season, 1000);
            if (!dark && wear < 35) c = pal::PaleGrey;
            if (dark && wear < 25) c = pal::DarkGrey;
            plot(*tile, x, y, c);
        }
    return tile;
}

// ---------------------------------------------------------------------------------------------
// Bridge

// The bridge is stacked in the three road rows, so everything on it repeats every 32 pixels
// down the tile and nothing marks its top or bottom edge: the three tiles join into one deck.
// Nails and rivets sit on joists every 16 pixels.
ImageHandle makeBridge(int season) {
    const SeasonArt& a = seasonArt(season);
    ImageHandle tile = blankTile();
    Image& t = *tile;
    if (season == Volcano) {
        // Riveted iron plates, 16 wide.
        for (int y = 0; y < Tile; ++y)
            for (int x = 0; x < Tile; ++x) {
                std::uint32_t c = a.deck;
                if (x % 16 == 15) c = a.deckGap;
                else if (x % 16 == 0) c = a.deckLight;
                else if (noiseBelow(x, y, 901, 100) < 6) c = pal::Ink;
                plot(t, x, y, c);
            }
        // Tread pattern over the whole plate.
        for (int y = 1; y < Tile; y += 4)
            for (int x = 0; x < Tile; ++x)
                if ((x + y) % 6 < 2 && x % 16 != 15 && x % 16 != 0) plot(t, x, y, pal::Grey);
        for (int x : {3, 12, 19, 28})
            for (int y : {7, 23}) {
                plot(t, x, y, pal::LightGrey);
                plot(t, x, y + 1, pal::Ink);
            }
    } else {
        // Planks across the direction of travel, 4 pixels each with a dark gap.
        for (int x = 0; x < Tile; ++x) {
            const int plank = x / 4;
            const bool light = noiseBelow(plank, 0, 902u + season, 3) == 0;
            for (int y = 0; y < Tile; ++y) {
                std::uint32_t c = light ? a.deckLight : a.deck;
                if (x % 4 == 3) c = a.deckGap;
                else if (noiseBelow(x, y, 903u + season, 100) < 5) c = a.deckGap;  // grain
                plot(t, x, y, c);
            }
            // Nails where the planks cross the joists.
            if (x % 4 == 1) {
                plot(t, x, 7, a.beam);
                plot(t, x, 23, a.beam);
            }
        }
        if (season == Winter)
            for (int y = 0; y < Tile; ++y)
                for (int x = 0; x < Tile; ++x)
                    if (x % 4 != 3 && noiseBelow(x, y, 904, 100) < 3) plot(t, x, y, pal::White);
    }
    return tile;
}

// ---------------------------------------------------------------------------------------------
// Water (ice in winter, lava on the volcano)

// Marks scattered over the tile without clumps or gaps: one per cell of a grid of `cell`-pixel
// cells, at a random spot in its cell, some cells left empty. A lattice of small, even marks
// hides the tile's 32-pixel period far better than a few big ones that the eye can find again
// in the next tile.
struct Mark {
    int x, y, size, kind;
};

std::vector<Mark> scatter(std::uint32_t seed, int cell, int keepPercent) {
    std::vector<Mark> marks;
    for (int gy = 0; gy < Tile / cell; ++gy)
        for (int gx = 0; gx < Tile / cell; ++gx) {
            if (noiseBelow(gx, gy, seed, 100) >= keepPercent) continue;
            marks.push_back({gx * cell + noiseBelow(gx, gy, seed + 1, cell),
                             gy * cell + noiseBelow(gx, gy, seed + 2, cell),
                             noiseBelow(gx, gy, seed + 3, 100), noiseBelow(gx, gy, seed + 4, 4)});
        }
    return marks;
}

// A short line that wraps across the tile's edges.
void lineWrap(Image& t, int x0, int y0, int x1, int y1, std::uint32_t colour) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const int x = steps == 0 ? x0 : x0 + ((x1 - x0) * i * 2 + steps) / (steps * 2);
        const int y = steps == 0 ? y0 : y0 + ((y1 - y0) * i * 2 + steps) / (steps * 2);
        plotWrap(t, x, y, colour);
    }
}

void paintLiquid(Image& t, int season) {
    switch (season) {
        case Summer:
        case Desert: {
            const std::uint32_t base = season == Summer ? pal::Blue : pal::Teal;
            const std::uint32_t deep = season == Summer ? pal::DarkBlue : pal::Blue;
            fillRect(t, 0, 0, Tile - 1, Tile - 1, base);
            // Deeper water, a light dither in small soft patches (the shallow oasis stream has none).
            for (int y = 0; y < Tile && season == Summer; ++y)
                for (int x = 0; x < Tile; ++x) {
                    const double n = tileNoise(x, y, 620u, 8);
                    const int level = n > 0.72 ? 8 : n > 0.6 ? 4 : 0;
                    if (ditherOn(x, y, level)) plot(t, x, y, deep);
                }
            // Ripples: short light strokes, one per 8-pixel cell, a few with a glint.
            for (const Mark& m : scatter(640u + season, 8, 70)) {
                const int length = 2 + m.size % 3;
                for (int i = 0; i < length; ++i) plotWrap(t, m.x + i, m.y, pal::LightBlue);
                if (m.kind == 0) plotWrap(t, m.x + 1, m.y - 1, pal::Ice);
            }
            break;
        }
        case Winter: {
            fillRect(t, 0, 0, Tile - 1, Tile - 1, pal::Ice);
            // Frosted patches, soft and small.
            for (int y = 0; y < Tile; ++y)
                for (int x = 0; x < Tile; ++x) {
                    const double n = 0.6 * tileNoise(x, y, 611u, 8) + 0.4 * tileNoise(x, y, 613u, 16);
                    const int level = n > 0.68 ? 6 : n > 0.6 ? 2 : 0;
                    if (ditherOn(x, y, level)) plot(t, x, y, pal::White);
                }
            // Fine cracks: short kinked scratches, one per 16-pixel cell, each its own way.
            for (const Mark& m : scatter(650u, 16, 100)) {
                const int dx = 3 + m.size % 3, dy = (m.kind % 2 ? 1 : -1) * (1 + m.size % 2);
                lineWrap(t, m.x, m.y, m.x + dx, m.y + dy, pal::LightBlue);
                lineWrap(t, m.x + dx, m.y + dy, m.x + dx + 2, m.y + dy + (m.kind < 2 ? 2 : -2), pal::LightBlue);
            }
            // Glints: tiny diagonal flashes.
            for (const Mark& m : scatter(660u, 8, 35)) {
                plotWrap(t, m.x, m.y, pal::White);
                plotWrap(t, m.x + 1, m.y - 1, pal::White);
            }
            break;
        }
        case Volcano: {
            // Molten rock: orange with small hotter and cooler patches and scattered crusts, all
            // small and evenly spread so that a long lava river shows no 32-pixel motif.
            for (int y = 0; y < Tile; ++y)
                for (int x = 0; x < Tile; ++x) {
                    const double n = tileNoise(x, y, 630, 8);
                    std::uint32_t c = pal::Orange;
                    if (ditherOn(x, y, n < 0.26 ? 10 : n < 0.34 ? 4 : 0)) c = pal::Red;
                    if (n > 0.72 && ditherOn(x, y, 6)) c = pal::Yellow;
                    plot(t, x, y, c);
                }
            for (const Mark& m : scatter(680u, 8, 60)) {
                const int length = 2 + m.size % 3;
                const int rise = m.kind < 2 ? 0 : (m.kind == 2 ? 1 : -1);
                lineWrap(t, m.x, m.y, m.x + length, m.y + rise, pal::DarkRed);
                lineWrap(t, m.x, m.y + 1, m.x + length, m.y + rise + 1, pal::Red);
            }
            // A few bubbles.
            for (const Mark& b : scatter(670u, 16, 50)) {
                plotWrap(t, b.x, b.y - 1, pal::Yellow);
                plotWrap(t, b.x - 1, b.y, pal::Yellow);
                plotWrap(t, b.x + 1, b.y, pal::Orange);
                plotWrap(t, b.x, b.y + 1, pal::Orange);
                plotWrap(t, b.x, b.y, pal::Cream);
            }
            break;
        }
    }
}

// The shore line of a bank column, as the distance of the water's edge from the tile's outer
// side, row by row: a gentle irregular curve.
int shoreWidth(int y) {
    static const int Wiggle[Tile] = {7, 7, 8, 8, 9, 9, 9, 8, 8, 7, 6, 6, 5, 5, 6, 6,
                                     7, 8, 8, 9, 10, 10, 9, 9, 8, 7, 7, 6, 6, 6, 7, 7};
    return Wiggle[y];
}

// leftBank: the bank is on the tile's left (the river's first column); otherwise on its right.
ImageHandle makeWater(int season, bool bank, bool leftBank) {
    const SeasonArt& a = seasonArt(season);
    ImageHandle tile = blankTile();
    paintLiquid(*tile, season);
    if (!bank) return tile;
    ImageHandle ground = blankTile();
    paintGround(*ground, season, 1200u + season);
    for (int y = 0; y < Tile; ++y) {
        const int w = shoreWidth(y);
        for (int d = 0; d < w + 2; ++d) {
            const int x = leftBank ? d : Tile - 1 - d;
            std::uint32_t c;
            if (d < w - 3) c = peek(*ground, x, y);
            else if (d < w - 1) c = a.shore;
            else if (d < w) c = a.shoreEdge;
            else c = 0;  // the water's edge: a shade of the liquid, below
            if (c != 0) {
                plot(*tile, x, y, c);
                continue;
            }
            // One or two pixels of shallow/foam where the liquid meets the bank.
            std::uint32_t edge = pal::LightBlue;
            if (season == Winter) edge = pal::White;
            if (season == Volcano) edge = d == w ? pal::Red : pal::Yellow;
            if (d == w || ditherOn(x, y, 8)) plot(*tile, x, y, edge);
        }
    }
    if (season == Desert) {
        // Reeds on the oasis bank.
        for (int y = 3; y < Tile - 2; y += 7) {
            const int x0 = shoreWidth(y) - 3;
            const int x = leftBank ? x0 : Tile - 1 - x0;
            plot(*tile, x, y, pal::DarkGreen);
            plot(*tile, x, y - 1, pal::Green);
            plot(*tile, x, y - 2, pal::Brown);
        }
    }
    if (season == Volcano) {
        // Glowing cracks reaching into the rock.
        for (int y = 6; y < Tile; y += 11) {
            const int w = shoreWidth(y);
            for (int i = 0; i < 3; ++i) plot(*tile, leftBank ? w - 4 - i : Tile - w + 3 + i, y + i % 2, pal::DarkRed);
        }
    }
    return tile;
}

}  // namespace

ImageHandle makeTile(int season, TileKind kind, int variant) {
    if (season < 0 || season >= SeasonCount) season = 0;
    switch (kind) {
        case TileKind::Road:
            return makeRoad(season);
        case TileKind::StartLine:
            return makeStartLine(season);
        case TileKind::Bridge:
            return makeBridge(season);
        case TileKind::WaterFirst:
            return makeWater(season, true, true);
        case TileKind::WaterInner:
            return makeWater(season, false, false);
        case TileKind::WaterLast:
            return makeWater(season, true, false);
        case TileKind::Grass:
            return makeGround(season, variant);
    }
    return makeGround(season, 0);
}
