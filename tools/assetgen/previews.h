// Review renders of the pictures in place: track strips, race views and menu screens.
#pragma once
#include <string>
#include <vector>

#include "picture_set.h"

// Writes PNG files into dir (created when missing): a track strip, two race views and the
// track menu per season, the classroom, player and lesson menus, the results screen, the splash
// as shown, and every picture enlarged. Returns false when a file could not be written.
bool writePreviews(const std::vector<Picture>& pictures, const std::string& dir);
