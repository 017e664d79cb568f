// Loading the game's pictures, and the splash screen.
#pragma once
#include "shell/game.h"

// Once, after openScreen: creates every image of the game at its size and fill, then loads its
// BMP file over it. Missing files leave the fills.
void loadImages(Game& game);

// The splash: sets up both panels, fades the picture in, then the menu background; ends by
// itself or on a key (left in pendingKey).
void runSplash(Game& game);
