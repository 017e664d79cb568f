// The server's kept boards: brought up to what is on disk by reading only what changed.
#include "board_cache.h"

#include <sys/stat.h>

#include <utility>

#include "store/board_loading.h"
#include "store/store.h"

namespace {

// More classrooms than a server keeps: the rest are read whole when entered again.
constexpr std::size_t MostKept = 100;

bool identify(int position, RoomIdentity& room) {
    struct stat info {};
    if (::stat(roomPath(position).c_str(), &info) != 0) return false;
    room = RoomIdentity{info.st_dev, info.st_ino};
    return true;
}

bool same(const RoomIdentity& a, const RoomIdentity& b) { return a.device == b.device && a.inode == b.inode; }

}  // namespace

void bringUpBoards(BoardCache& cache, const std::string& name, int position) {
    RoomIdentity room;
    const bool known = identify(position, room);
    if (!known) {
        // No room directory (the fallback classroom of a fresh folder): nothing to keep.
        forgetCurrentBoards(cache);
        loadLeaderboards(position);
        return;
    }
    if (cache.current != name || !same(cache.currentRoom, room)) {
        if (!cache.current.empty() && (cache.aside.size() < MostKept || cache.aside.count(cache.current) != 0)) {
            CachedBoards& kept = cache.aside[cache.current];
            if (!kept.table) kept.table = std::make_unique<LeaderboardTableData>();
            std::swap(*kept.table, LeaderboardTable);
            kept.room = cache.currentRoom;
        }
        cache.current.clear();
        const auto found = cache.aside.find(name);
        if (found == cache.aside.end() || !same(found->second.room, room)) {
            if (found != cache.aside.end()) cache.aside.erase(found);
            loadLeaderboards(position);
            cache.current = name;
            cache.currentRoom = room;
            return;
        }
        std::swap(*found->second.table, LeaderboardTable);
        cache.aside.erase(found);
        cache.current = name;
        cache.currentRoom = room;
    }
    refreshLeaderboards(position);
}

void forgetCurrentBoards(BoardCache& cache) { cache.current.clear(); }
