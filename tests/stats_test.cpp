// Tests of a player's statistics over the boards of LeaderboardTable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/records.h"
#include "store/stats.h"

namespace {

class Statistics : public ::testing::Test {
protected:
    void SetUp() override { LeaderboardTable = LeaderboardTableData{}; }
    void TearDown() override { LeaderboardTable = LeaderboardTableData{}; }

    static void add(int op, int lesson, int distance, const std::string& name, double time, double top,
                    double average) {
        Leaderboard& b = LeaderboardTable.boards[op][lesson][distance];
        RaceRecord r;
        r.name = name;
        r.time = time;
        r.topSpeed = top;
        r.averageSpeed = average;
        b.records.push_back(r);
        b.count = static_cast<int>(b.records.size());
    }
};

TEST_F(Statistics, APlayerWithoutRecords) {
    add(0, 0, 0, "Someone", 12, 40, 20);
    EXPECT_EQ(countRaces("Nobody", -1, -1, -1), 0);
    EXPECT_EQ(bestTime("Nobody", -1, -1, -1), 0);
    EXPECT_EQ(fastestSpeed("Nobody", -1, -1, -1), 0);
    EXPECT_EQ(averageSpeedOf("Nobody", -1, -1, -1), 0);
}

TEST_F(Statistics, BestTimeIsTheLowestAndZeroIsReplaced) {
    add(1, 2, 3, "Ann", 30.4, 0, 0);
    add(1, 2, 3, "Ann", 30.2, 0, 0);
    add(1, 2, 3, "Bob", 10, 0, 0);
    EXPECT_EQ(bestTime("Ann", 1, 2, 3), 30.2);
    // A stored time of 0 counts as "no time yet": the next record replaces it.
    add(0, 0, 0, "Cy", 0, 0, 0);
    add(0, 0, 1, "Cy", 25, 0, 0);
    EXPECT_EQ(bestTime("Cy", 0, 0, -1), 25);
    EXPECT_EQ(bestTime("Cy", 0, 0, 0), 0);
}

// A time of 0 or below is no time: never a best, wherever it stands among the player's records.
TEST_F(Statistics, BestTimeCountsOnlyTimesAboveZero) {
    struct Case {
        std::vector<double> times;
        double best;
    };
    const std::vector<Case> cases = {
        {{-5}, 0},
        {{-5, 40}, 40},
        {{40, -5}, 40},
        {{40, 0}, 40},
        {{0, -0.01, 33, 35}, 33},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        LeaderboardTable = LeaderboardTableData{};
        for (double t : cases[i].times) add(2, 3, 1, "Eve", t, 0, 0);
        EXPECT_EQ(bestTime("Eve", 2, 3, 1), cases[i].best) << "case " << i;
    }
}

TEST_F(Statistics, NamesCompareByteForByte) {
    add(2, 0, 0, "Ann", 20, 50, 30);
    add(2, 0, 0, "ann", 10, 90, 60);
    add(2, 0, 0, "Ann ", 5, 99, 99);
    EXPECT_EQ(countRaces("Ann", -1, -1, -1), 1);
    EXPECT_EQ(bestTime("Ann", -1, -1, -1), 20);
    EXPECT_EQ(fastestSpeed("Ann", -1, -1, -1), 50);
    EXPECT_EQ(averageSpeedOf("ann", -1, -1, -1), 60);
}

TEST_F(Statistics, SelectorsPickBoards) {
    add(3, 1, 0, "Ann", 40, 30, 20);
    add(3, 7, 5, "Ann", 50, 45, 30);
    add(0, 7, 5, "Ann", 10, 80, 70);
    EXPECT_EQ(averageSpeedOf("Ann", 3, -1, -1), 25);
    EXPECT_EQ(fastestSpeed("Ann", 3, -1, -1), 45);
    EXPECT_EQ(countRaces("Ann", -1, -1, -1), 3);
    EXPECT_EQ(countRaces("Ann", -1, 7, -1), 2);
    EXPECT_EQ(countRaces("Ann", -1, -1, 5), 2);
    EXPECT_EQ(countRaces("Ann", 3, 7, 5), 1);
    EXPECT_EQ(bestTime("Ann", -1, -1, -1), 10);
    // Indices outside the table select no board.
    EXPECT_EQ(countRaces("Ann", 4, -1, -1), 0);
    EXPECT_EQ(countRaces("Ann", -1, 25, -1), 0);
    EXPECT_EQ(countRaces("Ann", -1, -1, -2), 0);
}

TEST_F(Statistics, SpeedsNeverBelowZeroAndASumOfZeroGivesZero) {
    add(1, 1, 1, "Dee", 12, -5, 10);
    add(1, 1, 1, "Dee", 13, -1, -10);
    EXPECT_EQ(fastestSpeed("Dee", -1, -1, -1), 0);
    EXPECT_EQ(averageSpeedOf("Dee", -1, -1, -1), 0);
    add(1, 1, 2, "Dee", 14, 7, 5);
    EXPECT_EQ(fastestSpeed("Dee", -1, -1, -1), 7);
    EXPECT_DOUBLE_EQ(averageSpeedOf("Dee", -1, -1, -1), 5.0 / 3);
}

}  // namespace
