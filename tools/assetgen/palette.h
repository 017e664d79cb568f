// The one palette of about 32 colours that every picture of the game is drawn from.
#pragma once
#include <cstdint>

// Opaque 0xAARRGGBB colours. The letter after each name is its symbol in the text pixel maps.
namespace pal {
constexpr std::uint32_t Key = 0xFFFF00FF;          // '.'  see-through (magenta), not a colour
constexpr std::uint32_t Ink = 0xFF1B1626;          // 'K'  outlines, deepest shadow
constexpr std::uint32_t DarkGrey = 0xFF3C3A46;     // 'D'
constexpr std::uint32_t Grey = 0xFF67656F;         // 'G'  asphalt
constexpr std::uint32_t LightGrey = 0xFF9C9AA4;    // 'L'
constexpr std::uint32_t PaleGrey = 0xFFCDCBD2;     // 'P'
constexpr std::uint32_t White = 0xFFF6F5EF;        // 'W'
constexpr std::uint32_t DarkBrown = 0xFF4B2D20;    // 'n'
constexpr std::uint32_t Brown = 0xFF7F4E31;        // 'b'
constexpr std::uint32_t Tan = 0xFFB9834F;          // 't'
constexpr std::uint32_t Sand = 0xFFE3C27C;         // 's'
constexpr std::uint32_t Cream = 0xFFF4E6BC;        // 'c'
constexpr std::uint32_t DarkRed = 0xFF8E2030;      // 'r'
constexpr std::uint32_t Red = 0xFFD93A3A;          // 'R'
constexpr std::uint32_t Orange = 0xFFF27D24;       // 'o'
constexpr std::uint32_t Yellow = 0xFFF9D43C;       // 'y'
constexpr std::uint32_t DarkGreen = 0xFF235A3A;    // 'g'
constexpr std::uint32_t Green = 0xFF3F8F3D;        // 'e'
constexpr std::uint32_t LightGreen = 0xFF7CC24C;   // 'l'
constexpr std::uint32_t Mint = 0xFFC0E486;         // 'm'
constexpr std::uint32_t DarkBlue = 0xFF213C7C;     // 'B'
constexpr std::uint32_t Blue = 0xFF3272D2;         // 'u'
constexpr std::uint32_t LightBlue = 0xFF6DB3EC;    // 'a'
constexpr std::uint32_t Ice = 0xFFC4E8F7;          // 'i'
constexpr std::uint32_t Purple = 0xFF6B3F9E;       // 'v'
constexpr std::uint32_t DarkPurple = 0xFF3E2755;   // 'V'
constexpr std::uint32_t Pink = 0xFFE889B6;         // 'p'
constexpr std::uint32_t Teal = 0xFF2B8F8A;         // 'T'
constexpr std::uint32_t Peach = 0xFFF9A66C;        // 'O'
constexpr std::uint32_t Skin1 = 0xFFF7D2B2;        // 'f'  lightest skin
constexpr std::uint32_t Skin2 = 0xFFDDA574;        // 'h'
constexpr std::uint32_t Skin3 = 0xFFA86C44;        // 'k'
constexpr std::uint32_t Skin4 = 0xFF6A4029;        // 'q'  darkest skin
}  // namespace pal

// The colour of a pixel-map symbol, or 0 (no colour) when the symbol names none. '.' gives pal::Key.
std::uint32_t paletteSymbol(char symbol);

// Whether an opaque colour belongs to the palette (the key colour does not).
bool inPalette(std::uint32_t colour);

// Number of colours in the palette, for the record.
int paletteSize();
