// The race view: what each frame of the race draws on the main canvas and, for a second player, on
// the side canvas.
#include "race/race_view.h"

#include <cmath>

#include "present/image.h"
#include "present/sprite.h"
#include "present/random.h"
#include "shell/frame.h"

namespace {

constexpr std::uint32_t Black = 0xFF000000u;
constexpr std::uint32_t OwnCarRed = 0xFF500000u;
constexpr std::uint32_t CountdownRed = 0xFFFF1414u;
constexpr std::uint32_t OuterFrame = 0xFF1A0A05u;
constexpr std::uint32_t InnerFrame = 0xFF371E15u;
constexpr std::uint32_t TabPaper = 0xFFF4E6BCu;  // the cream of the strip under the track
constexpr std::uint32_t TabEdge = 0xFF4B2D20u;   // the dark line along the strip's top
constexpr int WinterTrack = 1;
constexpr int SnowWidth = 320;
constexpr int SnowHeight = 180;
// The row of the bottom strip's two text lines: distance and speed, then the problem.
constexpr int StatusRow = 161;
constexpr int ProblemRow = 171;
constexpr int StripTop = 160;
// The feedback's own row, on a tab standing on the strip over the verge below the road.
constexpr int FeedbackRow = 151;

// Rounded down, as the speed is shown; clamped to the 32-bit range.
int wholeDown(double x) { return nearest(std::floor(x)); }

// Player p's view: the main panel for player 1, the side panel for player 2.
Panel& viewOf(Game& game, int p) { return p == 0 ? game.mainPanel : game.sidePanel; }

// The snow picture blended four times, tiling the view from (x, y) up and left.
void snowLayer(const Game& game, Image* canvas, double x, double y, int alphaBase) {
    const double spots[4][2] = {{x - SnowWidth, y}, {x, y - SnowHeight}, {x - SnowWidth, y - SnowHeight}, {x, y}};
    for (const auto& spot : spots)
        putImage(canvas, spot[0], spot[1], game.snowImage.get(), PutMode::Blend, nearest(alphaBase + randomUnit()));
}

// Two layers of snow over one view: a faint far layer, then a near one twice as fast and more opaque.
// The snow falls and drifts right, and slides back with the speed of the view's car.
void drawSnow(const Game& game, Image* canvas, SnowOffsets& snow, double carSpeed) {
    const double dt = FrameClock.frameDelta;
    snowLayer(game, canvas, snow.x, snow.y, 60);
    snow.x = snow.x + dt / 4 * 0.2;
    snow.x = snow.x - dt * carSpeed;
    snow.y = snow.y + dt / 2 * 0.2;
    if (snow.x > SnowWidth) snow.x -= SnowWidth;
    if (snow.y > SnowHeight) snow.y -= SnowHeight;
    if (snow.x < 0) snow.x += SnowWidth;
    if (snow.y < 0) snow.y += SnowHeight;
    double nearX = 2 * snow.x;
    double nearY = 2 * snow.y;
    if (nearX > SnowWidth) nearX -= SnowWidth;
    if (nearY > SnowHeight) nearY -= SnowHeight;
    snowLayer(game, canvas, nearX, nearY, 160);
}

void drawStandingsOn(Game& game, const RaceState& race, Image* canvas, int ownSlot) {
    for (int p = 0; p < 3; ++p) {
        const int slot = race.order[p];
        const std::string line = std::to_string(p + 1) + "-" + game.racers[slot].name;
        drawText(canvas, 2, 10 * p + 2, line, slot == ownSlot ? OwnCarRed : Black);
    }
}

// The verdict on the last answer ("Correct", "Incorrect" or the solution) on a tab of its own above
// the strip: the longest question with a long typed answer fills a two-player view's problem line,
// and the solution, which brings its own question, must not read as part of the question below.
void drawFeedbackTab(Image* canvas, const std::string& feedback) {
    if (feedback.empty()) return;
    const int textRight = 2 + 8 * static_cast<int>(feedback.size());
    fillBox(canvas, 0, FeedbackRow - 2, textRight + 1, StripTop - 1, TabEdge);
    fillBox(canvas, 1, FeedbackRow - 1, textRight, StripTop - 1, TabPaper);
    drawText(canvas, 2, FeedbackRow, feedback, Black);
}

}  // namespace

