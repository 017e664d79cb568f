// Screenshots of the track and lesson menus with the real pictures, for a person to look at.
// Opt-in: set TALLY_SETUP_SHOTS to a folder and the PNG files are written there; skipped otherwise.
#include <cstdlib>

#include "png_write.h"
#include "setup/setup.h"
#include "setup_fixture.h"

namespace setup_test {
namespace {

using SetupShots = SetupScreenTest;

void shot(const std::string& folder, const std::string& name) {
    ASSERT_TRUE(writePng(folder + "/" + name + ".png", 1280, 720, headlessScreen(), headlessScreenPitch()));
}

TEST_F(SetupShots, EverySeasonAndBothRowsOneAndTwoPlayersBothGrids) {
    const char* folder = std::getenv("TALLY_SETUP_SHOTS");
    if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "set TALLY_SETUP_SHOTS to a folder to get the screenshots";
    fs::create_directories(folder);
    const std::string generator = std::string(TALLY_BIN_DIR) + "/tally-assets '" + dir.string() + "' >/dev/null";
    ASSERT_EQ(std::system(generator.c_str()), 0);
    prepare();
    setPlayers({"Ann", "Bob", "Charlotte", "Dev", "Eli", "Fay", "Gus", "Hanna"});
    addRace("Charlotte", 31.25, Add, 0, 1);
    addRace("Bob", 28.5, Add, 0, 1);
    addRace("Hanna", 40.0, Divide, 1, 1);
    game.distance = 1;

    const char* seasons[] = {"summer", "winter", "desert", "volcano"};
    for (int t = 0; t < 4; ++t) {
        game.track = t;
        press({Esc});
        trackMenu(game);
        shot(folder, std::string("track-") + seasons[t] + "-row0");
        press({Down, Esc});
        trackMenu(game);
        shot(folder, std::string("track-") + seasons[t] + "-row1");
    }

    game.players.items[0].car = 3;
    press({Esc});
    lessonMenu(game);
    shot(folder, "lesson-one-player");

    game.operation1 = Multiply;
    game.lesson1 = 1;
    game.problem1.tables[3] = game.problem1.tables[7] = 1;
    press({Down, Down, Down, Right, Down, Esc});
    lessonMenu(game);
    shot(folder, "lesson-one-player-grid");

    game.twoPlayers = 1;
    game.player2 = 7;
    game.players.items[7].car = 6;
    game.operation2 = Divide;
    game.lesson2 = 1;
    game.problem2.tables[0] = game.problem2.tables[12] = 1;
    press({"5", "5", "5", "6", "6", "5", "5", Esc});
    lessonMenu(game);
    shot(folder, "lesson-two-players-grids");

    game.operation1 = Add;
    game.lesson1 = 0;
    press({Down, Esc});
    lessonMenu(game);
    shot(folder, "lesson-two-players-grid-right");

    game.lesson2 = 0;
    press({Esc});
    lessonMenu(game);
    shot(folder, "lesson-two-players-leaders");
}

}  // namespace
}  // namespace setup_test
