// The race world: motion at any frame rate, the random track, the replayed cars and the places.
#include <gtest/gtest.h>

#include <cmath>

#include "present/random.h"
#include "race/motion.h"
#include "shell/frame.h"
#include "shell/game.h"

namespace {

TrackMap emptyMap(int length) {
    TrackMap map;
    map.length = length;
    map.tiles.assign(static_cast<std::size_t>(map.columns()) * TrackRows, 0);
    return map;
}

// Moves a car at fps frames per second for the given ticks, giving it boost 1 at each of the
// answer times (seconds). Returns the seconds at which it first passes the finish, or -1.
double raceAt(double fps, Racer& car, const TrackMap& map, double ticks, const std::vector<double>& answers) {
    FrameClock.frameDelta = 180.0 / fps;
    std::size_t next = 0;
    double finish = -1;
    const long frames = std::lround(ticks / FrameClock.frameDelta);
    for (long f = 1; f <= frames; ++f) {
        const double t = f / fps;
        if (next < answers.size() && answers[next] < t) {
            car.boost = 1.0;
            ++next;
        }
        moveRacer(car, map);
        if (finish < 0 && tileColumn(car.x) > map.length + 5) finish = t;
    }
    return finish;
}

TEST(RaceMotion, OneRightAnswerGivesAThirdOfAPixelPerTickAtAnyFrameRate) {
    const TrackMap map = emptyMap(500);
    for (double fps : {30.0, 60.0, 300.0}) {
        Racer car{"", 0, 160, 64, 0, 1.0, -1, 0};
        raceAt(fps, car, map, 60, {});  // 60 ticks: the boost is spent, the speed barely faded
        EXPECT_NEAR(car.speed, (1.0 / 3) * std::exp(-60 * 0.0005), 0.004) << fps;
    }
}

TEST(RaceMotion, TheSameAnswersFinishAtTheSameTimeAtAnyFrameRate) {
    const TrackMap map = emptyMap(500);
    std::vector<double> answers;
    for (int i = 0; i < 60; ++i) answers.push_back(0.3 + 0.4 * i);
    double times[3];
    int i = 0;
    for (double fps : {30.0, 60.0, 300.0}) {
        Racer car{"", 0, 160, 64, 0, 0, -1, 0};
        times[i++] = raceAt(fps, car, map, 180 * 40, answers);
    }
    ASSERT_GT(times[2], 5);
    EXPECT_NEAR(times[0], times[2], 2 / 30.0);
    EXPECT_NEAR(times[1], times[2], 2 / 60.0);
}

TEST(RaceMotion, WrongAnswerAtRestChangesNothingAndCarsBrakeBehindTheFinish) {
    const TrackMap map = emptyMap(500);
    FrameClock.frameDelta = 3;
    Racer still{"", 0, 160, 64, 0, -0.5, -1, 0};
    for (int f = 0; f < 100; ++f) moveRacer(still, map);
    EXPECT_EQ(still.speed, 0);
    EXPECT_EQ(still.x, 160);

    // Just short of column L + 6: rolling on; from there it brakes to a stop.
    Racer car{"", 0, 32.0 * 506 - 0.6, 64, 1.0, 0, -1, 0};
    moveRacer(car, map);
    EXPECT_GT(car.speed, 0.99);
    for (int f = 0; f < 2000 && car.speed > 0; ++f) moveRacer(car, map);
    EXPECT_EQ(car.speed, 0);
    EXPECT_DOUBLE_EQ(car.boost, -0.3 / 1.6);
}

TEST(RaceMotion, TileColumnRoundsToEvenThenTruncates) {
    EXPECT_EQ(tileColumn(31.4), 0);
    EXPECT_EQ(tileColumn(31.5), 1);  // 32
    EXPECT_EQ(tileColumn(62.5), 1);  // 62, ties to even
    EXPECT_EQ(tileColumn(63.5), 2);  // 64
    EXPECT_EQ(tileColumn(-20), 0);   // truncated toward zero
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(-3.5), -4);
    EXPECT_EQ(nearest(1e300), 2147483647);
}

