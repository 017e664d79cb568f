// The player menu driven frame by frame over the headless back end: both stages, the statistics
// panel, adding and deleting players, the racer slots, and who may be taken without a password.
#include <algorithm>
#include <array>

#include "audio/sound.h"
#include "menu_driver.h"
#include "store/store.h"

namespace {

using namespace menutest;

// The figures the statistics panel shows for one player.
struct Figures {
    std::string raced = "0";
    std::array<std::string, 4> fastest = {"0", "0", "0", "0"};
    std::array<std::string, 4> average = {"0", "0", "0", "0"};
};

// Choosing a player who has no password, or giving the right one, ends the stage in the frame after
// Enter, and a key read in that frame goes nowhere: the scripts leave that frame Idle.
class PlayerMenu : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        game->classrooms.items = {{"5a", ""}};
        game->classrooms.count = 1;
        game->classroom = 0;
        // Plain coloured pictures, so that the panel shows which driver and car it drew.
        for (std::size_t i = 0; i < game->driverImages.size(); ++i)
            game->driverImages[i] = createImage(32, 32, 0xFF100000u + static_cast<std::uint32_t>(i));
        for (std::size_t i = 0; i < game->carImages.size(); ++i)
            game->carImages[i] = createImage(32, 32, 0xFF001000u + static_cast<std::uint32_t>(i));
    }
    // A fresh list of a classroom whose player file is not written yet (a save merges into the file).
    void players(const std::vector<std::pair<std::string, std::string>>& list) {
        std::filesystem::remove("classrooms/room1/players");
        game->players = PlayerList();
        for (const auto& [name, password] : list) addPlayer(game->players, name, password);
    }
    void run() { runPlayerMenu(*game); }

    // The screen of a stage: title, the rows shown from the top, "Add Player", "Quit", the frame round
    // the row at frameRow, and the panel of player (when one is selected).
    ImageHandle screen(int stage, const std::vector<std::string>& shownRows, int frameRow, const Player* player,
                       const Figures& figures = Figures()) const {
        ImageHandle expected = paper();
        Image* canvas = expected.get();
        drawText(canvas, 7, 8, "Player " + std::to_string(stage), Ink);
        int y = 20;
        for (const auto& row : shownRows) {
            drawText(canvas, 15, y, row, Ink);
            y += 10;
        }
        drawText(canvas, 15, y, "Add Player", Ink);
        drawText(canvas, 15, y + 10, "Quit", Ink);
        if (player != nullptr) {
            drawSprite(canvas, 165, 50, game->driverImages[player->driver].get(), 2.0f, 2.0f, false);
            drawSprite(canvas, 250, 50, game->carImages[player->car].get(), 2.0f, 2.0f, true);
            drawText(canvas, 193, 8, player->name, Ink);
            drawText(canvas, 219, 75, "Raced " + figures.raced + "x", Ink);
            drawText(canvas, 175, 90, "Fastest", Ink);
            drawText(canvas, 250, 90, "Average", Ink);
            const char* signs[] = {"+", "-", "x", "\xF6"};
            for (int o = 0; o < 4; ++o) {
                drawText(canvas, 143, 100 + 10 * o, signs[o], Ink);
                drawText(canvas, 175, 100 + 10 * o, figures.fastest[o] + "mph", Ink);
                drawText(canvas, 250, 100 + 10 * o, figures.average[o] + "mph", Ink);
            }
            drawText(canvas, 143, 150, "Classroom", Ink);
            drawText(canvas, 143, 160, "5a", Ink);
        }
        drawBox(canvas, 8, frameRow * 10 + 18, 120, frameRow * 10 + 28, Ink);
        return expected;
    }
    static Player named(const std::string& name, int driver = 0, int car = 0) {
        Player player;
        player.name = name;
        player.driver = driver;
        player.car = car;
        return player;
    }
    void expectSlots(const std::string& slot0, const std::string& slot1, const std::string& slot2) const {
        EXPECT_EQ(game->racers[0].name, slot0);
        EXPECT_EQ(game->racers[1].name, slot1);
        EXPECT_EQ(game->racers[2].name, slot2);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(game->racers[i].lane, 32.0 * (i + 1));
            EXPECT_EQ(game->racers[i].x, 160.0);
        }
        EXPECT_EQ(game->racerOfPlayer1, 1);
        EXPECT_EQ(game->racerOfPlayer2, 2);
    }
};

