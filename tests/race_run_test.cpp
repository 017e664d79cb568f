// Whole races through runRace on the headless back end: countdown, answers, finish, results,
// abandoned races, stored files, ghosts and reproducibility.
#include "race_fixture.h"
#include "shell/notice.h"

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
    double benTime = 0;
    Watchers.playerFinished = [&](int player, int, double seconds) {
        finished.push_back(player);
        benTime = seconds;
        headlessSetKeyDown(1, true);  // player 1 gives up once player 2 is through
    };
    // Ben's top speed as his record held it at the finish: the frames up to and with the finish.
    double benTop = 0;
    bool benCounted = false;
    onFrame = [&] {
        if (benCounted) return;
        benTop = std::max(benTop, 35 * game.racers[2].speed);
        benCounted = !finished.empty();
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
    // Ben's new bests are his race's own figures, though the race is not kept.
    EXPECT_TRUE(showsText(results, 163, 85, "New High Score"));
    EXPECT_TRUE(showsText(results, 163, 95, "N/A to " + formatTime(benTime) + " sec"));
    EXPECT_TRUE(showsText(results, 163, 105, "New Top Speed"));
    EXPECT_TRUE(showsText(results, 163, 115, "0.00 to " + formatTime(benTop) + " mph"));
    EXPECT_TRUE(showsText(results, 229, 50, formatTime(benTop) + " mph"));
    EXPECT_TRUE(showsText(results, 163, 140, "Toprace N/A"));  // the boards keep nothing of it
}

// The boards and the players file are on disk, exactly as they finally stay, while the results
// screen waits for its key: switching the PC off there loses nothing.
TEST_F(RaceTest, TheRaceIsStoredBeforeTheResultsWait) {
    struct Case {
        bool twoPlayers;
        std::vector<Pupil> pupils;
        double escapeAt;
        std::vector<std::string> written;
    };
    const std::string board2 = "classrooms/room1/leaderboards/category1/lesson2/distance1";
    const std::vector<Case> cases = {
        {false, {Pupil{1, 0.25}}, -1, {boardFile().string(), boardFile().string() + "record1"}},
        {false, {}, 2.0, {}},
        {true, {Pupil{2, 0.2}}, -1, {board2}},  // player 1 gives up once player 2 is through
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        startHeadless();
        fs::remove_all("classrooms");
        LeaderboardTable = LeaderboardTableData{};
        choose(cases[i].twoPlayers);
        game.lesson2 = 1;
        std::vector<std::string> paths = cases[i].written;
        paths.push_back("classrooms/room1/players");
        std::vector<std::string> atResults;
        Watchers.playerFinished = [&](int, int, double) {
            if (cases[i].twoPlayers) headlessSetKeyDown(1, true);
        };
        onResults = [&] {
            for (const std::string& path : paths) atResults.push_back(fs::exists(path) ? readFile(path) : "missing");
        };
        race(cases[i].pupils, cases[i].escapeAt);
        ASSERT_EQ(atResults.size(), paths.size()) << "case " << i;
        for (std::size_t f = 0; f < paths.size(); ++f) {
            ASSERT_TRUE(fs::exists(paths[f])) << "case " << i << " " << paths[f];
            EXPECT_EQ(atResults[f], readFile(paths[f])) << "case " << i << " " << paths[f];
        }
    }
}

// A save that fails is told on the results screen itself, in the notice line at its foot.
TEST_F(RaceTest, AFailedSaveShowsOnTheResultsScreen) {
    startHeadless(true);
    choose(false);
    std::ofstream("classrooms") << "not a folder";
    race({Pupil{1, 0.25}});
    EXPECT_EQ(shown(results, 0, NoticeTop), 0xFF000000u);      // the notice's frame
    EXPECT_EQ(shown(results, 160, NoticeTop + 1), 0xFFFFF4C8u);  // and its paper
    EXPECT_TRUE(showsText(results, 7, 85, "New High Score"));  // the figures are drawn all the same
    shotResults("failed-save-results");
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
    EXPECT_TRUE(showsText(after, 160 + 2, 151, "Incorrect"));  // the feedback's tab above the strip
    EXPECT_FALSE(showsText(after, 2, 151, "Incorrect"));
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
        game.players.base.clear();  // the players are not on disk either
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
