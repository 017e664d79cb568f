// The classroom loader as it was before it read with several threads and touched only what exists:
// kept for the loading benchmark only, so that one run measures the old way and the new one side by
// side. Lists each lesson directory once and opens all 600 board files and every record file in turn.
#pragma once
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "store/board_loading.h"
#include "store/fields.h"
#include "store/records.h"
#include "store/store.h"

namespace serial_loading {

namespace fs = std::filesystem;

constexpr int MaxRecordNumber = 1 << 20;

// The record numbers present beside one board file, in ascending order.
using RecordNumbers = std::vector<int>;

// The record number r of a file named base + "record" + r (r in plain decimal from 1 up to
// MaxRecordNumber, as the game writes it); 0 for any other name.
inline int recordNumberOf(std::string_view name, std::string_view base) {
    constexpr std::string_view Mark = "record";
    if (name.size() <= base.size() + Mark.size() || name.substr(0, base.size()) != base ||
        name.substr(base.size(), Mark.size()) != Mark) {
        return 0;
    }
    const std::string_view digits = name.substr(base.size() + Mark.size());
    if (digits[0] == '0' || digits.size() > 7) return 0;
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number <= MaxRecordNumber ? number : 0;
}

// Lists directory once and gives, for each of the board file names in bases, the record numbers
// present beside it. A missing directory holds none; false when the directory exists but could not
// be listed.
inline bool listRecordFiles(const std::string& directory, const std::vector<std::string>& bases,
                     std::vector<RecordNumbers>& present) {
    present.assign(bases.size(), RecordNumbers{});
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) return ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (std::size_t b = 0; b < bases.size(); ++b) {
            if (const int number = recordNumberOf(name, bases[b])) present[b].push_back(number);
        }
    }
    if (ec) return false;  // cut short: the numbers found so far are not all there are
    for (RecordNumbers& numbers : present) std::sort(numbers.begin(), numbers.end());
    return true;
}

// Reads one record file; says whether the file held anything.
inline bool readRecordFile(RaceRecord& record, const std::string& path) {
    // Loading a classroom reads thousands of record files; one buffer serves them all.
    static FieldReader r;
    reopenFields(r, path);
    return parseRecord(record, r);
}

inline void readBoard(Leaderboard& board, const std::string& path, const RecordNumbers* present) {
    FieldReader r = openFields(path);
    const int count = readIntField(r);
    board.title = readTextLine(r);
    board.records.clear();
    std::string recordPath = path + "record";
    const std::size_t prefix = recordPath.size();
    const auto readNumber = [&](int number) {
        recordPath.resize(prefix);
        recordPath += std::to_string(number);
        return readRecordFile(board.records[number - 1], recordPath);
    };
    if (count > 0 && present != nullptr) {
        // Every file up to the count is read, whatever the gap before it; the missing ones between
        // stay empty records, and a count beyond the last file adds at most SpareEntries of those.
        const auto end = std::upper_bound(present->begin(), present->end(), count);
        const int last = end == present->begin() ? 0 : *(end - 1);
        board.records.resize(std::min(static_cast<std::size_t>(count), last + SpareEntries));
        for (auto n = present->begin(); n != end; ++n) readNumber(*n);
    } else if (count > 0) {
        int lastFound = 0;
        for (int i = 1; i <= count && static_cast<std::size_t>(i - lastFound) <= SpareEntries; ++i) {
            board.records.emplace_back();
            if (readNumber(i)) lastFound = i;
        }
    }
    board.count = static_cast<int>(board.records.size());
    board.recordsOnDisk = board.count;
}

inline void loadLeaderboards(int position) {
    std::vector<std::string> bases;
    for (int distance = 0; distance < BoardDistances; ++distance) {
        bases.push_back("distance" + std::to_string(distance + 1));
    }
    std::vector<RecordNumbers> present;
    for (int operation = 0; operation < BoardOperations; ++operation) {
        for (int lesson = 0; lesson < BoardLessons; ++lesson) {
            // The six boards of a lesson share its directory, and so one listing of it.
            const bool listed = listRecordFiles(fs::path(boardPath(position, operation, lesson, 0)).parent_path().string(), bases, present);
            for (int distance = 0; distance < BoardDistances; ++distance) {
                readBoard(LeaderboardTable.boards[operation][lesson][distance],
                          boardPath(position, operation, lesson, distance), listed ? &present[distance] : nullptr);
            }
        }
    }
}

}  // namespace serial_loading
