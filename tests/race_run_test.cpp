// Whole races through runRace on the headless back end: countdown, answers, finish, results,
// abandoned races, stored files, ghosts and reproducibility.
#include "race_fixture.h"

namespace racetest {
namespace {

using Screen = std::vector<std::uint32_t>;

TEST_F(RaceTest, CountdownAnnouncesFiveStepsAndStartsAfterAboutFiveSeconds) {
    choose(false);
    std::vector<std::pair<double, int>> sounds;
    Watchers.soundPlayed = [&](int id) { sounds.emplace_back(nowSeconds(), id); };
    double firstProblem = -1;
    onFrame = [&] {
        bool letters = true;
        const bool shown = problemOnScreen(1, letters) != nullptr;
        if (firstProblem < 0 && shown) firstProblem = nowSeconds();
        EXPECT_FALSE(letters);
    };
    headlessPushKey("5");  // typed during the countdown: read and dropped
    headlessPushKey("\r");
    race({}, 6.0);
    ASSERT_GE(sounds.size(), 6u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(sounds[i].second, 7) << i;
    EXPECT_EQ(sounds[5].second, 0);
    EXPECT_NEAR(sounds[5].first, 4.95, 0.03);
    EXPECT_NEAR(firstProblem, 4.95, 0.03);
    EXPECT_EQ(sounds.size(), 6u);  // the early Enter judged nothing
    EXPECT_EQ(game.screen, Lesson);
}

TEST_F(RaceTest, OnePlayerRaceToTheFinishStoresItsRecord) {
    choose(false);
    std::vector<std::string> finishes;
    Watchers.playerFinished = [&](int player, int place, double seconds) {
        finishes.push_back(std::to_string(player) + " " + std::to_string(place) + " " + std::to_string(seconds));
    };
    race({Pupil{1, 0.25}});
    ASSERT_EQ(finishes.size(), 1u);
    EXPECT_EQ(finishes[0].substr(0, 4), "1 1 ");
    ASSERT_EQ(board().count, 1);
    const RaceRecord& record = board().records[0];
    EXPECT_EQ(record.name, "Ann");
    EXPECT_EQ(record.car, 2);
    EXPECT_GT(record.time, 3);
    EXPECT_GT(record.topSpeed, record.averageSpeed);
    EXPECT_GT(record.sampleCount, 10);
    EXPECT_EQ(record.samples[0].second, 1.0);

    // The board, its record and the players, exactly as the saved-data files hold them.
    EXPECT_EQ(readFile(boardFile()), " 1\r\n\r\n");
    std::string expected = " " + std::to_string(record.sampleCount) + "\r\n" + realLine(record.time) +
                           realLine(record.topSpeed) + realLine(record.averageSpeed) + "Ann\r\n 2\r\n";
    for (const Sample& sample : record.samples) expected += realLine(sample.first) + realLine(sample.second);
    EXPECT_EQ(readFile(boardFile().string() + "record1"), expected);
    EXPECT_EQ(readFile("classrooms/room1/players"), " 2\r\nAnn\r\n\r\n 2\r\n 3\r\nBen\r\n\r\n 5\r\n 7\r\n");

    // First race on the board: a new high score from N/A and a new top speed from 0.
    const std::string t = formatTime(record.time);
    EXPECT_TRUE(showsText(results, 7, 8, "Ann"));
    EXPECT_TRUE(showsText(results, 126, 8, "1st"));
    EXPECT_TRUE(showsText(results, 73, 20, "Time"));
    EXPECT_TRUE(showsText(results, 73, 30, t + " sec"));
    EXPECT_TRUE(showsText(results, 73, 50, formatTime(record.topSpeed) + " mph"));
    EXPECT_TRUE(showsText(results, 73, 70, formatTime(record.averageSpeed) + " mph"));
    EXPECT_TRUE(showsText(results, 7, 85, "New High Score"));
    EXPECT_TRUE(showsText(results, 7, 95, "N/A to " + t + " sec"));
    EXPECT_TRUE(showsText(results, 7, 105, "New Top Speed"));
    EXPECT_TRUE(showsText(results, 7, 115, "0.00 to " + formatTime(record.topSpeed) + " mph"));
    EXPECT_TRUE(showsText(results, 7, 130, " Player Stats"));
    EXPECT_TRUE(showsText(results, 7, 140, "Toprace " + t + " sec"));
    EXPECT_TRUE(showsText(results, 7, 160, "Average " + formatTime(record.averageSpeed) + " mph"));
    EXPECT_TRUE(showsText(results, 163, 8, ""));  // no second column
}

TEST_F(RaceTest, SecondRaceReplaysTheFirstAsAGhostAndASlowerRaceIsNoHighScore) {
    choose(false);
    race({Pupil{1, 0.25}});
    ASSERT_EQ(board().count, 1);
    const double recorded = board().records[0].time;

    // Again, answering more slowly: slot 2 replays Ann's own race.
    double startFrame = -1, ghostFinish = -1;
    onFrame = [&] {
        bool letters = false;
        if (startFrame < 0 && problemOnScreen(1, letters) != nullptr) startFrame = nowSeconds();
        if (ghostFinish < 0 && tileColumn(game.racers[2].x) > 505) ghostFinish = nowSeconds();
    };
    startHeadless();
    race({Pupil{1, 0.4}});
    EXPECT_EQ(game.racers[2].name, "Ann");
    EXPECT_EQ(game.racers[2].replayRecord, 0);
    ASSERT_GT(ghostFinish, 0);
    // Race time counts from the frame before the start.
    const double ghostTime = ghostFinish - (startFrame - (1.0 / 60 + 0.001));
    EXPECT_NEAR(ghostTime, recorded, 3 * (1.0 / 60 + 0.001));

    ASSERT_EQ(board().count, 2);
    const RaceRecord& second = board().records[1];
    EXPECT_GT(second.time, recorded);
    EXPECT_TRUE(showsText(results, 126, 8, "2nd"));
    EXPECT_TRUE(showsText(results, 7, 85, ""));  // no new high score
    EXPECT_TRUE(showsText(results, 7, 140, "Toprace " + formatTime(recorded) + " sec"));
    EXPECT_NE(readFile(boardFile().string() + "record2"), "");
}

TEST_F(RaceTest, EscapeDuringTheCountdownKeepsNoRecordButWritesThePlayers) {
    choose(false);
    board().records.resize(1);
    board().records[0].name = "Cid";
    board().records[0].time = 44;
    board().count = 1;
    race({}, 2.0);
    EXPECT_EQ(board().count, 1);
    EXPECT_FALSE(fs::exists(boardFile()));
    EXPECT_TRUE(fs::exists("classrooms/room1/players"));
    EXPECT_TRUE(showsText(results, 126, 8, "0th"));
    EXPECT_TRUE(showsText(results, 73, 30, "0.00 sec"));
    EXPECT_TRUE(showsText(results, 7, 140, "Toprace N/A"));
    EXPECT_EQ(game.screen, Lesson);
}

TEST_F(RaceTest, AbandonedRaceShowsTheSpeedsItReached) {
    choose(false);
    race({Pupil{1, 0.3}}, 8.0);
    EXPECT_EQ(board().count, 0);
    EXPECT_FALSE(fs::exists(boardFile()));
    EXPECT_TRUE(showsText(results, 126, 8, "0th"));
    EXPECT_FALSE(showsText(results, 73, 50, "0.00 mph"));  // the race's own top speed
    EXPECT_TRUE(showsText(results, 7, 105, "New Top Speed"));
    EXPECT_TRUE(showsText(results, 7, 115, "0.00 to 0.00 mph"));  // its record is gone
    EXPECT_TRUE(showsText(results, 7, 140, "Toprace N/A"));
    EXPECT_TRUE(showsText(results, 7, 150, "Fastest 0.00 mph"));
}

TEST_F(RaceTest, TwoPlayersOneFinishesOtherHoldsEscapeNeitherRecordStays) {
    choose(true);
    game.lesson2 = 1;  // player 2 on another board
    std::vector<int> finished;
    Watchers.playerFinished = [&](int player, int, double) {
        finished.push_back(player);
        headlessSetKeyDown(1, true);  // player 1 gives up once player 2 is through
    };
    race({Pupil{2, 0.2}});
    ASSERT_EQ(finished, std::vector<int>{2});
    EXPECT_EQ(board().count, 0);
    EXPECT_EQ(LeaderboardTable.boards[0][1][0].count, 0);
    EXPECT_FALSE(fs::exists(boardFile()));
    // The finished player's board is written, without this race's record.
    EXPECT_EQ(readFile("classrooms/room1/leaderboards/category1/lesson2/distance1"), " 0\r\n\r\n");
    EXPECT_TRUE(showsText(results, 163, 8, "Ben"));
    EXPECT_TRUE(showsText(results, 270, 8, "1st"));
    EXPECT_TRUE(showsText(results, 126, 8, "0th"));
}

TEST_F(RaceTest, TwoPlayersOnOneBoardKeepBothRecordsPlayerOneFirst) {
    choose(true);
    race({Pupil{1, 0.2}, Pupil{2, 0.2}});
    ASSERT_EQ(board().count, 2);
    EXPECT_EQ(board().records[0].name, "Ann");
    EXPECT_EQ(board().records[1].name, "Ben");
    EXPECT_EQ(readFile(boardFile()), " 2\r\n\r\n");
    EXPECT_TRUE(showsText(results, 229, 20, "Time"));
}

TEST_F(RaceTest, WrongAnswerOfPlayerTwoChangesOnlyPlayerTwosLine) {
    startHeadless(true);  // black text needs the light bottom strip behind it
    choose(true);
    Screen after;
    bool missed = false;
    onFrame = [&] {
        bool letters = false;
        if (!missed && nowSeconds() > 5.5 && problemOnScreen(2, letters) != nullptr) {
            EXPECT_FALSE(letters);
            type(problemOnScreen(2, letters)->answer + 1, false);
            missed = true;
        }
        if (missed && after.empty() && nowSeconds() > 6.0) after.assign(headlessScreen(), headlessScreen() + 1280 * 720);
    };
    race({}, 6.5);
    ASSERT_FALSE(after.empty());
    EXPECT_TRUE(showsText(after, 160 + 80, 171, "Incorrect"));
    EXPECT_FALSE(showsText(after, 80, 171, "Incorrect"));
    EXPECT_EQ(game.problem2.tries, 1);
    EXPECT_EQ(game.problem1.tries, 0);
}

TEST_F(RaceTest, TheSameInputsGiveTheSameFilesAndScreens) {
    choose(false, 1);
    std::uint64_t hashes[2] = {0, 0};
    std::string files[2];
    for (int run = 0; run < 2; ++run) {
        startHeadless();
        seedRandom(5);
        board() = Leaderboard{};
        fs::remove_all("classrooms");
        std::uint64_t hash = 1469598103934665603ull;
        onFrame = [&] {
            const std::uint32_t* s = headlessScreen();
            for (int i = 0; i < 1280 * 720; i += 97) hash = (hash ^ s[i]) * 1099511628211ull;
        };
        race({Pupil{1, 0.25}});
        hashes[run] = hash;
        files[run] = readFile(boardFile().string() + "record1");
    }
    EXPECT_EQ(hashes[0], hashes[1]);
    EXPECT_EQ(files[0], files[1]);
    EXPECT_FALSE(files[0].empty());
}

}  // namespace
}  // namespace racetest
