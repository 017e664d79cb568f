// Tests of saves shared between copies of the game: each save merges this copy's change into what
// another copy wrote meanwhile, and finds its classroom again by name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "store/board_loading.h"
#include "store/fields.h"
#include "store/records.h"
#include "store/save_lock.h"
#include "store/store.h"
#include "fresh_folder.h"

namespace fs = std::filesystem;

namespace {

class SharedSaves : public FreshFolder {};

std::vector<std::string> namesOf(const PlayerList& list) {
    std::vector<std::string> names;
    for (const Player& p : list.items) names.push_back(p.name + ":" + std::to_string(p.car));
    return names;
}

PlayerList loaded(int position) {
    PlayerList list;
    loadPlayers(list, position);
    return list;
}

// Two copies read the same player file; the other saves its change first, then this copy saves
// its own: the file holds both, and this copy's list becomes the file.
TEST_F(SharedSaves, PlayerChangesMergeByName) {
    const struct {
        const char* what;
        void (*other)(PlayerList&);
        void (*mine)(PlayerList&);
        std::vector<std::string> expected;
    } cases[] = {
        {"both add a pupil", [](PlayerList& l) { l.items.push_back({"Cy", "", 1, 0}); },
         [](PlayerList& l) { l.items.push_back({"Di", "", 2, 0}); }, {"Ann:0", "Bob:0", "Cy:1", "Di:2"}},
        {"a deletion here, an addition there", [](PlayerList& l) { l.items.push_back({"Cy", "", 1, 0}); },
         [](PlayerList& l) { l.items.erase(l.items.begin()); }, {"Cy:1", "Bob:0"}},
        {"cars changed on both", [](PlayerList& l) { l.items[1].car = 5; },
         [](PlayerList& l) { l.items[0].car = 3; }, {"Ann:3", "Bob:5"}},
        {"a change to a pupil deleted there", [](PlayerList& l) { l.items.pop_back(); },
         [](PlayerList& l) { l.items[1].car = 7; }, {"Ann:0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all("classrooms");
        PlayerList start;
        start.items = {{"Ann", "", 0, 0}, {"Bob", "", 0, 0}};
        savePlayers(start, 0);
        PlayerList other = loaded(0), mine = loaded(0);
        c.other(other);
        savePlayers(other, 0);
        c.mine(mine);
        savePlayers(mine, 0);
        EXPECT_EQ(namesOf(loaded(0)), c.expected);
        EXPECT_EQ(namesOf(mine), c.expected);
        EXPECT_EQ(mine.count, static_cast<int>(c.expected.size()));
    }
}

// Several copies that fell back to "Default" on a classroom without a player file save it once.
TEST_F(SharedSaves, TheFallbackPlayerIsNotDoubled) {
    PlayerList first = loaded(0), second = loaded(0);
    savePlayers(first, 0);
    savePlayers(second, 0);
    EXPECT_EQ(namesOf(loaded(0)), std::vector<std::string>{"Default:0"});
}

// A race saved by this copy goes after the races another copy saved since this one read the
// board, and the board in memory then holds them all, ready to be replayed.
TEST_F(SharedSaves, ABoardAppendsAfterWhatIsOnDisk) {
    ClassroomList rooms;
    addClassroom(rooms, "4b", "");
    int position = 0;
    Leaderboard& board = LeaderboardTable.boards[1][2][3];
    RaceRecord first;
    first.name = "Ann";
    board.records = {first};
    board.count = 1;
    ASSERT_TRUE(saveLeaderboard(rooms, position, 1, 2, 3));
    const Leaderboard mineBefore = board;  // this copy read the board with Ann's race
    RaceRecord theirs;
    theirs.name = "Bob";
    board.records.push_back(theirs);
    ASSERT_TRUE(saveLeaderboard(rooms, position, 1, 2, 3));  // another copy stores Bob's race
    board = mineBefore;
    RaceRecord mine;
    mine.name = "Cy";
    board.records.push_back(mine);
    ASSERT_TRUE(saveLeaderboard(rooms, position, 1, 2, 3));
    ASSERT_EQ(board.count, 3);
    EXPECT_EQ(board.records[1].name, "Bob");
    EXPECT_EQ(board.records[2].name, "Cy");
    EXPECT_EQ(board.recordsOnDisk, 3);
    Leaderboard back;
    readLeaderboard(back, boardPath(0, 1, 2, 3));
    ASSERT_EQ(back.count, 3);
    EXPECT_EQ(back.records[2].name, "Cy");
}

// Two copies on the classroom menu each add a classroom: both stay, each with its own room.
TEST_F(SharedSaves, ClassroomsAddedOnTwoComputersBothStay) {
    ClassroomList first, second;
    loadClassrooms(first);
    saveClassrooms(first);
    loadClassrooms(second);
    addClassroom(first, "4b", "");
    saveClassrooms(first);
    addClassroom(second, "5c", "");
    saveClassrooms(second);
    ClassroomList back;
    loadClassrooms(back);
    ASSERT_EQ(back.count, 3);
    EXPECT_EQ(back.items[1].name, "4b");
    EXPECT_EQ(back.items[2].name, "5c");
    EXPECT_EQ(second.count, 3);
    EXPECT_TRUE(fs::is_directory(roomPath(2)));
}

// A copy playing in C saves into C's folder after another computer's deletion moved it, and a
// copy whose classroom was deleted saves nothing and says so.
TEST_F(SharedSaves, ASaveFindsItsClassroomByName) {
    ClassroomList mine;
    for (const char* name : {"A", "B", "C"}) addClassroom(mine, name, "");
    int position = 2;
    PlayerList players;
    players.items = {{"Cy", "", 0, 0}};
    ASSERT_TRUE(savePlayers(players, mine, position));
    ClassroomList teacher;
    loadClassrooms(teacher);
    deleteClassroom(teacher, 0);  // C's folder moves to room 1
    players.items[0].car = 4;
    ASSERT_TRUE(savePlayers(players, mine, position));
    EXPECT_EQ(position, 0);
    EXPECT_EQ(namesOf(loaded(0)), std::vector<std::string>{"Cy:4"});
    EXPECT_FALSE(fs::exists(roomPath(2)));
    EXPECT_EQ(takeSaveTrouble(), "");

    loadClassrooms(teacher);
    deleteClassroom(teacher, 0);  // C itself goes
    players.items[0].car = 6;
    EXPECT_FALSE(savePlayers(players, mine, position));
    EXPECT_FALSE(saveLeaderboard(mine, position, 0, 0, 0));
    EXPECT_EQ(takeSaveTrouble(), "This class was deleted on another PC");
    EXPECT_EQ(namesOf(loaded(0)), std::vector<std::string>{"Default:0"}) << "B's room 1 has no players";
}

void writePlain(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A record file as the game writes it, named name.
std::string recordFile(const std::string& name) {
    return " 1\r\n 40\r\n 100\r\n 50\r\n" + name + "\r\n 2\r\n 1.5\r\n 1\r\n";
}

std::string fileText(const std::string& path) {
    FieldReader r = openFields(path);
    return r.data;
}

// A board file damaged or changed behind this copy's back never lets a save write over a race:
// every record file there is stays as it was and is counted, and a count far past the files is
// mended to them; this copy's new race follows them all.
TEST_F(SharedSaves, ADamagedBoardNeverCostsARace) {
    const struct {
        const char* what;
        std::string boardFile;
        int files;  // record1 .. recordN on disk, all intact
        int known;  // records this copy read before the damage
        int expected;
    } cases[] = {
        {"an emptied board file", "", 5, 5, 6},
        {"a board cut to 2", " 2\r\n\r\n", 5, 5, 6},
        {"a count far beyond the files", " 999999999\r\n\r\n", 3, 3, 4},
        {"a classmate saved two races meanwhile", " 7\r\n\r\n", 7, 5, 8},
        {"records beyond a count this copy knew", " 5\r\n\r\n", 8, 5, 9},
        {"a board this copy never read", " 4\r\n\r\n", 4, 0, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all("classrooms");
        LeaderboardTable = LeaderboardTableData{};
        const std::string path = boardPath(0, 0, 0, 0);
        fs::create_directories(fs::path(path).parent_path());
        for (int i = 1; i <= c.files; ++i) writePlain(path + "record" + std::to_string(i), recordFile("R" + std::to_string(i)));
        Leaderboard& board = LeaderboardTable.boards[0][0][0];
        for (int i = 1; i <= c.known; ++i) {
            board.records.emplace_back();
            board.records.back().name = "R" + std::to_string(i);
        }
        board.recordsOnDisk = c.known;
        writePlain(path, c.boardFile);
        RaceRecord mine;
        mine.name = "Mine";
        board.records.push_back(mine);
        ClassroomList rooms;
        int position = 0;
        ASSERT_TRUE(saveLeaderboard(rooms, position, 0, 0, 0));
        for (int i = 1; i <= c.files; ++i)
            EXPECT_EQ(fileText(path + "record" + std::to_string(i)), recordFile("R" + std::to_string(i))) << i;
        Leaderboard back;
        readLeaderboard(back, path);
        ASSERT_EQ(back.count, c.expected);
        EXPECT_EQ(back.records.back().name, "Mine");
        EXPECT_EQ(board.count, c.expected) << "the board in memory is the board on disk";
        EXPECT_FALSE(fs::exists(path + "record" + std::to_string(c.expected + 1)));
    }
}

// A damaged or hostile record costs what a race can hold, not what the file claims.
TEST_F(SharedSaves, ReadingBoundsDamagedRecords) {
    std::string huge = " 300000\r\n 40\r\n 100\r\n 50\r\n" + std::string(1 << 20, 'x') + "\r\n 2\r\n";
    for (int i = 0; i < 300000; ++i) huge += " 1\r\n 1\r\n";
    writePlain("record", huge);
    RaceRecord record;
    readRaceRecord(record, "record");
    EXPECT_EQ(record.name.size(), LongestName);
    EXPECT_EQ(record.car, 2) << "the rest of the long line is skipped, not read as fields";
    EXPECT_EQ(record.samples.size(), MostSamples);
}

// A save that meets another PC's lock never goes ahead without it: the game's save leaves the race
// in memory and it lands once the lock is given back; at quit it is kept in this PC's own file and
// stored at the next start.
TEST_F(SharedSaves, BusySavesWaitInMemoryAndLandLater) {
    ClassroomList rooms;
    addClassroom(rooms, "A", "");
    deferBusySaves(0.05);
    for (const bool quitFirst : {false, true}) {
        SCOPED_TRACE(quitFirst ? "kept over a quit" : "saved while the game goes on");
        SaveLock other;
        ASSERT_TRUE(takeSaveLock(other, roomPath(0)));
        Leaderboard& board = LeaderboardTable.boards[0][0][0];
        RaceRecord race;
        race.name = quitFirst ? "Later" : "Soon";
        board.records.push_back(race);
        int position = 0;
        EXPECT_TRUE(saveLeaderboard(rooms, position, 0, 0, 0));
        EXPECT_FALSE(fs::exists(boardPath(0, 0, 0, 0) + "record" + std::to_string(board.records.size())));
        ::usleep(120 * 1000);
        EXPECT_GT(keepSaving(), 0);
        if (quitFirst) {
            EXPECT_FALSE(finishSaving(0.1));
            EXPECT_EQ(keepDeferredRaces(), 1);
            releaseSaveLock(other);
            EXPECT_EQ(storeKeptRaces(), 1);
            EXPECT_TRUE(fs::is_empty("kept-races"));
        } else {
            releaseSaveLock(other);
            ::usleep(120 * 1000);
            EXPECT_EQ(keepSaving(), 0);
        }
        Leaderboard back;
        readLeaderboard(back, boardPath(0, 0, 0, 0));
        ASSERT_FALSE(back.records.empty());
        EXPECT_EQ(back.records.back().name, race.name);
        LeaderboardTable = LeaderboardTableData{};
        readLeaderboard(LeaderboardTable.boards[0][0][0], boardPath(0, 0, 0, 0));
    }
    deferBusySaves(-1);
}

}  // namespace
