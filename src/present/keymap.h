// Turning the display layer's key codes and typed text into the game's key strings and set-1 scan codes.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Key codes as the display layer reports them for a pressed key: a key that stands for a character
// reports that character's code (Enter 13, Esc 27, Backspace 8, Tab 9, Delete 127, letters...),
// any other key reports its USB HID usage id with bit 30 set. The SDL back end checks at compile
// time that these values are SDL's own.
namespace KeyCode {
constexpr int NonCharacterBit = 1 << 30;
constexpr int fromUsage(int usage) { return usage | NonCharacterBit; }

constexpr int Return = 13;
constexpr int Escape = 27;
constexpr int Backspace = 8;
constexpr int Tab = 9;
constexpr int Delete = 127;

constexpr int F1 = fromUsage(58);  // F1..F12 are consecutive
constexpr int F11 = fromUsage(68);
constexpr int F12 = fromUsage(69);
constexpr int Insert = fromUsage(73);
constexpr int Home = fromUsage(74);
constexpr int PageUp = fromUsage(75);
constexpr int End = fromUsage(77);
constexpr int PageDown = fromUsage(78);
constexpr int Right = fromUsage(79);
constexpr int Left = fromUsage(80);
constexpr int Down = fromUsage(81);
constexpr int Up = fromUsage(82);
constexpr int KeypadDivide = fromUsage(84);
constexpr int KeypadMultiply = fromUsage(85);
constexpr int KeypadMinus = fromUsage(86);
constexpr int KeypadPlus = fromUsage(87);
constexpr int KeypadEnter = fromUsage(88);
constexpr int Keypad1 = fromUsage(89);  // Keypad1..Keypad9 are consecutive
constexpr int Keypad9 = fromUsage(97);
constexpr int Keypad0 = fromUsage(98);
constexpr int KeypadPeriod = fromUsage(99);
}  // namespace KeyCode

// The code page 437 byte showing this Unicode code point, or -1 when there is none. Only the
// printable ASCII range and the bytes 128..254 are produced (plus a no-break space read as a plain
// space): control bytes and byte 255, which starts the two-byte key strings, never come from text.
int cp437FromUnicode(char32_t codePoint);

// Typed text (UTF-8, as the display layer delivers it) as one key string per character, in order.
// Characters without a code page 437 byte and malformed UTF-8 are dropped.
std::vector<std::string> keyStringsFromText(std::string_view utf8);

// The key string queued when a key goes down (or repeats), or "" when the key queues nothing
// here, either because it has no meaning for the game or because its character arrives as typed
// text instead (so that a key is never queued twice). The keypad's digits and decimal point type
// text with Num Lock on (numLock) and give their characters here without it: player 2 answers and
// steers with them, so they never act as cursor keys for player 1. Its operators always type text.
std::string keyStringForKeyDown(int keyCode, bool numLock);

// Whether a key-down event is queued at all. The auto-repeats of a held Escape are not: Escape is
// held to abandon a race, and each repeat would otherwise arrive as a fresh press that skips the
// results and climbs back out through the menus. The first press of Escape and the repeats of
// every other key are queued.
bool queuesKeyDown(int keyCode, bool repeat);

// Whether the key is one of the keypad's digits or its decimal point, which type text with Num
// Lock on and give their characters on key-down without it. The Num Lock state the display layer
// reports can be out of step with the system's, so the back end holds such a key-down back for one
// event and drops it when typed text follows.
bool isKeypadDigitKey(int keyCode);

// The USB HID usage ids of the keys that a PC set-1 scan code names, for the held-key test. The
// cursor block shares its set-1 codes with the keypad, so those codes name two keys. Empty for an
// unknown code.
std::vector<int> usagesForScanCode(int scanCode);
