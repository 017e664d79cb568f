// What a finished race can hold at most, worked out from the car's motion and the race's frame
// loop: the classroom server refuses a stored race beyond these, since the game cannot make it.
#pragma once
#include <string>

#include "store/records.h"

// The speed no car reaches, in the world's pixels a tick (1/180 s): a right answer sets the boost
// to 1, which moveRacer turns into speed at most boost / 15 a tick while the speed loses 0.0005 of
// itself a tick, so it never passes 1 / (15 * 0.0005).
constexpr double TopPixelsPerTick = 1.0 / (15 * 0.0005);
// The same in the mph that records and the race screen show (35 times the speed).
constexpr double TopMph = 35 * TopPixelsPerTick;
// The countdown lasts from 5.45 down to 0.5 (where it rounds to 0): the least time between two
// races of one pupil is this and the race itself.
constexpr double CountdownSeconds = 5.45 - 0.5;

// The least time, in seconds, in which a car covers board distance index distance (0..5): from
// the start line to past the finish column with its speed growing at most 1/15 pixel a tick each
// tick and never above TopPixelsPerTick.
double leastRaceSeconds(int distance);

// Why record cannot come from a race on distance index distance, or "" when it can: a time below
// leastRaceSeconds, a top speed above what the time allows, an average above the top speed, an
// answer before the start or after the finish, or more answers than frames (one a frame, and a
// frame lasts at least a millisecond).
std::string implausibleRace(const RaceRecord& record, int distance);
