// Stand-in for the accounts screens until they are built: blank frames.
#include "accounts/accounts.h"
#include "shell/shell.h"

int editText(std::string&, int) { return 0; }
void runClassroomMenu(Game& game) { runBlankScreen(game); }
void runPlayerMenu(Game& game) { runBlankScreen(game); }
void addPlayer(PlayerList&, const std::string&, const std::string&) {}
void removePlayer(PlayerList&, int) {}
