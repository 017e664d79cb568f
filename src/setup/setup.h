// The race set-up screens: the track and season menu and the lesson menu with its leaders.
#pragma once
#include "shell/game.h"

// The Track screen. Returns with screen Players or Lesson, raceLength set and the players saved.
void trackMenu(Game& game);

// The Lesson screen. Returns with screen Track or Race, the players saved.
void lessonMenu(Game& game);
