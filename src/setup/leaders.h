// The leaders list of the lesson menu: the classroom's players ranked by their best time.
#pragma once
#include <string>
#include <vector>

#include "present/image.h"
#include "store/records.h"

// The positions in players of the first lines of the leaders of one operation, lesson and
// distance, at most maxLines and never more than there are players. Players with a stored race
// come first, fastest first (equal times in list order), then those without one in list order.
// Reads LeaderboardTable through bestTime; the table must hold the current classroom's boards.
std::vector<int> leadersOrder(const PlayerList& players, int operation, int lesson, int distance, int maxLines);

// The best time as a leader line shows it: "-" without a race (0), else at most five characters,
// so that it stays inside its column (player 2's ends at the canvas edge): two decimals below 100 s,
// one below 1000 s, whole seconds below 100000 s, and "#####" for a time beyond that.
std::string leaderTime(double seconds);

// Called by the lesson menu while a column shows no table grid: draws "Leaders" at (nameX, 108)
// and below it the lines "n: name" at nameX with each player's leaderTime at timeX.
void drawLeaders(Image* canvas, const PlayerList& players, int operation, int lesson, int distance,
                 int maxLines, int nameX, int timeX);
