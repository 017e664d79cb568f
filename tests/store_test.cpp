// Tests of the field reader, the value writer and the saved-data tree on a real temporary directory.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"
#include "fresh_folder.h"

namespace fs = std::filesystem;

namespace {

// Reads n fields of one kind from text.
template <typename T, typename Read>
std::vector<T> readAll(const std::string& text, int n, Read read) {
    FieldReader r{text, 0};
    std::vector<T> values;
    for (int i = 0; i < n; ++i) values.push_back(read(r));
    return values;
}
std::vector<int> ints(const std::string& text, int n) { return readAll<int>(text, n, readIntField); }
std::vector<double> reals(const std::string& text, int n) { return readAll<double>(text, n, readRealField); }
std::vector<std::string> texts(const std::string& text, int n) {
    return readAll<std::string>(text, n, readTextField);
}
std::vector<std::string> lines(const std::string& text, int n) {
    return readAll<std::string>(text, n, [](FieldReader& r) { return readTextLine(r); });
}

std::string realText(double v) {
    std::string out;
    appendReal(out, v);
    return out;
}

TEST(ValueWriter, NumbersAndText) {
    std::string out;
    for (int v : {7, 0, -1, INT_MIN}) appendInt(out, v);
    EXPECT_EQ(out, " 7\r\n 0\r\n-1\r\n-2147483648\r\n");
    out.clear();
    for (double v : {160.0, 0.5, -2.0, -0.25, 1.0 / 3, 1e16, 1234567890123456.0, 1.5e-7, 0.0001, 1e-5}) {
        appendReal(out, v);
    }
    EXPECT_EQ(out, " 160\r\n 0.5\r\n-2\r\n-0.25\r\n 0.3333333333333333\r\n 1e+16\r\n 1234567890123456\r\n"
                   " 1.5e-07\r\n 0.0001\r\n 1e-05\r\n");
    out.clear();
    appendText(out, " a,b\"c ");
    EXPECT_EQ(out, " a,b\"c \r\n");
}

TEST(ValueWriter, RealsMatchPrintfAndReadBack) {
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < 20000; ++i) {
        const double v = std::ldexp(static_cast<double>(next()) / (1u << 24) - 0.5, static_cast<int>(next() % 80) - 40);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.16g", v);
        const std::string written = realText(v);
        ASSERT_EQ(v < 0 ? written : written.substr(1), std::string(expected) + "\r\n");
        // Read back as the C library reads the same text; 16 significant digits are one short
        // of an exact round trip for some doubles.
        const double back = reals(written, 1)[0];
        ASSERT_EQ(back, std::strtod(expected, nullptr)) << expected;
        ASSERT_NEAR(back, v, std::fabs(v) * 1e-15);
    }
}

TEST(FieldReaderRules, LineEndsCommasAndBlanks) {
    // CR LF, lone CR, lone LF and comma each end a field; CR then CR LF leaves an empty field.
    EXPECT_EQ(ints(" 1\r\n 2\r 3\n4,5\r\r\n6", 8), (std::vector<int>{1, 2, 3, 4, 5, 0, 6, 0}));
    // A blank ends a number; blanks up to the line end go with it.
    EXPECT_EQ(ints(" 12 34\r\n 7 \r\n8\r\n", 4), (std::vector<int>{12, 34, 7, 8}));
    // Text keeps the blanks after its first character, trailing ones included.
    EXPECT_EQ(texts(" \t abc \r\nx,y", 4), (std::vector<std::string>{"abc ", "x", "y", ""}));
}

TEST(FieldReaderRules, Quotes) {
    EXPECT_EQ(texts("\"a, b \" , next\r\n\"open, to the end", 4),
              (std::vector<std::string>{"a, b ", "next", "open, to the end", ""}));
    EXPECT_EQ(ints("\"12\"\r\n3", 2), (std::vector<int>{12, 3}));
}

TEST(FieldReaderRules, OverlongFieldsLeaveTheRest) {
    EXPECT_EQ(texts(std::string(MaxTextField + 10, 'x') + "\r\nnext", 3),
              (std::vector<std::string>{std::string(MaxTextField, 'x'), std::string(10, 'x'), "next"}));
    EXPECT_EQ(texts(std::string(MaxTextField, 'y') + "\r\nz", 2)[1], "z");  // exactly at the limit
    EXPECT_EQ(ints(std::string(MaxNumberField, '0') + "42\r\n", 2), (std::vector<int>{0, 42}));
}

