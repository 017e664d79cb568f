// judgeAnswer: what a submitted answer does to the car, the record and the problem line.
#include "race/judge.h"

#include "audio/sound.h"
#include "present/platform.h"
#include "race/answer_keys.h"
#include "race/results.h"

namespace {

constexpr double RightBoost = 1.0;
constexpr double WrongBoost = -0.5;

}  // namespace

void judgeAnswer(Problem& problem, Racer& racer, Leaderboard& board, PlayerRace& player, double startTime) {
    const int value = answerValue(player.answerText);
    const double elapsed = nowSeconds() - startTime;
    RaceRecord& record = board.records[player.recordIndex];
    if (check(problem, value)) {
        player.feedback = "Correct";
        racer.boost = RightBoost;
        playSound(ConfirmSound);
        addSample(record, elapsed, RightBoost);
        player.answerText.clear();
        generate(problem);
        return;
    }
    racer.boost = racer.boost + WrongBoost;
    playSound(WrongSound);
    addSample(record, elapsed, WrongBoost);
    player.feedback = "Incorrect";
    if (problem.tries > 2) player.feedback = problem.solution;  // from the third wrong answer on
    player.answerText.clear();
    if (problem.tries > 5) generate(problem);  // after the sixth, a fresh problem
}
