// Benchmark of entering a classroom: the loader of today against the one before it, on a classroom of
// 600 boards of which 150 exist, 3,000 records in all. Run it as it is for a local disk, and with
// bench/slowfs_shim.c preloaded for a network drive (bench/loading.sh runs both).
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "serial_board_loading.h"
#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

constexpr int Boards = BoardOperations * BoardLessons * BoardDistances;
constexpr int BoardsPresent = 150;
constexpr int RecordsPerBoard = 20;

// The switch and the call counter of the slow file-system shim, when it is preloaded.
struct Shim {
    void (*setEnabled)(int) = nullptr;
    unsigned long (*calls)() = nullptr;
    Shim() {
        setEnabled = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "slowfs_set_enabled"));
        calls = reinterpret_cast<unsigned long (*)()>(dlsym(RTLD_DEFAULT, "slowfs_calls"));
        if (setEnabled) setEnabled(0);  // the classroom is built at full speed
    }
};

Shim& shim() {
    static Shim s;
    return s;
}

std::string recordText(int i) {
    std::string text;
    const int samples = 30 + i % 31;  // 30 to 60 answers in a race
    appendInt(text, samples);
    appendReal(text, 40.0 + (i * 7919 % 1000) / 37.0);
    appendReal(text, 90.0 + (i * 104729 % 500) / 13.0);
    appendReal(text, 45.0 + (i * 1299709 % 300) / 11.0);
    appendText(text, "Pupil " + std::to_string(i % 30));
    appendInt(text, i % 8);
    for (int s = 0; s < samples; ++s) {
        appendReal(text, s * 1.3 + (i % 17) / 7.0);
        appendReal(text, (s + i) % 5 ? 1.0 : -0.5);
    }
    return text;
}

// The classroom, written once in a temporary directory that becomes the working directory: the
// boards present are spread over the table as a year of a class's races spreads them.
struct Classroom {
    fs::path previous;
    fs::path dir;

    Classroom() {
        shim();
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tally-loading-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        fs::current_path(dir);
        int made = 0;
        for (int i = 0; i < BoardsPresent; ++i) {
            const int b = i * 397 % Boards;  // 397 is prime to 600: 150 different boards
            const std::string board = boardPath(0, b / 150, b / 6 % 25, b % 6);
            fs::create_directories(fs::path(board).parent_path());
            std::string text;
            appendInt(text, RecordsPerBoard);
            appendText(text, "");
            std::ofstream(board, std::ios::binary) << text;
            for (int r = 1; r <= RecordsPerBoard; ++r) {
                std::ofstream(board + "record" + std::to_string(r), std::ios::binary) << recordText(made++);
            }
        }
        ::sync();
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

int recordsLoaded() {
    int records = 0;
    for (int b = 0; b < Boards; ++b) records += (&LeaderboardTable.boards[0][0][0])[b].count;
    return records;
}

template <void (*Load)(int)>
void enterClassroom(benchmark::State& state) {
    classroom();
    Load(0);  // a warm cache, as for a classroom entered a second time
    Shim& s = shim();
    if (s.setEnabled) s.setEnabled(1);
    const unsigned long before = s.calls ? s.calls() : 0;
    for (auto _ : state) {
        Load(0);
        benchmark::DoNotOptimize(LeaderboardTable.boards[3][24][5].count);
    }
    const unsigned long calls = s.calls ? s.calls() - before : 0;
    if (s.setEnabled) s.setEnabled(0);
    if (recordsLoaded() != BoardsPresent * RecordsPerBoard) state.SkipWithError("records missing");
    state.counters["records"] = recordsLoaded();
    state.counters["slowed_calls"] = static_cast<double>(calls) / static_cast<double>(state.iterations());
}

void BM_EnterClassroomBefore(benchmark::State& state) { enterClassroom<serial_loading::loadLeaderboards>(state); }
BENCHMARK(BM_EnterClassroomBefore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EnterClassroom(benchmark::State& state) { enterClassroom<loadLeaderboards>(state); }
BENCHMARK(BM_EnterClassroom)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