TEST(FieldReaderRules, NumberText) {
    // An integer field holding a real is rounded, ties to even; "d" is an exponent too.
    EXPECT_EQ(ints("2.5\r\n3.5\r\n-2.5\r\n1e3\r\n1d2\r\n7.5D0\r\n+8\r\n12abc\r\nabc\r\n1e\r\n.5e1\r\n", 11),
              (std::vector<int>{2, 4, -2, 1000, 100, 8, 8, 12, 0, 1, 5}));
    EXPECT_EQ(ints("99999999999\r\n-99999999999\r\n1e300\r\n-4e9\r\n", 4),
              (std::vector<int>{INT_MAX, INT_MIN, INT_MAX, INT_MIN}));
    EXPECT_EQ(reals("12.25\r\n-1.5d2\r\n1e999\r\n-1e999\r\n1e-999\r\ninf\r\nnan\r\n-\r\n0x10\r\n", 9),
              (std::vector<double>{12.25, -150, DBL_MAX, -DBL_MAX, 0, 0, 0, 0, 0}));
}

TEST(FieldReaderRules, WholeLinesKeepEveryByte) {
    FieldReader r{" 2\r\n  lead, \"quoted\"\t \r\n\r\nlast", 0};
    EXPECT_EQ(readIntField(r), 2);
    EXPECT_EQ(readTextLine(r), "  lead, \"quoted\"\t ");
    EXPECT_EQ(lines(r.data.substr(r.pos), 3), (std::vector<std::string>{"", "last", ""}));
}

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

// Each test runs in a fresh temporary working directory, with an empty table.
class SavedData : public FreshFolder {};

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

void addRecord(int op, int lesson, int distance, const RaceRecord& r) {
    Leaderboard& b = LeaderboardTable.boards[op][lesson][distance];
    b.records.push_back(r);
    b.count = static_cast<int>(b.records.size());
}

TEST_F(SavedData, MissingEmptyAndShortFiles) {
    ClassroomList rooms{3, {3, Classroom{"old", "x"}}};
    loadClassrooms(rooms);
    ASSERT_EQ(rooms.count, 1);
    EXPECT_EQ(rooms.items.at(0).name, "Default");
    EXPECT_EQ(rooms.items[0].password, "");
    EXPECT_FALSE(fs::exists("classrooms"));  // loading writes nothing
    for (const char* index : {" 0\r\n", "-5\r\nA\r\n\r\n"}) {
        put("classrooms/classrooms", index);
        loadClassrooms(rooms);
        ASSERT_EQ(rooms.count, 1);
        EXPECT_EQ(rooms.items.at(0).name, "Default");
    }
    // A count of 3 over two classrooms gives a third with empty fields.
    put("classrooms/classrooms", " 3\r\nA\r\npa\r\nB\r\n\r\n");
    loadClassrooms(rooms);
    ASSERT_EQ(rooms.count, 3);
    ASSERT_EQ(rooms.items.size(), 3u);
    EXPECT_EQ(rooms.items[0].password, "pa");
    EXPECT_EQ(rooms.items[1].name, "B");
    EXPECT_EQ(rooms.items[2].name + rooms.items[2].password, "");

    PlayerList players;
    loadPlayers(players, 0);
    ASSERT_EQ(players.count, 1);
    EXPECT_EQ(players.items.at(0).name, "Default");
    EXPECT_EQ(players.items[0].car + players.items[0].driver, 0);

    RaceRecord rec = makeRecord("x", 1, 3);
    readRaceRecord(rec, "no such record");
    EXPECT_EQ(rec.name, "");
    EXPECT_EQ(rec.time, 0);
    EXPECT_TRUE(rec.samples.empty());
    fs::create_directories("adir");
    EXPECT_TRUE(openFields("adir").data.empty());
}

