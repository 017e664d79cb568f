// Drawing the race: the track around each player's car, the cars, snow, the frame pictures, the
// standings, problem lines, distance and speed, the countdown digits and the closing veil.
#pragma once
#include "race/race_state.h"
#include "shell/game.h"

// Draws the visible tile columns of the map (from about one column left of the panel's scroll to
// its right edge) on the panel's canvas with the season's tile pictures.
void drawTrackMap(const TrackMap& map, Panel& panel, const Game& game, int track);
// Draws one car, its top-left corner at its world position.
void drawRacer(const Game& game, const Racer& racer, Panel& panel);

// The steps of a race frame, called by the race loop in its order; each draws on the main canvas
// and, in a two-player race, on the side canvas. The panels must have canvases (setupPanel).
// Camera, track, cars, snow on the winter track (moving the snow offsets), the bottom and board
// pictures and, for two players, the frames of both views.
void drawWorld(Game& game, RaceState& race);
// The three places, the viewing player's own car in dark red.
void drawStandings(Game& game, const RaceState& race);
// The question and typed answer of each racing player after the start, with the feedback on a tab
// of its own above the strip; then each player's distance and speed.
void drawProblemLines(Game& game, const RaceState& race);
// Before the start: the countdown number ahead of the player's car.
void drawCountdown(Game& game, const RaceState& race);
// backImage blended over the views with the race's fade as opacity; nothing at 0.
void drawVeil(Game& game, const RaceState& race);
