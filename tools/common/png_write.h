// Writes 0xAARRGGBB pixel buffers as PNG files: the play tool's screenshots and the contact sheet.
#pragma once
#include <cstdint>
#include <string>

// pitchInPixels is the distance between rows in pixels. The alpha channel is dropped (every
// picture of the game is opaque once shown). Returns false when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::uint32_t* pixels,
              int pitchInPixels);
