// Screenshots of the race with the game's real pictures, for looking at: written only when
// TALLY_RACE_SHOTS names a folder, and skipped otherwise: the other race tests check the content.
#include "race_fixture.h"

namespace racetest {
namespace {

class RaceShots : public RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        if (shotFolder().empty()) GTEST_SKIP() << "set TALLY_RACE_SHOTS to a folder to write race screenshots";
        startHeadless(true);
    }
    // Takes a shot named name at the first frame at or after each time (game seconds).
    void shootAt(std::vector<std::pair<double, std::string>> shots) {
        onFrame = [this, shots, next = std::size_t{0}]() mutable {
            if (next < shots.size() && nowSeconds() >= shots[next].first) {
                shot(shots[next].second);
                ++drawn;
                ++next;
            }
        };
    }
    int drawn = 0;
};

TEST_F(RaceShots, EverySeasonOnePlayer) {
    for (int track = 0; track < 4; ++track) {
        choose(false, track);
        startHeadless(true);
        drawn = 0;
        const std::string name = "season" + std::to_string(track);
        shootAt({{2.0, name + "-countdown"}, {8.0, name + "-racing"}, {9.2, name + "-veil"}});
        race({Pupil{1, 0.2}}, 8.9);
        EXPECT_EQ(drawn, 3);
        shotResults(name + "-results");
    }
}

TEST_F(RaceShots, TwoPlayersSplitView) {
    choose(true, 1);
    shootAt({{2.0, "two-countdown"}, {9.0, "two-racing"}});
    race({Pupil{1, 0.3}, Pupil{2, 0.25}});
    EXPECT_EQ(drawn, 2);
    shotResults("two-results");
}

TEST_F(RaceShots, ResultsOfATwoPlayerRaceOnePupilAbandoned) {
    choose(true, 0);
    Watchers.playerFinished = [](int, int, double) { headlessSetKeyDown(1, true); };
    race({Pupil{2, 0.2}});
    shotResults("two-abandoned-results");
}

TEST_F(RaceShots, ResultsOfAFirstRaceAndOfARaceAgainstAGhost) {
    choose(false, 2);
    race({Pupil{1, 0.25}});
    shotResults("first-results");
    startHeadless(true);
    shootAt({{7.0, "ghost-racing"}});
    race({Pupil{1, 0.3}});
    shotResults("ghost-results");
    EXPECT_EQ(game.racers[2].name, "Ann");
}

}  // namespace
}  // namespace racetest
