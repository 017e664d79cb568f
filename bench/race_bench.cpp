// Benchmarks of one whole race frame (motion, drawing and presenting) for one player on the winter
// track with its snow, and for two players, beside one presentPanel of the main panel.
#include <benchmark/benchmark.h>

#include "present/assets.h"
#include "present/headless.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "race/race_loop.h"
#include "shell/frame.h"
#include "store/records.h"

namespace {

// A race as the menus leave it, set up and past its countdown, with the player's car moving and the
// longest answer line showing.
struct RaceFixture {
    Game game;
    RaceState race;

    explicit RaceFixture(bool twoPlayers) {
        headlessReset();
        openScreen(1280, 720, 32, 1, ScreenFullscreen);
        loadImages(game);  // pictures from the working directory when there are any
        setupPanel(game.mainPanel, 640, 360, 320, 180);
        setupPanel(game.sidePanel, 960, 360, 160, 180);
        game.players.items = {{"Ann", "", 2, 3}, {"Ben", "", 5, 7}};
        game.players.count = 2;
        game.player2 = 1;
        game.twoPlayers = twoPlayers ? 1 : 0;
        game.racerOfPlayer1 = 1;
        game.racerOfPlayer2 = 2;
        game.racers[1].name = "Ann";
        game.racers[2].name = twoPlayers ? "Ben" : "inactive";
        game.raceLength = 3000;
        game.track = 1;  // winter: snow on every view
        LeaderboardTable.boards[0][0][0] = Leaderboard{};
        FrameClock.lastTime = nowSeconds();
        setUpRace(game, race);
        while (!race.started) runRaceFrame(game, race);
        for (int p = 0; p < playerCount(game); ++p) {
            racerOf(game, p).boost = 1.0;
            // The longest problem line and feedback: Divide "4x4" with its solution shown.
            problemOf(game, p).question = "99980001\xF6" "9999=";
            race.players[p].answerText = "9999";
            race.players[p].feedback = "99980001\xF6" "9999=9999";
        }
    }
    ~RaceFixture() { headlessReset(); }
};

void runFrames(benchmark::State& state, bool twoPlayers) {
    RaceFixture fixture(twoPlayers);
    for (auto _ : state) {
        // Keep the cars moving and the race going, far from the finish.
        if (fixture.game.racers[1].x > 32.0 * 2500) {
            for (auto& racer : fixture.game.racers) racer.x = 160;
        }
        benchmark::DoNotOptimize(runRaceFrame(fixture.game, fixture.race));
    }
}

void BM_RaceFrameOnePlayerWinter(benchmark::State& state) { runFrames(state, false); }
BENCHMARK(BM_RaceFrameOnePlayerWinter)->Unit(benchmark::kMillisecond);

void BM_RaceFrameTwoPlayersWinter(benchmark::State& state) { runFrames(state, true); }
BENCHMARK(BM_RaceFrameTwoPlayersWinter)->Unit(benchmark::kMillisecond);

// The yardstick: one presentPanel of the main panel in the same run.
void BM_PresentMainPanel(benchmark::State& state) {
    headlessReset();
    openScreen(1280, 720, 32, 1, ScreenFullscreen);
    Panel panel;
    setupPanel(panel, 640, 360, 320, 180);
    for (auto _ : state) {
        lockScreen();
        presentPanel(panel);
        unlockScreen();
        benchmark::DoNotOptimize(screenPixels()[1000]);
    }
    headlessReset();
}
BENCHMARK(BM_PresentMainPanel)->Unit(benchmark::kMillisecond);

}  // namespace