TEST_F(SavedData, AbsurdCountsCostNeitherMemoryNorTime) {
    put("classrooms/classrooms", " 2147483647\r\nA\r\n\r\n");
    ClassroomList rooms;
    loadClassrooms(rooms);
    EXPECT_EQ(rooms.items.at(0).name, "A");
    EXPECT_LE(rooms.items.size(), 1000u);
    EXPECT_EQ(rooms.count, static_cast<int>(rooms.items.size()));

    const std::string board = boardPath(0, 1, 2, 3);
    put(board, " 2147483647\r\ntitle\r\n");
    put(board + "record1", " 2147483647\r\n 1\r\n 2\r\n 3\r\nAnn\r\n 1\r\n 4\r\n 5\r\n");
    put(board + "record3", " 1\r\n 9\r\n 2\r\n 3\r\nBob\r\n 1\r\n 4\r\n 5\r\n");
    loadLeaderboards(0);
    const Leaderboard& b = LeaderboardTable.boards[1][2][3];
    ASSERT_GE(b.records.size(), 3u);
    EXPECT_LE(b.records.size(), 1000u);
    EXPECT_EQ(b.count, static_cast<int>(b.records.size()));
    EXPECT_EQ(b.records[1].name, "");  // a missing record file in between reads as empty
    EXPECT_EQ(b.records[2].name, "Bob");
    const RaceRecord& first = b.records[0];
    EXPECT_EQ(first.name, "Ann");
    EXPECT_LE(first.samples.size(), 1000u);
    EXPECT_EQ(first.sampleCount, static_cast<int>(first.samples.size()));
    EXPECT_EQ(first.samples.at(0).second, 5);

    put(board, "-3\r\n");
    loadLeaderboards(0);
    EXPECT_EQ(LeaderboardTable.boards[1][2][3].count, 0);
    EXPECT_TRUE(LeaderboardTable.boards[1][2][3].records.empty());
}

TEST_F(SavedData, FilesByteForByte) {
    PlayerList zoe{1, {Player{"Zoe", "pw", 5, 12}}};
    savePlayers(zoe, 0);
    EXPECT_EQ(slurp("classrooms/room1/players"), " 1\r\nZoe\r\npw\r\n 5\r\n 12\r\n");

    RaceRecord empty = makeRecord("Ann", 160, 0);
    empty.topSpeed = 0.5;
    empty.averageSpeed = -2;
    writeRaceRecord(empty, "rec");
    EXPECT_EQ(slurp("rec"), " 0\r\n 160\r\n 0.5\r\n-2\r\nAnn\r\n 3\r\n");
    RaceRecord back = makeRecord("junk", 1, 4);
    readRaceRecord(back, "rec");
    EXPECT_EQ(back.sampleCount, 0);
    EXPECT_TRUE(back.samples.empty());
    EXPECT_EQ(back.name, "Ann");

    RaceRecord two = makeRecord("Bo", 1e20, 2);
    two.samples[1].first = 1.5e-7;
    writeRaceRecord(two, "rec2");
    EXPECT_EQ(slurp("rec2"), " 2\r\n 1e+20\r\n 1e+20\r\n 5e+19\r\nBo\r\n 3\r\n 0\r\n-0.5\r\n 1.5e-07\r\n 1\r\n");

    // The seventh record of operation 2, lesson 11, distance 3 in the second classroom.
    EXPECT_EQ(boardPath(1, 2, 11, 3), "classrooms/room2/leaderboards/category3/lesson12/distance4");
    for (int i = 0; i < 7; ++i) addRecord(2, 11, 3, makeRecord("Ann", 30.5, 1));
    LeaderboardTable.boards[2][11][3].title = "Title kept";
    saveLeaderboard(1, 2, 11, 3);
    EXPECT_EQ(slurp(boardPath(1, 2, 11, 3)), " 7\r\nTitle kept\r\n");
    EXPECT_EQ(slurp("classrooms/room2/leaderboards/category3/lesson12/distance4record7"),
              " 1\r\n 30.5\r\n 130.5\r\n 65.25\r\nAnn\r\n 3\r\n 0\r\n-0.5\r\n");
    saveLeaderboard(1, 4, 0, 0);  // out of range: nothing happens
    EXPECT_FALSE(fs::exists("classrooms/room2/leaderboards/category5"));
}