TEST(RaceTrack, LengthThousandHasStartFinishAndRiversAwayFromTheFinish) {
    for (double seed : {1.0, 2.5, 77.0, 1234.5}) {
        seedRandom(seed);
        const TrackMap map = buildTrackMap(1000);
        ASSERT_EQ(map.columns(), 1106);
        ASSERT_EQ(map.tiles.size(), 1106u * 5);
        int rivers = 0, runStart = -1;
        for (int c = 0; c < 1106; ++c) {
            for (int r = 1; r <= 3; ++r) {
                const int tile = map.tile(c, r);
                if (c == 5 || c == 6 || c == 1005 || c == 1006) {
                    EXPECT_EQ(tile, StartLineTile) << c;
                } else {
                    EXPECT_TRUE(tile == RoadTile || tile == BridgeTile) << c;
                }
                EXPECT_EQ(tile == BridgeTile, map.tile(c, 0) >= 47 && map.tile(c, 0) <= 49) << c;
            }
            for (int r : {0, 4}) {
                const int tile = map.tile(c, r);
                EXPECT_TRUE((tile >= 47 && tile <= 49) || (tile >= 50 && tile <= 55)) << tile;
                if (c >= 1000 && c <= 1012) {
                    EXPECT_GE(tile, 50) << c;
                }
            }
            if (map.tile(c, 0) == WaterFirstTile) runStart = c;
            if (map.tile(c, 4) == WaterLastTile) {
                ASSERT_GE(runStart, 0);
                EXPECT_GE(c - runStart + 1, 6);
                EXPECT_LE(c - runStart + 1, 16);
                if (rivers == 0) {
                    EXPECT_GE(runStart, 80);
                }
                ++rivers;
                runStart = -1;
            }
        }
        EXPECT_GE(rivers, 5);
    }
}

TEST(RaceTrack, TheSameSequenceGivesTheSameTrack) {
    seedRandom(9);
    const TrackMap a = buildTrackMap(1500);
    const double after = randomUnit();
    seedRandom(9);
    const TrackMap b = buildTrackMap(1500);
    EXPECT_EQ(a.tiles, b.tiles);
    EXPECT_EQ(randomUnit(), after);
}

RaceRecord record(const std::string& name, double time, int car = 4) {
    RaceRecord r;
    r.name = name;
    r.time = time;
    r.car = car;
    return r;
}

void prepare(Game& game, bool two) {
    game.twoPlayers = two ? 1 : 0;
    game.racerOfPlayer1 = 1;
    game.racerOfPlayer2 = 2;
    for (auto& r : game.racers) r.name = "inactive";
    game.racers[1].name = "Ann";
    if (two) game.racers[2].name = "Ben";
}

TEST(RaceReplays, TheFastestOtherRecordAndTheOwnFastest) {
    Game game;
    prepare(game, false);
    Leaderboard board;
    board.records = {record("Cid", 30.4, 6), record("Ann", 40), record("Cid", 30.2, 7), record("Ann", 35, 2),
                     record("Dee", 30.2)};
    board.count = 5;
    chooseReplays(game, board);
    EXPECT_EQ(game.racers[0].replayRecord, 2);  // 30.2 beats 30.4; the first of two equal times
    EXPECT_EQ(game.racers[0].name, "Cid");
    EXPECT_EQ(game.racers[0].car, 7);
    EXPECT_EQ(game.racers[2].replayRecord, 3);
    EXPECT_EQ(game.racers[2].name, "Ann");
}

TEST(RaceReplays, TwoPlayersReplayFromBoardOneWithoutEitherPlayer) {
    Game game;
    prepare(game, true);
    Leaderboard board;
    board.records = {record("Ben", 20), record("Ann", 21), record("Eve", 50)};
    chooseReplays(game, board);
    EXPECT_EQ(game.racers[0].replayRecord, 2);
    EXPECT_EQ(game.racers[2].name, "Ben");  // the second player's slot is not a ghost
    EXPECT_EQ(game.racers[2].replayRecord, 0);
}

