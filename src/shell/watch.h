// Watchers of what the game does, for the play tool's trace: each is empty unless a tool sets it,
// and the game calls it at the moment the event happens, on the game's thread.
#pragma once
#include <functional>
#include <string>

struct GameWatchers {
    // The screen loop saw Game.screen take a new value (after a screen routine returned).
    std::function<void(int screen)> screenChanged;
    // playSound was called with this id, whether or not anything could be played.
    std::function<void(int id)> soundPlayed;
    // A player's car passed the finish: player 1 or 2, place 1 to 3, race time in seconds.
    std::function<void(int player, int place, double seconds)> playerFinished;
};

extern GameWatchers Watchers;
