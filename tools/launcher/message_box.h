// Telling the user why the game did not start when there is no terminal to read it in.
#pragma once
#include <string>

// Shows a modal error box with the title and text and waits until it is closed. Returns false,
// having shown nothing, when there is no display to show it on.
bool showErrorBox(const std::string& title, const std::string& text);
