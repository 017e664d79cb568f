// Writes saved-data trees for the report's tests with the store's own writers.
// make_report_tree edge DIR   names that break careless output, damaged and missing files
// make_report_tree class DIR  a classroom of fifteen pupils with a few dozen races, for the page
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/records.h"
#include "store/store.h"

namespace {

struct Answers {
    int right = 0;
    int wrong = 0;
};

RaceRecord race(const std::string& name, double time, double top, double average, Answers answers) {
    RaceRecord r;
    r.name = name;
    r.time = time;
    r.topSpeed = top;
    r.averageSpeed = average;
    r.car = 3;
    const int n = answers.right + answers.wrong;
    for (int i = 0; i < n; ++i) {
        // Wrong answers come every so often among the right ones.
        const bool wrong = answers.wrong > 0 && i % ((n + answers.wrong - 1) / answers.wrong) == 0 &&
                           i / ((n + answers.wrong - 1) / answers.wrong) < answers.wrong;
        r.samples.push_back(Sample{2.0 + i * time / (n + 1), wrong ? -0.5 : 1});
    }
    r.sampleCount = static_cast<int>(r.samples.size());
    return r;
}

void store(int position, int operation, int lesson, int distance, std::vector<RaceRecord> records) {
    Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    board.records = std::move(records);
    board.count = static_cast<int>(board.records.size());
    board.recordsOnDisk = 0;  // replaced wholesale: every record is written
    saveLeaderboard(position, operation, lesson, distance);
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void players(int position, const std::vector<std::pair<std::string, std::string>>& namesAndPasswords) {
    PlayerList list;
    for (const auto& [name, password] : namesAndPasswords) list.items.push_back(Player{name, password, 1, 2});
    list.count = static_cast<int>(list.items.size());
    savePlayers(list, position);
}

void edgeTree() {
    ClassroomList rooms;
    addClassroom(rooms, "Klasse M\x81ller, \"3B\"", "PW-SECRET-ROOM");  // ü
    addClassroom(rooms, "=Empty room", "");
    saveClassrooms(rooms);
    players(0, {{"Ann, the \"Quick\"", "PW-SECRET-ANN"},
                {"=SUM(A1:A2)", "PW-SECRET-EQ"},
                {"<b>Bold</b>", "PW-SECRET-BOLD"},
                {"Zo\x89 \x82l\x8Ane \xF6", "PW-SECRET-ZOE"},  // Zoë élène ÷
                {"<script>alert(1)</script>", "PW-SECRET-SCRIPT"},
                {"-Dash", ""},
                {"Nobody", "PW-SECRET-NOBODY"}});
    // Add, Make 10, 1500 m: three races of Ann, one of =SUM, one of a player no longer listed.
    store(0, 0, 0, 0,
          {race("Ann, the \"Quick\"", 40.5, 70, 50, {8, 2}), race("=SUM(A1:A2)", 52, 61.25, 41, {5, 5}),
           race("Ann, the \"Quick\"", 38.25, 75.5, 55, {10, 2}), race("Ghost", 20, 99, 90, {9, 0}),
           race("Ann, the \"Quick\"", 36, 80, 60, {10, 0})});
    // Divide, "÷ 3s", 4500 m: a single race.
    store(0, 3, 5, 2, {race("Zo\x89 \x82l\x8Ane \xF6", 61.125, 66, 44.5, {3, 2})});
    // Multiply, Custom, 9000 m: the second record file is cut short in its samples.
    store(0, 2, 1, 5, {race("<b>Bold</b>", 50, 60, 40, {4, 0}), race("<b>Bold</b>", 1, 1, 1, {1, 0})});
    writeBytes(boardPath(0, 2, 1, 5) + "record2", " 6\r\n 45\r\n 70\r\n 50\r\n<b>Bold</b>\r\n 2\r\n 1.5\r\n 1\r\n 3");
    // Multiply, All, 1500 m: Ann once more, on another operation.
    store(0, 2, 0, 0, {race("Ann, the \"Quick\"", 80, 55, 35, {20, 10})});
    // Subtract, From 100, 3000 m: the board counts three records; the second is binary rubbish and
    // the third is missing.
    store(0, 1, 3, 1, {race("-Dash", 70.5, 50, 30, {6, 3})});
    writeBytes(boardPath(0, 1, 3, 1), " 3\r\n\r\n");
    writeBytes(boardPath(0, 1, 3, 1) + "record2", std::string("\0\xff\x01,\"\r\n\x80\x80-1e999\r\n", 15));
}

// A small deterministic generator, so that the page looks the same on every run.
unsigned next(unsigned& state) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
}

void classTree() {
    ClassroomList rooms;
    addClassroom(rooms, "Year 4 Ma\x87on", "PW-SECRET-ROOM");  // ç
    saveClassrooms(rooms);
    const std::vector<std::string> names = {"Ava", "Ben", "Chlo\x82", "Dev", "Emil", "Fatima", "Gus",
                                            "Hana", "Ivan", "Jonas M\x81ller", "Kai", "Lena", "Mo",
                                            "Nora", "Oskar"};
    std::vector<std::pair<std::string, std::string>> list;
    for (const std::string& n : names) list.push_back({n, ""});
    players(0, list);
    unsigned state = 7;
    // Every pupil races on one to three boards, two to six races each, getting faster as they go.
    std::vector<RaceRecord> boards[4][25][6];
    for (std::size_t p = 0; p < names.size(); ++p) {
        const int boardCount = 1 + static_cast<int>(next(state) % 3);
        const int skill = static_cast<int>(next(state) % 10);  // 0 weak .. 9 strong
        for (int b = 0; b < boardCount; ++b) {
            const int operation = static_cast<int>((p + b) % 4);
            const int lesson = static_cast<int>(next(state) % 3);
            const int distance = static_cast<int>(next(state) % 2);
            const int races = 2 + static_cast<int>(next(state) % 5);
            double time = 70 + 15 * distance + (9 - skill) * 4;
            for (int r = 0; r < races; ++r) {
                time *= 0.9 + (next(state) % 100) / 700.0;
                const int right = 10 + skill + r;
                const int wrong = static_cast<int>(next(state) % (12 - skill));
                boards[operation][lesson][distance].push_back(
                    race(names[p], time, 40 + skill * 5 + r * 2, 30 + skill * 4 + r, {right, wrong}));
            }
        }
    }
    for (int o = 0; o < 4; ++o)
        for (int l = 0; l < 25; ++l)
            for (int d = 0; d < 6; ++d)
                if (!boards[o][l][d].empty()) store(0, o, l, d, boards[o][l][d]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_report_tree edge|class DIR\n");
        return 2;
    }
    const std::string kind = argv[1];
    std::filesystem::create_directories(argv[2]);
    if (chdir(argv[2]) != 0) return 1;
    if (kind == "edge") {
        edgeTree();
    } else if (kind == "class") {
        classTree();
    } else {
        return 2;
    }
    return 0;
}
