// Stand-in for the set-up screens until they are built: blank frames.
#include "setup/setup.h"
#include "shell/shell.h"

void trackMenu(Game& game) { runBlankScreen(game); }
void lessonMenu(Game& game) { runBlankScreen(game); }
