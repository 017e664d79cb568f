// The race's set-up and its frame, the two halves of runRace's loop, for runRace and the benchmark.
#pragma once
#include "race/race_state.h"
#include "shell/game.h"

// The ten set-up steps: cars on the start line, the players' cars, the track, the replays, the old
// best time and top speed, this race's records, the state, the problems' lessons, the reseeding
// and the first problems. Game must be as the menus leave it for a race (see runRace).
void setUpRace(Game& game, RaceState& race);

// One frame of the race in its eighteen steps. Returns false when the veil is complete and the
// loop ends; otherwise it has paused 1 ms and the next frame may run.
bool runRaceFrame(Game& game, RaceState& race);
