// Key strings from key codes and typed text, and set-1 scan codes for held keys; no display library here.
#include "present/keymap.h"

#include <cstdint>

namespace {

// The characters of code page 437 bytes 128..255, in byte order.
constexpr char16_t UpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Look-alike characters that keyboards type for the same glyph.
struct Alias {
    char32_t codePoint;
    int byte;
};
constexpr Alias Aliases[] = {
    {0x03B2, 0xE1},  // Greek beta shares the sharp s glyph
    {0x03BC, 0xE6},  // Greek mu, the micro sign's twin
    {0x2126, 0xEA},  // ohm sign
    {0x2211, 0xE4},  // n-ary summation
    {0x2208, 0xEE},  // element of
    {0x00A0, 0x20},  // no-break space: byte 255 would read as the start of a two-byte key
};

std::string singleByte(int byte) { return std::string(1, static_cast<char>(byte)); }
std::string extended(int scanCode) { return std::string{'\xFF', static_cast<char>(scanCode)}; }

}  // namespace

int cp437FromUnicode(char32_t codePoint) {
    if (codePoint >= 0x20 && codePoint <= 0x7E) return static_cast<int>(codePoint);
    for (const Alias& alias : Aliases)
        if (alias.codePoint == codePoint) return alias.byte;
    if (codePoint < 0x80 || codePoint > 0xFFFF) return -1;
    for (int i = 0; i < 127; ++i)  // byte 255 is left out on purpose, see the alias above
        if (UpperHalf[i] == codePoint) return 128 + i;
    return -1;
}

std::vector<std::string> keyStringsFromText(std::string_view utf8) {
    std::vector<std::string> keys;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        int length = 0;
        char32_t codePoint = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            length = 1, codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, codePoint = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, codePoint = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, codePoint = lead & 0x07, smallest = 0x10000;
        } else {
            ++i;  // a stray continuation byte or an invalid lead byte
            continue;
        }
        bool valid = i + length <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                length = k;  // resume at the byte that broke the sequence
            } else {
                codePoint = (codePoint << 6) | (next & 0x3F);
            }
        }
        if (!valid) {
            i += length > 1 && i + length <= utf8.size() ? length : 1;
            continue;
        }
        i += length;
        if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            continue;  // overlong forms and surrogates are not characters
        const int byte = cp437FromUnicode(codePoint);
        if (byte >= 0) keys.push_back(singleByte(byte));
    }
    return keys;
}

std::string keyStringForKeyDown(int keyCode, bool numLock) {
    using namespace KeyCode;
    switch (keyCode) {
        case Return:
        case KeypadEnter: return singleByte(13);
        case Escape: return singleByte(27);
        case Backspace: return singleByte(8);
        case Tab: return singleByte(9);
        case Delete: return extended(0x53);
        case Home: return extended(0x47);
        case Up: return extended(0x48);
        case PageUp: return extended(0x49);
        case Left: return extended(0x4B);
        case Right: return extended(0x4D);
        case End: return extended(0x4F);
        case Down: return extended(0x50);
        case PageDown: return extended(0x51);
        case Insert: return extended(0x52);
        case F11: return extended(0x85);
        case F12: return extended(0x86);
        default: break;
    }
    if (keyCode >= F1 && keyCode < F1 + 10) return extended(0x3B + (keyCode - F1));  // ";" .. "D"
    // Without Num Lock the keypad types nothing, yet its digits must still be digits: they are
    // player 2's keys, never a second cursor block for player 1.
    if (!numLock) {
        if (keyCode >= Keypad1 && keyCode <= Keypad9) return singleByte('1' + (keyCode - Keypad1));
        if (keyCode == Keypad0) return "0";
        if (keyCode == KeypadPeriod) return ".";
    }
    return "";
}

bool queuesKeyDown(int keyCode, bool repeat) { return !(repeat && keyCode == KeyCode::Escape); }

bool isKeypadDigitKey(int keyCode) {
    using namespace KeyCode;
    return keyCode >= Keypad1 && keyCode <= KeypadPeriod;
}

std::vector<int> usagesForScanCode(int scanCode) {
    // Set-1 codes 0x00..0x5D and the USB usage ids of the keys in those places.
    struct Entry {
        int usage;
        int keypadUsage;  // the keypad key sharing the code, or 0
    };
    static constexpr Entry Table[0x5E] = {
        {0, 0},   {41, 0},  {30, 0},  {31, 0},  {32, 0},  {33, 0},   {34, 0},  {35, 0},   // 00 Esc 1-6
        {36, 0},  {37, 0},  {38, 0},  {39, 0},  {45, 0},  {46, 0},   {42, 0},  {43, 0},   // 08 7-0 - = BS Tab
        {20, 0},  {26, 0},  {8, 0},   {21, 0},  {23, 0},  {28, 0},   {24, 0},  {12, 0},   // 10 QWERTYUI
        {18, 0},  {19, 0},  {47, 0},  {48, 0},  {40, 88}, {224, 228}, {4, 0},  {22, 0},   // 18 O P [ ] Enter Ctrl A S
        {7, 0},   {9, 0},   {10, 0},  {11, 0},  {13, 0},  {14, 0},   {15, 0},  {51, 0},   // 20 DFGHJKL ;
        {52, 0},  {53, 0},  {225, 0}, {49, 0},  {29, 0},  {27, 0},   {6, 0},   {25, 0},   // 28 ' ` LShift \ ZXCV
        {5, 0},   {17, 0},  {16, 0},  {54, 0},  {55, 0},  {56, 84},  {229, 0}, {85, 0},   // 30 BNM , . / RShift KP*
        {226, 230}, {44, 0}, {57, 0}, {58, 0},  {59, 0},  {60, 0},   {61, 0},  {62, 0},   // 38 Alt Space Caps F1-F5
        {63, 0},  {64, 0},  {65, 0},  {66, 0},  {67, 0},  {83, 0},   {71, 0},  {74, 95},  // 40 F6-F10 Num Scroll Home
        {82, 96}, {75, 97}, {86, 0},  {80, 92}, {93, 0},  {79, 94},  {87, 0},  {77, 89},  // 48 Up PgUp KP- Left KP5 Right KP+ End
        {81, 90}, {78, 91}, {73, 98}, {76, 99}, {0, 0},   {0, 0},    {100, 0}, {68, 0},   // 50 Down PgDn Ins Del .. <> F11
        {69, 0},  {0, 0},   {0, 0},   {227, 0}, {231, 0}, {101, 0},                       // 58 F12 .. LWin RWin Menu
    };
    std::vector<int> usages;
    if (scanCode <= 0 || scanCode >= 0x5E) return usages;
    const Entry& entry = Table[scanCode];
    if (entry.usage != 0) usages.push_back(entry.usage);
    if (entry.keypadUsage != 0) usages.push_back(entry.keypadUsage);
    return usages;
}
