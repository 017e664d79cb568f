// Tests of the field reader, the value writer and the saved-data tree on a real temporary directory.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

FieldReader fieldsOf(const std::string& text) {
    FieldReader r;
    r.data = text;
    return r;
}

std::string realText(double v) {
    std::string out;
    appendReal(out, v);
    return out;
}

std::string intText(int v) {
    std::string out;
    appendInt(out, v);
    return out;
}

// --- The value writer ---------------------------------------------------------------------------

TEST(ValueWriter, NumbersAsTheFormatWritesThem) {
    EXPECT_EQ(intText(7), " 7\r\n");
    EXPECT_EQ(intText(0), " 0\r\n");
    EXPECT_EQ(intText(-1), "-1\r\n");
    EXPECT_EQ(intText(INT_MIN), "-2147483648\r\n");
    EXPECT_EQ(realText(160), " 160\r\n");
    EXPECT_EQ(realText(0.5), " 0.5\r\n");
    EXPECT_EQ(realText(-2), "-2\r\n");
    EXPECT_EQ(realText(12.5), " 12.5\r\n");
    EXPECT_EQ(realText(-0.25), "-0.25\r\n");
    EXPECT_EQ(realText(0.1), " 0.1\r\n");
    EXPECT_EQ(realText(1.0 / 3), " 0.3333333333333333\r\n");
    EXPECT_EQ(realText(1e16), " 1e+16\r\n");
    EXPECT_EQ(realText(1234567890123456.0), " 1234567890123456\r\n");
    EXPECT_EQ(realText(1.5e-7), " 1.5e-07\r\n");
    EXPECT_EQ(realText(-2.5e-300), "-2.5e-300\r\n");
    EXPECT_EQ(realText(0.0001), " 0.0001\r\n");
    EXPECT_EQ(realText(0.00001), " 1e-05\r\n");
    std::string text;
    appendText(text, " a,b\"c ");
    EXPECT_EQ(text, " a,b\"c \r\n");
}

TEST(ValueWriter, RealsMatchPrintfAndReadBackExactly) {
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int i = 0; i < 20000; ++i) {
        const double mantissa = static_cast<double>(next()) / (1u << 24) - 0.5;
        const int exponent = static_cast<int>(next() % 80) - 40;
        const double v = std::ldexp(mantissa, exponent);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.16g", v);
        const std::string written = realText(v);
        const std::string bare = v < 0 ? written : written.substr(1);
        ASSERT_EQ(bare, std::string(expected) + "\r\n");
        FieldReader r = fieldsOf(written);
        const double back = readRealField(r);
        // 16 significant digits are one short of a round trip for some doubles.
        ASSERT_NEAR(back, v, std::fabs(v) * 1e-15);
    }
}

// --- The field reader, one rule at a time -------------------------------------------------------

TEST(FieldReaderRules, LineEndsAndCommas) {
    FieldReader r = fieldsOf(" 1\r\n 2\r 3\n4,5\r\r\n6");
    EXPECT_EQ(readIntField(r), 1);
    EXPECT_EQ(readIntField(r), 2);  // lone CR
    EXPECT_EQ(readIntField(r), 3);  // lone LF
    EXPECT_EQ(readIntField(r), 4);  // comma
    EXPECT_EQ(readIntField(r), 5);  // CR alone, then CR LF is an empty field of its own
    EXPECT_EQ(readIntField(r), 0);
    EXPECT_EQ(readIntField(r), 6);  // last field without a line end
    EXPECT_EQ(readIntField(r), 0);  // past the end every field is empty
    EXPECT_EQ(readTextField(r), "");
    EXPECT_EQ(readTextLine(r), "");
}