TEST_F(SavedData, AwkwardNamesRoundTrip) {
    const std::string awkward[] = {" lead", "trail ", "a, b", "\"quoted\"", "\t tab", "", ",",
                                   std::string(LongestName - 2, 'n'), "\xF6\x80\xFF high"};
    ClassroomList rooms;
    PlayerList players;
    for (const std::string& name : awkward) {
        rooms.items.push_back(Classroom{name, name + "pw"});
        players.items.push_back(Player{name, "," + name, 7, 12});
        addRecord(3, 24, 5, makeRecord(name, 3, 1));
    }
    rooms.count = players.count = static_cast<int>(rooms.items.size());
    LeaderboardTable.boards[3][24][5].title = " title, \"with\" everything ";
    saveClassrooms(rooms);
    savePlayers(players, 2);
    saveLeaderboard(2, 3, 24, 5);

    ClassroomList roomsBack;
    loadClassrooms(roomsBack);
    PlayerList playersBack;
    loadPlayers(playersBack, 2);
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(2);
    const Leaderboard& board = LeaderboardTable.boards[3][24][5];
    ASSERT_EQ(roomsBack.count, rooms.count);
    ASSERT_EQ(playersBack.count, rooms.count);
    ASSERT_EQ(board.count, rooms.count);
    EXPECT_EQ(board.title, " title, \"with\" everything ");
    for (int i = 0; i < rooms.count; ++i) {
        EXPECT_EQ(roomsBack.items[i].name, awkward[i]);
        EXPECT_EQ(roomsBack.items[i].password, awkward[i] + "pw");
        EXPECT_EQ(playersBack.items[i].name, awkward[i]);
        EXPECT_EQ(playersBack.items[i].password, "," + awkward[i]);
        EXPECT_EQ(playersBack.items[i].driver, 12);
        EXPECT_EQ(board.records[i].name, awkward[i]);
        EXPECT_EQ(board.records[i].samples.size(), 1u);
    }
}

TEST_F(SavedData, TheFallbackClassroomKeepsItsData) {
    ClassroomList rooms;
    loadClassrooms(rooms);  // "Default", in memory only, and no directories yet
    PlayerList players;
    loadPlayers(players, 0);
    players.items.push_back(Player{"Kim", "", 2, 3});
    players.count = 2;
    savePlayers(players, 0);
    addRecord(0, 0, 0, makeRecord("Kim", 42, 3));
    saveLeaderboard(0, 0, 0, 0);
    saveClassrooms(rooms);

    ClassroomList roomsBack;
    loadClassrooms(roomsBack);
    EXPECT_EQ(roomsBack.items.at(0).name, "Default");
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
    for (int i = 0; i < 5; ++i) addRecord(1, 0, 2, makeRecord("P" + std::to_string(i), 10 + i, 2));
    saveLeaderboard(0, 1, 0, 2);
    Leaderboard& board = LeaderboardTable.boards[1][0][2];
    board.records.resize(3);
    board.count = 3;
    saveLeaderboard(0, 1, 0, 2);
    EXPECT_TRUE(fs::exists(boardPath(0, 1, 0, 2) + "record5"));
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(0);
    const Leaderboard& back = LeaderboardTable.boards[1][0][2];
    ASSERT_EQ(back.count, 3);
    ASSERT_EQ(back.records.size(), 3u);
    EXPECT_EQ(back.records[0].name, "P0");
    EXPECT_EQ(back.records[2].name, "P2");
}

// A board whose count is 100 with record files 1-10 and 81-100 only, as a teacher's tidying or a
// damaged disk leaves it: every file present is read, and a race's save adds its record without
// writing anything over the intact files.
TEST_F(SavedData, AGapOfMissingRecordFilesLosesNothing) {
    const std::string board = boardPath(0, 2, 3, 4);
    put(board, " 100\r\nGap\r\n");
    for (int n = 1; n <= 100; ++n) {
        if (n > 10 && n <= 80) continue;
        writeRaceRecord(makeRecord("R" + std::to_string(n), n, 2), board + "record" + std::to_string(n));
    }
    put(board + "record0", "not a record of ours");
    const std::string before[] = {slurp(board + "record81"), slurp(board + "record90"), slurp(board + "record100")};

    Leaderboard alone;
    readLeaderboard(alone, board);  // the teacher's report reads one board at a time
    loadLeaderboards(0);
    for (const Leaderboard* b : {&alone, &LeaderboardTable.boards[2][3][4]}) {
        ASSERT_EQ(b->count, 100);
        ASSERT_EQ(b->records.size(), 100u);
        EXPECT_EQ(b->records[9].name, "R10");
        EXPECT_EQ(b->records[10].name + b->records[79].name, "");  // missing: empty records
        EXPECT_EQ(b->records[80].name, "R81");
        EXPECT_EQ(b->records[99].name, "R100");
        EXPECT_EQ(b->records[99].samples.size(), 2u);
        EXPECT_EQ(b->title, "Gap");
    }

    addRecord(2, 3, 4, makeRecord("Racer", 7, 3));
    saveLeaderboard(0, 2, 3, 4);
    EXPECT_EQ(slurp(board), " 101\r\nGap\r\n");
    EXPECT_EQ(slurp(board + "record81"), before[0]);
    EXPECT_EQ(slurp(board + "record90"), before[1]);
    EXPECT_EQ(slurp(board + "record100"), before[2]);
    EXPECT_FALSE(fs::exists(board + "record11"));  // an empty record it failed to read stays unwritten
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(0);
    const Leaderboard& back = LeaderboardTable.boards[2][3][4];
    ASSERT_EQ(back.count, 101);
    EXPECT_EQ(back.records[99].name, "R100");
    EXPECT_EQ(back.records[100].name, "Racer");
}

