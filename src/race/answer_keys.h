// Answer entry: the two key sets that type a player's answer, and the typed text as a number.
#pragma once
#include <string>

// The left-hand set, laid out like a keypad: q w e / a s d / z x c type 7 8 9 / 4 5 6 / 1 2 3, v types
// 0, f clears and Space submits. Called once per frame for a racing player after the start; acts
// on pendingKey only when it is one of these keys, and then empties it. Returns 1 on submit, else 0.
int takeLetterKeys(std::string& answerText);
// The digit set: 0 to 9 type themselves, Backspace clears the whole text, Enter submits. Same rules.
int takeDigitKeys(std::string& answerText);

// The typed digits as the number judged: empty is 0, leading zeros are ignored, and a number beyond
// the 32-bit range becomes -2147483648, which matches no answer. Reading stops at a non-digit.
int answerValue(const std::string& answerText);