TEST_F(PlayerMenu, OnePlayerRaceThroughSingleplayer) {
    players({{"Ann", ""}, {"Bob", ""}});
    game->twoPlayers = 1;  // from an earlier race
    script({Shot, Enter, Shot, Enter});
    run();
    ASSERT_EQ(shots.size(), 2u);
    const Player ann = named("Ann");
    EXPECT_TRUE(same(*screen(1, {"Ann", "Bob"}, 0, &ann), *shots[0]));
    // Stage 2 opens on player 1's row, which reads "Singleplayer"; the panel still shows Ann.
    EXPECT_TRUE(same(*screen(2, {"Singleplayer", "Bob"}, 0, &ann), *shots[1]));
    EXPECT_EQ(game->screen, Track);
    EXPECT_EQ(game->twoPlayers, 0);
    expectSlots("inactive", "Ann", "inactive");
    EXPECT_EQ(sounds, (std::vector<int>{0, 0}));
    EXPECT_EQ(fileText("classrooms/room1/players"), " 2\r\nAnn\r\n\r\n 0\r\n 0\r\nBob\r\n\r\n 0\r\n 0\r\n");
}

TEST_F(PlayerMenu, ASecondPlayerWithAPassword) {
    players({{"Ann", ""}, {"Bob", "b1"}});
    script(join({{Enter, Idle, Down, Enter, Shot}, typed("b2"), {Enter, Shot, Enter}, typed("b1"), {Enter}}));
    run();
    ASSERT_EQ(shots.size(), 2u);
    const Player bob = named("Bob");
    ImageHandle asking = screen(2, {"Singleplayer", "Bob"}, 1, &bob);
    drawPrompt(asking.get(), "Enter password:", "");
    EXPECT_TRUE(same(*asking, *shots[0]));
    ImageHandle refused = screen(2, {"Singleplayer", "Bob"}, 1, &bob);  // wrong: back to browsing, saying why
    noticed(refused.get(), "Wrong password");
    EXPECT_TRUE(same(*refused, *shots[1]));
    EXPECT_EQ(game->twoPlayers, 1);
    EXPECT_EQ(game->player1, 0);
    EXPECT_EQ(game->player2, 1);
    expectSlots("inactive", "Ann", "Bob");
}

TEST_F(PlayerMenu, StatisticsOfThePlayerFromTheBoards) {
    players({{"Ann", ""}, {"ann", ""}});
    auto add = [](int operation, int lesson, double top, double average, const std::string& name) {
        RaceRecord record;
        record.name = name;
        record.topSpeed = top;
        record.averageSpeed = average;
        Leaderboard& board = LeaderboardTable.boards[operation][lesson][2];
        board.records.push_back(record);
        board.count = static_cast<int>(board.records.size());
    };
    add(0, 0, 40.4, 20, "Ann");
    add(0, 3, 38, 30, "Ann");
    add(3, 24, 61.5, 44.25, "Ann");
    add(1, 1, 99, 99, "ann");  // another pupil
    script({Shot, Down, Shot, Esc});
    run();
    ASSERT_EQ(shots.size(), 2u);
    const Player ann = named("Ann");
    Figures figures;
    figures.raced = "3";
    figures.fastest = {"40", "0", "0", "62"};
    figures.average = {"25", "0", "0", "44"};
    EXPECT_TRUE(same(*screen(1, {"Ann", "ann"}, 0, &ann, figures), *shots[0]));
    const Player other = named("ann");
    Figures single;
    single.raced = "1";
    single.fastest = {"0", "99", "0", "0"};
    single.average = {"0", "99", "0", "0"};
    EXPECT_TRUE(same(*screen(1, {"Ann", "ann"}, 1, &other, single), *shots[1]));
}

