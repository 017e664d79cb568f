// Tests of the browser's keyboard events turned into key strings and held keys.
#include <gtest/gtest.h>

#include "present/keymap.h"
#include "present/web_keys.h"

namespace {

using Keys = std::vector<std::string>;

TEST(WebKeys, KeyDownsGiveTheDesktopKeyStrings) {
    struct Case {
        const char* code;
        const char* key;
        bool repeat;
        bool command;
        Keys expected;
    };
    const Case cases[] = {
        {"KeyA", "a", false, false, {"a"}},
        {"KeyA", "A", false, false, {"A"}},                 // Shift
        {"KeyQ", "a", false, false, {"a"}},                 // another layout: the character counts
        {"Semicolon", "\xC3\xA9", false, false, {"\x82"}},  // é as its code page 437 byte
        {"KeyE", "\xE2\x82\xAC", false, false, {}},         // € has none
        {"Space", " ", false, false, {" "}},
        {"KeyC", "c", false, true, {}},                     // Ctrl+C types nothing
        {"Enter", "Enter", false, false, {"\r"}},
        {"Escape", "Escape", false, false, {"\x1B"}},
        {"Escape", "Escape", true, false, {}},              // a held Esc does not repeat
        {"Backspace", "Backspace", true, false, {"\b"}},
        {"ArrowLeft", "ArrowLeft", false, false, {"\xFFK"}},
        {"F1", "F1", false, false, {"\xFF;"}},
        {"Numpad7", "7", false, false, {"7"}},              // Num Lock on: the digit as text, once
        {"Numpad7", "Home", false, false, {"7"}},           // off: still a digit, never Home
        {"NumpadDecimal", "Delete", false, false, {"."}},
        {"", "Enter", false, false, {"\r"}},                // on-screen keyboards send no code
        {"ShiftLeft", "Shift", false, false, {}},
        {"KeyA", "Dead", false, false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keyStringsForDomKeyDown(c.code, c.key, c.repeat, c.command), c.expected)
            << c.code << " " << c.key;
    }
}

TEST(WebKeys, HeldKeysAnswerTheScanCodeTest) {
    // Each code's usage must be one the set-1 scan code of that key names.
    struct Case {
        const char* code;
        int scanCode;
    };
    const Case cases[] = {{"Escape", 1},       {"KeyA", 0x1E},      {"Digit0", 0x0B},       {"ArrowUp", 0x48},
                          {"Numpad8", 0x48},   {"ShiftLeft", 0x2A}, {"ControlRight", 0x1D}, {"NumpadEnter", 0x1C}};
    for (const Case& c : cases) {
        const std::vector<int> usages = usagesForScanCode(c.scanCode);
        EXPECT_NE(std::find(usages.begin(), usages.end(), usageForDomCode(c.code)), usages.end()) << c.code;
    }
    EXPECT_EQ(usageForDomCode("Unknown"), 0);
    EXPECT_EQ(usageForDomCode(""), 0);
}

}  // namespace
