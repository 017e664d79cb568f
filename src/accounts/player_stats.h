// The statistics panel of the player menu: the selected player's portrait, car and race figures.
#pragma once
#include "shell/game.h"

// Called once per frame by the player menu while a player row is selected, after the list is drawn
// and before the menu acts on pendingKey. Draws the panel for player position (0 <= position <
// players.count) and takes Left and Right to change that player's driver picture (in memory; the
// next savePlayers stores it), emptying pendingKey when the driver changed. LeaderboardTable must
// hold the current classroom's boards.
void drawPlayerStats(Game& game, int position);
