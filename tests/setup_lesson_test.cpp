// The lesson menu on the headless screen: rows, cars, the "Custom" grid, the leaders lists, sounds
// and the saved players, with one and two players.
#include "setup/leaders.h"
#include "setup/setup.h"
#include "setup_fixture.h"

namespace setup_test {
namespace {

using LessonMenuTest = SetupScreenTest;

constexpr int FirstGridX = 44;
constexpr int SecondGridX = 204;

// A point inside grid cell (c, r) that no label or frame covers: green when its table is chosen.
std::uint32_t cellInside(int x0, int c, int r) { return canvasPixel(x0 + 24 * c + 2, 115 + 10 * r); }
// The red cursor's top-left corner in cell (c, r).
std::uint32_t cursorCorner(int x0, int c, int r) { return canvasPixel(x0 + 24 * c + 1, 114 + 10 * r); }

void chooseCustom(Game& game, int player) {
    (player == 1 ? game.operation1 : game.operation2) = Multiply;
    (player == 1 ? game.lesson1 : game.lesson2) = 1;
}

TEST_F(LessonMenuTest, ThreePlayersThreeLeaderLinesFastestFirstThenThoseWithoutARace) {
    prepare();
    setPlayers({"Ann", "Bob", "Cy"});
    addRace("Bob", 30.4, Add, 0, 0);
    addRace("Bob", 30.2, Add, 0, 0);
    addRace("Cy", 12.5, Add, 0, 0);
    addRace("Ann", 9.0, Add, 0, 1);  // another distance: not this list
    press({Esc});
    lessonMenu(game);
    EXPECT_EQ(game.screen, Track);
    EXPECT_EQ(sounds, std::vector<int>{6});
    EXPECT_TRUE(textShown(68, 8, "Ann"));
    EXPECT_EQ(canvasPixel(80, 33), Black);       // the car, black while its picture is missing
    EXPECT_EQ(canvasPixel(130, 33), Black);      // car arrow to the right
    EXPECT_EQ(canvasPixel(30, 33), Magenta);     // none to the left of car 0
    EXPECT_TRUE(textShown(52, 65, "Add"));
    EXPECT_TRUE(textShown(52, 90, "Make 10"));
    EXPECT_TRUE(textShown(6, 108, "Leaders"));
    EXPECT_TRUE(textShown(6, 120, "1: Cy"));
    EXPECT_TRUE(textShown(115, 120, "12.50"));
    EXPECT_TRUE(textShown(6, 130, "2: Bob"));
    EXPECT_TRUE(textShown(115, 130, "30.20"));
    EXPECT_TRUE(textShown(6, 140, "3: Ann"));
    EXPECT_TRUE(textShown(115, 140, "-"));
    EXPECT_TRUE(blank(0, 150, 160, 30));  // no fourth line
    EXPECT_TRUE(blank(160, 0, 160, 180)); // no second column
}

TEST_F(LessonMenuTest, EqualTimesKeepListOrder) {
    prepare();
    setPlayers({"Ann", "Bob", "Cy", "Di"});
    game.operation1 = Divide;
    game.lesson1 = 14;
    game.distance = 2;
    addRace("Di", 20.0, Divide, 14, 2);
    addRace("Bob", 20.0, Divide, 14, 2);
    press({Esc});
    lessonMenu(game);
    EXPECT_TRUE(textShown(6, 120, "1: Bob"));
    EXPECT_TRUE(textShown(6, 130, "2: Di"));
    EXPECT_TRUE(textShown(6, 140, "3: Ann"));
    EXPECT_TRUE(textShown(6, 150, "4: Cy"));
    EXPECT_TRUE(textShown(115, 150, "-"));
    EXPECT_TRUE(textShown(52, 90, "\xF6 12s"));
    const std::vector<int> order = leadersOrder(game.players, Divide, 14, 2, 6);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2}));
}

