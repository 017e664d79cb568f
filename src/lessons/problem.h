// A player's current arithmetic problem, and its generator and judge.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

struct Problem {
    int left = 0;       // first operand; for Divide the quotient
    int right = 0;      // second operand; for Divide the divisor
    int answer = 0;
    int operation = 0;  // set by the race before generate
    int lesson = 0;     // set by the race before generate
    int tries = 0;      // answers judged since the last generate
    std::uint8_t tables[13] = {};  // "Custom" tables; table n is chosen only when its flag is 1
    std::string question;
    std::string solution;
};

// Draws a new problem for operation and lesson (using randomUnit in a fixed order), sets tries 0.
void generate(Problem& problem);
// Counts one try and says whether answer is right.
bool check(Problem& problem, int answer);

// Inner steps of generate, each writing the operands of problem from the current random source.
// Both operands from low..high, drawn again until their sum is at most limit. The caller keeps
// low + low <= limit (the game passes 0, N, N); otherwise no pair can fit and both become low.
void pickPairBySum(Problem& problem, int low, int high, int limit);
// Operands of leftDigits and rightDigits digits (1..4); nonZeroRight redraws a 1-digit right as 1..9.
void pickPairByDigits(Problem& problem, int leftDigits, int rightDigits, bool nonZeroRight);
// A table 0..12 found by a random walk over the tables flagged 1; reads only problem.tables.
int pickChosenTable(const Problem& problem);

// For tests: the generator takes every random number from this source, which is randomUnit unless
// replaced. Passing an empty function restores randomUnit. Not for use while a race runs.
void setProblemRandomSource(std::function<double()> source);