void drawTrackMap(const TrackMap& map, Panel& panel, const Game& game, int track) {
    const int lastColumn = map.length + TrackOverrun;
    int first = nearest(panel.scrollX / 32.0 - 1);
    int last = nearest((panel.scrollX + panel.width) / 32.0);
    if (first < 0) first = 0;
    if (first > lastColumn) first = lastColumn;
    if (last < 0) last = 0;
    if (last > lastColumn) last = lastColumn;
    const auto& tiles = game.trackImages[track];
    Image* canvas = panel.canvas.get();
    for (int c = first; c <= last; ++c)
        for (int r = 0; r < TrackRows; ++r)
            putImage(canvas, TileSize * c - panel.scrollX, TileSize * r - panel.scrollY, tiles[map.tile(c, r)].get(),
                     PutMode::Transparent);
}

void drawRacer(const Game& game, const Racer& racer, Panel& panel) {
    const int car = racer.car >= 0 && racer.car < 8 ? racer.car : 0;
    putImage(panel.canvas.get(), racer.x - panel.scrollX, racer.lane - panel.scrollY, game.carImages[car].get(),
             PutMode::Transparent);
}

void drawWorld(Game& game, RaceState& race) {
    const bool two = game.twoPlayers != 0;
    const int track = game.track >= 0 && game.track < TrackCount ? game.track : 0;
    // Camera: one player's car at canvas column 110; each of two players' cars at column 30.
    if (two) {
        setPanelScroll(game.mainPanel, nearest(racerOf(game, 0).x - 30), 0);
        setPanelScroll(game.sidePanel, nearest(racerOf(game, 1).x - 30), 0);
    } else {
        setPanelScroll(game.mainPanel, nearest(racerOf(game, 0).x - 110), 0);
    }
    drawTrackMap(race.map, game.mainPanel, game, track);
    if (two) drawTrackMap(race.map, game.sidePanel, game, track);
    for (const Racer& racer : game.racers) {
        drawRacer(game, racer, game.mainPanel);
        if (two) drawRacer(game, racer, game.sidePanel);
    }
    if (game.track == WinterTrack) {
        drawSnow(game, game.mainPanel.canvas.get(), race.snow[0], racerOf(game, 0).speed);
        if (two) drawSnow(game, game.sidePanel.canvas.get(), race.snow[1], racerOf(game, 1).speed);
    }
    for (int p = 0; p < playerCount(game); ++p) {
        Image* canvas = viewOf(game, p).canvas.get();
        putImage(canvas, 0, StripTop, game.bottomImage.get(), PutMode::Copy);  // strip behind the problem line
        putImage(canvas, 0, 0, game.boardImage.get(), PutMode::Copy);     // board behind the standings
    }
    if (two) {
        Image* main = game.mainPanel.canvas.get();
        Image* side = game.sidePanel.canvas.get();
        drawBox(main, 0, 0, 160, 160, OuterFrame);
        drawBox(side, 0, 0, 159, 160, OuterFrame);
        drawBox(main, 1, 1, 159, 159, InnerFrame);
        drawBox(side, 1, 1, 158, 159, InnerFrame);
    }
}

void drawStandings(Game& game, const RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p)
        drawStandingsOn(game, race, viewOf(game, p).canvas.get(), racerSlotOf(game, p));
}

void drawProblemLines(Game& game, const RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p) {
        if (!race.started || race.players[p].finished) continue;
        Image* canvas = viewOf(game, p).canvas.get();
        drawText(canvas, 2, ProblemRow, problemOf(game, p).question + race.players[p].answerText, Black);
        drawFeedbackTab(canvas, race.players[p].feedback);
    }
    for (int p = 0; p < playerCount(game); ++p) {
        Image* canvas = viewOf(game, p).canvas.get();
        const Racer& racer = racerOf(game, p);
        drawText(canvas, 80, StatusRow, "m " + std::to_string(3 * tileColumn(racer.x) - 15), Black);
        drawText(canvas, 2, StatusRow, "mph " + std::to_string(wholeDown(35 * racer.speed)), Black);
    }
}

void drawCountdown(Game& game, const RaceState& race) {
    if (race.started) return;
    const std::string digits = std::to_string(nearest(race.countdown));
    // The number stands 70 pixels ahead of the player's car.
    if (game.twoPlayers != 0) {
        drawText(game.mainPanel.canvas.get(), 100, 75, digits, CountdownRed);
        drawText(game.sidePanel.canvas.get(), 100, 75, digits, CountdownRed);
    } else {
        drawText(game.mainPanel.canvas.get(), 180, 75, digits, CountdownRed);
    }
}

void drawVeil(Game& game, const RaceState& race) {
    const int alpha = nearest(race.fade);
    putImage(game.mainPanel.canvas.get(), 0, 0, game.backImage.get(), PutMode::Blend, alpha);
    // The side view shows the right half of the background.
    if (game.twoPlayers != 0)
        putImage(game.sidePanel.canvas.get(), -160, 0, game.backImage.get(), PutMode::Blend, alpha);
}
