// The records of the saved data: classrooms, players, stored races and leaderboards.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The longest name or password kept when a file is read: longer than any the menus or the classroom
// server take, so that no real one is ever cut, while a damaged file's endless line costs nothing
// (a name is copied every frame of a race). The file keeps its bytes until it is next written.
constexpr std::size_t LongestName = 64;

// The most answers a stored race keeps when it is read. An answer takes two keys at least (a digit
// and Enter), and the results show at most 9999.99 s; ten answers a second for that long is more
// than any pupil types, while a damaged or hostile file claiming millions costs milliseconds.
constexpr std::size_t MostSamples = 100000;

struct Classroom {
    std::string name;
    std::string password;  // plain; empty means none
    bool hasPassword = false;  // set by the remote store alone, whose lists never hold the password
};

// count always equals items.size() after any operation of the store. base is the list as this
// copy last read or wrote it: a save applies only the difference base -> items to the file as it
// is then, so that a change made meanwhile by another copy of the game is kept.
struct ClassroomList {
    int count = 0;
    std::vector<Classroom> items;
    std::vector<Classroom> base{};
};

struct Player {
    std::string name;
    std::string password;  // plain; empty means none
    int car = 0;           // 0..7
    int driver = 0;        // 0..12
    bool hasPassword = false;  // as Classroom's
};

// As ClassroomList: base is the list as last read or written, items the working list.
struct PlayerList {
    int count = 0;
    std::vector<Player> items;
    std::vector<Player> base{};
};

// One answer given during a race: seconds since the start, and 1 (right) or -0.5 (wrong).
struct Sample {
    double first = 0;
    double second = 0;
};

struct RaceRecord {
    std::vector<Sample> samples;
    int sampleCount = 0;
    double time = 0;
    double topSpeed = 0;
    double averageSpeed = 0;
    int car = 0;
    std::string name;
};

// Records are only ever appended (by a race), and only a record appended since the last save is
// ever removed again (an abandoned race's), so the leading records that are on disk never change
// in memory: a save writes only the records after them.
struct Leaderboard {
    std::vector<RaceRecord> records;
    int count = 0;
    std::string title;  // never set by the game: read and written back unchanged
    // How many leading records are on disk as they stand here: set by reading the board and
    // advanced by a save that reached the disk. Those are never written again, so a record that
    // merely failed to read (a missing or unreadable file) never overwrites anything. A board
    // whose records are replaced wholesale sets it to 0 so that all of them are written.
    int recordsOnDisk = 0;
};

constexpr int BoardOperations = 4;
constexpr int BoardLessons = 25;
constexpr int BoardDistances = 6;

// The 4 x 25 x 6 boards of the current classroom, [operation][lesson][distance].
struct LeaderboardTableData {
    Leaderboard boards[BoardOperations][BoardLessons][BoardDistances];
};

// Process-wide; holds the boards of the current classroom only.
extern LeaderboardTableData LeaderboardTable;
