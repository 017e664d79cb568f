// The track menu on the headless screen: seasons, distance limits, sounds and the race length.
#include "setup/setup.h"
#include "setup_fixture.h"

namespace setup_test {
namespace {

using TrackMenuTest = SetupScreenTest;

// Where the four arrows and the cursor frames show on the canvas.
bool arrowAt(int x, int y) { return canvasPixel(x + 8, y + 8) == Black; }

TEST_F(TrackMenuTest, DistanceStartsAt1500AndLeftStopsAt3000) {
    prepare();
    setPlayers({"Ann"});
    press({Esc});
    trackMenu(game);
    EXPECT_EQ(game.screen, Players);
    EXPECT_TRUE(textShown(136, 130, "1500 m"));
    EXPECT_TRUE(textShown(132, 45, "Summer"));
    EXPECT_FALSE(arrowAt(102, 125));  // no way to a shorter race
    EXPECT_TRUE(arrowAt(202, 125));
    EXPECT_FALSE(arrowAt(102, 40));
    EXPECT_TRUE(arrowAt(202, 40));
    EXPECT_EQ(canvasPixel(120, 50), Black);  // cursor frame on the season
    EXPECT_EQ(game.raceLength, 500);
    EXPECT_EQ(sounds, std::vector<int>{6});

    sounds.clear();
    press({Down, Right, Esc});
    trackMenu(game);
    EXPECT_TRUE(textShown(136, 130, "3000 m"));
    EXPECT_FALSE(arrowAt(102, 125));  // 1500 m cannot be chosen again
    EXPECT_EQ(canvasPixel(120, 130), Black);
    EXPECT_EQ(canvasPixel(120, 50), Magenta);
    EXPECT_EQ(game.raceLength, 1000);
    EXPECT_EQ(sounds, (std::vector<int>{6, 6, 6}));

    // The cursor starts on the season again; Left on the distance changes nothing and is silent.
    sounds.clear();
    press({Up, Down, Left, Down, Esc});
    trackMenu(game);
    EXPECT_EQ(game.distance, 1);
    EXPECT_TRUE(textShown(136, 130, "3000 m"));
    EXPECT_EQ(sounds, (std::vector<int>{6, 6}));
}

TEST_F(TrackMenuTest, RightArrowsGoAtVolcanoAnd9000AndRightThereIsSilent) {
    prepare();
    setPlayers({"Ann"});
    press({Right, Right, Right, Right, Down, Right, Right, Right, Right, Right, Right, Enter});
    trackMenu(game);
    EXPECT_EQ(game.screen, Lesson);
    EXPECT_EQ(game.track, 3);
    EXPECT_EQ(game.distance, 5);
    EXPECT_EQ(game.raceLength, 3000);
    EXPECT_TRUE(textShown(132, 45, "Volcano"));
    EXPECT_TRUE(textShown(136, 130, "9000 m"));
    EXPECT_FALSE(arrowAt(202, 40));
    EXPECT_FALSE(arrowAt(202, 125));
    EXPECT_TRUE(arrowAt(102, 40));
    EXPECT_TRUE(arrowAt(102, 125));
    // Three seasons, the move down, five distances, then Enter: the extra Rights play nothing.
    EXPECT_EQ(soundCount(6), 9);
    EXPECT_EQ(soundCount(0), 1);
    EXPECT_EQ(sounds.back(), 0);
}

TEST_F(TrackMenuTest, SeasonsShowTheirNamesAndPictures) {
    // Each season picture a different colour, so the scene shown can be told apart.
    prepare();
    const std::uint32_t colours[] = {0xFF112233u, 0xFF445566u, 0xFF778899u, 0xFFAABBCCu};
    for (int t = 0; t < 4; ++t) game.sceneImages[t] = createImage(80, 45, colours[t]);
    setPlayers({"Ann"});
    const char* names[] = {"Summer", "Winter", "Desert", "Volcano"};
    for (int t = 0; t < 4; ++t) {
        game.track = t;
        press({Esc});
        trackMenu(game);
        EXPECT_TRUE(textShown(132, 45, names[t])) << t;
        EXPECT_EQ(canvasPixel(121, 61), colours[t]) << t;
        EXPECT_EQ(canvasPixel(199, 104), colours[t]) << t;
        EXPECT_EQ(canvasPixel(200, 104), Black) << t;  // the frame's right edge
    }
    // Left from Desert is heard and shows Winter.
    sounds.clear();
    game.track = 2;
    press({Left, Esc});
    trackMenu(game);
    EXPECT_EQ(game.track, 1);
    EXPECT_TRUE(textShown(132, 45, "Winter"));
    EXPECT_EQ(sounds, (std::vector<int>{6, 6}));
}

TEST_F(TrackMenuTest, LeavingEitherWayStoresTheRaceLengthAndSavesThePlayers) {
    prepare();
    setPlayers({"Ann", "Bob"});
    game.players.items[1].car = 5;
    game.classroom = 1;
    game.distance = 3;  // 6000 m
    game.raceLength = 500;
    press({Esc});
    trackMenu(game);
    EXPECT_TRUE(textShown(136, 130, "6000 m"));
    EXPECT_EQ(game.raceLength, 2000);
    const PlayerList saved = savedPlayers();
    ASSERT_EQ(saved.items.size(), 2u);
    EXPECT_EQ(saved.items[1].name, "Bob");
    EXPECT_EQ(saved.items[1].car, 5);
}

TEST_F(TrackMenuTest, DamagedChoicesComeBackIntoRange) {
    prepare();
    setPlayers({"Ann"});
    game.track = 9;
    game.distance = -4;
    press({Esc});
    trackMenu(game);
    EXPECT_EQ(game.track, 0);
    EXPECT_EQ(game.distance, 0);
    EXPECT_EQ(game.raceLength, 500);
}

}  // namespace
}  // namespace setup_test
