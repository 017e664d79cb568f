// Code page 437, the character set of the game's names, turned into UTF-8: the report's outputs and the classroom server's wire.
#pragma once
#include <cstddef>
#include <string>

// Any bytes in, valid UTF-8 out: ASCII letters stay themselves, 0x81 becomes ü, 0xF6 ÷, and the
// control bytes become the pictures the game's font draws for them.
std::string cp437ToUtf8(const std::string& bytes);
// The number of characters of a UTF-8 text, which is its width in a terminal for every character
// cp437ToUtf8 makes.
std::size_t displayWidth(const std::string& utf8);
