// A player's statistics over the stored races of the current classroom's boards.
#pragma once
#include <string>

// Each query reads LeaderboardTable and changes nothing. The selectors pick the boards: -1 selects
// every operation (0..3), lesson (0..24) or distance (0..5), any other value that one index (a
// value outside the range selects no board). A record belongs to the player when its name equals
// name byte for byte. Boards are visited operation, then lesson, then distance, each ascending,
// and the records of a board in list order. Callers: the player menu (every frame while a player
// row is selected), the lesson menu's leaders and the race's set-up and results screen. The table
// must hold the current classroom's boards (loadLeaderboards); the queries read no file.

// The number of the player's records.
int countRaces(const std::string& name, int operation, int lesson, int distance);
// Whether a stored race time is a time at all: a record that never finished, or a damaged one,
// holds 0 or less, and must neither be anyone's best nor be replayed as a rival.
inline bool isRaceTime(double seconds) { return seconds > 0; }

// The lowest time among the player's records whose time isRaceTime; 0 when there is none.
double bestTime(const std::string& name, int operation, int lesson, int distance);
// The highest top speed among the player's records, never below 0.
double fastestSpeed(const std::string& name, int operation, int lesson, int distance);
// The mean of the player's average speeds; 0 when their sum is exactly 0 or there is none.
double averageSpeedOf(const std::string& name, int operation, int lesson, int distance);
