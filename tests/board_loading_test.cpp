// Tests that entering a classroom with several threads reads every board exactly as the one-board
// reader does, on trees damaged in every way a shared folder can damage them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/board_loading.h"
#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"
#include "fresh_folder.h"

namespace fs = std::filesystem;

namespace {

void put(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string boardText(const std::string& count, const std::string& title) { return count + "\r\n" + title + "\r\n"; }

std::string recordText(int n) {
    std::string text;
    appendInt(text, 2);
    appendReal(text, 30.5 + n);
    appendReal(text, 100 + n);
    appendReal(text, 50.25);
    appendText(text, "Pupil " + std::to_string(n));
    appendInt(text, n % 8);
    for (const double v : {1.5, 1.0, 2.75 + n, -0.5}) appendReal(text, v);
    return text;
}

// Where two boards differ, in words; empty when they are the same in every field.
std::string difference(const Leaderboard& a, const Leaderboard& b) {
    if (a.count != b.count || a.recordsOnDisk != b.recordsOnDisk || a.title != b.title ||
        a.records.size() != b.records.size()) {
        return "count " + std::to_string(a.count) + "/" + std::to_string(b.count) + ", on disk " +
               std::to_string(a.recordsOnDisk) + "/" + std::to_string(b.recordsOnDisk) + ", records " +
               std::to_string(a.records.size()) + "/" + std::to_string(b.records.size()) + ", title '" +
               a.title + "'/'" + b.title + "'";
    }
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        const RaceRecord& x = a.records[i];
        const RaceRecord& y = b.records[i];
        bool same = x.sampleCount == y.sampleCount && x.time == y.time && x.topSpeed == y.topSpeed &&
                    x.averageSpeed == y.averageSpeed && x.car == y.car && x.name == y.name &&
                    x.samples.size() == y.samples.size();
        for (std::size_t s = 0; same && s < x.samples.size(); ++s) {
            same = x.samples[s].first == y.samples[s].first && x.samples[s].second == y.samples[s].second;
        }
        if (!same) return "record " + std::to_string(i + 1) + " ('" + x.name + "'/'" + y.name + "')";
    }
    return "";
}

class BoardLoading : public FreshFolder {};

// One board of a damaged tree: what its file says and which record files lie beside it.
struct BoardCase {
    const char* what;
    int operation, lesson, distance;
    const char* board;  // the board file's count line, or nullptr for no board file
    std::vector<int> records;
    std::vector<const char*> oddNames;  // further entries beside the board, made empty files
};

std::vector<int> range(int from, int to) {
    std::vector<int> numbers;
    for (int n = from; n <= to; ++n) numbers.push_back(n);
    return numbers;
}

TEST_F(BoardLoading, EveryBoardAsTheOneBoardReaderReadsIt) {
    const std::vector<BoardCase> cases = {
        {"whole board", 0, 0, 0, " 3", {1, 2, 3}, {}},
        {"its neighbour", 0, 0, 4, " 2", {1, 2}, {}},
        {"gap in the middle", 1, 3, 2, " 5", {1, 2, 4, 5}, {}},
        {"first file missing", 1, 3, 3, " 2", {2}, {}},
        {"count beyond the files", 1, 4, 0, " 100", {1, 2, 3}, {}},
        {"count beyond the bound", 2, 0, 1, " 300", {1, 2, 3}, {}},
        {"long board, all there", 2, 0, 5, " 300", range(1, 300), {}},
        {"long board with a far file", 2, 7, 0, " 2000", {1, 1500}, {}},
        {"absurd count", 3, 24, 5, " 2147483647", {1, 3}, {}},
        {"negative count", 3, 24, 4, "-3", {1, 2}, {}},
        {"real as count", 3, 20, 0, " 2.5", {1, 2}, {}},
        {"files above the count", 0, 9, 1, " 2", {1, 2, 3, 4, 5}, {}},
        {"records without a board", 0, 9, 2, nullptr, {1, 2}, {}},
        {"empty board file", 0, 9, 3, "", {1}, {}},
        {"odd names", 2, 11, 0, " 4", {1, 2},
         {"distance1record03", "distance1record+3", "distance1record0", "distance1record3x", "Distance1record3",
          "distance1record", "distance1recordrecord4"}},
        {"lone odd names", 2, 12, 1, nullptr, {}, {"distance7", "distance2record1x", ".distance2record2"}},
    };
    for (const BoardCase& c : cases) {
        const std::string path = boardPath(0, c.operation, c.lesson, c.distance);
        fs::create_directories(fs::path(path).parent_path());
        if (c.board) put(path, boardText(c.board, std::string("title of ") + c.what));
        for (const int n : c.records) put(path + "record" + std::to_string(n), recordText(n));
        for (const char* name : c.oddNames) put(fs::path(path).parent_path() / name, recordText(99));
    }
    // An empty record file, and a directory where a record file should be.
    put(boardPath(0, 1, 1, 1), boardText(" 3", ""));
    put(boardPath(0, 1, 1, 1) + "record1", recordText(1));
    put(boardPath(0, 1, 1, 1) + "record2", "");
    fs::create_directories(boardPath(0, 1, 1, 1) + "record3");
    // Directories named nearly as the game names them are not the game's.
    put("classrooms/room1/leaderboards/category1/lesson05/distance1", boardText(" 0", "not mine"));
    put("classrooms/room1/leaderboards/category9/lesson1/distance1", boardText(" 0", "not mine"));
    put("classrooms/room1/leaderboards/category2/lesson26/distance1", boardText(" 0", "not mine"));
    put("classrooms/room1/leaderboards/category3/lesson3x", "a file");
    // A second classroom whose category is a file, and a third without boards at all.
    put("classrooms/room2/leaderboards/category1", "a file");
    put("classrooms/room3/players", " 0\r\n");

    for (int position = 0; position < 4; ++position) {
        SCOPED_TRACE("classroom " + std::to_string(position + 1));
        LeaderboardTable = LeaderboardTableData{};
        // What a classroom left before holds must not show through.
        LeaderboardTable.boards[0][0][1].records.resize(2);
        LeaderboardTable.boards[0][0][1].count = 2;
        loadLeaderboards(position);
        int records = 0;
        for (int op = 0; op < BoardOperations; ++op) {
            for (int lesson = 0; lesson < BoardLessons; ++lesson) {
                for (int distance = 0; distance < BoardDistances; ++distance) {
                    Leaderboard alone;
                    readLeaderboard(alone, boardPath(position, op, lesson, distance));
                    const Leaderboard& loaded = LeaderboardTable.boards[op][lesson][distance];
                    EXPECT_EQ(difference(loaded, alone), "")
                        << "board " << op << "/" << lesson << "/" << distance;
                    records += loaded.count;
                }
            }
        }
        if (position == 0) {
            EXPECT_GT(records, 700);  // the cases were read, not merely both empty
            EXPECT_EQ(LeaderboardTable.boards[1][3][2].records.at(3).name, "Pupil 4");
            EXPECT_EQ(LeaderboardTable.boards[2][7][0].records.at(1499).name, "Pupil 1500");
        } else {
            EXPECT_EQ(records, 0);
        }
    }
}

}  // namespace
