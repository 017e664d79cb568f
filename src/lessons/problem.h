// A player's current arithmetic problem, and its generator and judge.
#pragma once
#include <cstdint>
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