// Classrooms A, B and C, each with a player file and one stored board.
ClassroomList threeRooms() {
    ClassroomList rooms;
    const std::string names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        addClassroom(rooms, names[i], "");
        PlayerList players{1, {Player{"player of " + names[i], "", i, i}}};
        savePlayers(players, i);
        LeaderboardTable = LeaderboardTableData{};
        addRecord(i, i, i, makeRecord("racer of " + names[i], 20 + i, 1));
        saveLeaderboard(i, i, i, i);
    }
    saveClassrooms(rooms);
    return rooms;
}

// Whether the classroom at position holds the players and board that name's classroom was given.
void expectRoomOf(int position, const std::string& name, int index) {
    PlayerList players;
    loadPlayers(players, position);
    EXPECT_EQ(players.items.at(0).name, "player of " + name);
    loadLeaderboards(position);
    const Leaderboard& board = LeaderboardTable.boards[index][index][index];
    ASSERT_EQ(board.count, 1);
    EXPECT_EQ(board.records[0].name, "racer of " + name);
}

TEST_F(SavedData, DeletingClassrooms) {
    ClassroomList rooms = threeRooms();
    deleteClassroom(rooms, 0);  // the first: C moves into its place
    ASSERT_EQ(rooms.count, 2);
    EXPECT_EQ(rooms.items[0].name + rooms.items[1].name, "CB");
    EXPECT_FALSE(fs::exists("classrooms/room3"));
    EXPECT_FALSE(fs::exists(boardPath(0, 0, 0, 0)));
    expectRoomOf(0, "C", 2);
    expectRoomOf(1, "B", 1);

    deleteClassroom(rooms, 1);  // the last: nothing is renamed
    ASSERT_EQ(rooms.count, 1);
    EXPECT_EQ(rooms.items[0].name, "C");
    EXPECT_FALSE(fs::exists("classrooms/room2"));
    expectRoomOf(0, "C", 2);
    deleteClassroom(rooms, 5);  // no such position
    deleteClassroom(rooms, -1);
    EXPECT_EQ(rooms.count, 1);
}

TEST_F(SavedData, DeletingAClassroomKeptAliveByForeignFiles) {
    ClassroomList rooms = threeRooms();
    put("classrooms/room1/.hidden", "x");
    put(boardPath(0, 0, 0, 0) + "-notes/keep", "x");  // a directory among A's boards
    deleteClassroom(rooms, 0);
    EXPECT_TRUE(fs::exists("classrooms/room1/.hidden"));
    EXPECT_FALSE(fs::exists("classrooms/room3"));
    expectRoomOf(0, "C", 2);  // C's files still follow C to its new number
}

TEST_F(SavedData, DeleteFilesInTakesOnlyOrdinaryFiles) {
    for (const char* f : {"d/a", "d/b.txt", "d/.hidden", "d/sub/c"}) put(f, "1");
    deleteFilesIn("d");
    EXPECT_FALSE(fs::exists("d/a") || fs::exists("d/b.txt"));
    EXPECT_TRUE(fs::exists("d/.hidden") && fs::exists("d/sub/c"));
    deleteFilesIn("no/such/dir");
}

// A file-size limit makes every write beyond it fail, as a full disk would.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, SIG_DFL);
    }
};

