// Benchmark of the teacher's report's CSV of a full classroom against the game's own loading of it.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats.h"
#include "lessons/catalogue.h"
#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"
#include "summary.h"

namespace fs = std::filesystem;

namespace {

constexpr int Records = 12000;
constexpr int SamplesPerRecord = 30;
constexpr int Players = 30;

std::string playerName(int i) { return "Pupil " + std::to_string(i); }

// A classroom with 12,000 records of 30 samples spread evenly over its 600 boards, in a temporary
// directory that becomes the working directory. Record files are written plainly (without the
// store's flush to disk per file) so that making the tree takes seconds, not minutes.
struct Classroom {
    fs::path previous;
    fs::path dir;

    Classroom() {
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tally-report-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        fs::current_path(dir);
        ClassroomList rooms;
        addClassroom(rooms, "Bench class", "");
        saveClassrooms(rooms);
        PlayerList players;
        for (int p = 0; p < Players; ++p) players.items.push_back(Player{playerName(p), "", 0, 0});
        players.count = Players;
        savePlayers(players, 0);
        const int perBoard = Records / (BoardOperations * BoardLessons * BoardDistances);
        int made = 0;
        for (int op = 0; op < BoardOperations; ++op) {
            for (int lesson = 0; lesson < BoardLessons; ++lesson) {
                fs::create_directories(fs::path(boardPath(0, op, lesson, 0)).parent_path());
                for (int distance = 0; distance < BoardDistances; ++distance) {
                    const std::string board = boardPath(0, op, lesson, distance);
                    std::string text;
                    appendInt(text, perBoard);
                    appendText(text, "");
                    std::ofstream(board, std::ios::binary) << text;
                    for (int i = 1; i <= perBoard; ++i, ++made) {
                        text.clear();
                        appendInt(text, SamplesPerRecord);
                        appendReal(text, 40.0 + (made * 7919 % 1000) / 37.0);
                        appendReal(text, 90.0 + (made * 104729 % 500) / 13.0);
                        appendReal(text, 45.0 + (made * 1299709 % 300) / 11.0);
                        appendText(text, playerName(made % Players));
                        appendInt(text, made % 8);
                        for (int s = 0; s < SamplesPerRecord; ++s) {
                            appendReal(text, s * 1.3 + (made % 17) / 7.0);
                            appendReal(text, (s + made) % 5 ? 1.0 : -0.5);
                        }
                        std::ofstream(board + "record" + std::to_string(i), std::ios::binary) << text;
                    }
                }
            }
        }
        ::sync();  // no write-back of the new files running under the measurements
        fillLessonCatalogue();
    }
    ~Classroom() {
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Classroom& classroom() {
    static Classroom c;
    return c;
}

// What the game does on entering the classroom: all 600 boards into LeaderboardTable.
void BM_LoadLeaderboards(benchmark::State& state) {
    classroom();
    for (auto _ : state) {
        loadLeaderboards(0);
        benchmark::DoNotOptimize(LeaderboardTable.boards[3][24][5].count);
    }
}
BENCHMARK(BM_LoadLeaderboards)->Unit(benchmark::kMillisecond);

// The report's CSV of the same classroom: reading the players and the boards, summing, writing.
void BM_ReportCsv(benchmark::State& state) {
    classroom();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string csv = formatCsv({summariseClassroom(0, "Bench class")});
        bytes = csv.size();
        benchmark::DoNotOptimize(csv.data());
    }
    state.counters["csv_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReportCsv)->Unit(benchmark::kMillisecond);

}  // namespace
