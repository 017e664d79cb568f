// Judging a submitted answer: the car's boost, the sound, the sample in the race's record, the
// problem line's feedback and the next problem.
#pragma once
#include "lessons/problem.h"
#include "race/race_state.h"
#include "store/records.h"

// Called in the frame in which a player's key set reports a submit. A right answer sets the boost
// to 1 and brings a new problem; a wrong one lowers the boost by 0.5, shows "Incorrect" and, from
// the third wrong answer to the problem on, its solution, and brings a new problem after the
// sixth. Either way the typed text is emptied and a sample (seconds since startTime, 1 or -0.5) is
// added to the player's record, which must be record player.recordIndex of board.
void judgeAnswer(Problem& problem, Racer& racer, Leaderboard& board, PlayerRace& player, double startTime);
