// Adding and removing the players of the current classroom's list.
#include "accounts/accounts.h"

#include <optional>
#include <string>

#include "store/game_store.h"

void addPlayer(PlayerList& list, const std::string& name, const std::string& password) {
    Player player;
    player.name = name;
    player.password = password;
    list.items.push_back(player);
    list.count = static_cast<int>(list.items.size());
}

void removePlayer(PlayerList& list, int position) {
    if (position < 0 || position >= static_cast<int>(list.items.size())) return;
    // The last player takes the freed place, as classrooms do, so positions stay dense.
    list.items[static_cast<std::size_t>(position)] = list.items.back();
    list.items.pop_back();
    list.count = static_cast<int>(list.items.size());
}

namespace {

// The name of the player at position, or none when the position is on no player.
std::optional<std::string> nameAt(const PlayerList& list, int position) {
    if (position < 0 || position >= static_cast<int>(list.items.size())) return std::nullopt;
    return list.items[static_cast<std::size_t>(position)].name;
}

// Where the player named name stands now (the first row when gone); position as it was when the
// cursor was on no player.
int follow(const PlayerList& list, const std::optional<std::string>& name, int position) {
    if (!name) return position;
    for (std::size_t i = 0; i < list.items.size(); ++i)
        if (list.items[i].name == *name) return static_cast<int>(i);
    return 0;
}

}  // namespace

void saveClassPlayers(Game& game) {
    const std::optional<std::string> first = nameAt(game.players, game.player1);
    const std::optional<std::string> second = nameAt(game.players, game.player2);
    GameStore.savePlayers(game.players, game.classrooms, game.classroom);
    game.player1 = follow(game.players, first, game.player1);
    game.player2 = follow(game.players, second, game.player2);
}
