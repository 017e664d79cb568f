// The classroom menu driven frame by frame over the headless back end: its screens, sounds and
// saved index.
#include <algorithm>

#include "audio/sound.h"
#include "menu_driver.h"
#include "store/store.h"

namespace {

using namespace menutest;

class ClassroomMenu : public MenuTest {
protected:
    // Writes the index file with these classrooms (name, password).
    void classrooms(const std::vector<std::pair<std::string, std::string>>& rooms) {
        ClassroomList list;
        for (const auto& [name, password] : rooms) list.items.push_back({name, password});
        list.count = static_cast<int>(list.items.size());
        fs::remove("classrooms/classrooms");  // a save merges into the index: this one starts afresh
        saveClassrooms(list);
        for (int i = 1; i <= list.count; ++i) fs::create_directories("classrooms/room" + std::to_string(i));
    }
    void run() { runClassroomMenu(*game); }

    // The browsing screen: title, the rows from top, "Add Class", "Quit" and the frame round the
    // row at frameRow (0 = the row at y 20).
    static ImageHandle browsing(const std::vector<std::string>& shownRows, int frameRow) {
        ImageHandle expected = paper();
        drawText(expected.get(), 7, 8, "Select Class ", Ink);
        int y = 20;
        for (const auto& row : shownRows) {
            drawText(expected.get(), 15, y, row, Ink);
            y += 10;
        }
        drawText(expected.get(), 15, y, "Add Class", Ink);
        drawText(expected.get(), 15, y + 10, "Quit", Ink);
        drawBox(expected.get(), 8, frameRow * 10 + 18, 200, frameRow * 10 + 28, Ink);
        return expected;
    }
};

TEST_F(ClassroomMenu, ShowsTheListAndWalksItsRowsDownToQuit) {
    classrooms({{"A", ""}, {"B", ""}, {"C", ""}});
    script({Shot, Up, Down, Down, Down, Down, Shot, Down, Enter});
    run();
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_TRUE(same(*browsing({"A", "B", "C"}, 0), *shots[0]));
    // On "Quit" (row 4) the whole list still shows.
    EXPECT_TRUE(same(*browsing({"A", "B", "C"}, 4), *shots[1]));
    EXPECT_EQ(game->screen, Quit);
    EXPECT_EQ(game->classroom, 4);
    // Up on row 0 and Down on "Quit" are silent; four moves, then Enter.
    EXPECT_EQ(sounds, (std::vector<int>{6, 6, 6, 6, 0}));
}

TEST_F(ClassroomMenu, TheKeyThatEndedTheSplashIsNotActedOn) {
    classrooms({{"A", ""}});
    pendingKey = Enter;  // as the splash leaves it
    script({Shot, Down, Down, Enter});
    run();
    EXPECT_TRUE(same(*browsing({"A"}, 0), *shots.at(0)));
    EXPECT_EQ(game->screen, Quit);
    EXPECT_EQ(sounds, (std::vector<int>{6, 6, 0}));
}

TEST_F(ClassroomMenu, AddsAClassroomWithAnEmptyPasswordAndSelectsIt) {
    // No index file: the list is "Default" alone.
    script(join({{Down, Enter}, typed("4b"), {Shot, Enter, Shot, Enter, Shot, Down, Down, Enter}}));
    run();
    ASSERT_EQ(shots.size(), 3u);
    ImageHandle naming = browsing({"Default"}, 1);
    drawPrompt(naming.get(), "Enter classname:", "4b");
    EXPECT_TRUE(same(*naming, *shots[0]));
    ImageHandle password = browsing({"Default"}, 1);
    drawPrompt(password.get(), "New password:", "");
    EXPECT_TRUE(same(*password, *shots[1]));
    EXPECT_TRUE(same(*browsing({"Default", "4b"}, 1), *shots[2]));  // the selection is on the new classroom
    EXPECT_EQ(fileText("classrooms/classrooms"), " 2\r\nDefault\r\n\r\n4b\r\n\r\n");
    EXPECT_TRUE(fs::is_directory("classrooms/room2"));
    EXPECT_EQ(game->screen, Quit);
}

TEST_F(ClassroomMenu, AnEmptyNameAddsNothing) {
    classrooms({{"A", ""}});
    script({Down, Enter, Enter, Shot, Down, Enter});
    run();
    ImageHandle refused = browsing({"A"}, 1);
    noticed(refused.get(), "No name: nothing added");
    EXPECT_TRUE(same(*refused, *shots.at(0)));
    EXPECT_EQ(fileText("classrooms/classrooms"), " 1\r\nA\r\n\r\n");
    EXPECT_FALSE(fs::exists("classrooms/room2"));
}

TEST_F(ClassroomMenu, AClassroomWithAPasswordOpensOnlyWithItsPassword) {
    classrooms({{"A", "Sec"}, {"B", ""}});
    // player1 is 0, the position of A: that opens nothing without the password.
    script(join({{Enter, Shot}, typed("sec"), {Shot, Enter, Shot, Enter}, typed("Sec"), {Enter}}));
    run();
    ASSERT_EQ(shots.size(), 3u);
    ImageHandle asking = browsing({"A", "B"}, 0);
    drawPrompt(asking.get(), "Enter password:", "");
    EXPECT_TRUE(same(*asking, *shots[0]));
    drawPrompt(asking.get(), "Enter password:", "***");
    EXPECT_TRUE(same(*asking, *shots[1]));
    // Wrong (case counts): back to browsing, saying why.
    ImageHandle refused = browsing({"A", "B"}, 0);
    noticed(refused.get(), "Wrong password");
    EXPECT_TRUE(same(*refused, *shots[2]));
    EXPECT_EQ(game->screen, Classrooms);
    EXPECT_EQ(game->classroom, 0);
    EXPECT_EQ(sounds, (std::vector<int>{0, 4, 0}));
}

TEST_F(ClassroomMenu, AClassroomWithoutPasswordOpensAtOnce) {
    classrooms({{"A", "x"}, {"B", ""}});
    script({Down, Enter});
    run();
    EXPECT_EQ(game->screen, Classrooms);
    EXPECT_EQ(game->classroom, 1);
}

// Fixed: one Delete key wiped a classroom without a password, with all its pupils and races. Only
// Enter on the question deletes; a protected classroom then asks its password as before.
TEST_F(ClassroomMenu, DeletesOnlyAfterTheQuestionAndThenThePassword) {
    classrooms({{"A", ""}, {"B", "pw"}, {"C", ""}});
    writeFile("classrooms/room1/players", " 1\r\nAnn\r\n\r\n 0\r\n 0\r\n");
    writeFile("classrooms/room3/players", " 1\r\nCy\r\n\r\n 0\r\n 0\r\n");
    // Esc and any other key (here Down, which does not move) answer no. A classroom without a
    // password goes in the frame after the yes, so a further idle frame shows it.
    script(join({{Delete, Shot, Esc, Shot, Delete, Down, Delete, Enter, Idle, Shot, Delete, Enter, Idle, Delete, Enter,
                  Shot},
                 typed("px"), {Enter, Shot, Delete, Enter}, typed("pw"), {Enter, Shot, Down, Down, Enter}}));
    run();
    ASSERT_EQ(shots.size(), 6u);
    ImageHandle question = browsing({"A", "B", "C"}, 0);
    drawPrompt(question.get(), "Delete A?", "Enter: yes  Esc: no");
    EXPECT_TRUE(same(*question, *shots[0]));
    EXPECT_TRUE(same(*browsing({"A", "B", "C"}, 0), *shots[1]));  // no: nothing deleted
    // Yes: A goes and C takes its place, directory and all.
    EXPECT_TRUE(same(*browsing({"C", "B"}, 0), *shots[2]));
    // C goes too; B has a password: after the yes it asks for it, and a wrong one leaves it.
    ImageHandle asking = browsing({"B"}, 0);
    drawPrompt(asking.get(), "Enter password:", "");
    EXPECT_TRUE(same(*asking, *shots[3]));
    ImageHandle refused = browsing({"B"}, 0);
    noticed(refused.get(), "Wrong password");
    EXPECT_TRUE(same(*refused, *shots[4]));
    // The right one deletes it: the list is empty and the selection is on "Add Class".
    ImageHandle empty = paper();
    drawText(empty.get(), 7, 8, "Select Class ", Ink);
    drawText(empty.get(), 15, 30, "Add Class", Ink);
    drawText(empty.get(), 15, 40, "Quit", Ink);
    drawBox(empty.get(), 8, 28, 200, 38, Ink);
    noticed(empty.get(), "Wrong password");  // still up from the wrong try
    EXPECT_TRUE(same(*empty, *shots[5]));
    EXPECT_EQ(game->screen, Quit);
    EXPECT_EQ(game->classroom, 1);
    EXPECT_EQ(fileText("classrooms/classrooms"), " 0\r\n");
    for (const char* room : {"classrooms/room1", "classrooms/room2", "classrooms/room3"})
        EXPECT_FALSE(fs::exists(room)) << room;
    EXPECT_EQ(sounds, (std::vector<int>{0, 6, 0, 6, 0, 0, 0, 0, 0, 0, 4, 0, 0, 6, 0}));
}

// Fixed: the list drew from the selected row down, hiding the classrooms above it. It scrolls only
// as far as it must to keep the selection in view.
TEST_F(ClassroomMenu, ShowsThirteenClassroomsAndScrollsThroughLongerLists) {
    std::vector<std::pair<std::string, std::string>> rooms;
    std::vector<std::string> names;
    for (int i = 1; i <= 15; ++i) {
        names.push_back("Class " + std::to_string(i));
        rooms.push_back({names.back(), ""});
    }
    classrooms(rooms);
    std::vector<std::string> keys = {Shot};
    for (int i = 0; i < 13; ++i) keys.push_back(Down);
    keys.insert(keys.end(), {Shot, Down, Down, Down, Shot, Down, Enter});
    script(keys);
    run();
    ASSERT_EQ(shots.size(), 3u);
    auto shown = [&](int first) { return std::vector<std::string>(names.begin() + first, names.begin() + first + 13); };
    EXPECT_TRUE(same(*browsing(shown(0), 0), *shots[0]));
    EXPECT_TRUE(same(*browsing(shown(1), 12), *shots[1]));  // on Class 14: one row down
    EXPECT_TRUE(same(*browsing(shown(2), 14), *shots[2]));  // on "Quit", under Class 15
    EXPECT_EQ(game->classroom, 16);
}

// Coming back to the menu with the selection anywhere: a list of 13 shows whole; a longer one
// shows from its top down to the selection ("Add Class" and "Quit" always stand under the rows shown).
TEST_F(ClassroomMenu, OpensWithTheListAroundTheSelection) {
    const struct {
        int count, selection, firstShown, frameRow;
    } cases[] = {{13, 12, 0, 12}, {16, 5, 0, 5}, {16, 15, 3, 12}};
    for (const auto& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + " selection " + std::to_string(c.selection));
        std::vector<std::pair<std::string, std::string>> rooms;
        for (int i = 1; i <= c.count; ++i) rooms.push_back({"Room " + std::to_string(i), ""});
        classrooms(rooms);
        game->classroom = c.selection;
        std::vector<std::string> keys = {Shot};
        for (int i = c.selection; i < c.count + 1; ++i) keys.push_back(Down);
        keys.push_back(Enter);
        shots.clear();
        script(keys);
        run();
        std::vector<std::string> shown;
        for (int i = c.firstShown; i < std::min(c.count, c.firstShown + 13); ++i) shown.push_back(rooms[i].first);
        EXPECT_TRUE(same(*browsing(shown, c.frameRow), *shots.at(0)));
    }
}

