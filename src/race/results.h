// The race's records and results: each player's RaceRecord from set-up to the finish, the speed
// statistics, the removal of an abandoned race's records and the results screen.
#pragma once
#include <string>

#include "race/race_state.h"
#include "shell/game.h"
#include "store/records.h"

// Race set-up, after the replays are chosen: adds a record of that name and car (everything else
// zero or empty) at the end of the board. Returns its position.
int appendRecord(Leaderboard& board, const std::string& name, int car);
// After the race loop, for an abandoned race: removes the board's last record (none: nothing).
void dropLastRecord(Leaderboard& board);
// At every judged answer: adds (seconds since the start, 1.0 or -0.5) to the record.
void addSample(RaceRecord& record, double time, double value);

// Every frame after the motion, for each player racing (started, not finished): the record's top
// speed, the new-top-speed flag and the average speed over frames, from the car's speed in mph.
void updateSpeedStatistics(Game& game, RaceState& race, int player);
// When the player's car passes the finish: the record takes the race time, and a time below the
// player's old best (or a first time on the board) is a new high score.
void recordFinishTime(Game& game, RaceState& race, int player);
// After the race loop, before any record is removed: keeps each player's top and average speed
// for the results screen.
void keepReachedSpeeds(Game& game, RaceState& race);

// After the race loop, once the main canvas shows backImage and the records of an abandoned race
// are removed: draws each player's column of figures and statistics on the main canvas.
void showResults(Game& game, const RaceState& race);