TEST(FieldReaderRules, BlanksBeforeAndAfter) {
    FieldReader r = fieldsOf(" \t abc \r\n 12 34\r\n 7 \r\n8\r\n");
    EXPECT_EQ(readTextField(r), "abc ");  // leading blanks skipped, trailing ones kept
    EXPECT_EQ(readIntField(r), 12);       // a blank ends a number ...
    EXPECT_EQ(readIntField(r), 34);       // ... and the rest is the next field
    EXPECT_EQ(readIntField(r), 7);        // only blanks before the line end: it is consumed too
    EXPECT_EQ(readIntField(r), 8);
}

TEST(FieldReaderRules, Quotes) {
    FieldReader r = fieldsOf("\"a, b \" , next\r\n\"12\"\r\n\"open, to the end");
    EXPECT_EQ(readTextField(r), "a, b ");
    EXPECT_EQ(readTextField(r), "next");
    EXPECT_EQ(readIntField(r), 12);
    EXPECT_EQ(readTextField(r), "open, to the end");
    EXPECT_EQ(readTextField(r), "");
}

TEST(FieldReaderRules, OverlongFieldsLeaveTheRest) {
    const std::string longText(MaxTextField + 10, 'x');
    FieldReader r = fieldsOf(longText + "\r\nnext\r\n");
    EXPECT_EQ(readTextField(r), std::string(MaxTextField, 'x'));
    EXPECT_EQ(readTextField(r), std::string(10, 'x'));
    EXPECT_EQ(readTextField(r), "next");
    // A text exactly at the limit ends normally.
    r = fieldsOf(std::string(MaxTextField, 'y') + "\r\nz");
    EXPECT_EQ(readTextField(r).size(), MaxTextField);
    EXPECT_EQ(readTextField(r), "z");
    // A number field holds 67 characters.
    r = fieldsOf(std::string(MaxNumberField, '0') + "42\r\n");
    EXPECT_EQ(readIntField(r), 0);
    EXPECT_EQ(readIntField(r), 42);
}

TEST(FieldReaderRules, NumberText) {
    FieldReader r = fieldsOf("2.5\r\n3.5\r\n-2.5\r\n1e3\r\n1d2\r\n7.5D0\r\n+8\r\n12abc\r\nabc\r\n1e\r\n.5e1\r\n");
    EXPECT_EQ(readIntField(r), 2);  // ties to even
    EXPECT_EQ(readIntField(r), 4);
    EXPECT_EQ(readIntField(r), -2);
    EXPECT_EQ(readIntField(r), 1000);
    EXPECT_EQ(readIntField(r), 100);
    EXPECT_EQ(readIntField(r), 8);
    EXPECT_EQ(readIntField(r), 8);
    EXPECT_EQ(readIntField(r), 12);
    EXPECT_EQ(readIntField(r), 0);
    EXPECT_EQ(readIntField(r), 1);
    EXPECT_EQ(readIntField(r), 5);
    r = fieldsOf("99999999999\r\n-99999999999\r\n1e300\r\n-4e9\r\n");
    EXPECT_EQ(readIntField(r), INT_MAX);
    EXPECT_EQ(readIntField(r), INT_MIN);
    EXPECT_EQ(readIntField(r), INT_MAX);
    EXPECT_EQ(readIntField(r), INT_MIN);
    r = fieldsOf("12.25\r\n-1.5d2\r\n1e999\r\n-1e999\r\n1e-999\r\ninf\r\nnan\r\n-\r\n0x10\r\n");
    EXPECT_EQ(readRealField(r), 12.25);
    EXPECT_EQ(readRealField(r), -150);
    EXPECT_EQ(readRealField(r), DBL_MAX);
    EXPECT_EQ(readRealField(r), -DBL_MAX);
    EXPECT_EQ(readRealField(r), 0);
    EXPECT_EQ(readRealField(r), 0);
    EXPECT_EQ(readRealField(r), 0);
    EXPECT_EQ(readRealField(r), 0);
    EXPECT_EQ(readRealField(r), 0);
}

