// The sound bank: the game's numbered sounds, each loaded once with a few playback instances.
#pragma once
#include <cstdint>
#include <vector>

// One sound of the bank: its loaded wave and the instances made from it (the library's handles,
// -1 where the library gave none).
struct SoundEntry {
    std::int32_t wave = -1;
    std::vector<std::int32_t> instances;
};

using SoundBank = std::vector<SoundEntry>;

// Bounds on what the list file can ask for, so that an absurd count cannot exhaust memory: at most
// this many sounds, and at most this many instances of one sound.
constexpr int MaxBankSounds = 1024;
constexpr int MaxSoundInstances = 32;

// The process-wide bank, indexed by sound id; filled by loadSoundBank, used by playSound. Lives
// until the program ends.
extern SoundBank soundBank;
