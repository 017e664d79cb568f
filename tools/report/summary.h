// What the teacher's report knows of a classroom: each player's figures on each board they raced.
#pragma once
#include <string>
#include <vector>

// One player's races on one board (operation, lesson, distance).
struct BoardSummary {
    int operation = 0;
    int lesson = 0;
    int distance = 0;
    int races = 0;
    double bestTime = 0;      // the lowest time above 0; 0 when no race has one
    double topSpeed = 0;      // the highest top speed, never below 0 (as the game's statistics)
    double averageSpeed = 0;  // the mean of the races' average speeds
    long long answers = 0;    // the sum of the races' sample counts
    long long correct = 0;    // samples of value 1
    long long wrong = 0;      // samples of value -0.5
    std::vector<double> times;  // every race's time, oldest first
};

struct PlayerSummary {
    std::string name;                 // code page 437 bytes, as in the player file
    std::vector<BoardSummary> boards; // only boards with a race, operation then lesson then distance
};

struct ClassroomSummary {
    int position = 0;  // 0-based
    std::string name;  // code page 437 bytes
    int races = 0;     // the races of the listed players
    std::vector<PlayerSummary> players;  // in player-file order
};

// Reads the player file and the 600 boards of the classroom at position through the store's own
// readers and sums each player's records, matched by name byte for byte as the statistics match
// them. The working directory must be the game folder. Reads files only: creates, changes and
// removes nothing. A damaged or missing file reads as the game reads it.
ClassroomSummary summariseClassroom(int position, const std::string& name);

// correct / answers in percent; false when there were no answers.
bool accuracyPercent(long long correct, long long answers, double& percent);
// The race distance in metres, as the track menu shows it.
int distanceMetres(int distance);
// value with the given number of decimals, "." as the point whatever the locale.
std::string fixedText(double value, int decimals);
