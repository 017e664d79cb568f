// The game's uniform pseudo-random generator. Same seed, same sequence, on every platform.
#pragma once

// Restarts the generator from a real seed (the race uses nowSeconds()).
void seedRandom(double seed);
// The next number in [0, 1).
double randomUnit();