TEST_F(LessonMenuTest, EightPlayersShowSixLinesForPlayerOneAndFiveForPlayerTwo) {
    prepare();
    setPlayers({"P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8"});
    game.twoPlayers = 1;
    game.player2 = 7;
    game.operation2 = Subtract;
    addRace("P8", 40.0, Subtract, 0, 0);
    press({Esc});
    lessonMenu(game);
    EXPECT_TRUE(textShown(72, 8, "P1"));
    EXPECT_TRUE(textShown(232, 8, "P8"));
    EXPECT_EQ(canvasPixel(240, 33), Black);  // player 2's car
    EXPECT_TRUE(textShown(212, 65, "Subtract"));
    EXPECT_TRUE(textShown(212, 90, "From 10"));
    EXPECT_TRUE(textShown(6, 170, "6: P6"));
    EXPECT_TRUE(textShown(163, 108, "Leaders"));
    EXPECT_TRUE(textShown(163, 120, "1: P8"));
    EXPECT_TRUE(textShown(275, 120, "40.00"));
    EXPECT_TRUE(textShown(163, 160, "5: P4"));
    EXPECT_TRUE(blank(163, 170, 150, 8));
}

// Fixed: a pupil without a race showed "0.00", which reads as the fastest time, and a time of
// 100 s or more ran into player 2's column or off the canvas. At most five characters fit.
TEST(LeaderTime, ShowsADashWithoutARaceAndFitsItsColumn) {
    const struct {
        double seconds;
        const char* shown;
    } cases[] = {{0, "-"},          {9.5, "9.50"},      {12.344, "12.34"},   {99.996, "100.0"},
                 {123.46, "123.5"}, {999.96, "1000"},   {1234.4, "1234"},    {99999.4, "99999"},
                 {99999.6, "#####"}, {1e9, "#####"}};
    for (const auto& c : cases) EXPECT_EQ(leaderTime(c.seconds), c.shown) << c.seconds;
}

TEST_F(LessonMenuTest, LongTimesStayInsideBothColumns) {
    prepare();
    setPlayers({"Ann", "Bob", "Cy"});
    game.twoPlayers = 1;
    game.player2 = 1;
    addRace("Ann", 123.46, Add, 0, 0);
    addRace("Bob", 1234.4, Add, 0, 0);
    press({Esc});
    lessonMenu(game);
    for (int timeX : {115, 275}) {
        EXPECT_TRUE(textShown(timeX, 120, "123.5"));
        EXPECT_TRUE(textShown(timeX, 130, "1234"));
        EXPECT_TRUE(textShown(timeX, 140, "-"));
    }
    EXPECT_TRUE(blank(155, 120, 8, 30));  // player 1's times end before player 2's names
}

TEST_F(LessonMenuTest, CustomShowsTheGridInPlaceOfTheLeadersUntilTheLessonChanges) {
    prepare();
    setPlayers({"Ann"});
    chooseCustom(game, 1);
    game.problem1.tables[0] = 1;
    game.problem1.tables[12] = 1;
    press({Esc});
    lessonMenu(game);
    EXPECT_TRUE(textShown(52, 90, "Custom"));
    EXPECT_FALSE(textShown(6, 108, "Leaders"));
    EXPECT_EQ(canvasPixel(FirstGridX, 113), Black);  // the grid's corner
    EXPECT_EQ(cellInside(FirstGridX, 2, 0), Green);  // table 0
    EXPECT_EQ(cellInside(FirstGridX, 2, 4), Green);  // table 12
    EXPECT_EQ(cellInside(FirstGridX, 0, 1), Magenta);
    EXPECT_EQ(cursorCorner(FirstGridX, 0, 0), Magenta);  // no cursor until the player is on the grid
    EXPECT_TRUE(textShown(FirstGridX + 4, 145, "7"));

    press({Down, Down, Right, Esc});
    lessonMenu(game);
    EXPECT_TRUE(textShown(52, 90, "x 0s"));
    EXPECT_TRUE(textShown(6, 108, "Leaders"));
    EXPECT_TRUE(textShown(6, 120, "1: Ann"));
}

