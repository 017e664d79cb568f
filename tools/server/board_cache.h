// The boards of the classrooms the server has entered, kept between requests, so that entering a
// classroom or storing a race on a slow shared folder reads only what changed on disk.
#pragma once
#include <sys/types.h>

#include <map>
#include <memory>
#include <string>

#include "store/records.h"

// A room directory as the file system knows it: a room renumbered by a deletion keeps it, one
// deleted and made again (or restored from a backup) does not.
struct RoomIdentity {
    dev_t device = 0;
    ino_t inode = 0;
};

struct CachedBoards {
    RoomIdentity room;
    std::unique_ptr<LeaderboardTableData> table;
};

// Which classroom's boards LeaderboardTable holds (current, empty when it holds no known one) and
// the others', by classroom name. Used only under the server's table lock.
struct BoardCache {
    std::string current;
    RoomIdentity currentRoom;
    std::map<std::string, CachedBoards> aside;
};

// Called with the table lock held, before LeaderboardTable is read or a board of it saved: makes it
// the boards of the classroom named name, whose room is at position now, as they are on disk,
// reading only the board files and the records new since the server last held them. A room that
// is not the one held then is read whole.
void bringUpBoards(BoardCache& cache, const std::string& name, int position);

// Called after LeaderboardTable was filled or changed other than by bringUpBoards and the store's
// saves (it then holds no known classroom's boards).
void forgetCurrentBoards(BoardCache& cache);
