// The text field: editing at the shared cursor, the length limit and the keys it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "accounts/accounts.h"
#include "shell/frame.h"
#include "store/store.h"

namespace {

// Applies one key to text as one frame would; returns editText's result.
int press(std::string& text, const std::string& key, int maxLen = 10) {
    pendingKey = key;
    return editText(text, maxLen);
}

class TextField : public ::testing::Test {
protected:
    void SetUp() override {
        cursorPos = 1;
        pendingKey.clear();
    }
};

TEST_F(TextField, TypesMovesAndDeletesAtTheCursor) {
    std::string text;
    press(text, "a");
    press(text, "b");
    press(text, "c");
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(cursorPos, 4);
    press(text, "\xFFK");
    press(text, "\xFFK");
    EXPECT_EQ(press(text, "x"), 0);
    EXPECT_EQ(text, "axbc");
    EXPECT_EQ(cursorPos, 3);
    press(text, "\b");
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(cursorPos, 2);
    EXPECT_TRUE(pendingKey.empty());
}

TEST_F(TextField, RightStopsAtTheEndAndLeftAndBackspaceAtTheStart) {
    std::string text = "ab";
    cursorPos = 3;
    press(text, "\xFFM");
    EXPECT_EQ(cursorPos, 3);
    EXPECT_TRUE(pendingKey.empty());  // Right is always taken
    cursorPos = 1;
    press(text, "\xFFK");
    EXPECT_EQ(cursorPos, 1);
    EXPECT_EQ(pendingKey, "\xFFK");  // nothing happened: the key stays
    press(text, "\b");
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(cursorPos, 1);
    EXPECT_EQ(pendingKey, "\b");
}

TEST_F(TextField, EnterReturnsOneLeavesTheTextAndPutsTheCursorAtTheStart) {
    std::string text = "4b";
    cursorPos = 3;
    EXPECT_EQ(press(text, "\r"), 1);
    EXPECT_EQ(text, "4b");
    EXPECT_EQ(cursorPos, 1);
    EXPECT_TRUE(pendingKey.empty());
    std::string next;  // the next field starts at the beginning
    press(next, "z");
    EXPECT_EQ(next, "z");
    EXPECT_EQ(cursorPos, 2);
}

TEST_F(TextField, ACursorLeftBeyondTheEndByAnotherFieldComesBackToTheEnd) {
    std::string text;
    cursorPos = 5;
    press(text, "q");
    EXPECT_EQ(text, "q");
    EXPECT_EQ(cursorPos, 2);
    cursorPos = 7;
    std::string other = "ab";
    EXPECT_EQ(press(other, ""), 0);  // a frame without a key also brings it back
    EXPECT_EQ(cursorPos, 3);
}

TEST_F(TextField, AFullFieldTakesNothingMoreAndLeavesTheKey) {
    std::string text = "0123456789";
    cursorPos = 11;
    press(text, "x");
    EXPECT_EQ(text, "0123456789");
    EXPECT_EQ(cursorPos, 11);
    EXPECT_EQ(pendingKey, "x");
    std::string name(19, 'n');
    cursorPos = 20;
    press(name, "m", 20);
    press(name, "m", 20);
    EXPECT_EQ(name.size(), 20u);
}

TEST_F(TextField, ControlAndTwoCharacterKeysAreNeverInserted) {
    const std::vector<std::string> refused = {
        "\x1B", "\t", "\x7F", std::string(1, '\0'), "\x01", "\x1F", "\xFF",  // control bytes and 255
        "\xFFH", "\xFFP", "\xFFS", "\xFF;", "\xFFG", "\xFFO",               // Up, Down, Delete, F1, Home, End
        "ab",                                                              // never more than one character
    };
    for (const std::string& key : refused) {
        std::string text = "abc";
        cursorPos = 2;
        EXPECT_EQ(press(text, key), 0);
        EXPECT_EQ(text, "abc") << "key of " << key.size() << " bytes starting " << int(static_cast<unsigned char>(key[0]));
        EXPECT_EQ(cursorPos, 2);
        EXPECT_EQ(pendingKey, key);  // refused keys stay, like any key that does nothing
    }
    // A field at its limit but one still cannot be pushed past it by a two-byte key.
    std::string nine = "123456789";
    cursorPos = 10;
    press(nine, "\xFFS");
    EXPECT_EQ(nine, "123456789");
}

TEST_F(TextField, PrintableBytesOfTheFontAreTaken) {
    // é and ü of code page 437, the division sign, the last glyph before 255, blank, comma, quote.
    const std::string keys[] = {"\x82", "\x81", "\xF6", "\xFE", " ", ",", "\"", "~", "\x80"};
    std::string text;
    for (const std::string& key : keys) press(text, key, 20);
    EXPECT_EQ(text, "\x82\x81\xF6\xFE ,\"~\x80");
}

// Names are stored one per line, so the characters the field takes come back unchanged.
TEST_F(TextField, TypedNamesWithCommasQuotesAndBlanksSurviveSavingAndLoading) {
    namespace fs = std::filesystem;
    const fs::path old = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("tally-textfield-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::string name, password;
    for (char c : std::string("\"O, Brien ")) press(name, std::string(1, c), 20);
    for (char c : std::string(" p,\"\x82")) press(password, std::string(1, c), 10);
    ClassroomList rooms;
    addClassroom(rooms, name, password);
    saveClassrooms(rooms);
    PlayerList players;
    addPlayer(players, name.substr(0, 10), password);
    players.items[0].driver = 12;
    savePlayers(players, 0);
    ClassroomList roomsBack;
    loadClassrooms(roomsBack);
    PlayerList playersBack;
    loadPlayers(playersBack, 0);
    fs::current_path(old);
    fs::remove_all(dir);
    ASSERT_EQ(roomsBack.count, 1);
    EXPECT_EQ(roomsBack.items[0].name, "\"O, Brien ");
    EXPECT_EQ(roomsBack.items[0].password, " p,\"\x82");
    ASSERT_EQ(playersBack.count, 1);
    EXPECT_EQ(playersBack.items[0].name, "\"O, Brien ");
    EXPECT_EQ(playersBack.items[0].password, " p,\"\x82");
    EXPECT_EQ(playersBack.items[0].driver, 12);
}

TEST(PlayerList, AddAppendsAndRemoveMovesTheLastIntoTheGap) {
    PlayerList list;
    addPlayer(list, "Ann", "");
    addPlayer(list, "Bob", "b");
    addPlayer(list, "Cy", "");
    list.items[2].car = 5;
    list.items[2].driver = 7;
    ASSERT_EQ(list.count, 3);
    EXPECT_EQ(list.items[1].password, "b");
    EXPECT_EQ(list.items[1].car, 0);
    EXPECT_EQ(list.items[1].driver, 0);
    removePlayer(list, 0);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.items[0].name, "Cy");
    EXPECT_EQ(list.items[0].car, 5);
    EXPECT_EQ(list.items[0].driver, 7);
    EXPECT_EQ(list.items[1].name, "Bob");
    removePlayer(list, 1);  // the last simply goes
    removePlayer(list, 4);  // no such player
    removePlayer(list, -1);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.items[0].name, "Cy");
    removePlayer(list, 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(list.items.empty());
}

}  // namespace
