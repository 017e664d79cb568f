// The program's start-up order, the screen loop and the moves between screens.
#pragma once
#include "shell/game.h"

// The whole game from start-up to the quit choice: initialises sound, fills the catalogue, opens
// the screen, loads the pictures, shows the splash and runs the screen loop. Returns the exit
// status (0). The sound library must already be bound (static initialisation does it).
int runGame();

// The screen loop alone, for a Game whose start-up has been done. Returns when a screen chooses Quit.
void runScreenLoop(Game& game);

// After a classroom is chosen: raceLength 500, the classroom's boards and players loaded, next
// screen Players.
void enterClassroom(Game& game);
