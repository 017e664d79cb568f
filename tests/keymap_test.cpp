// Tests of the key map: typed text to code page 437 key strings, key codes to key strings, scan codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "present/keymap.h"

namespace {

using Keys = std::vector<std::string>;

std::string ext(char scanCode) { return std::string{'\xFF', scanCode}; }

TEST(Keymap, TextCharactersBecomeCodePageBytes) {
    for (char32_t c = 0x20; c <= 0x7E; ++c) EXPECT_EQ(cp437FromUnicode(c), static_cast<int>(c));
    EXPECT_EQ(cp437FromUnicode(U'é'), 0x82);
    EXPECT_EQ(cp437FromUnicode(U'Ñ'), 0xA5);
    EXPECT_EQ(cp437FromUnicode(U'÷'), 0xF6);  // the division sign the game writes problems with
    EXPECT_EQ(cp437FromUnicode(U'ß'), 0xE1);
    EXPECT_EQ(cp437FromUnicode(U'β'), 0xE1);
    EXPECT_EQ(cp437FromUnicode(U'\u00A0'), 0x20);
    EXPECT_EQ(cp437FromUnicode(U'€'), -1);
    EXPECT_EQ(cp437FromUnicode(U'😀'), -1);
}

TEST(Keymap, TextNeverYieldsControlBytesAndCoversTheUpperHalf) {
    // Typed text must never fake Enter, Backspace, Esc or the start of a two-byte key.
    std::set<int> produced;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const int byte = cp437FromUnicode(c);
        if (byte < 0) continue;
        ASSERT_TRUE(byte >= 0x20 && byte != 0x7F && byte != 0xFF) << std::hex << static_cast<unsigned>(c);
        produced.insert(byte);
    }
    for (int byte = 0x80; byte <= 0xFE; ++byte) EXPECT_TRUE(produced.count(byte)) << std::hex << byte;
}

TEST(Keymap, Utf8TextSplitsIntoKeysInOrder) {
    EXPECT_EQ(keyStringsFromText("aB7 "), (Keys{"a", "B", "7", " "}));
    EXPECT_EQ(keyStringsFromText("\xC3\xA9t\xC3\xA9"), (Keys{"\x82", "t", "\x82"}));  // "été"
    EXPECT_EQ(keyStringsFromText("x\xE2\x82\xACy"), (Keys{"x", "y"}));              // a euro sign is dropped
    EXPECT_EQ(keyStringsFromText("\xC3\xB7"), (Keys{"\xF6"}));
    EXPECT_EQ(keyStringsFromText("\xF0\x9F\x98\x80!"), (Keys{"!"}));
    EXPECT_TRUE(keyStringsFromText("").empty());
}

TEST(Keymap, MalformedUtf8IsDroppedWithoutLosingWhatFollows) {
    EXPECT_EQ(keyStringsFromText("\xC3"), Keys{});               // cut short at the end
    EXPECT_EQ(keyStringsFromText("\xC3("), (Keys{"("}));         // broken by an ASCII byte
    EXPECT_EQ(keyStringsFromText("\x80\xBFz"), (Keys{"z"}));     // stray continuation bytes
    EXPECT_EQ(keyStringsFromText("\xC0\xAF"), Keys{});            // overlong "/"
    EXPECT_EQ(keyStringsFromText("\xED\xA0\x80"), Keys{});        // a surrogate
    EXPECT_EQ(keyStringsFromText("\xF4\x90\x80\x80"), Keys{});    // past U+10FFFF
    EXPECT_EQ(keyStringsFromText("\xFF\xFEok"), (Keys{"o", "k"}));
}

TEST(Keymap, KeysWithoutTextGiveTheirKeyStrings) {
    using namespace KeyCode;
    EXPECT_EQ(keyStringForKeyDown(Return, true), "\r");
    EXPECT_EQ(keyStringForKeyDown(KeypadEnter, false), "\r");
    EXPECT_EQ(keyStringForKeyDown(Escape, true), "\x1B");
    EXPECT_EQ(keyStringForKeyDown(Backspace, true), "\b");
    EXPECT_EQ(keyStringForKeyDown(Tab, true), "\t");
    EXPECT_EQ(keyStringForKeyDown(Left, true), ext('K'));
    EXPECT_EQ(keyStringForKeyDown(Right, true), ext('M'));
    EXPECT_EQ(keyStringForKeyDown(Up, true), ext('H'));
    EXPECT_EQ(keyStringForKeyDown(Down, true), ext('P'));
    EXPECT_EQ(keyStringForKeyDown(Delete, true), ext('S'));
    EXPECT_EQ(keyStringForKeyDown(PageDown, true), ext('Q'));
    EXPECT_EQ(keyStringForKeyDown(F1, true), ext(';'));
    EXPECT_EQ(keyStringForKeyDown(F1 + 9, true), ext('D'));
    EXPECT_EQ(keyStringForKeyDown(F12, true), ext('\x86'));
}

