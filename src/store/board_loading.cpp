// Reading boards and record files: one board on the calling thread, or a whole classroom with a few
// threads, touching only the files that exist.
#include "store/board_loading.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "store/fields.h"
#include "store/store.h"

namespace {

// A board's records are files of their own, so the board file cannot bound its count; the record
// files present do. Record numbers above this are not looked at: no board holds a million races,
// and a stray file named so cannot make the game hold a million empty records.
constexpr int MaxRecordNumber = 1 << 20;

// Record numbers of one board, in ascending order.
using RecordNumbers = std::vector<int>;

// n when digits are n in plain decimal (no sign, no leading zero) from 1 up to limit; else 0.
int plainNumber(std::string_view digits, int limit) {
    if (digits.empty() || digits[0] == '0' || digits.size() > 7) return 0;
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number <= limit ? number : 0;
}

// n for a name that is prefix followed by n (1 up to limit, as the game writes numbers); else 0.
int numberAfter(std::string_view name, std::string_view prefix, int limit) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
    return plainNumber(name.substr(prefix.size()), limit);
}

// The record number r of a file named base + "record" + r; 0 for any other name.
int recordNumberOf(std::string_view name, std::string_view base) {
    constexpr std::string_view Mark = "record";
    if (name.size() <= base.size() + Mark.size() || name.substr(0, base.size()) != base ||
        name.substr(base.size(), Mark.size()) != Mark) {
        return 0;
    }
    return plainNumber(name.substr(base.size() + Mark.size()), MaxRecordNumber);
}

// The names in directory but "." and "..". A missing directory (or a file in its place) holds
// none; false when it exists but could not be listed whole.
bool listNames(const std::string& directory, std::vector<std::string>& names) {
    names.clear();
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) return errno == ENOENT || errno == ENOTDIR;
    bool whole = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            whole = errno == 0;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(listing);
    return whole;
}

// Lists directory once and gives, for each of the board file names in bases, the record numbers
// present beside it. False when the directory exists but could not be listed.
bool listRecordFiles(const std::string& directory, const std::vector<std::string>& bases,
                     std::vector<RecordNumbers>& present) {
    present.assign(bases.size(), RecordNumbers{});
    std::vector<std::string> names;
    if (!listNames(directory, names)) return false;
    for (const std::string& name : names) {
        for (std::size_t b = 0; b < bases.size(); ++b) {
            if (const int number = recordNumberOf(name, bases[b])) present[b].push_back(number);
        }
    }
    for (RecordNumbers& numbers : present) std::sort(numbers.begin(), numbers.end());
    return true;
}

}  // namespace

bool parseRecord(RaceRecord& record, FieldReader& r) {
    record = RaceRecord{};
    if (r.data.empty()) return false;
    record.sampleCount = readIntField(r);
    record.time = readRealField(r);
    record.topSpeed = readRealField(r);
    record.averageSpeed = readRealField(r);
    record.name = readTextLine(r, LongestName);
    record.car = readIntField(r);
    const std::size_t pairs = std::min(boundedCount(record.sampleCount, r, 2), MostSamples);
    record.samples.resize(pairs);
    for (Sample& s : record.samples) {
        s.first = readRealField(r);
        s.second = readRealField(r);
    }
    record.sampleCount = static_cast<int>(pairs);
    if (r.data.capacity() > (1u << 16)) r = FieldReader{};  // keep no memory for an odd big file
    return true;
}