TEST_F(PlayerMenu, LeftAndRightChangeTheDriverWithinItsPictures) {
    players({{"Ann", ""}, {"Bob", ""}});
    game->players.items[1].driver = 11;
    game->players.items[1].car = 5;
    script({Left, Down, Right, Right, Right, Shot, Esc});
    run();
    EXPECT_EQ(game->players.items[0].driver, 0);  // Left on driver 0 does nothing
    EXPECT_EQ(game->players.items[1].driver, 12);
    const Player bob = named("Bob", 12, 5);
    EXPECT_TRUE(same(*screen(1, {"Ann", "Bob"}, 1, &bob), *shots.at(0)));
    // Down, one change, then Escape; the changes reach the file with it.
    EXPECT_EQ(sounds, (std::vector<int>{6, 6, 6}));
    EXPECT_EQ(fileText("classrooms/room1/players"), " 2\r\nAnn\r\n\r\n 0\r\n 0\r\nBob\r\n\r\n 5\r\n 12\r\n");
}

TEST_F(PlayerMenu, EscapeGoesBackAStageAndThenToTheClassrooms) {
    players({{"Ann", ""}, {"Bob", ""}});
    game->player1 = 1;
    script({Enter, Idle, Up, Shot, Esc, Shot, Esc});
    run();
    ASSERT_EQ(shots.size(), 2u);
    const Player ann = named("Ann");
    EXPECT_TRUE(same(*screen(2, {"Ann", "Singleplayer"}, 0, &ann), *shots[0]));
    const Player bob = named("Bob");
    EXPECT_TRUE(same(*screen(1, {"Ann", "Bob"}, 1, &bob), *shots[1]));  // stage 1 again, on player 1
    EXPECT_EQ(game->screen, Classrooms);
    EXPECT_EQ(sounds, (std::vector<int>{0, 6, 6, 6}));
    EXPECT_TRUE(fs::exists("classrooms/room1/players"));
}

TEST_F(PlayerMenu, QuitSavesAndLeavesTheSlotsAlone) {
    players({{"Ann", ""}});
    game->racers[1].name = "earlier";
    script({Down, Down, Down, Enter});
    run();
    EXPECT_EQ(game->screen, Quit);
    EXPECT_EQ(game->racers[1].name, "earlier");
    EXPECT_TRUE(fs::exists("classrooms/room1/players"));
}

TEST_F(PlayerMenu, AddsAndDeletesPlayers) {
    players({{"Ann", ""}});
    script(join({{Down, Enter}, typed("Cy"), {Enter, Shot}, typed("c"), {Enter, Shot}, typed("c"),
                 {Enter, Shot, Delete, Shot, Enter, Shot}, typed("x"), {Enter, Up, Delete, Enter, Idle, Shot, Delete, Enter},
                 typed("c"), {Enter, Shot, Down, Enter}}));
    run();
    ASSERT_EQ(shots.size(), 7u);
    ImageHandle password = screen(1, {"Ann"}, 1, nullptr);
    drawPrompt(password.get(), "New password:", "");
    EXPECT_TRUE(same(*password, *shots[0]));
    ImageHandle again = screen(1, {"Ann"}, 1, nullptr);
    drawPrompt(again.get(), "Repeat password:", "");
    EXPECT_TRUE(same(*again, *shots[1]));
    const Player cy = named("Cy");
    EXPECT_TRUE(same(*screen(1, {"Ann", "Cy"}, 1, &cy), *shots[2]));  // added and selected
    ImageHandle question = screen(1, {"Ann", "Cy"}, 1, &cy);
    drawPrompt(question.get(), "Delete Cy?", "Enter: yes  Esc: no");
    EXPECT_TRUE(same(*question, *shots[3]));
    ImageHandle asking = screen(1, {"Ann", "Cy"}, 1, &cy);
    drawPrompt(asking.get(), "Enter password:", "");
    EXPECT_TRUE(same(*asking, *shots[4]));
    // After the wrong password, Ann, who has none, goes after the yes, and Cy takes her place.
    ImageHandle moved = screen(1, {"Cy"}, 0, &cy);
    noticed(moved.get(), "Wrong password");
    EXPECT_TRUE(same(*moved, *shots[5]));
    // Cy's password deletes the last player: the list is empty.
    ImageHandle empty = paper();
    drawText(empty.get(), 7, 8, "Player 1", Ink);
    drawText(empty.get(), 15, 30, "Add Player", Ink);
    drawText(empty.get(), 15, 40, "Quit", Ink);
    drawBox(empty.get(), 8, 28, 120, 38, Ink);
    noticed(empty.get(), "Wrong password");
    EXPECT_TRUE(same(*empty, *shots[6]));
    EXPECT_EQ(game->screen, Quit);
    EXPECT_EQ(fileText("classrooms/room1/players"), " 0\r\n");
    PlayerList back;
    loadPlayers(back, 0);
    ASSERT_EQ(back.count, 1);
    EXPECT_EQ(back.items[0].name, "Default");
}

