// The cards the browser page shows outside the game: before it, until a key lets sound start, and
// after the quit choice. Drawn with the game's own font and paper so they read as part of it.
#pragma once
#include <string>
#include <vector>

#include "present/image.h"

// The words of the two cards; each line fits the 40 columns of the screen.
inline const std::vector<std::string> StartCardLines = {"Tally Rally", "Press a key to start"};
inline const std::vector<std::string> EndCardLines = {"You can close this tab.", "Press a key to play again"};

// A whole 320 x 180 screen: paper (the menu paper picture, or plain paper when null) with a card in
// its middle in two black frames, holding lines centred, the first as a title.
ImageHandle drawPageCard(const Image* paper, const std::vector<std::string>& lines);

// Shows the card four times enlarged until a key is pressed (or is queued already), which it takes
// from the queue. The screen must be open.
void showPageCard(const Image* card);