TEST_F(SavedData, AFailedWriteKeepsTheOldFile) {
    PlayerList players{1, {Player{"Old", "", 1, 1}}};
    savePlayers(players, 0);
    const std::string before = slurp("classrooms/room1/players");
    for (int i = 0; i < 50; ++i) players.items.push_back(Player{"New player " + std::to_string(i), "", 2, 2});
    players.count = 51;
    {
        FileSizeLimit limit(64);
        savePlayers(players, 0);
    }
    EXPECT_EQ(slurp("classrooms/room1/players"), before);
    for (const auto& entry : fs::directory_iterator("classrooms/room1")) {
        EXPECT_EQ(entry.path().filename(), "players");  // no temporary file is left behind
    }
    savePlayers(players, 0);  // the data stayed in memory and reaches the disk next time
    PlayerList back;
    loadPlayers(back, 0);
    EXPECT_EQ(back.count, 51);

    // A directory that cannot be made: a plain file stands where it should be.
    put("classrooms/room2", "not a directory");
    savePlayers(players, 1);
    EXPECT_EQ(slurp("classrooms/room2"), "not a directory");
    EXPECT_FALSE(writeFileAtomically("missing/dir/file", "x"));
}

// On a full disk the board on disk keeps its count and records until every new record is written;
// the records that did not reach the disk are written by the next save.
TEST_F(SavedData, ARecordThatCannotBeWrittenLeavesTheBoardWhole) {
    takeSaveTrouble();  // forget what earlier tests left
    for (int i = 0; i < 3; ++i) addRecord(0, 1, 2, makeRecord("Old" + std::to_string(i), 20 + i, 1));
    saveLeaderboard(0, 0, 1, 2);
    const std::string board = boardPath(0, 0, 1, 2);
    const std::string boardBefore = slurp(board);
    const std::string thirdBefore = slurp(board + "record3");
    addRecord(0, 1, 2, makeRecord("Big", 30, 200));  // a record file far larger than the board file
    addRecord(0, 1, 2, makeRecord("Small", 31, 0));
    {
        FileSizeLimit limit(1024);
        saveLeaderboard(0, 0, 1, 2);
    }
    EXPECT_EQ(takeSaveTrouble(), "Could not save: the disk is full");
    EXPECT_EQ(slurp(board), boardBefore);  // after a restart no empty race is counted
    EXPECT_EQ(slurp(board + "record3"), thirdBefore);

    saveLeaderboard(0, 0, 1, 2);  // the next race's save, with room on the disk again
    EXPECT_EQ(takeSaveTrouble(), "");
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(0);
    const Leaderboard& back = LeaderboardTable.boards[0][1][2];
    ASSERT_EQ(back.count, 5);
    EXPECT_EQ(back.records[2].name, "Old2");
    EXPECT_EQ(back.records[3].samples.size(), 200u);
    EXPECT_EQ(back.records[4].name, "Small");
}

// The words the class reads for each reason a save failed; the first failure since the last
// look is the one told.
TEST(SaveTrouble, WordsForEachReason) {
    takeSaveTrouble();
    const std::pair<std::vector<int>, std::string> cases[] = {
        {{}, ""},
        {{ENOSPC}, "Could not save: the disk is full"},
        {{EDQUOT}, "Could not save: the disk is full"},
        {{EFBIG}, "Could not save: the disk is full"},
        {{EROFS, ENOSPC}, "Could not save: the folder is read-only"},
        {{EACCES}, "Could not save: the folder is read-only"},
        {{EPERM}, "Could not save: the folder is read-only"},
        {{ENOENT}, "Could not save: the folder is missing"},
        {{ENOTDIR}, "Could not save: the folder is missing"},
        {{EIO}, "Could not save: a disk error"},
        {{0}, "Could not save: a disk error"},
    };
    for (const auto& [errors, words] : cases) {
        for (const int error : errors) noteWriteFailure(error);
        EXPECT_EQ(takeSaveTrouble(), words) << (errors.empty() ? 0 : errors[0]);
        EXPECT_EQ(takeSaveTrouble(), "");  // told once
    }
}