TEST_F(LessonMenuTest, DownFromTheLessonRowWithoutAGridSoundsAndStays) {
    prepare();
    setPlayers({"Ann"});
    press({Down, Down, Down, Down, Esc});
    lessonMenu(game);
    EXPECT_EQ(canvasPixel(40, 100), Black);    // frame on the lesson row
    EXPECT_EQ(canvasPixel(40, 60), Magenta);   // not on the operation row
    EXPECT_EQ(sounds, (std::vector<int>{6, 6, 6, 6, 6}));
    // Up from the car row changes nothing and is silent; Left at car 0 too.
    sounds.clear();
    press({Up, Left, Esc});
    lessonMenu(game);
    EXPECT_EQ(sounds, std::vector<int>{6});
}

TEST_F(LessonMenuTest, GridActionsTickAllFlipOneAndClearAll) {
    prepare();
    setPlayers({"Ann"});
    chooseCustom(game, 1);
    // Onto the grid (cursor on "x"), over to "a", Enter ticks all; down to table 2, Enter flips it.
    press({Down, Down, Down, Right, Enter, Down, Enter, Esc});
    lessonMenu(game);
    EXPECT_EQ(game.screen, Track);  // Enter on the grid never starts the race
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem1.tables[k], k == 2 ? 0 : 1) << k;
    EXPECT_EQ(soundCount(0), 0);
    // Three row moves, two cursor moves and Esc; the grid actions are silent.
    EXPECT_EQ(soundCount(6), 6);
    EXPECT_EQ(cellInside(FirstGridX, 0, 0), Magenta);  // "x" and "a" are never green
    EXPECT_EQ(cellInside(FirstGridX, 1, 0), Magenta);
    EXPECT_EQ(cellInside(FirstGridX, 2, 0), Green);
    EXPECT_EQ(cellInside(FirstGridX, 1, 1), Magenta);  // table 2, flipped off, under the cursor
    EXPECT_EQ(cursorCorner(FirstGridX, 1, 1), Red);
    EXPECT_EQ(canvasPixel(40, 100), Magenta);  // no row frame on the grid row

    // "x" clears every table from any cell; on the other rows "x" and "a" do nothing.
    sounds.clear();
    press({"x", Down, "a", Down, "x", Down, Down, Down, Right, Right, "x", Esc});
    lessonMenu(game);
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem1.tables[k], 0) << k;
    press({Down, Down, Down, "a", Esc});
    lessonMenu(game);
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem1.tables[k], 1) << k;
    // Enter on "x" clears; Up from the top grid row goes back to the lesson row, with its sound.
    sounds.clear();
    press({Down, Down, Down, Enter, Up, Esc});
    lessonMenu(game);
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem1.tables[k], 0) << k;
    EXPECT_EQ(canvasPixel(40, 100), Black);
    EXPECT_EQ(sounds, (std::vector<int>{6, 6, 6, 6, 6}));
}

TEST_F(LessonMenuTest, GridCursorStaysInsideTheGridSilently) {
    prepare();
    setPlayers({"Ann"});
    chooseCustom(game, 1);
    press({Down, Down, Down, Left, Down, Down, Down, Down, Down, Right, Right, Right, Esc});
    lessonMenu(game);
    EXPECT_EQ(cursorCorner(FirstGridX, 2, 4), Red);
    // Three row moves, four grid rows down, two columns right, Esc.
    EXPECT_EQ(soundCount(6), 10);
}

TEST_F(LessonMenuTest, TwoPlayersEachWithTheirOwnGridAndKeys) {
    prepare();
    setPlayers({"Ann", "Bob"});
    game.twoPlayers = 1;
    game.player2 = 1;
    game.operation2 = Divide;
    game.lesson2 = 1;
    // Player 2 onto the grid, to "a", all; down to table 2, flip; player 1's table untouched.
    press({"5", "5", "5", "6", "2", "5", "2", Esc});
    lessonMenu(game);
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem2.tables[k], k == 2 ? 0 : 1) << k;
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem1.tables[k], 0) << k;
    EXPECT_TRUE(textShown(212, 90, "Custom"));
    EXPECT_EQ(cellInside(SecondGridX, 2, 0), Green);
    EXPECT_EQ(cellInside(SecondGridX, 1, 1), Magenta);
    EXPECT_EQ(cursorCorner(SecondGridX, 1, 1), Red);
    EXPECT_FALSE(textShown(163, 108, "Leaders"));
    EXPECT_TRUE(textShown(6, 108, "Leaders"));  // player 1's list stays
    EXPECT_TRUE(textShown(6, 130, "2: Bob"));

    // Player 1 on its grid too, cursors apart; "-" clears player 2's, "+" ticks it again; Enter
    // from player 1's lesson row starts the race whatever player 2 does.
    sounds.clear();
    chooseCustom(game, 1);
    press({Down, Down, Down, Down, Enter, "5", "5", "5", "-", Up, Up, Enter});
    lessonMenu(game);
    EXPECT_EQ(game.screen, Race);
    EXPECT_EQ(sounds.back(), 0);
    EXPECT_EQ(game.problem1.tables[1], 1);
    for (int k = 0; k < 13; ++k) EXPECT_EQ(game.problem2.tables[k], 0) << k;
    EXPECT_EQ(cursorCorner(SecondGridX, 0, 0), Red);
    EXPECT_NE(cursorCorner(FirstGridX, 0, 1), Red);  // player 1 has left its grid
    EXPECT_EQ(canvasPixel(40, 100), Black);
}

