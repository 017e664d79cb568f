// The game's uniform pseudo-random generator: splitmix64 seeding a xoshiro256** stream.
#include "present/random.h"

#include <cstdint>
#include <cstring>

namespace {
std::uint64_t state[4] = {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 1};

std::uint64_t splitmix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
}  // namespace

void seedRandom(double seed) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &seed, sizeof bits);
    for (auto& s : state) s = splitmix(bits);
}

double randomUnit() {
    const std::uint64_t result = rotl(state[1] * 5, 7) * 9;
    const std::uint64_t t = state[1] << 17;
    state[2] ^= state[0];
    state[3] ^= state[1];
    state[1] ^= state[2];
    state[0] ^= state[3];
    state[2] ^= t;
    state[3] = rotl(state[3], 45);
    // 53 random bits give every double in [0, 1) on the 2^-53 grid.
    return static_cast<double>(result >> 11) * 0x1.0p-53;
}
