// The classroom menu driven frame by frame over the headless back end: its screens, sounds and
// saved index.
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
    // On "Quit" (row 4) the window starts at C, the last classroom.
    EXPECT_TRUE(same(*browsing({"C"}, 2), *shots[1]));
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
    drawText(naming.get(), 7, 155, "Enter classname:", Ink);
    drawText(naming.get(), 7, 165, "4b", Ink);
    EXPECT_TRUE(same(*naming, *shots[0]));
    ImageHandle password = browsing({"Default"}, 1);
    drawText(password.get(), 7, 155, "New password:", Ink);
    EXPECT_TRUE(same(*password, *shots[1]));
    EXPECT_TRUE(same(*browsing({"4b"}, 0), *shots[2]));  // the selection is on the new classroom
    EXPECT_EQ(fileText("classrooms/classrooms"), " 2\r\nDefault\r\n\r\n4b\r\n\r\n");
    EXPECT_TRUE(fs::is_directory("classrooms/room2"));
    EXPECT_EQ(game->screen, Quit);
}

TEST_F(ClassroomMenu, AnEmptyNameAddsNothing) {
    classrooms({{"A", ""}});
    script({Down, Enter, Enter, Shot, Down, Enter});
    run();
    EXPECT_TRUE(same(*browsing({"A"}, 1), *shots.at(0)));
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
    drawText(asking.get(), 7, 155, "Enter password:", Ink);
    EXPECT_TRUE(same(*asking, *shots[0]));
    drawText(asking.get(), 7, 165, "***", Ink);
    EXPECT_TRUE(same(*asking, *shots[1]));
    EXPECT_TRUE(same(*browsing({"A", "B"}, 0), *shots[2]));  // wrong (case counts): back to browsing
    EXPECT_EQ(game->screen, Classrooms);
    EXPECT_EQ(game->classroom, 0);
    EXPECT_EQ(sounds, (std::vector<int>{0, 0}));
}

TEST_F(ClassroomMenu, AClassroomWithoutPasswordOpensAtOnce) {
    classrooms({{"A", "x"}, {"B", ""}});
    script({Down, Enter});
    run();
    EXPECT_EQ(game->screen, Classrooms);
    EXPECT_EQ(game->classroom, 1);
}

TEST_F(ClassroomMenu, DeletesWithoutAskingOrOnlyWithThePassword) {
    classrooms({{"A", ""}, {"B", "pw"}, {"C", ""}});
    writeFile("classrooms/room1/players", " 1\r\nAnn\r\n\r\n 0\r\n 0\r\n");
    writeFile("classrooms/room3/players", " 1\r\nCy\r\n\r\n 0\r\n 0\r\n");
    // A classroom without a password goes in the frame after Delete, so a further idle frame shows it.
    script(join({{Delete, Idle, Shot, Delete, Idle, Shot, Delete, Shot}, typed("px"), {Enter, Shot, Delete},
                 typed("pw"), {Enter, Shot, Down, Down, Enter}}));
    run();
    ASSERT_EQ(shots.size(), 5u);
    // A goes at once and C takes its place, directory and all.
    EXPECT_TRUE(same(*browsing({"C", "B"}, 0), *shots[0]));
    // C has no password either: deleted at once, B moves up.
    EXPECT_TRUE(same(*browsing({"B"}, 0), *shots[1]));
    // B asks; a wrong password leaves it.
    ImageHandle asking = browsing({"B"}, 0);
    drawText(asking.get(), 7, 155, "Enter password:", Ink);
    EXPECT_TRUE(same(*asking, *shots[2]));
    EXPECT_TRUE(same(*browsing({"B"}, 0), *shots[3]));
    // The right one deletes it: the list is empty and the selection is on "Add Class".
    ImageHandle empty = paper();
    drawText(empty.get(), 7, 8, "Select Class ", Ink);
    drawText(empty.get(), 15, 30, "Add Class", Ink);
    drawText(empty.get(), 15, 40, "Quit", Ink);
    drawBox(empty.get(), 8, 28, 200, 38, Ink);
    EXPECT_TRUE(same(*empty, *shots[4]));
    EXPECT_EQ(game->screen, Quit);
    EXPECT_EQ(game->classroom, 1);
    EXPECT_EQ(fileText("classrooms/classrooms"), " 0\r\n");
    for (const char* room : {"classrooms/room1", "classrooms/room2", "classrooms/room3"})
        EXPECT_FALSE(fs::exists(room)) << room;
    EXPECT_EQ(sounds, (std::vector<int>{0, 0, 0, 0, 6, 0}));
}

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
    EXPECT_TRUE(same(*browsing(std::vector<std::string>(names.begin(), names.begin() + 13), 0), *shots[0]));
    EXPECT_TRUE(same(*browsing({"Class 14", "Class 15"}, 0), *shots[1]));
    EXPECT_TRUE(same(*browsing({"Class 15"}, 2), *shots[2]));  // on "Quit"
    EXPECT_EQ(game->classroom, 16);
}

TEST_F(ClassroomMenu, NamesAndPasswordsStopAtTheirLimits) {
    script(join({{Down, Enter}, typed("abcdefghijklmnopqrstuvwxyz"), {Enter}, typed("0123456789abc"), {Enter, Down,
                                                                                                         Down, Enter}}));
    run();
    EXPECT_EQ(fileText("classrooms/classrooms"), " 2\r\nDefault\r\n\r\nabcdefghijklmnopqrst\r\n0123456789\r\n");
}

TEST_F(ClassroomMenu, ASelectionBeyondAShorterListStartsOnQuit) {
    classrooms({{"A", ""}});
    game->classroom = 9;
    script({Shot, Enter});
    run();
    EXPECT_TRUE(same(*browsing({"A"}, 2), *shots.at(0)));
    EXPECT_EQ(game->screen, Quit);
}

}  // namespace
