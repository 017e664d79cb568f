// The key strings that readKey gives for the keys the screens act on: one character, or byte 255
// followed by the key's scan-code character for a key without a character.
#pragma once
#include <string>

inline const std::string EnterKey = "\r";
inline const std::string EscKey = "\x1B";
inline const std::string BackspaceKey = "\b";
inline const std::string LeftKey = "\xFFK";
inline const std::string RightKey = "\xFFM";
inline const std::string UpKey = "\xFFH";
inline const std::string DownKey = "\xFFP";
inline const std::string DeleteKey = "\xFFS";
// Shows the help card of the screen it is pressed on.
inline const std::string F1Key = "\xFF;";

// The scan code of Escape, for isKeyDown: holding it abandons a race.
constexpr int EscScanCode = 1;
