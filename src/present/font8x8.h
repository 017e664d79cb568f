// The built-in 8 x 8 code page 437 font used by drawText.
#pragma once
#include <cstdint>

// Glyph of byte b: Font8x8[b][row], bit 7 is the leftmost pixel.
extern const std::uint8_t Font8x8[256][8];
