// Text pixel maps: pictures written one character per pixel in the palette's symbols.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "present/image.h"

// A parsed map: width x height symbols, row-major.
struct PixelMap {
    int width = 0;
    int height = 0;
    std::string cells;
};

// Colours for the digit symbols '0'..'9', chosen by the caller (skin, hair, body colour...).
// A digit whose slot is 0 is a fault in the map.
struct Slots {
    std::array<std::uint32_t, 10> colour{};
};

// Parses map text as written in a raw string literal: the first line break is skipped, blank
// lines at the end are ignored, and every row must be equally long. Throws std::runtime_error
// naming `what` when the rows are ragged or a symbol is not in the palette.
PixelMap parseMap(std::string_view text, std::string_view what);

// The colour of one cell: pal::Key for '.', 0 for ' ' (nothing), a palette colour or a slot.
// Throws std::runtime_error for an unknown symbol or an empty slot.
std::uint32_t mapColour(char symbol, const Slots& slots);

// Draws the map with its top-left cell at (x, y), clipped to the target. '.' and ' ' cells are
// not drawn. With mirror set the map is flipped left to right.
void stampMap(Image& target, int x, int y, const PixelMap& map, const Slots& slots = {},
              bool mirror = false);