TEST(Keymap, KeysThatTypeTextQueueNothingOnKeyDown) {
    // Their characters come through the text path; a key-down entry would queue them twice.
    for (int code : {int{'a'}, int{'Z'}, int{'7'}, int{' '}, int{'+'}, KeyCode::KeypadPlus, KeyCode::KeypadMinus,
                     KeyCode::KeypadMultiply, KeyCode::KeypadDivide})
        for (bool numLock : {false, true}) EXPECT_EQ(keyStringForKeyDown(code, numLock), "") << code;
    for (int code = KeyCode::Keypad1; code <= KeyCode::Keypad9; ++code) EXPECT_EQ(keyStringForKeyDown(code, true), "");
    EXPECT_EQ(keyStringForKeyDown(KeyCode::Keypad0, true), "");
    EXPECT_EQ(keyStringForKeyDown(KeyCode::KeypadPeriod, true), "");
    EXPECT_EQ(keyStringForKeyDown(KeyCode::fromUsage(225), true), "");  // Shift alone
}

TEST(Keymap, KeypadWithoutNumLockStillGivesItsDigitsNeverCursorKeys) {
    // Player 2 answers and steers the lesson menu with the keypad: without Num Lock its keys must
    // not move player 1's cursor.
    using namespace KeyCode;
    for (int code = Keypad1; code <= Keypad9; ++code)
        EXPECT_EQ(keyStringForKeyDown(code, false), std::string(1, static_cast<char>('1' + code - Keypad1)));
    EXPECT_EQ(keyStringForKeyDown(Keypad0, false), "0");
    EXPECT_EQ(keyStringForKeyDown(KeypadPeriod, false), ".");
    EXPECT_EQ(keyStringForKeyDown(KeypadEnter, false), "\r");

    // Exactly these keys can type text as well, so the back end holds them back for one event.
    for (int code = Keypad1; code <= Keypad9; ++code) EXPECT_TRUE(isKeypadDigitKey(code));
    EXPECT_TRUE(isKeypadDigitKey(Keypad0));
    EXPECT_TRUE(isKeypadDigitKey(KeypadPeriod));
    for (int code : {KeypadEnter, KeypadPlus, Up, int{'8'}}) EXPECT_FALSE(isKeypadDigitKey(code));
}

TEST(Keymap, ScanCodesNameTheirKeys) {
    EXPECT_EQ(usagesForScanCode(1), std::vector<int>{41});  // Esc, the one the game asks about
    EXPECT_EQ(usagesForScanCode(0x39), std::vector<int>{44});
    EXPECT_EQ(usagesForScanCode(0x10), std::vector<int>{20});
    EXPECT_EQ(usagesForScanCode(0x1C), (std::vector<int>{40, 88}));
    EXPECT_EQ(usagesForScanCode(0x48), (std::vector<int>{82, 96}));
    EXPECT_EQ(usagesForScanCode(0x58), std::vector<int>{69});
    for (int bad : {-1, 0, 0x54, 0x5E, 1000}) EXPECT_TRUE(usagesForScanCode(bad).empty()) << bad;

    // No key is claimed by two scan codes.
    std::map<int, int> owner;
    for (int code = 1; code < 0x5E; ++code)
        for (int usage : usagesForScanCode(code)) {
            EXPECT_FALSE(owner.count(usage)) << "usage " << usage << " under " << owner[usage] << " and " << code;
            owner[usage] = code;
        }
}

}  // namespace

TEST(Keymap, HeldEscapeRepeatsAreNotQueued) {
    using namespace KeyCode;
    EXPECT_TRUE(queuesKeyDown(Escape, false));
    EXPECT_FALSE(queuesKeyDown(Escape, true));
    for (int code : {Return, Backspace, int{'q'}, int{'7'}, Left, Keypad1})
        EXPECT_TRUE(queuesKeyDown(code, true)) << code;
}
