// Writes 0xAARRGGBB pixel buffers as PNG files: the play tool's screenshots, the contact sheet
// and the icons.
#pragma once
#include <cstdint>
#include <string>

// pitchInPixels is the distance between rows in pixels. The alpha channel is dropped (every
// picture of the game is opaque once shown). Returns false when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::uint32_t* pixels,
              int pitchInPixels);

// The same as an 8-bit RGBA PNG in which the key colour (magenta, whatever its alpha) is fully
// transparent and every other pixel opaque: for pictures shown outside the game, such as its icon.
bool writeKeyedPng(const std::string& path, int width, int height, const std::uint32_t* pixels,
                   int pitchInPixels);