TEST(FieldReaderRules, WholeLinesKeepEveryByte) {
    FieldReader r = fieldsOf(" 2\r\n  lead, \"quoted\"\t \r\n\r\nlast");
    EXPECT_EQ(readIntField(r), 2);
    EXPECT_EQ(readTextLine(r), "  lead, \"quoted\"\t ");
    EXPECT_EQ(readTextLine(r), "");
    EXPECT_EQ(readTextLine(r), "last");
    EXPECT_EQ(readTextLine(r), "");
}

// --- The saved-data tree ------------------------------------------------------------------------

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// Each test runs in a fresh temporary working directory.
class SavedData : public ::testing::Test {
protected:
    fs::path previous;
    fs::path dir;

    void SetUp() override {
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tally-store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::current_path(dir);
        LeaderboardTable = LeaderboardTableData{};
    }
    void TearDown() override {
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // Names of every file left under the tree, for checking that no temporary file stays behind.
    static bool anyTemporaryFiles() {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator("classrooms", ec);
             !ec && it != fs::recursive_directory_iterator(); ++it) {
            if (it->path().filename().string().find(".tmp") != std::string::npos) return true;
        }
        return false;
    }
};

RaceRecord makeRecord(const std::string& name, double time, int samples) {
    RaceRecord r;
    r.name = name;
    r.time = time;
    r.topSpeed = 100 + time;
    r.averageSpeed = 50 + time / 2;
    r.car = 3;
    for (int i = 0; i < samples; ++i) r.samples.push_back({i * 1.25, i % 3 ? 1.0 : -0.5});
    r.sampleCount = samples;
    return r;
}

TEST_F(SavedData, MissingAndEmptyIndexGiveTheDefaultClassroom) {
    ClassroomList list;
    list.items.assign(3, Classroom{"old", "x"});
    list.count = 3;
    loadClassrooms(list);
    ASSERT_EQ(list.count, 1);
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0].name, "Default");
    EXPECT_EQ(list.items[0].password, "");
    EXPECT_FALSE(fs::exists("classrooms"));  // loading writes nothing

    put("classrooms/classrooms", " 0\r\n");
    loadClassrooms(list);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.items[0].name, "Default");

    put("classrooms/classrooms", "-5\r\nA\r\n\r\n");
    loadClassrooms(list);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.items[0].name, "Default");

    PlayerList players;
    loadPlayers(players, 0);
    ASSERT_EQ(players.count, 1);
    EXPECT_EQ(players.items[0].name, "Default");
    EXPECT_EQ(players.items[0].car, 0);
    EXPECT_EQ(players.items[0].driver, 0);
}

TEST_F(SavedData, CountLargerThanTheEntriesKeepsItsLength) {
    put("classrooms/classrooms", " 3\r\nA\r\npa\r\nB\r\n\r\n");
    ClassroomList list;
    loadClassrooms(list);
    ASSERT_EQ(list.count, 3);
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[0].name, "A");
    EXPECT_EQ(list.items[0].password, "pa");
    EXPECT_EQ(list.items[1].name, "B");
    EXPECT_EQ(list.items[2].name, "");
    EXPECT_EQ(list.items[2].password, "");
}

