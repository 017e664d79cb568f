// Turning the browser's keyboard events into the game's key strings and held-key usages, through the
// same key map as the desktop, so that layouts, Shift, code page 437 letters and the keypad behave
// alike. Plain text in, so that the native tests can check it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The USB HID usage id of the key a KeyboardEvent.code names ("KeyA" 4, "ArrowUp" 82,
// "Numpad1" 89, "ShiftLeft" 225 ...), or 0 for a code the game has no use for.
int usageForDomCode(std::string_view code);

// The key strings a key-down queues, in order, from its KeyboardEvent code and key, whether it is
// an auto-repeat and whether Ctrl or Meta is held without AltGr (command: the key types no text).
// A key whose key value is one character types that character; the other keys go through the key
// map by their code or, when the code is unknown (some on-screen keyboards send none), by their
// key value. A keypad digit that types its digit stands for Num Lock on. Empty for keys that mean
// nothing to the game.
std::vector<std::string> keyStringsForDomKeyDown(std::string_view code, std::string_view key, bool repeat,
                                                 bool command);
