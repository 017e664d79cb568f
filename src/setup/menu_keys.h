// The key strings, colours and sounds that the track and lesson menus share.
#pragma once
#include <cstdint>
#include <string>

#include "audio/sound.h"
#include "present/key_strings.h"

constexpr std::uint32_t MenuBlack = 0xFF000000u;