namespace {

// Reads one record file through buffer, which serves many files in a row; says whether the file
// held anything.
bool readRecordFile(RaceRecord& record, const std::string& path, FieldReader& buffer) {
    reopenFields(buffer, path);
    return parseRecord(record, buffer);
}

std::string recordPath(const std::string& boardFile, int number) {
    return boardFile + "record" + std::to_string(number);
}

// How many records a board whose file says count (above 0) holds when present are the record
// numbers beside it, and how many leading numbers of present are to be read: every file up to the
// count is read, whatever the gap before it, and the missing ones between stay empty records. A
// count up to SpareEntries is taken as it stands (a board read without a listing ends the same);
// a larger one ends at the last file there is, so that a damaged count never turns into hundreds
// of empty records that the next save would count.
std::size_t listedLength(int count, const RecordNumbers& present, std::size_t& toRead) {
    const auto end = std::upper_bound(present.begin(), present.end(), count);
    const int last = end == present.begin() ? 0 : *(end - 1);
    toRead = static_cast<std::size_t>(end - present.begin());
    if (static_cast<std::size_t>(count) <= SpareEntries) return static_cast<std::size_t>(count);
    return static_cast<std::size_t>(last);
}

// Without a listing each number is tried in turn, up to SpareEntries missing in a row.
void readRecordsInTurn(Leaderboard& board, int count, const std::string& path, FieldReader& buffer) {
    int lastFound = 0;
    for (int i = 1; i <= count && static_cast<std::size_t>(i - lastFound) <= SpareEntries; ++i) {
        board.records.emplace_back();
        if (readRecordFile(board.records.back(), recordPath(path, i), buffer)) lastFound = i;
    }
}

void settleCount(Leaderboard& board) {
    board.count = static_cast<int>(board.records.size());
    board.recordsOnDisk = board.count;
}

// Reads the board file's count into count and its title into the board.
void readBoardFile(Leaderboard& board, int& count, const std::string& path, FieldReader& buffer) {
    reopenFields(buffer, path);
    count = readIntField(buffer);
    board.title = readTextLine(buffer);
}

// readLeaderboard with the record files beside the board file already listed, or none when the
// directory could not be listed.
void readBoard(Leaderboard& board, const std::string& path, const RecordNumbers* present, FieldReader& buffer) {
    int count = 0;
    readBoardFile(board, count, path, buffer);
    board.records.clear();
    if (count > 0 && present != nullptr) {
        std::size_t toRead = 0;
        board.records.resize(listedLength(count, *present, toRead));
        for (std::size_t i = 0; i < toRead; ++i) {
            readRecordFile(board.records[(*present)[i] - 1], recordPath(path, (*present)[i]), buffer);
        }
    } else if (count > 0) {
        readRecordsInTurn(board, count, path, buffer);
    }
    settleCount(board);
}

// Threads reading at once while a classroom loads: on a network drive every file operation waits
// for a round trip, and this many are in flight together. Few enough to cost nothing on a local
// disk; the threads only wait, so more of them than cores is right.
// A build without threads (the browser) reads on the calling thread alone.
#ifdef TALLY_NO_THREADS
constexpr std::size_t LoadingThreads = 1;
#else
constexpr std::size_t LoadingThreads = 8;
#endif

// Runs work(i, buffer) once for every i below count on up to LoadingThreads threads, the calling
// one among them, each with a FieldReader of its own, and returns when all have run. Each work item
// must write only what no other item touches.
template <class Work>
void runInParallel(std::size_t count, const Work& work) {
    std::atomic<std::size_t> next{0};
    const auto drain = [&] {
        FieldReader buffer;
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) work(i, buffer);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min(LoadingThreads, count); ++t) {
        try {
            helpers.emplace_back(drain);
        } catch (const std::system_error&) {
            break;  // no thread to be had: the threads there are do the rest
        }
    }
    drain();
    for (std::thread& helper : helpers) helper.join();
}

constexpr int Boards = BoardOperations * BoardLessons * BoardDistances;

// Record files a worker reads in one go: small enough that a classroom's boards spread over every
// thread, large enough that handing them out costs nothing.
constexpr std::size_t ChunkLength = 8;

// Record numbers [from, to) of one board's list of numbers to read.
struct Chunk {
    int board = 0;
    std::size_t from = 0;
    std::size_t to = 0;
};

void addChunks(std::vector<Chunk>& chunks, int board, std::size_t length) {
    for (std::size_t from = 0; from < length; from += ChunkLength) {
        chunks.push_back(Chunk{board, from, std::min(length, from + ChunkLength)});
    }
}

// Which lesson directories of a classroom's leaderboards directory exist: most of a classroom's
// never do. A directory that cannot be listed hides nothing: everything that could be in it is
// looked for.
void findLessonDirectories(const std::string& leaderboards, bool (&lessonThere)[BoardOperations][BoardLessons]) {
    bool categoryThere[BoardOperations] = {};
    std::vector<std::string> names;
    const bool categoriesListed = listNames(leaderboards, names);
    for (const std::string& name : names) {
        if (const int k = numberAfter(name, "category", BoardOperations)) categoryThere[k - 1] = true;
    }
    if (!categoriesListed) std::fill(std::begin(categoryThere), std::end(categoryThere), true);
    runInParallel(BoardOperations, [&](std::size_t operation, FieldReader&) {
        if (!categoryThere[operation]) return;
        std::vector<std::string> lessons;
        const bool listed = listNames(leaderboards + "/category" + std::to_string(operation + 1), lessons);
        bool* const there = lessonThere[operation];
        for (const std::string& name : lessons) {
            if (const int l = numberAfter(name, "lesson", BoardLessons)) there[l - 1] = true;
        }
        if (!listed) std::fill(there, there + BoardLessons, true);
    });
}

}  // namespace

