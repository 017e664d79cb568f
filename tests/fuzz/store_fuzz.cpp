// Fuzz target over the saved-data readers: the field reader and every file the store reads.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::abort();
}

void writeFile(const char* path, const std::uint8_t* data, std::size_t size) {
    // A fresh file each time: truncating one makes some file systems flush it on close.
    ::unlink(path);
    FILE* f = std::fopen(path, "wb");
    if (!f) fail("cannot write the input file");
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// Reads fields of the kinds the first bytes choose until the data runs out; every read must move
// forward, and no value may break its bounds.
void readFields(const std::uint8_t* data, std::size_t size) {
    const std::size_t plan = size < 8 ? size : 8;
    FieldReader r;
    r.data.assign(reinterpret_cast<const char*>(data) + plan, size - plan);
    for (std::size_t i = 0; r.pos < r.data.size(); ++i) {
        const std::size_t before = r.pos;
        switch (plan ? data[i % plan] % 4 : i % 4) {
        case 0: readIntField(r); break;
        case 1:
            if (!std::isfinite(readRealField(r))) fail("a real that is not finite");
            break;
        case 2:
            if (readTextField(r).size() > MaxTextField) fail("an overlong text field");
            break;
        default: readTextLine(r); break;
        }
        if (r.pos <= before || r.pos > r.data.size()) fail("a read that did not move forward");
    }
    if (readIntField(r) != 0 || !readTextField(r).empty() || readRealField(r) != 0) fail("data past the end");
}

void makeRoom() {
    std::error_code ec;
    std::filesystem::create_directories("classrooms/room1", ec);
}

std::filesystem::path workDirectory;

void removeWorkDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(workDirectory, ec);
}

bool checkRecord(const RaceRecord& record) {
    return record.sampleCount == static_cast<int>(record.samples.size()) && std::isfinite(record.time);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every file goes to a private working directory, as the store's paths are relative.
    // Memory-backed when the system has it, since every run writes files. Corpus paths given to
    // the fuzzer must be absolute, as it reads them after this change of directory.
    char shm[] = "/dev/shm/tally-storefuzz-XXXXXX";
    char tmp[] = "/tmp/tally-storefuzz-XXXXXX";
    char* pattern = mkdtemp(shm) ? shm : mkdtemp(tmp);
    if (!pattern || chdir(pattern) != 0) fail("no working directory");
    workDirectory = pattern;
    std::atexit(removeWorkDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0] % 5;
    ++data;
    --size;
    switch (mode) {
    case 0:
        readFields(data, size);
        break;
    case 1: {
        makeRoom();
        writeFile("classrooms/classrooms", data, size);
        ClassroomList list;
        loadClassrooms(list);
        if (list.count < 1 || list.count != static_cast<int>(list.items.size())) fail("classroom count");
        break;
    }
    case 2: {
        makeRoom();
        writeFile("classrooms/room1/players", data, size);
        PlayerList list;
        loadPlayers(list, 0);
        if (list.count < 1 || list.count != static_cast<int>(list.items.size())) fail("player count");
        break;
    }
    case 3: {
        writeFile("record", data, size);
        RaceRecord record;
        readRaceRecord(record, "record");
        if (!checkRecord(record)) fail("record sample count");
        break;
    }
    default: {
        // The board file and its first record file share the input, split at its middle.
        const std::size_t half = size / 2;
        writeFile("board", data, half);
        writeFile("boardrecord1", data + half, size - half);
        Leaderboard board;
        readLeaderboard(board, "board");
        if (board.count != static_cast<int>(board.records.size()) || board.count > 100000) fail("board count");
        for (const RaceRecord& record : board.records) {
            if (!checkRecord(record)) fail("board record");
        }
        break;
    }
    }
    return 0;
}