TEST_F(SavedData, AbsurdCountsCostNeitherMemoryNorTime) {
    put("classrooms/classrooms", " 2147483647\r\nA\r\n\r\n");
    ClassroomList list;
    loadClassrooms(list);
    EXPECT_EQ(list.items[0].name, "A");
    EXPECT_LE(list.items.size(), 1000u);
    EXPECT_EQ(list.count, static_cast<int>(list.items.size()));

    put("classrooms/room1/players", " 2000000000\r\n");
    PlayerList players;
    loadPlayers(players, 0);
    EXPECT_LE(players.items.size(), 1000u);
    EXPECT_EQ(players.count, static_cast<int>(players.items.size()));

    const std::string board = boardPath(0, 1, 2, 3);
    put(board, " 2147483647\r\ntitle\r\n");
    put(board + "record1", " 2147483647\r\n 1\r\n 2\r\n 3\r\nAnn\r\n 1\r\n 4\r\n 5\r\n");
    put(board + "record3", " 1\r\n 9\r\n 2\r\n 3\r\nBob\r\n 1\r\n 4\r\n 5\r\n");
    loadLeaderboards(0);
    const Leaderboard& b = LeaderboardTable.boards[1][2][3];
    ASSERT_GE(b.records.size(), 3u);
    EXPECT_LE(b.records.size(), 1000u);
    EXPECT_EQ(b.count, static_cast<int>(b.records.size()));
    EXPECT_EQ(b.records[0].name, "Ann");
    EXPECT_EQ(b.records[1].name, "");  // a missing record file in between reads as empty
    EXPECT_EQ(b.records[2].name, "Bob");
    EXPECT_EQ(b.records[2].time, 9);
    const RaceRecord& first = b.records[0];
    EXPECT_LE(first.samples.size(), 1000u);
    EXPECT_EQ(first.sampleCount, static_cast<int>(first.samples.size()));
    EXPECT_EQ(first.samples[0].first, 4);
    EXPECT_EQ(first.samples[0].second, 5);

    put(board, "-3\r\n");
    loadLeaderboards(0);
    EXPECT_EQ(LeaderboardTable.boards[1][2][3].count, 0);
    EXPECT_TRUE(LeaderboardTable.boards[1][2][3].records.empty());
}

TEST_F(SavedData, PlayerAndRecordFilesByteForByte) {
    PlayerList players;
    players.items.push_back(Player{"Zoe", "pw", 5, 12});
    players.count = 1;
    savePlayers(players, 0);
    EXPECT_EQ(slurp("classrooms/room1/players"), " 1\r\nZoe\r\npw\r\n 5\r\n 12\r\n");

    RaceRecord empty;
    empty.name = "Ann";
    empty.time = 160;
    empty.topSpeed = 0.5;
    empty.averageSpeed = -2;
    empty.car = 1;
    writeRaceRecord(empty, "rec");
    EXPECT_EQ(slurp("rec"), " 0\r\n 160\r\n 0.5\r\n-2\r\nAnn\r\n 1\r\n");
    RaceRecord back = makeRecord("junk", 1, 4);
    readRaceRecord(back, "rec");
    EXPECT_EQ(back.sampleCount, 0);
    EXPECT_TRUE(back.samples.empty());
    EXPECT_EQ(back.name, "Ann");
    EXPECT_EQ(back.averageSpeed, -2);

    RaceRecord two = makeRecord("Bo", 1e20, 2);
    two.samples[1].first = 1.5e-7;
    writeRaceRecord(two, "rec2");
    EXPECT_EQ(slurp("rec2"), " 2\r\n 1e+20\r\n 1e+20\r\n 5e+19\r\nBo\r\n 3\r\n 0\r\n-0.5\r\n 1.5e-07\r\n 1\r\n");

    Leaderboard board;
    board.title = "Title kept";
    board.records.push_back(makeRecord("Ann", 30.5, 1));
    board.count = 1;
    writeLeaderboard(board, "board");
    EXPECT_EQ(slurp("board"), " 1\r\nTitle kept\r\n");
    EXPECT_EQ(slurp("boardrecord1"), " 1\r\n 30.5\r\n 130.5\r\n 65.25\r\nAnn\r\n 3\r\n 0\r\n-0.5\r\n");
    Leaderboard read;
    readLeaderboard(read, "board");
    EXPECT_EQ(read.title, "Title kept");
    ASSERT_EQ(read.count, 1);
    EXPECT_EQ(read.records[0].samples[0].second, -0.5);
}