TEST_F(LessonMenuTest, PlayerTwoRowsAndCarWithTheNumericPadKeys) {
    prepare();
    setPlayers({"Ann", "Bob"});
    game.twoPlayers = 1;
    game.player2 = 1;
    // Player 2: car up twice, down a row, operation up; "5" past the lesson row stays there.
    press({"6", "6", "4", "5", "6", "5", "5", "8", Esc});
    lessonMenu(game);
    EXPECT_EQ(game.players.items[1].car, 1);
    EXPECT_EQ(game.players.items[0].car, 0);
    EXPECT_EQ(game.operation2, Subtract);
    EXPECT_EQ(game.operation1, Add);
    EXPECT_EQ(canvasPixel(200, 60), Black);  // player 2's frame back on the operation row
    EXPECT_EQ(canvasPixel(40, 30), Black);   // player 1's still on the car
    EXPECT_EQ(soundCount(6), 9);
}

TEST_F(LessonMenuTest, ChangedCarIsSavedWhenLeavingWithEsc) {
    prepare();
    setPlayers({"Ann", "Bob"});
    game.player1 = 1;
    game.classroom = 2;
    press({Right, Right, Right, Left, Esc});
    lessonMenu(game);
    EXPECT_EQ(game.players.items[1].car, 2);
    EXPECT_EQ(savedPlayers().items[1].car, 2);
    EXPECT_EQ(soundCount(6), 5);
    EXPECT_EQ(canvasPixel(30, 33), Black);  // an arrow to the left once the car is above 0
}

TEST_F(LessonMenuTest, DamagedPlayerPositionsAndCarsDoNotCrash) {
    prepare();
    setPlayers({"Ann", "Bob"});
    game.players.items[0].car = 12;
    game.players.items[1].car = -3;
    game.player1 = 0;
    game.twoPlayers = 1;
    game.player2 = 1;
    press({Right, Esc});
    lessonMenu(game);
    // A car beyond the pictures becomes the nearest one, and is saved so; at the highest car
    // Right changes nothing, silently, and there is no arrow to the right.
    EXPECT_EQ(game.players.items[0].car, 7);
    EXPECT_EQ(canvasPixel(130, 33), Magenta);
    EXPECT_EQ(sounds, std::vector<int>{6});
    EXPECT_EQ(game.players.items[1].car, 0);
    EXPECT_EQ(savedPlayers().items[0].car, 7);

    // Positions outside the list: no name or car for that column, keys on the car row do nothing.
    game.player1 = 5;
    game.player2 = -1;
    press({Right, "6", Down, Right, Esc});
    lessonMenu(game);
    EXPECT_EQ(game.operation1, Subtract);
    EXPECT_EQ(canvasPixel(80, 33), Magenta);
    EXPECT_EQ(canvasPixel(240, 33), Magenta);
    EXPECT_EQ(game.players.items[0].car, 7);

    setPlayers({});
    game.player1 = 0;
    press({Enter});
    lessonMenu(game);
    EXPECT_EQ(game.screen, Race);
    EXPECT_FALSE(textShown(6, 120, "1: "));
}

}  // namespace
}  // namespace setup_test
