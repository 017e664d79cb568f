// The key strings, colours and sounds that the track and lesson menus share.
#pragma once
#include <cstdint>
#include <string>

// Key strings as readKey gives them: one character, or byte 255 and the key's scan-code character.
inline const std::string EnterKey = "\r";
inline const std::string EscKey = "\x1B";
inline const std::string RightKey = "\xFFM";
inline const std::string LeftKey = "\xFFK";
inline const std::string UpKey = "\xFFH";
inline const std::string DownKey = "\xFFP";

constexpr std::uint32_t MenuBlack = 0xFF000000u;

// Sound ids: a choice confirmed, and a cursor moved, a value changed or Esc going back.
constexpr int ConfirmSound = 0;
constexpr int MoveSound = 6;
