// The race screen: one call of runRace is one race, from the countdown to the stored results.
#pragma once
#include "lessons/problem.h"
#include "shell/game.h"

// Called by the screen loop for the Race screen, after the lesson menu. The player menu must have
// filled the racer slots and the track menu set raceLength; LeaderboardTable must hold the
// current classroom's boards. The boards and the players file are written as soon as the race
// ends, before the results screen waits for its key; returns with screen set to Lesson.
void runRace(Game& game);

// What player (1 or 2) sees on the problem line now: the problem, or null when no race runs, during
// the countdown, and once that player has finished. letterKeys tells whether the player answers with
// the letter set (player 1 of a two-player race) or the digit set. Read by the play tool.
const Problem* problemOnScreen(int player, bool& letterKeys);

// The racer in slot 0..2 of the race that runs now (slot 0 is the rival's ghost), or null when no
// race runs. Read by the browser test's hooks.
const Racer* racerInRace(int slot);