void readLeaderboard(Leaderboard& board, const std::string& path) {
    const std::filesystem::path file(path);
    const std::string directory = file.has_parent_path() ? file.parent_path().string() : std::string(".");
    std::vector<RecordNumbers> present;
    const bool listed = listRecordFiles(directory, {file.filename().string()}, present);
    FieldReader buffer;
    readBoard(board, path, listed ? &present[0] : nullptr, buffer);
}

void catchUpBoard(Leaderboard& board, const std::string& path) {
    const std::size_t known =
        static_cast<std::size_t>(std::clamp(board.recordsOnDisk, 0, static_cast<int>(board.records.size())));
    std::vector<RaceRecord> unsaved(std::make_move_iterator(board.records.begin() + static_cast<long>(known)),
                                    std::make_move_iterator(board.records.end()));
    board.records.resize(known);
    FieldReader buffer;
    Leaderboard disk;
    int count = 0;
    readBoardFile(disk, count, path, buffer);
    if (!disk.title.empty()) board.title = disk.title;  // a board new on disk takes this copy's
    const auto fits = [](int n) { return std::max(n, 0); };
    const std::size_t onDisk = static_cast<std::size_t>(fits(count));
    // The usual case costs one look past the count: the records after those this copy knows.
    const bool plain = onDisk >= known && onDisk - known <= SpareEntries &&
                       ::access(recordPath(path, static_cast<int>(onDisk) + 1).c_str(), F_OK) != 0;
    if (plain) {
        for (std::size_t i = known + 1; i <= onDisk; ++i) {
            board.records.emplace_back();
            readRecordFile(board.records.back(), recordPath(path, static_cast<int>(i)), buffer);
        }
    } else {
        // A board file shorter than what this copy knows, one that says far more than it had, or
        // record files beyond its count: the board file was damaged (or the board replaced), so
        // the records there are are what counts. They are all races: each is counted, so that no
        // save writes over one, and a count past the last of them is mended to it.
        const std::filesystem::path file(path);
        const std::string directory = file.has_parent_path() ? file.parent_path().string() : std::string(".");
        std::vector<RecordNumbers> present;
        if (!listRecordFiles(directory, {file.filename().string()}, present)) present.assign(1, RecordNumbers{});
        const int last = present[0].empty() ? 0 : present[0].back();
        const int end = onDisk <= SpareEntries ? std::max(static_cast<int>(onDisk), last) : last;
        board.records.assign(static_cast<std::size_t>(end), RaceRecord{});
        for (const int number : present[0]) {
            if (number > end) break;
            readRecordFile(board.records[static_cast<std::size_t>(number - 1)], recordPath(path, number), buffer);
        }
    }
    board.recordsOnDisk = static_cast<int>(board.records.size());
    board.records.insert(board.records.end(), std::make_move_iterator(unsaved.begin()),
                         std::make_move_iterator(unsaved.end()));
    board.count = static_cast<int>(board.records.size());
}

void readRaceRecord(RaceRecord& record, const std::string& path) {
    FieldReader buffer;
    readRecordFile(record, path, buffer);
}

