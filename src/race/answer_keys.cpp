// Answer entry: the letter and digit key sets and the value of a typed answer.
#include "race/answer_keys.h"

#include <climits>

#include "present/key_strings.h"
#include "shell/frame.h"

namespace {

// The digit a letter of the left-hand keypad types, or 0 when the letter types none.
char letterDigit(const std::string& key) {
    static const std::string letters = "vzxcasdqwe";  // the letter of digit 0 to 9
    if (key.size() != 1) return 0;
    const auto at = letters.find(key[0]);
    return at == std::string::npos ? 0 : static_cast<char>('0' + at);
}

}  // namespace

int takeLetterKeys(std::string& answerText) {
    if (pendingKey.empty()) return 0;
    if (pendingKey == " ") {
        pendingKey.clear();
        return 1;
    }
    if (pendingKey == "f") {
        answerText.clear();
        pendingKey.clear();
        return 0;
    }
    const char digit = letterDigit(pendingKey);
    if (digit != 0) {
        answerText += digit;
        pendingKey.clear();
    }
    return 0;
}

int takeDigitKeys(std::string& answerText) {
    if (pendingKey.empty()) return 0;
    if (pendingKey == EnterKey) {
        pendingKey.clear();
        return 1;
    }
    if (pendingKey == BackspaceKey) {
        answerText.clear();
        pendingKey.clear();
        return 0;
    }
    if (pendingKey.size() == 1 && pendingKey[0] >= '0' && pendingKey[0] <= '9') {
        answerText += pendingKey;
        pendingKey.clear();
    }
    return 0;
}

int answerValue(const std::string& answerText) {
    long long value = 0;
    for (char c : answerText) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return INT_MIN;  // beyond the range: matches no answer
    }
    return static_cast<int>(value);
}
