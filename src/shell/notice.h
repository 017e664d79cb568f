// The notice line: a short sentence for the class (why a save failed, why a choice was refused)
// shown for a few seconds at the foot of whatever screen is up.
#pragma once
#include <string>

#include "present/image.h"
#include "shell/game.h"

// The notice's top row: the foot of the 180-row canvas, under every list row and prompt line.
constexpr int NoticeTop = 168;

// How long a notice stays readable.
constexpr double NoticeSeconds = 4;

// Called when something the class should know happens: shows text from now on for seconds,
// replacing any notice still showing. text fits one line of 40 characters, or two of a longer
// sentence, which breaks at a blank.
void showNotice(Game& game, const std::string& text, double seconds = NoticeSeconds);

// What the notice line says while a save waits for another PC to give back its lock.
inline constexpr const char* WaitingNotice = "Waiting for another PC to finish saving";

// Called once at start, after the screen is open: a save that waits for another PC's lock shows
// the waiting notice over game's last picture while it waits.
void watchSaves(Game& game);

// Called by every screen each frame, after it has drawn its canvas and before presenting it. First
// tries again the saves the store left for later (the waiting notice while they wait, "Saved"
// when they land), then takes any save that failed since the last call from the store (its words become the notice and
// are printed once on standard error), then draws the notice while it lasts.
void drawNotice(Game& game, Image* canvas);