TEST_F(SavedData, PathsOfTheTree) {
    EXPECT_EQ(roomPath(0), "classrooms/room1");
    EXPECT_EQ(boardPath(1, 2, 11, 3), "classrooms/room2/leaderboards/category3/lesson12/distance4");
    LeaderboardTable.boards[2][11][3].records.push_back(makeRecord("Ann", 10, 0));
    LeaderboardTable.boards[2][11][3].count = 1;
    saveLeaderboard(1, 2, 11, 3);
    EXPECT_TRUE(fs::is_regular_file("classrooms/room2/leaderboards/category3/lesson12/distance4record1"));
    saveLeaderboard(1, 4, 0, 0);  // out of range: nothing happens
    saveLeaderboard(1, 0, -1, 0);
    EXPECT_FALSE(fs::exists("classrooms/room2/leaderboards/category5"));
}

TEST_F(SavedData, AwkwardNamesRoundTrip) {
    const std::string awkward[] = {
        " lead", "trail ", "a, b", "\"quoted\"", "\t tab", "", "  ", ",", std::string(5000, 'n'),
        std::string("\xF6\x80\xFF high"),
    };
    ClassroomList rooms;
    PlayerList players;
    for (const std::string& name : awkward) {
        rooms.items.push_back(Classroom{name, name + "pw"});
        players.items.push_back(Player{name, "," + name, 7, 12});
    }
    rooms.count = static_cast<int>(rooms.items.size());
    players.count = rooms.count;
    saveClassrooms(rooms);
    savePlayers(players, 2);
    Leaderboard& board = LeaderboardTable.boards[3][24][5];
    for (const std::string& name : awkward) board.records.push_back(makeRecord(name, 3, 1));
    board.count = static_cast<int>(board.records.size());
    board.title = " title, \"with\" everything ";
    saveLeaderboard(2, 3, 24, 5);

    ClassroomList roomsBack;
    loadClassrooms(roomsBack);
    PlayerList playersBack;
    loadPlayers(playersBack, 2);
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(2);
    ASSERT_EQ(roomsBack.count, rooms.count);
    ASSERT_EQ(playersBack.count, players.count);
    const Leaderboard& boardBack = LeaderboardTable.boards[3][24][5];
    ASSERT_EQ(boardBack.count, rooms.count);
    EXPECT_EQ(boardBack.title, " title, \"with\" everything ");
    for (int i = 0; i < rooms.count; ++i) {
        EXPECT_EQ(roomsBack.items[i].name, awkward[i]);
        EXPECT_EQ(roomsBack.items[i].password, awkward[i] + "pw");
        EXPECT_EQ(playersBack.items[i].name, awkward[i]);
        EXPECT_EQ(playersBack.items[i].password, "," + awkward[i]);
        EXPECT_EQ(playersBack.items[i].car, 7);
        EXPECT_EQ(playersBack.items[i].driver, 12);
        EXPECT_EQ(boardBack.records[i].name, awkward[i]);
        EXPECT_EQ(boardBack.records[i].samples.size(), 1u);
    }
    EXPECT_FALSE(anyTemporaryFiles());
}

TEST_F(SavedData, TheFallbackClassroomKeepsItsData) {
    ClassroomList rooms;
    loadClassrooms(rooms);  // "Default", in memory only
    PlayerList players;
    loadPlayers(players, 0);
    players.items.push_back(Player{"Kim", "", 2, 3});
    players.count = 2;
    savePlayers(players, 0);
    LeaderboardTable.boards[0][0][0].records.push_back(makeRecord("Kim", 42, 3));
    LeaderboardTable.boards[0][0][0].count = 1;
    saveLeaderboard(0, 0, 0, 0);
    saveClassrooms(rooms);

    ClassroomList roomsBack;
    loadClassrooms(roomsBack);
    ASSERT_EQ(roomsBack.count, 1);
    EXPECT_EQ(roomsBack.items[0].name, "Default");
    PlayerList playersBack;
    loadPlayers(playersBack, 0);
    ASSERT_EQ(playersBack.count, 2);
    EXPECT_EQ(playersBack.items[1].name, "Kim");
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(0);
    ASSERT_EQ(LeaderboardTable.boards[0][0][0].count, 1);
    EXPECT_EQ(LeaderboardTable.boards[0][0][0].records[0].time, 42);
}

