// Benchmark of the shared folder at a school's scale: a race's save onto a board of 300 races,
// entering that classroom, and a save of a player file of 25,000 players. Run it as it is for a
// local disk and with bench/slowfs_shim.c preloaded for a network drive (bench/shared_save.sh runs
// it at 0, 1 and 5 ms a call). Only the store's public operations are used, so that the same
// program measures any store behind them.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/board_loading.h"
#include "store/records.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

constexpr int BoardRaces = 300;
constexpr int ClassPupils = 30;
constexpr int ManyPlayers = 25000;
// The board of the races measured: Add, its first lesson, the shortest distance.
constexpr int Op = 0, Lesson = 0, Distance = 0;
constexpr int BoardRoom = 0, BigRoom = 1;

// The switch and the call counter of the slow file-system shim, when it is preloaded.
struct Shim {
    void (*setEnabled)(int) = nullptr;
    unsigned long (*calls)() = nullptr;
    Shim() {
        setEnabled = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "slowfs_set_enabled"));
        calls = reinterpret_cast<unsigned long (*)()>(dlsym(RTLD_DEFAULT, "slowfs_calls"));
        if (setEnabled) setEnabled(0);  // the folder is built at full speed
    }
    unsigned long count() const { return calls ? calls() : 0; }
    void slow(bool on) const {
        if (setEnabled) setEnabled(on ? 1 : 0);
    }
};

Shim& shim() {
    static Shim s;
    return s;
}

// The delay the shim puts on each call, as it reads it; 0 without the shim.
long delayUs() {
    if (!shim().setEnabled) return 0;
    const char* text = std::getenv("SLOWFS_DELAY_US");
    return text ? std::atol(text) : 1000;
}

// Fewer rounds on a slow drive, where one save may take seconds today.
int rounds(int local) {
    const long us = delayUs();
    if (us >= 4000) return std::max(3, local / 8);
    if (us >= 500) return std::max(5, local / 4);
    return local;
}

RaceRecord makeRecord(int i) {
    RaceRecord r;
    r.name = "Pupil " + std::to_string(i % ClassPupils);
    r.car = i % 8;
    r.time = 40.0 + (i * 7919 % 1000) / 37.0;
    r.topSpeed = 90.0 + (i * 104729 % 500) / 13.0;
    r.averageSpeed = 45.0 + (i * 1299709 % 300) / 11.0;
    const int samples = 30 + i % 31;  // 30 to 60 answers in a race
    for (int s = 0; s < samples; ++s) r.samples.push_back({s * 1.3 + (i % 17) / 7.0, (s + i) % 5 ? 1.0 : -0.5});
    r.sampleCount = samples;
    return r;
}

PlayerList pupils(int count, const std::string& prefix) {
    PlayerList list;
    for (int i = 0; i < count; ++i) list.items.push_back(Player{prefix + std::to_string(i), "", i % 8, i % 13});
    list.count = count;
    return list;
}

// The game folder, written once in a temporary directory that becomes the working directory:
// classroom "Class" with 30 pupils and a board of 300 races, classroom "School" with 25,000 players.
struct Folder {
    fs::path previous;
    fs::path dir;
    ClassroomList classrooms;

    Folder() {
        shim();
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tally-shared-save-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        fs::current_path(dir);
        loadClassrooms(classrooms);
        addClassroom(classrooms, "Class", "");
        addClassroom(classrooms, "School", "");
        PlayerList cls = pupils(ClassPupils, "Pupil ");
        savePlayers(cls, BoardRoom);
        PlayerList school = pupils(ManyPlayers, "Player ");
        savePlayers(school, BigRoom);
        Leaderboard& board = LeaderboardTable.boards[Op][Lesson][Distance];
        board = Leaderboard{};
        for (int i = 0; i < BoardRaces; ++i) board.records.push_back(makeRecord(i));
        board.count = BoardRaces;
        saveLeaderboard(BoardRoom, Op, Lesson, Distance);
        ::sync();  // no write-back of the new files running under the measurements
    }
    ~Folder() {
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

// The board's count as a fresh reader finds it on disk.
int racesOnDisk() {
    Leaderboard disk;
    readLeaderboard(disk, boardPath(BoardRoom, Op, Lesson, Distance));
    return disk.count;
}

// A race finished and saved: one record more on the board the classroom's entry read, then the
// race's save of it. The board grows by one race a round, from 300.
void BM_SaveRaceOnFullBoard(benchmark::State& state) {
    Folder& f = folder();
    loadLeaderboards(BoardRoom);
    Leaderboard& board = LeaderboardTable.boards[Op][Lesson][Distance];
    int made = racesOnDisk();
    const int before = made;
    shim().slow(true);
    const unsigned long calls = shim().count();
    for (auto _ : state) {
        board.records.push_back(makeRecord(made++));
        board.count = static_cast<int>(board.records.size());
        int position = BoardRoom;
        if (!saveLeaderboard(f.classrooms, position, Op, Lesson, Distance)) state.SkipWithError("save refused");
    }
    const double slowed = static_cast<double>(shim().count() - calls);
    shim().slow(false);
    if (racesOnDisk() != made) state.SkipWithError("a race did not reach the board");
    state.counters["board_races"] = before;
    state.counters["races"] = racesOnDisk();
    state.counters["slowed_calls"] = slowed / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SaveRaceOnFullBoard)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(rounds(40));

// Choosing that classroom: its boards, then its players, as the classroom menu does.
void BM_EnterFullClassroom(benchmark::State& state) {
    folder();
    loadLeaderboards(BoardRoom);  // a warm cache, as for a classroom entered a second time
    shim().slow(true);
    const unsigned long calls = shim().count();
    PlayerList players;
    for (auto _ : state) {
        loadLeaderboards(BoardRoom);
        loadPlayers(players, BoardRoom);
        benchmark::DoNotOptimize(players.count);
    }
    const double slowed = static_cast<double>(shim().count() - calls);
    shim().slow(false);
    const int races = LeaderboardTable.boards[Op][Lesson][Distance].count;
    if (races < BoardRaces || players.count != ClassPupils) state.SkipWithError("races or pupils missing");
    state.counters["races"] = races;
    state.counters["slowed_calls"] = slowed / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EnterFullClassroom)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(rounds(20));

// A pupil added to a school's player file of 25,000: the save merges this copy's change into the
// file as it is on disk.
void BM_SavePlayersOf25000(benchmark::State& state) {
    Folder& f = folder();
    PlayerList players;
    loadPlayers(players, BigRoom);
    int added = 0;
    shim().slow(true);
    for (auto _ : state) {
        players.items.push_back(Player{"Newcomer " + std::to_string(added++), "", 1, 2});
        players.count = static_cast<int>(players.items.size());
        int position = BigRoom;
        if (!savePlayers(players, f.classrooms, position)) state.SkipWithError("save refused");
    }
    shim().slow(false);
    PlayerList disk;
    loadPlayers(disk, BigRoom);
    if (disk.count != players.count || disk.count < ManyPlayers + added) state.SkipWithError("a player was lost");
    state.counters["players"] = disk.count;
}
BENCHMARK(BM_SavePlayersOf25000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(rounds(10));

}  // namespace