void loadLeaderboards(int position) {
    // Flat board index b = (operation * BoardLessons + lesson) * BoardDistances + distance.
    Leaderboard* const boards = &LeaderboardTable.boards[0][0][0];
    for (int b = 0; b < Boards; ++b) boards[b] = Leaderboard{};
    const std::string leaderboards = roomPath(position) + "/leaderboards";

    bool lessonThere[BoardOperations][BoardLessons] = {};
    findLessonDirectories(leaderboards, lessonThere);

    // The board files of those directories, each opened once; a missing one reads as empty.
    std::vector<int> present;
    std::vector<std::string> paths(Boards);
    for (int b = 0; b < Boards; ++b) {
        const int operation = b / (BoardLessons * BoardDistances);
        const int lesson = b / BoardDistances % BoardLessons;
        if (!lessonThere[operation][lesson]) continue;
        present.push_back(b);
        paths[b] = boardPath(position, operation, lesson, b % BoardDistances);
    }
    std::vector<int> counts(Boards, 0);
    runInParallel(present.size(), [&](std::size_t i, FieldReader& buffer) {
        readBoardFile(boards[present[i]], counts[present[i]], paths[present[i]], buffer);
    });

    // The record files 1 to count, opened directly: a board as the game writes it has them all, and
    // one that will not open reads as an empty record, just as when a listing shows it missing. Only
    // a board that claims more records than SpareEntries needs a listing of its directory, to bound
    // an absurd count by the files there are.
    std::vector<RecordNumbers> numbers(Boards);
    std::vector<Chunk> chunks;
    std::vector<char> needsListing(Boards, 0);
    std::vector<int> listings;  // the first board of each lesson directory to list
    for (const int b : present) {
        if (counts[b] <= 0) continue;
        const auto count = static_cast<std::size_t>(counts[b]);
        if (count > SpareEntries) {
            needsListing[b] = 1;
            const int first = b - b % BoardDistances;
            if (listings.empty() || listings.back() != first) listings.push_back(first);
            continue;
        }
        boards[b].records.resize(count);
        numbers[b].resize(count);
        std::iota(numbers[b].begin(), numbers[b].end(), 1);
        addChunks(chunks, b, count);
    }
    const auto readChunk = [&](std::size_t c, FieldReader& buffer) {
        const Chunk& chunk = chunks[c];
        for (std::size_t i = chunk.from; i < chunk.to; ++i) {
            const int number = numbers[chunk.board][i];
            readRecordFile(boards[chunk.board].records[number - 1], recordPath(paths[chunk.board], number), buffer);
        }
    };
    runInParallel(chunks.size(), readChunk);

    // The boards with a large count: one listing of each of their lesson directories.
    std::vector<char> unlisted(Boards, 0);
    runInParallel(listings.size(), [&](std::size_t i, FieldReader&) {
        static const std::vector<std::string> bases = {"distance1", "distance2", "distance3",
                                                       "distance4", "distance5", "distance6"};
        const std::string& anyBoard = paths[listings[i]];
        std::vector<RecordNumbers> found;
        const bool listed = listRecordFiles(anyBoard.substr(0, anyBoard.rfind('/')), bases, found);
        for (int d = 0; d < BoardDistances; ++d) {
            const int b = listings[i] + d;
            if (!needsListing[b]) continue;
            if (listed) numbers[b] = std::move(found[d]);
            unlisted[b] = !listed;
        }
    });
    chunks.clear();
    std::vector<int> inTurn;
    for (const int b : present) {
        if (!needsListing[b]) continue;
        boards[b].records.clear();
        if (unlisted[b]) {
            inTurn.push_back(b);
            continue;
        }
        std::size_t toRead = 0;
        boards[b].records.resize(listedLength(counts[b], numbers[b], toRead));
        numbers[b].resize(toRead);
        addChunks(chunks, b, toRead);
    }
    runInParallel(chunks.size(), readChunk);
    runInParallel(inTurn.size(), [&](std::size_t i, FieldReader& buffer) {
        readRecordsInTurn(boards[inTurn[i]], counts[inTurn[i]], paths[inTurn[i]], buffer);
    });
    for (int b = 0; b < Boards; ++b) settleCount(boards[b]);
}

void refreshLeaderboards(int position) {
    Leaderboard* const boards = &LeaderboardTable.boards[0][0][0];
    bool lessonThere[BoardOperations][BoardLessons] = {};
    findLessonDirectories(roomPath(position) + "/leaderboards", lessonThere);
    std::vector<int> present;
    for (int b = 0; b < Boards; ++b) {
        if (lessonThere[b / (BoardLessons * BoardDistances)][b / BoardDistances % BoardLessons])
            present.push_back(b);
        else
            boards[b] = Leaderboard{};  // its folder went: so did the board
    }
    runInParallel(present.size(), [&](std::size_t i, FieldReader&) {
        const int b = present[i];
        catchUpBoard(boards[b], boardPath(position, b / (BoardLessons * BoardDistances), b / BoardDistances % BoardLessons,
                                          b % BoardDistances));
    });
}
