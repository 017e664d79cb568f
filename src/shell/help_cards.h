// The texts of the F1 help cards: for each screen, what each key does there. One table, read by the
// card drawing and by the tests that check every card fits the canvas and names its keys.
#pragma once
#include <array>
#include <string_view>
#include <vector>

// The screen (or the variant of it) whose keys a card explains.
enum class HelpTopic : int {
    Splash,
    Classrooms,
    FirstPlayer,
    SecondPlayer,
    Track,
    Lesson,
    LessonTwoPlayers,
    Race,
    RaceTwoPlayers,
    Results,
};
constexpr int HelpTopicCount = 10;

// Every card ends with this line, and any key does what it says.
constexpr std::string_view HelpCardLastLine = "Any key closes this card.";

// Each card's lines in order, the first being its title: bytes of the 8 x 8 font, at most 36 to a
// line and 14 lines, so that the card with its margins and its last line fits the 320 x 180 canvas.
inline const std::array<std::vector<std::string_view>, HelpTopicCount> HelpCards = {{
    // Splash
    {"TALLY RALLY",
     "Any key     on to the classes",
     "F1          help on every screen"},
    // Classrooms
    {"CHOOSE YOUR CLASS",
     "Up/Down     choose a row",
     "Enter       open the class (asks its",
     "            password), Add Class or",
     "            Quit",
     "Delete      delete the class (asks",
     "            first, then its password)",
     "Typing a name or a password:",
     "Left/Right  move in the text",
     "Backspace   rub out, Enter  done"},
    // FirstPlayer
    {"CHOOSE PLAYER 1",
     "Up/Down     choose a row",
     "Enter       choose the player (asks",
     "            the password), Add",
     "            Player or Quit",
     "Left/Right  change the driver",
     "Delete      delete the player (asks",
     "            first)",
     "Esc         back to the classes",
     "Typing a name or a password:",
     "Left/Right  move in the text",
     "Backspace   rub out, Enter  done"},
    // SecondPlayer
    {"CHOOSE PLAYER 2",
     "Up/Down     choose a row",
     "Enter       choose player 2, or",
     "            Singleplayer to race",
     "            alone",
     "Left/Right  change the driver",
     "Delete      delete the player (asks",
     "            first)",
     "Esc         back to player 1",
     "Typing a name or a password:",
     "Left/Right  move in the text",
     "Backspace   rub out, Enter  done"},
    // Track
    {"TRACK AND DISTANCE",
     "Up/Down     season or distance",
     "Left/Right  change it",
     "Enter       on to the lessons",
     "Esc         back to the players"},
    // Lesson
    {"CAR AND LESSON",
     "Up/Down     car, operation, lesson",
     "Left/Right  change it",
     "Enter       start the race",
     "Esc         back to the track",
     "Custom grid (Multiply, Divide):",
     "Arrows      move on the grid",
     "Enter       tick or untick a table",
     "a           tick every table",
     "x           clear every table"},
    // LessonTwoPlayers
    {"CAR AND LESSON, TWO PLAYERS",
     "            Player 1    Player 2",
     "                        (keypad)",
     "Row up      Up          8",
     "Row down    Down        5",
     "Change      Left/Right  4/6",
     "Custom grid (Multiply, Divide):",
     "Tick        Enter       2",
     "Tick all    a           +",
     "Clear all   x           -",
     "Enter  start the race",
     "Esc    back to the track"},
    // Race
    {"RACE",
     "Answer with the digits and Enter,",
     "or with the letters and Space:",
     "  q w e  a s d  z x c  v",
     "= 7 8 9  4 5 6  1 2 3  0",
     "Backspace, f  clear the answer",
     "Hold Esc      end the race",
     "The race stands still meanwhile."},
    // RaceTwoPlayers
    {"RACE, TWO PLAYERS",
     "            Player 1    Player 2",
     "Digits      letters     keypad",
     "  q w e  a s d  z x c  v",
     "= 7 8 9  4 5 6  1 2 3  0",
     "Answer      Space       Enter",
     "Clear       f           Backspace",
     "Hold Esc    end the race",
     "The race stands still meanwhile."},
    // Results
    {"RESULTS",
     "Any key     back to the lessons,",
     "            once this card is closed"},
}};

inline const std::vector<std::string_view>& helpCard(HelpTopic topic) {
    return HelpCards[static_cast<int>(topic)];
}
