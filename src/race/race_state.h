// The state of one race, and the race's view of each player's things in Game.
#pragma once
#include <array>
#include <string>

#include "race/motion.h"
#include "shell/game.h"
#include "store/records.h"

// What the race keeps for one player (index 0 is player 1, index 1 player 2; the second is used
// only in a two-player race).
struct PlayerRace {
    std::string answerText;  // the digits typed so far
    std::string feedback;    // "Correct", "Incorrect" or the solution, on the problem line
    bool finished = false;
    int place = 0;          // 1 to 3 at the finish; 0 while racing
    double raceTime = 0;    // seconds from the start; frozen at the finish
    int recordIndex = 0;    // this race's record in the player's board
    double oldBestTime = 0;  // the player's best time and top speed before this race
    double oldTopSpeed = 0;
    bool newHighScore = false;
    bool newTopSpeed = false;
    int speedFrames = 0;     // frames counted into the average speed
    // The record's top and average speed as the race left them, kept for the results screen
    // because an abandoned race's record is removed before the screen is drawn.
    double reachedTopSpeed = 0;
    double reachedAverageSpeed = 0;
};

// One offset pair of a view's snow layers.
struct SnowOffsets {
    double x = 0;
    double y = 0;
};

// Local to one call of runRace; nothing of it survives the race.
struct RaceState {
    TrackMap map;
    double countdown = 5.45;  // seconds left before the start
    int lastCount = 0;        // the countdown value last announced
    bool started = false;
    double startTime = 0;     // clock reading at the start; follows the clock until started
    bool quitting = false;    // Escape has been held
    double fade = 0;          // opacity 0 to 255 of the closing veil
    std::array<int, 3> order = {0, 1, 2};  // racer slots on first, second and third place
    std::array<PlayerRace, 2> players;
    std::array<SnowOffsets, 2> snow;  // main view, side view
};

// The race's players: 1, or 2 in a two-player race.
inline int playerCount(const Game& game) { return game.twoPlayers != 0 ? 2 : 1; }

// Player p's (0 or 1) racer slot, car, problem, board and Player record. Game's choices must be
// in range (the menus keep them so).
inline int racerSlotOf(const Game& game, int p) { return p == 0 ? game.racerOfPlayer1 : game.racerOfPlayer2; }
inline Racer& racerOf(Game& game, int p) { return game.racers[racerSlotOf(game, p)]; }
inline const Racer& racerOf(const Game& game, int p) { return game.racers[racerSlotOf(game, p)]; }
inline Problem& problemOf(Game& game, int p) { return p == 0 ? game.problem1 : game.problem2; }
inline int operationOf(const Game& game, int p) { return p == 0 ? game.operation1 : game.operation2; }
inline int lessonOf(const Game& game, int p) { return p == 0 ? game.lesson1 : game.lesson2; }
inline Leaderboard& boardOf(const Game& game, int p) {
    return LeaderboardTable.boards[operationOf(game, p)][lessonOf(game, p)][game.distance];
}
// A position outside the list (player 2 of a one-player race may be anything) reads as a player
// without name.
inline const Player& playerRecordOf(const Game& game, int p) {
    static const Player nobody;
    const int position = p == 0 ? game.player1 : game.player2;
    if (position < 0 || position >= static_cast<int>(game.players.items.size())) return nobody;
    return game.players.items[position];
}
// This race's record of player p; valid from set-up until the records of an abandoned race go.
inline RaceRecord& raceRecordOf(const Game& game, const RaceState& race, int p) {
    return boardOf(game, p).records[race.players[p].recordIndex];
}
