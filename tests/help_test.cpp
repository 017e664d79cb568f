// Tests of the F1 help cards: every card fits the canvas and names its screen's keys; F1 shows the
// card over the screen and the key that closes it reaches nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "setup/setup.h"
#include "setup_fixture.h"
#include "shell/help.h"

namespace setup_test {
namespace {

TEST(HelpCards, EveryCardFitsTheCanvasAndNamesTheKeysOfItsScreen) {
    const std::map<HelpTopic, std::vector<std::string>> keys = {
        {HelpTopic::Splash, {"Any key", "F1"}},
        {HelpTopic::Classrooms, {"Up/Down", "Enter", "Delete", "Backspace"}},
        {HelpTopic::FirstPlayer, {"Up/Down", "Enter", "Delete", "Esc", "Left/Right  change the driver"}},
        {HelpTopic::SecondPlayer, {"Singleplayer", "Delete", "Esc", "Left/Right  change the driver"}},
        {HelpTopic::Track, {"Up/Down", "Left/Right", "Enter", "Esc"}},
        {HelpTopic::Lesson, {"Left/Right", "Enter", "Esc", "a  ", "x  "}},
        {HelpTopic::LessonTwoPlayers, {"Player 2", "(keypad)", "Up          8", "Down        5", "4/6", "Enter       2", "a           +",
                                       "x           -", "Esc"}},
        {HelpTopic::Race, {"Enter", "Space", "Backspace", "Hold Esc", "q w e"}},
        {HelpTopic::RaceTwoPlayers, {"Player 2", "keypad", "Space       Enter", "Backspace", "Hold Esc"}},
        {HelpTopic::Results, {"Any key"}},
    };
    ASSERT_EQ(keys.size(), static_cast<std::size_t>(HelpTopicCount));
    for (const auto& [topic, names] : keys) {
        const HelpCardSize size = helpCardSize(topic);
        EXPECT_LE(size.width, 320) << static_cast<int>(topic);
        EXPECT_LE(size.height, 180) << static_cast<int>(topic);
        std::string text;
        for (std::string_view line : helpCard(topic)) {
            EXPECT_LE(8 * static_cast<int>(line.size()), size.width) << line;
            for (unsigned char c : line) EXPECT_TRUE(c >= ' ' && c != 0xFF) << line;  // printable in the font
            text += std::string(line) + "\n";
        }
        for (const std::string& name : names)
            EXPECT_NE(text.find(name), std::string::npos) << "card " << static_cast<int>(topic) << " lacks " << name;
    }
}

// Whether every pixel of text's glyphs shows black at canvas (x, y), whatever the paper.
bool inkShown(int x, int y, const std::string& text) {
    const int width = 8 * static_cast<int>(text.size());
    ImageHandle reference = createImage(width, 8, Magenta);
    drawText(reference.get(), 0, 0, text, Black);
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < width; ++u)
            if (reference->pixels[v * width + u] == Black && canvasPixel(x + u, y + v) != Black) return false;
    return true;
}

using HelpCardTest = SetupScreenTest;

TEST_F(HelpCardTest, F1ShowsTheCardAndTheKeyThatClosesItReachesNothing) {
    prepare();
    setPlayers({"Ann"});
    // F1 opens the card; Esc closes it and must not leave the menu; Enter then does.
    long long cardFrames = 0;
    headlessSetPresentHook([&] {
        // The card's frame and title stand in the middle of the screen, over the menu.
        const HelpCardSize size = helpCardSize(HelpTopic::Track);
        const int left = (320 - size.width) / 2, top = (180 - size.height) / 2;
        if (canvasPixel(left, top) == Black && inkShown(left + 10, top + 10, "TRACK AND DISTANCE")) ++cardFrames;
    });
    press({F1Key, Esc, Enter});
    trackMenu(game);
    EXPECT_EQ(game.screen, Lesson);
    EXPECT_EQ(cardFrames, 1);
    EXPECT_EQ(sounds, (std::vector<int>{ConfirmSound, ConfirmSound}));  // the card opening, then Enter
}

}  // namespace
}  // namespace setup_test