TEST(RaceReplays, NoRivalLeavesTheSlotInactiveAndAtRest) {
    Game game;
    prepare(game, false);
    Leaderboard board;
    board.records = {record("Ann", 20)};
    chooseReplays(game, board);
    EXPECT_EQ(game.racers[0].replayRecord, -1);
    EXPECT_EQ(game.racers[0].name, "inactive");
    game.racers[0].nextSample = 0;
    replayStep(game.racers[0], board, 100);
    EXPECT_EQ(game.racers[0].boost, 0);
}

// An empty record (a board whose count exceeds its record files) or a damaged one, time 0 or
// below, is never the rival nor the own ghost, wherever it stands in the list.
TEST(RaceReplays, OnlyTimesAboveZeroAreReplayed) {
    struct Case {
        std::vector<RaceRecord> records;
        int rival;
        int own;
    };
    const std::vector<Case> cases = {
        {{record("Cid", 30), record("", 0)}, 0, -1},
        {{record("", 0), record("Cid", 30)}, 1, -1},
        {{record("Cid", 30), record("Dee", -5), record("Ann", -1), record("Ann", 40)}, 0, 3},
        {{record("Cid", 0), record("Ann", 0)}, -1, -1},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Game game;
        prepare(game, false);
        Leaderboard board;
        board.records = cases[i].records;
        board.count = static_cast<int>(board.records.size());
        chooseReplays(game, board);
        EXPECT_EQ(game.racers[0].replayRecord, cases[i].rival) << "case " << i;
        EXPECT_EQ(game.racers[2].replayRecord, cases[i].own) << "case " << i;
    }
}

TEST(RaceReplays, AtMostOneDueSamplePerFrame) {
    Leaderboard board;
    board.records = {record("Cid", 10)};
    board.records[0].samples = {{1.0, 1.0}, {1.0, -0.5}, {2.0, 1.0}};
    Racer ghost;
    assignReplay(ghost, board, 0);
    replayStep(ghost, board, 1.0);  // not yet: due only once elapsed is past it
    EXPECT_EQ(ghost.nextSample, 0);
    replayStep(ghost, board, 1.5);
    EXPECT_EQ(ghost.boost, 1.0);
    replayStep(ghost, board, 1.5);
    EXPECT_EQ(ghost.boost, -0.5);  // set to the recorded value, not added
    replayStep(ghost, board, 1.5);
    EXPECT_EQ(ghost.nextSample, 2);
    replayStep(ghost, board, 9);
    replayStep(ghost, board, 9);
    EXPECT_EQ(ghost.nextSample, 3);
    assignReplay(ghost, board, 5);  // outside the board: nothing to replay
    EXPECT_EQ(ghost.name, "Cid");
    replayStep(ghost, board, 9);
}

TEST(RacePlaces, RankByDistanceLowerSlotFirstAndFreezeAtTheLine) {
    const TrackMap map = emptyMap(500);
    std::array<Racer, 3> racers;
    for (auto& r : racers) r.x = 400;
    std::array<int, 3> order = {2, 1, 0};
    updatePlaces(racers, map, order);
    EXPECT_EQ(order, (std::array<int, 3>{0, 1, 2}));
    racers[2].x = 500;
    updatePlaces(racers, map, order);
    EXPECT_EQ(order, (std::array<int, 3>{2, 0, 1}));

    racers[1].x = 32.0 * 504;
    updatePlaces(racers, map, order);
    EXPECT_EQ(order, (std::array<int, 3>{1, 2, 0}));
    racers[1].x = 32.0 * 505;  // column L + 5: first, for good
    updatePlaces(racers, map, order);
    racers[0].x = 32.0 * 504;  // passes slot 1, which is past the line already
    updatePlaces(racers, map, order);
    EXPECT_EQ(order, (std::array<int, 3>{1, 0, 2}));
    racers[0].x = 32.0 * 600;
    updatePlaces(racers, map, order);
    racers[2].x = 32.0 * 700;  // too late: places taken at the line stay
    updatePlaces(racers, map, order);
    EXPECT_EQ(order, (std::array<int, 3>{1, 0, 2}));
}

}  // namespace