// A run that stopped mid-save leaves "<file>.tmp<pid>-<n>" behind, and a later run with the same
// process id asks for the same names again: the save must go through all the same, and the store
// tidies such leftovers once they are old, wherever it saves.
TEST_F(SavedData, ALeftoverTemporaryFileStopsNoSave) {
    PlayerList players{1, {Player{"Old", "", 1, 1}}};
    savePlayers(players, 0);
    const std::string leftover = nextTemporaryName("classrooms/room1/players");
    put(leftover, "left by a crash");
    players.items[0].name = "New";
    savePlayers(players, 0);
    PlayerList back;
    loadPlayers(back, 0);
    EXPECT_EQ(back.items[0].name, "New");
    EXPECT_EQ(slurp(leftover), "left by a crash");  // a young one may be another computer's write

    // Once old, leftovers of our naming go; files of other names stay, however old.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const std::vector<std::string> kept = {"classrooms/room1/players.tmp", "classrooms/room1/players.tmp12-",
                                           "classrooms/room1/notes.tmp12-3x", "classrooms/room1/.tmp12-3"};
    for (const std::string& file : kept) put(file, "mine");
    for (const std::string& file : kept) fs::last_write_time(file, old);
    put("classrooms/room1/photo.png.tmp77-0", "stale");
    fs::last_write_time("classrooms/room1/photo.png.tmp77-0", old);
    fs::last_write_time(leftover, old);
    players.items[0].name = "Newer";
    savePlayers(players, 0);
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_FALSE(fs::exists("classrooms/room1/photo.png.tmp77-0"));
    for (const std::string& file : kept) EXPECT_EQ(slurp(file), "mine") << file;

    // The classroom index and a board, each with the exact name its next write asks for.
    ClassroomList rooms{1, {Classroom{"Room", ""}}};
    put(nextTemporaryName("classrooms/classrooms"), "left by a crash");
    saveClassrooms(rooms);
    ClassroomList roomsBack;
    loadClassrooms(roomsBack);
    EXPECT_EQ(roomsBack.items[0].name, "Room");

    addRecord(1, 2, 3, makeRecord("Ann", 12.5, 4));
    const std::string board = boardPath(0, 1, 2, 3);
    fs::create_directories(fs::path(board).parent_path());
    const std::string stale = board + ".tmp1-1";
    put(stale, "old");
    fs::last_write_time(stale, old);
    put(nextTemporaryName(board + "record1"), "left by a crash");
    saveLeaderboard(0, 1, 2, 3);
    LeaderboardTable = LeaderboardTableData{};
    loadLeaderboards(0);
    ASSERT_EQ(LeaderboardTable.boards[1][2][3].count, 1);
    EXPECT_EQ(LeaderboardTable.boards[1][2][3].records[0].name, "Ann");
    EXPECT_FALSE(fs::exists(stale));

    // Written directly, too: the exact next name planted, and the write still lands.
    put(nextTemporaryName("classrooms/direct"), "left by a crash");
    EXPECT_TRUE(writeFileAtomically("classrooms/direct", "fresh"));
    EXPECT_EQ(slurp("classrooms/direct"), "fresh");
}

// The browser keeps its classrooms in step through these hooks: each save, whatever it writes,
// calls before once as it starts (nothing written yet) and after once when its files are there.
std::vector<std::string> hookCalls;
void hookBefore() { hookCalls.push_back(std::filesystem::exists("classrooms/classrooms") ? "before, index" : "before"); }
void hookAfter() { hookCalls.push_back(std::filesystem::exists("classrooms/classrooms") ? "after, index" : "after"); }

TEST_F(SavedData, EverySaveCallsTheHooksOnceAroundIt) {
    setSaveHooks({hookBefore, hookAfter});
    ClassroomList rooms;
    loadClassrooms(rooms);
    PlayerList players{1, {Player{"Ann", "", 1, 2}}};
    addRecord(0, 0, 0, makeRecord("Ann", 10, 2));
    const std::vector<std::pair<const char*, std::function<void()>>> saves = {
        {"addClassroom", [&] { addClassroom(rooms, "Room", ""); }},
        {"saveClassrooms", [&] { saveClassrooms(rooms); }},
        {"savePlayers", [&] { savePlayers(players, 0); }},
        {"savePlayers, merged", [&] { int at = 0; savePlayers(players, rooms, at); }},
        {"saveLeaderboard", [&] { saveLeaderboard(0, 0, 0, 0); }},
        {"saveLeaderboard, merged", [&] { int at = 0; saveLeaderboard(rooms, at, 0, 0, 0); }},
        {"deleteClassroom", [&] { deleteClassroom(rooms, 0); }},
    };
    for (const auto& [name, save] : saves) {
        hookCalls.clear();
        save();
        const bool first = std::string(name) == "addClassroom";
        EXPECT_EQ(hookCalls, (std::vector<std::string>{first ? "before" : "before, index", "after, index"})) << name;
    }
    setSaveHooks({});
    hookCalls.clear();
    saveClassrooms(rooms);
    EXPECT_TRUE(hookCalls.empty());
}

}  // namespace