// Fixed: the prompt was printed over "Add Class" and "Quit" of a long list. While it is open the list
// shows fewer rows, still around the selection, and a notice shortens it less.
TEST_F(ClassroomMenu, APromptAndANoticeCoverNoRow) {
    std::vector<std::pair<std::string, std::string>> rooms;
    for (int i = 1; i <= 15; ++i) rooms.push_back({"Room " + std::to_string(i), "pw"});
    classrooms(rooms);
    game->classroom = 12;
    script({Enter, Shot, Enter, Shot, Down, Down, Down, Down, Enter});
    run();
    ASSERT_EQ(shots.size(), 2u);
    auto names = [&](int first, int last) {
        std::vector<std::string> shown;
        for (int i = first; i <= last; ++i) shown.push_back(rooms[i - 1].first);
        return shown;
    };
    ImageHandle asking = browsing(names(4, 13), 9);  // ten rooms, the selected one at the foot
    drawPrompt(asking.get(), "Enter password:", "");
    EXPECT_TRUE(same(*asking, *shots[0]));
    ImageHandle refused = browsing(names(4, 15), 9);  // twelve rooms above the notice
    noticed(refused.get(), "Wrong password");
    EXPECT_TRUE(same(*refused, *shots[1]));
}

// Passwords are typed twice; every refusal says why at the foot with the refusal sound.
TEST_F(ClassroomMenu, RefusalsSayWhyAndPasswordsAreTypedTwice) {
    const struct {
        const char* what;
        std::vector<std::string> keys;  // from the first frame on "A" (password "Sec"), then back to "Quit"
        const char* notice;
        const char* index;
    } cases[] = {
        {"empty name", {Down, Enter, Enter, Down}, "No name: nothing added", " 1\r\nA\r\nSec\r\n"},
        {"passwords differ", join({{Down, Enter}, typed("4b"), {Enter}, typed("abc"), {Enter}, typed("abd"), {Enter, Down}}),
         "Passwords differ: nothing added", " 1\r\nA\r\nSec\r\n"},
        {"passwords agree", join({{Down, Enter}, typed("4b"), {Enter}, typed("abc"), {Enter}, typed("abc"), {Enter, Down, Down}}),
         "", " 2\r\nA\r\nSec\r\n4b\r\nabc\r\n"},
        {"wrong password", join({{Enter}, typed("sec"), {Enter, Down, Down}}), "Wrong password", " 1\r\nA\r\nSec\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        classrooms({{"A", "Sec"}});
        game->classroom = 0;
        game->noticeText.clear();
        sounds.clear();
        std::vector<std::string> keys = c.keys;
        keys.push_back(Enter);
        script(keys);
        run();
        EXPECT_EQ(game->screen, Quit);
        EXPECT_EQ(game->noticeText, c.notice);
        EXPECT_EQ(std::count(sounds.begin(), sounds.end(), WrongSound), *c.notice != 0 ? 1 : 0);
        EXPECT_EQ(fileText("classrooms/classrooms"), c.index);
    }
}

TEST_F(ClassroomMenu, NamesAndPasswordsStopAtTheirLimits) {
    script(join({{Down, Enter}, typed("abcdefghijklmnopqrstuvwxyz"), {Enter}, typed("0123456789abc"), {Enter},
                 typed("0123456789"), {Enter, Down, Down, Enter}}));
    run();
    EXPECT_EQ(fileText("classrooms/classrooms"), " 2\r\nDefault\r\n\r\nabcdefghijklmnopqrst\r\n0123456789\r\n");
}

TEST_F(ClassroomMenu, ASelectionBeyondAShorterListStartsOnTheFirstRow) {
    for (int kept : {1, 2, 9}) {
        classrooms({{"A", ""}});
        game->classroom = kept;
        script({Shot, Enter});
        run();
        EXPECT_TRUE(same(*browsing({"A"}, 0), *shots.at(0))) << kept;
        EXPECT_EQ(game->screen, Classrooms) << kept;  // entered: the screen loop moves on
        EXPECT_EQ(game->classroom, 0) << kept;
        shots.clear();
    }
}

}  // namespace
