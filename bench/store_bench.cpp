// Benchmarks of loading a full classroom's boards, the player menu's statistics and storing a board.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/fields.h"
#include "store/records.h"
#include "store/stats.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

constexpr int Records = 12000;
constexpr int SamplesPerRecord = 30;
constexpr int Players = 30;

std::string playerName(int i) { return "Player " + std::to_string(i); }

RaceRecord makeRecord(int i) {
    RaceRecord r;
    r.name = playerName(i % Players);
    r.car = i % 8;
    r.time = 40.0 + (i * 7919 % 1000) / 37.0;
    r.topSpeed = 90.0 + (i * 104729 % 500) / 13.0;
    r.averageSpeed = 45.0 + (i * 1299709 % 300) / 11.0;
    for (int s = 0; s < SamplesPerRecord; ++s) {
        r.samples.push_back({s * 1.3 + (i % 17) / 7.0, (s + i) % 5 ? 1.0 : -0.5});
    }
    r.sampleCount = SamplesPerRecord;
    return r;
}

// A classroom with 12,000 records of 30 samples spread evenly over its 600 boards, written once in
// a temporary directory that becomes the working directory. Holds the paths of all its files.
struct Classroom {
    fs::path previous;
    fs::path dir;
    std::vector<std::string> files;

    Classroom() {
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tally-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        fs::current_path(dir);
        const int boards = BoardOperations * BoardLessons * BoardDistances;
        const int perBoard = Records / boards;
        int made = 0;
        for (int op = 0; op < BoardOperations; ++op) {
            for (int lesson = 0; lesson < BoardLessons; ++lesson) {
                fs::create_directories(fs::path(boardPath(0, op, lesson, 0)).parent_path());
                for (int distance = 0; distance < BoardDistances; ++distance) {
                    const std::string board = boardPath(0, op, lesson, distance);
                    std::string text;
                    appendInt(text, perBoard);
                    appendText(text, "");
                    writePlain(board, text);
                    for (int i = 1; i <= perBoard; ++i) {
                        const RaceRecord r = makeRecord(made++);
                        text.clear();
                        appendInt(text, r.sampleCount);
                        appendReal(text, r.time);
                        appendReal(text, r.topSpeed);
                        appendReal(text, r.averageSpeed);
                        appendText(text, r.name);
                        appendInt(text, r.car);
                        for (const Sample& s : r.samples) {
                            appendReal(text, s.first);
                            appendReal(text, s.second);
                        }
                        writePlain(board + "record" + std::to_string(i), text);
                    }
                }
            }
        }
        ::sync();  // no write-back of the new files running under the measurements
    }
    ~Classroom() {
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    void writePlain(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        files.push_back(path);
    }
};

Classroom& classroom() {
    static Classroom c;
    return c;
}

void BM_LoadLeaderboards(benchmark::State& state) {
    classroom();
    for (auto _ : state) {
        loadLeaderboards(0);
        benchmark::DoNotOptimize(LeaderboardTable.boards[3][24][5].count);
    }
    state.counters["records"] = countRaces(playerName(0), -1, -1, -1) * Players;
}
BENCHMARK(BM_LoadLeaderboards)->Unit(benchmark::kMillisecond);

// The floor of the format: opening and reading the same 12,600 files whole, doing nothing else.
void BM_ReadSameFilesFloor(benchmark::State& state) {
    Classroom& c = classroom();
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const std::string& path : c.files) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) bytes += n;
            ::close(fd);
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(c.files.size());
}
BENCHMARK(BM_ReadSameFilesFloor)->Unit(benchmark::kMillisecond);

// One frame of the player menu: races over all boards, then each operation's speeds.
void BM_PlayerMenuStatistics(benchmark::State& state) {
    classroom();
    loadLeaderboards(0);
    const std::string name = playerName(7);
    for (auto _ : state) {
        benchmark::DoNotOptimize(countRaces(name, -1, -1, -1));
        for (int op = 0; op < BoardOperations; ++op) {
            benchmark::DoNotOptimize(fastestSpeed(name, op, -1, -1));
            benchmark::DoNotOptimize(averageSpeedOf(name, op, -1, -1));
        }
    }
}
BENCHMARK(BM_PlayerMenuStatistics)->Unit(benchmark::kMicrosecond);

void fillBoardOf200() {
    Leaderboard& board = LeaderboardTable.boards[2][1][4];
    board = Leaderboard{};
    for (int i = 0; i < 200; ++i) board.records.push_back(makeRecord(i));
    board.count = 200;
}

// Storing a board of 200 records that is not on disk yet: every file is written and flushed.
void BM_SaveLeaderboard200New(benchmark::State& state) {
    classroom();
    fillBoardOf200();
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove_all("classrooms/room9", ec);
        fillBoardOf200();  // a board never stored: every record is written
        state.ResumeTiming();
        saveLeaderboard(8, 2, 1, 4);
    }
}
BENCHMARK(BM_SaveLeaderboard200New)->Unit(benchmark::kMillisecond)->Iterations(5);

// Storing it again after each of 50 races appended a record to it: what a race's save costs on a
// long board.
void BM_SaveLeaderboard200OneAppended(benchmark::State& state) {
    classroom();
    fillBoardOf200();
    saveLeaderboard(8, 2, 1, 4);
    Leaderboard& board = LeaderboardTable.boards[2][1][4];
    int made = 200;
    for (auto _ : state) {
        board.records.push_back(makeRecord(made++));
        board.count = static_cast<int>(board.records.size());
        saveLeaderboard(8, 2, 1, 4);
    }
}
BENCHMARK(BM_SaveLeaderboard200OneAppended)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