TEST_F(SavedData, ABoardStoredWithFewerRecordsLeavesTheRest) {
    Leaderboard& board = LeaderboardTable.boards[1][0][2];
    for (int i = 0; i < 5; ++i) board.records.push_back(makeRecord("P" + std::to_string(i), 10 + i, 2));
    board.count = 5;
    saveLeaderboard(0, 1, 0, 2);
    board.records.resize(3);
    board.count = 3;
    board.records[2].name = "changed";
    saveLeaderboard(0, 1, 0, 2);
    const std::string path = boardPath(0, 1, 0, 2);
    EXPECT_TRUE(fs::exists(path + "record4"));
    EXPECT_TRUE(fs::exists(path + "record5"));
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(0);
    const Leaderboard& back = LeaderboardTable.boards[1][0][2];
    ASSERT_EQ(back.count, 3);
    ASSERT_EQ(back.records.size(), 3u);
    EXPECT_EQ(back.records[0].name, "P0");
    EXPECT_EQ(back.records[2].name, "changed");
    EXPECT_EQ(back.records[1].samples.size(), 2u);
}

// Builds classrooms A, B and C, each with a player file and one stored board.
void buildThreeRooms(ClassroomList& rooms) {
    const char* names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        addClassroom(rooms, names[i], "");
        PlayerList players;
        players.items.push_back(Player{std::string("player of ") + names[i], "", i, i});
        players.count = 1;
        savePlayers(players, i);
        LeaderboardTable = LeaderboardTableData{};
        Leaderboard& board = LeaderboardTable.boards[i][i][i];
        board.records.push_back(makeRecord(std::string("racer of ") + names[i], 20 + i, 1));
        board.count = 1;
        saveLeaderboard(i, i, i, i);
    }
    saveClassrooms(rooms);
}

TEST_F(SavedData, DeletingTheFirstClassroomMovesTheLastIntoItsPlace) {
    ClassroomList rooms;
    buildThreeRooms(rooms);
    ASSERT_TRUE(fs::is_directory("classrooms/room3"));
    deleteClassroom(rooms, 0);
    ASSERT_EQ(rooms.count, 2);
    ASSERT_EQ(rooms.items.size(), 2u);
    EXPECT_EQ(rooms.items[0].name, "C");
    EXPECT_EQ(rooms.items[1].name, "B");
    EXPECT_FALSE(fs::exists("classrooms/room3"));
    EXPECT_FALSE(fs::exists(boardPath(0, 0, 0, 0)));  // A's board is gone
    PlayerList players;
    loadPlayers(players, 0);
    EXPECT_EQ(players.items[0].name, "player of C");
    loadLeaderboards(0);
    ASSERT_EQ(LeaderboardTable.boards[2][2][2].count, 1);
    EXPECT_EQ(LeaderboardTable.boards[2][2][2].records[0].name, "racer of C");
    loadPlayers(players, 1);
    EXPECT_EQ(players.items[0].name, "player of B");
}

TEST_F(SavedData, DeletingTheLastClassroomRenamesNothing) {
    ClassroomList rooms;
    buildThreeRooms(rooms);
    deleteClassroom(rooms, 2);
    ASSERT_EQ(rooms.count, 2);
    EXPECT_EQ(rooms.items[0].name, "A");
    EXPECT_EQ(rooms.items[1].name, "B");
    EXPECT_FALSE(fs::exists("classrooms/room3"));
    EXPECT_TRUE(fs::exists("classrooms/room1/players"));
    EXPECT_TRUE(fs::exists("classrooms/room2/players"));
    deleteClassroom(rooms, 5);  // no such position
    deleteClassroom(rooms, -1);
    EXPECT_EQ(rooms.count, 2);
}

