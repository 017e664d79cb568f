// The accounts screens: the text field, the classroom menu and the player menu.
#pragma once
#include <string>

#include "shell/game.h"

// Called once per frame by a menu while a field is open, after pendingKey was read. Applies that
// one key to text (at most maxLen bytes) at the shared cursor; returns 1 when the key was Enter.
int editText(std::string& text, int maxLen);

// The Classrooms screen. Returns with screen Quit, or with screen left at Classrooms and classroom
// naming the classroom to enter (the screen loop then loads it).
void runClassroomMenu(Game& game);

// The Players screen, run after a classroom was entered (its players and boards loaded). Returns
// with screen Track (players chosen, racer slots filled), Classrooms or Quit.
void runPlayerMenu(Game& game);

// The player list operations of the player menu.
void addPlayer(PlayerList& list, const std::string& name, const std::string& password);
void removePlayer(PlayerList& list, int position);
