// The symbols of the shared palette, as the text pixel maps write them.
#include "palette.h"

#include <array>

namespace {

struct Entry {
    char symbol;
    std::uint32_t colour;
};

constexpr std::array<Entry, 32> Entries{{
    {'K', pal::Ink},       {'D', pal::DarkGrey},   {'G', pal::Grey},      {'L', pal::LightGrey},
    {'P', pal::PaleGrey},  {'W', pal::White},      {'n', pal::DarkBrown}, {'b', pal::Brown},
    {'t', pal::Tan},       {'s', pal::Sand},       {'c', pal::Cream},     {'r', pal::DarkRed},
    {'R', pal::Red},       {'o', pal::Orange},     {'y', pal::Yellow},    {'g', pal::DarkGreen},
    {'e', pal::Green},     {'l', pal::LightGreen}, {'m', pal::Mint},      {'B', pal::DarkBlue},
    {'u', pal::Blue},      {'a', pal::LightBlue},  {'i', pal::Ice},       {'v', pal::Purple},
    {'V', pal::DarkPurple}, {'p', pal::Pink},      {'T', pal::Teal},      {'O', pal::Peach},
    {'f', pal::Skin1},     {'h', pal::Skin2},      {'k', pal::Skin3},     {'q', pal::Skin4},
}};

}  // namespace

std::uint32_t paletteSymbol(char symbol) {
    if (symbol == '.') return pal::Key;
    for (const Entry& e : Entries)
        if (e.symbol == symbol) return e.colour;
    return 0;
}

bool inPalette(std::uint32_t colour) {
    for (const Entry& e : Entries)
        if (e.colour == colour) return true;
    return false;
}

int paletteSize() { return static_cast<int>(Entries.size()); }
