// Answer entry and its judging, the speed statistics and the results screen's lines.
#include <gtest/gtest.h>

#include <climits>

#include "lessons/problem.h"
#include "race/answer_keys.h"
#include "race/judge.h"
#include "race/results.h"
#include "shell/frame.h"

namespace {

// Feeds keys one frame at a time through a key set; returns the text and how many submits.
int feed(int (*set)(std::string&), std::string& text, const std::vector<std::string>& keys) {
    int submits = 0;
    for (const auto& key : keys) {
        pendingKey = key;
        submits += set(text);
    }
    return submits;
}

TEST(AnswerKeys, LetterSetIsAKeypadOverTheLetters) {
    std::string text;
    EXPECT_EQ(feed(takeLetterKeys, text, {"q", "a", "z"}), 0);
    EXPECT_EQ(text, "741");
    EXPECT_EQ(feed(takeLetterKeys, text, {" "}), 1);
    EXPECT_EQ(answerValue(text), 741);
    text.clear();
    feed(takeLetterKeys, text, {"w", "e", "s", "d", "x", "c", "v", "f", "v"});
    EXPECT_EQ(text, "0");
    pendingKey = "Q";  // Caps Lock: not ours, left for the rest of the frame
    EXPECT_EQ(takeLetterKeys(text), 0);
    EXPECT_EQ(pendingKey, "Q");
    pendingKey = "\r";
    EXPECT_EQ(takeLetterKeys(text), 0);
    EXPECT_EQ(pendingKey, "\r");
}

TEST(AnswerKeys, DigitSetClearsWholeTextOnBackspace) {
    std::string text;
    EXPECT_EQ(feed(takeDigitKeys, text, {"1", "2", "\b", "3"}), 0);
    EXPECT_EQ(text, "3");
    EXPECT_EQ(feed(takeDigitKeys, text, {"\r"}), 1);
    EXPECT_TRUE(pendingKey.empty());
    pendingKey.assign(1, ' ');
    EXPECT_EQ(takeDigitKeys(text), 0);
    EXPECT_EQ(pendingKey, " ");
    pendingKey.clear();
}

TEST(AnswerKeys, OnePlayerMixesBothSets) {
    // As the race polls them: letters first, digits when the letters did not submit.
    std::string text;
    int submits = 0;
    for (const std::string key : {"q", "8", "\r"}) {
        pendingKey = key;
        if (takeLetterKeys(text) == 1 || takeDigitKeys(text) == 1) ++submits;
    }
    EXPECT_EQ(submits, 1);
    EXPECT_EQ(answerValue(text), 78);
}

TEST(AnswerKeys, ValueOfTheTypedText) {
    EXPECT_EQ(answerValue(""), 0);
    EXPECT_EQ(answerValue("0007"), 7);
    EXPECT_EQ(answerValue("2147483647"), INT_MAX);
    EXPECT_EQ(answerValue("2147483648"), INT_MIN);
    EXPECT_EQ(answerValue("99999999999"), INT_MIN);
    EXPECT_EQ(answerValue(std::string(5000, '9')), INT_MIN);
}

class Judging : public ::testing::Test {
protected:
    void SetUp() override {
        problem.operation = 0;
        problem.lesson = 0;
        generate(problem);
        board.records.resize(2);
        board.count = 2;
        player.recordIndex = 1;
        racer.speed = 0.4;
    }
    void answer(int value) {
        player.answerText = std::to_string(value);
        judgeAnswer(problem, racer, board, player, -2.0);
    }
    Problem problem;
    Racer racer;
    Leaderboard board;
    PlayerRace player;
};

TEST_F(Judging, RightAnswerBoostsAndBringsANewProblem) {
    answer(problem.answer);
    EXPECT_EQ(player.feedback, "Correct");
    EXPECT_EQ(racer.boost, 1.0);
    EXPECT_TRUE(player.answerText.empty());
    EXPECT_EQ(problem.tries, 0);
    ASSERT_EQ(board.records[1].sampleCount, 1);
    EXPECT_GE(board.records[1].samples[0].first, 2.0);  // seconds since the start
    EXPECT_EQ(board.records[1].samples[0].second, 1.0);
    EXPECT_TRUE(board.records[0].samples.empty());
}

TEST_F(Judging, SolutionFromTheThirdWrongAnswerNewProblemAfterTheSixth) {
    const std::string question = problem.question;
    const std::string solution = problem.solution;
    const int wrong = problem.answer + 1;
    answer(wrong);
    EXPECT_EQ(player.feedback, "Incorrect");
    EXPECT_EQ(racer.boost, -0.5);
    answer(wrong);
    EXPECT_EQ(player.feedback, "Incorrect");
    EXPECT_EQ(racer.boost, -1.0);  // added to the boost, not set
    for (int i = 3; i <= 5; ++i) {
        answer(wrong);
        EXPECT_EQ(player.feedback, solution) << i;
        EXPECT_EQ(problem.question, question);
    }
    answer(wrong);
    EXPECT_EQ(player.feedback, solution);  // the old problem's solution, then a fresh problem
    EXPECT_EQ(problem.tries, 0);
    EXPECT_EQ(board.records[1].sampleCount, 6);
    EXPECT_EQ(board.records[1].samples[5].second, -0.5);
}

TEST(RaceRecords, AppendDropAndSamples) {
    Leaderboard board;
    board.records.resize(1);
    board.count = 1;
    EXPECT_EQ(appendRecord(board, "Ann", 3), 1);
    EXPECT_EQ(board.count, 2);
    EXPECT_EQ(board.records[1].name, "Ann");
    EXPECT_EQ(board.records[1].car, 3);
    EXPECT_EQ(board.records[1].time, 0);
    addSample(board.records[1], 1.5, -0.5);
    EXPECT_EQ(board.records[1].sampleCount, 1);
    dropLastRecord(board);
    dropLastRecord(board);
    dropLastRecord(board);  // an empty board stays empty
    EXPECT_EQ(board.count, 0);
    EXPECT_TRUE(board.records.empty());
}

TEST(RaceRecords, SpeedStatisticsCountFramesAndEqualTopSpeedIsNotNew) {
    Game game;
    game.players.items = {{"Ann", "", 0, 0}};
    game.racerOfPlayer1 = 1;
    LeaderboardTable.boards[0][0][0] = Leaderboard{};
    RaceState race;
    race.started = true;
    race.players[0].recordIndex = appendRecord(LeaderboardTable.boards[0][0][0], "Ann", 0);
    race.players[0].oldTopSpeed = 35 * 0.5;
    RaceRecord& record = LeaderboardTable.boards[0][0][0].records[0];
    for (double speed : {0.5, 0.25, 0.0}) {
        game.racers[1].speed = speed;
        updateSpeedStatistics(game, race, 0);
    }
    EXPECT_EQ(record.topSpeed, 17.5);
    EXPECT_FALSE(race.players[0].newTopSpeed);  // equal is not new
    EXPECT_DOUBLE_EQ(record.averageSpeed, 35 * 0.25);
    EXPECT_EQ(race.players[0].speedFrames, 3);
    game.racers[1].speed = 0.51;
    updateSpeedStatistics(game, race, 0);
    EXPECT_TRUE(race.players[0].newTopSpeed);
    race.players[0].finished = true;
    game.racers[1].speed = 5;
    updateSpeedStatistics(game, race, 0);  // nothing counts after the finish
    EXPECT_EQ(race.players[0].speedFrames, 4);
    LeaderboardTable.boards[0][0][0] = Leaderboard{};
}

}  // namespace
