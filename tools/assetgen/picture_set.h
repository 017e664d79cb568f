// The game's 81 pictures with their paths, in the order the game loads them.
#pragma once
#include <string>
#include <vector>

#include "present/image.h"

struct Picture {
    std::string path;  // relative to the game's directory, "/" separated, e.g. "track3/grass0.bmp"
    ImageHandle image;
};

// Draws every picture. Throws std::runtime_error when a pixel map in the source is malformed.
std::vector<Picture> buildPictures();

// Writes each picture as a BMP file under outDir, creating the directories it needs.
// Returns false, after writing what it could, when a directory or file could not be written.
bool writePictures(const std::vector<Picture>& pictures, const std::string& outDir);