TEST_F(SavedData, DeletingAClassroomKeptAliveByForeignFiles) {
    ClassroomList rooms;
    buildThreeRooms(rooms);
    put("classrooms/room1/.hidden", "x");
    put(boardPath(0, 0, 0, 0) + "-notes/keep", "x");  // a directory among A's boards
    deleteClassroom(rooms, 0);
    EXPECT_TRUE(fs::exists("classrooms/room1/.hidden"));
    // C's files still come with C to its new number.
    PlayerList players;
    loadPlayers(players, 0);
    EXPECT_EQ(players.items[0].name, "player of C");
    loadLeaderboards(0);
    ASSERT_EQ(LeaderboardTable.boards[2][2][2].count, 1);
    EXPECT_EQ(LeaderboardTable.boards[2][2][2].records[0].name, "racer of C");
    EXPECT_FALSE(fs::exists("classrooms/room3"));
}

TEST_F(SavedData, DeleteFilesInTakesOnlyOrdinaryFiles) {
    put("d/a", "1");
    put("d/b.txt", "2");
    put("d/.hidden", "3");
    put("d/sub/c", "4");
    deleteFilesIn("d");
    EXPECT_FALSE(fs::exists("d/a"));
    EXPECT_FALSE(fs::exists("d/b.txt"));
    EXPECT_TRUE(fs::exists("d/.hidden"));
    EXPECT_TRUE(fs::exists("d/sub/c"));
    deleteFilesIn("no/such/dir");
}

// A file-size limit makes every write beyond it fail, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(SavedData, AFailedWriteKeepsTheOldFile) {
    PlayerList players;
    players.items.push_back(Player{"Old", "", 1, 1});
    players.count = 1;
    savePlayers(players, 0);
    const std::string before = slurp("classrooms/room1/players");
    for (int i = 0; i < 50; ++i) players.items.push_back(Player{"New player " + std::to_string(i), "", 2, 2});
    players.count = static_cast<int>(players.items.size());
    {
        FileSizeLimit limit(64);
        savePlayers(players, 0);
    }
    EXPECT_EQ(slurp("classrooms/room1/players"), before);
    EXPECT_FALSE(anyTemporaryFiles());
    EXPECT_EQ(players.count, 51);  // the data stays in memory ...
    savePlayers(players, 0);       // ... and reaches the disk with the next write that can
    PlayerList back;
    loadPlayers(back, 0);
    EXPECT_EQ(back.count, 51);

    // A directory that cannot be made: a plain file stands where it should be.
    put("classrooms/room2", "not a directory");
    savePlayers(players, 1);
    EXPECT_EQ(slurp("classrooms/room2"), "not a directory");
    EXPECT_FALSE(writeFileAtomically("missing/dir/file", "x"));
}

TEST_F(SavedData, RewritingUnchangedFilesLeavesThemAlone) {
    EXPECT_TRUE(writeFileAtomically("f", "same"));
    const auto stamp = fs::last_write_time("f");
    const auto inode = [] {
        struct stat st {};
        ::stat("f", &st);
        return st.st_ino;
    };
    const auto first = inode();
    EXPECT_TRUE(writeFileAtomically("f", "same"));
    EXPECT_EQ(inode(), first);
    EXPECT_EQ(fs::last_write_time("f"), stamp);
    EXPECT_TRUE(writeFileAtomically("f", "different"));
    EXPECT_EQ(slurp("f"), "different");
}

TEST_F(SavedData, UnreadableFilesReadAsEmpty) {
    fs::create_directories("adir");
    FieldReader r = openFields("adir");
    EXPECT_TRUE(r.data.empty());
    r = openFields("nothing here");
    EXPECT_TRUE(r.data.empty());
    EXPECT_EQ(readIntField(r), 0);
    RaceRecord rec = makeRecord("x", 1, 3);
    readRaceRecord(rec, "nothing here");
    EXPECT_EQ(rec.name, "");
    EXPECT_EQ(rec.time, 0);
    EXPECT_TRUE(rec.samples.empty());
}

}  // namespace
