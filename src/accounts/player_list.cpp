// Adding and removing the players of the current classroom's list.
#include "accounts/accounts.h"

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