// Passwords are typed twice; every refusal says why at the foot with the refusal sound, and Esc
// or any other key answers no to the question before a deletion.
TEST_F(PlayerMenu, RefusalsSayWhyAndPasswordsAreTypedTwice) {
    const struct {
        const char* what;
        std::vector<std::string> keys;  // from the first frame on "Ann" (password "pw"), ending on "Quit"
        const char* notice;
        int count;
    } cases[] = {
        {"empty name", {Down, Enter, Enter, Down}, "No name: nothing added", 1},
        {"name taken", join({{Down, Enter}, typed("Ann"), {Enter, Down}}), "That name is taken", 1},
        {"passwords differ", join({{Down, Enter}, typed("Bo"), {Enter}, typed("ab"), {Enter}, typed("ax"), {Enter, Down}}),
         "Passwords differ: nothing added", 1},
        {"passwords agree", join({{Down, Enter}, typed("Bo"), {Enter}, typed("ab"), {Enter}, typed("ab"), {Enter, Down, Down}}),
         "", 2},
        {"wrong password to delete", join({{Delete, Enter}, typed("p"), {Enter, Down, Down}}), "Wrong password", 1},
        {"no to the question", {Delete, Esc, Delete, "q", Down, Down}, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        players({{"Ann", "pw"}});
        game->player1 = 0;
        game->noticeText.clear();
        sounds.clear();
        std::vector<std::string> keys = c.keys;
        keys.push_back(Enter);
        script(keys);
        run();
        EXPECT_EQ(game->screen, Quit);
        EXPECT_EQ(game->noticeText, c.notice);
        EXPECT_EQ(std::count(sounds.begin(), sounds.end(), WrongSound), *c.notice != 0 ? 1 : 0);
        EXPECT_EQ(game->players.count, c.count);
    }
}

TEST_F(PlayerMenu, AnEmptyNameAddsNoPlayer) {
    players({{"Ann", ""}});
    script({Down, Enter, Enter, Down, Enter});
    run();
    EXPECT_EQ(game->players.count, 1);
    EXPECT_EQ(game->screen, Quit);
}

// Fixed: races are found by name, so a second "Ann" would race into Ann's statistics; the name
// cancels the addition as an empty one does. Another case of the letters is another name.
TEST_F(PlayerMenu, ANameAlreadyInTheListAddsNoPlayer) {
    players({{"Ann", "pw"}});
    script(join({{Down, Enter}, typed("Ann"), {Enter, Enter}, typed("ann"), {Enter, Enter, Down, Down, Enter}}));
    run();
    ASSERT_EQ(game->players.count, 2);
    EXPECT_EQ(game->players.items[1].name, "ann");
    EXPECT_EQ(game->screen, Quit);
}

// Fixed: a cursor kept from a classroom with more players started the stage on "Quit" (or "Add
// Player"), where one Enter ended the game: both stages start on the first row instead.
TEST_F(PlayerMenu, ACursorBeyondThePlayersStartsOnTheFirstRow) {
    for (int kept : {2, 3, 7}) {
        SCOPED_TRACE(kept);
        players({{"Ann", ""}, {"Bob", ""}});
        game->player1 = kept;
        shots.clear();
        script({Shot, Enter, Idle, Shot, Enter});
        run();
        ASSERT_EQ(shots.size(), 2u);
        const Player ann = named("Ann");
        EXPECT_TRUE(same(*screen(1, {"Ann", "Bob"}, 0, &ann), *shots[0]));
        EXPECT_TRUE(same(*screen(2, {"Singleplayer", "Bob"}, 0, &ann), *shots[1]));
        EXPECT_EQ(game->screen, Track);
        EXPECT_EQ(game->player1, 0);
        expectSlots("inactive", "Ann", "inactive");
    }
}

// Fixed: the row a stage begins on is taken without its password only from a player who has
// passed since the classroom was entered.
TEST_F(PlayerMenu, NobodyRacesAsThePlayerOnTheFirstRowWithoutItsPassword) {
    players({{"Ann", "a"}, {"Bob", ""}});
    game->classrooms.items = {{"5a", ""}};
    ClassroomList rooms = game->classrooms;
    saveClassrooms(rooms);
    script(join({{Enter, Shot}, typed("b"), {Enter, Enter}, typed("a"), {Enter, Esc, Enter, Shot, Enter}}));
    run();
    ASSERT_EQ(shots.size(), 2u);
    const Player ann = named("Ann");
    ImageHandle asking = screen(1, {"Ann", "Bob"}, 0, &ann);
    drawPrompt(asking.get(), "Enter password:", "");
    EXPECT_TRUE(same(*asking, *shots[0]));
    // After Escape from stage 2, Ann, who gave her password, is taken again at once.
    ImageHandle again = screen(2, {"Singleplayer", "Bob"}, 0, &ann);
    noticed(again.get(), "Wrong password");  // still up from the wrong "b"
    EXPECT_TRUE(same(*again, *shots[1]));
    expectSlots("inactive", "Ann", "inactive");

    // Back to the classrooms and into the same classroom: that is a new entry, so Ann is asked again.
    script({Esc});
    run();
    EXPECT_EQ(game->screen, Classrooms);
    script({Enter});
    runClassroomMenu(*game);
    script({Enter, Shot, Enter, Esc, Esc});
    run();
    noticed(asking.get(), "Wrong password");  // a moment has passed since the wrong "b"
    EXPECT_TRUE(same(*asking, *shots.at(2)));
    EXPECT_EQ(game->screen, Classrooms);
}

// Fixed: "Singleplayer" is player 1; Delete does nothing there.
TEST_F(PlayerMenu, DeleteOnSingleplayerDoesNothing) {
    players({{"Ann", ""}, {"Bob", ""}});
    script({Enter, Delete, Shot, Enter});
    run();
    const Player ann = named("Ann");
    EXPECT_TRUE(same(*screen(2, {"Singleplayer", "Bob"}, 0, &ann), *shots.at(0)));
    EXPECT_EQ(game->players.count, 2);
    EXPECT_EQ(sounds, (std::vector<int>{0, 0}));
    expectSlots("inactive", "Ann", "inactive");
}

// Fixed: when deleting a player in stage 2 moves player 1 into the freed position, player 1 stays
// the same pupil.
TEST_F(PlayerMenu, Player1FollowsTheirRowWhenADeletionMovesIt) {
    players({{"Bob", ""}, {"Ann", ""}});
    game->player1 = 1;
    script({Enter, Idle, Up, Delete, Enter, Idle, Shot, Enter});
    run();
    const Player ann = named("Ann");
    EXPECT_TRUE(same(*screen(2, {"Singleplayer"}, 0, &ann), *shots.at(0)));
    EXPECT_EQ(game->player1, 0);
    EXPECT_EQ(game->twoPlayers, 0);
    expectSlots("inactive", "Ann", "inactive");
}

}  // namespace
