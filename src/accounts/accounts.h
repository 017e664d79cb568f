// The accounts screens: the text field, the classroom menu and the player menu.
#pragma once
#include <string>

#include "shell/game.h"
#include "store/records.h"

// The insertion point of the text field, 1-based (before the p-th character; length + 1 is the end).
// One cursor serves every field of every menu for the whole run; it starts at 1 and only Enter puts
// it back there, so a field opened after another may start with a cursor beyond its end, which the
// next editText call brings back to the end.
extern int cursorPos;

// Called once per frame by a menu while a field is open, after pendingKey was read. Applies that
// one key to text at cursorPos and empties pendingKey when the key did something; returns 1 when
// the key was Enter (text unchanged, cursorPos back to 1), else 0. Left and Right move the cursor,
// Backspace deletes before it, and a printable character that fits in one byte (32..126, and the
// letters and signs 128..254 of the font) is inserted while text is shorter than maxLen. Every other
// key (Escape, Tab, Delete, Up, function keys...) is refused and left in pendingKey, so text never
// grows beyond maxLen and never holds a control byte.
int editText(std::string& text, int maxLen);

// The Classrooms screen. Reads the classroom list anew, then runs frames until it returns: with
// screen Quit (list saved), or with screen left at Classrooms and classroom naming the classroom to
// enter (list saved; the screen loop then loads its boards and players). A classroom that has a
// password is entered only after its password is typed. mainPanel must be set up.
void runClassroomMenu(Game& game);

// The Players screen, run after a classroom was entered (its players and boards loaded) and when
// the track menu steps back. Stage 0 chooses player 1, stage 1 player 2 or "Singleplayer". Returns
// with screen Track (players chosen), Classrooms (Escape in stage 0) or Quit; the player list is
// saved on every way out, and except on Quit the three racer slots are filled for the race.
void runPlayerMenu(Game& game);

// Called by the classroom menu each time it opens: whoever has given a password in the player menu
// since the classroom was entered must give it again once a classroom is entered anew.
void forgetAcceptedPlayers();

// The player list operations of the player menu. addPlayer appends a player with car 0 and driver
// 0. removePlayer moves the last player into position and shrinks the list by one (removing the
// last just drops it); a position outside the list changes nothing.
void addPlayer(PlayerList& list, const std::string& name, const std::string& password);
void removePlayer(PlayerList& list, int position);

// Called after every change to the current classroom's players, by every screen that saves them.
// Saves them merged with the player file on disk (store.h), into the classroom's folder found by
// its name, and keeps player1 and player2 on the same pupils by name, since another computer's
// changes may have moved them (a pupil deleted there leaves the cursor on the first row).
void saveClassPlayers(Game& game);
