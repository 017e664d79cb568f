// The saved-data tree: classroom index, player files, boards and their record files.
#include "store/store.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "store/fields.h"

LeaderboardTableData LeaderboardTable;

namespace fs = std::filesystem;

namespace {

// Every entry of a list that holds anything takes at least one byte per field in its file (the
// line end or comma that ends the field), so no more than remaining bytes / fields entries can hold
// data. A count beyond that only adds entries that read as empty. SpareEntries of those are still
// made, so that a count somewhat larger than the entries that follow keeps its full length as the
// format wants, but an absurd count in a damaged file costs neither memory nor time.
constexpr std::size_t SpareEntries = 256;

std::size_t boundedCount(int count, const FieldReader& r, std::size_t fieldsPerEntry) {
    if (count <= 0) return 0;  // a negative count reads as an empty list
    const std::size_t remaining = r.pos < r.data.size() ? r.data.size() - r.pos : 0;
    return std::min(static_cast<std::size_t>(count), remaining / fieldsPerEntry + SpareEntries);
}

// A board's records are files of their own, so the board file cannot bound its count; the record
// files present, found with one listing of their directory, do. Record numbers above this are
// not looked at: no board holds a million races, and a stray file named so cannot make the game
// hold a million empty records.
constexpr int MaxRecordNumber = 1 << 20;

// The record numbers present beside one board file, in ascending order.
using RecordNumbers = std::vector<int>;

// The record number r of a file named base + "record" + r (r in plain decimal from 1 up to
// MaxRecordNumber, as the game writes it); 0 for any other name.
int recordNumberOf(std::string_view name, std::string_view base) {
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
bool listRecordFiles(const std::string& directory, const std::vector<std::string>& bases,
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

void ensureDirectory(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    // A directory that cannot be made means the file in it cannot be saved: say why now, since the
    // write that follows only sees that the directory is missing.
    if (ec && !fs::is_directory(path)) noteWriteFailure(ec.value());
}

std::string lessonDirectory(int position, int operation, int lesson) {
    return roomPath(position) + "/leaderboards/category" + std::to_string(operation + 1) + "/lesson" +
           std::to_string(lesson + 1);
}

bool boardIndicesValid(int operation, int lesson, int distance) {
    return operation >= 0 && operation < BoardOperations && lesson >= 0 && lesson < BoardLessons &&
           distance >= 0 && distance < BoardDistances;
}

// Reads one record file; says whether the file held anything.
bool readRecordFile(RaceRecord& record, const std::string& path) {
    // Loading a classroom reads thousands of record files; one buffer serves them all.
    static FieldReader r;
    reopenFields(r, path);
    record = RaceRecord{};
    if (r.data.empty()) return false;
    record.sampleCount = readIntField(r);
    record.time = readRealField(r);
    record.topSpeed = readRealField(r);
    record.averageSpeed = readRealField(r);
    record.name = readTextLine(r);
    record.car = readIntField(r);
    const std::size_t pairs = boundedCount(record.sampleCount, r, 2);
    record.samples.resize(pairs);
    for (Sample& s : record.samples) {
        s.first = readRealField(r);
        s.second = readRealField(r);
    }
    record.sampleCount = static_cast<int>(pairs);
    if (r.data.capacity() > (1u << 16)) r = FieldReader{};  // keep no memory for an odd big file
    return true;
}

// Moves everything in from into to, where to already exists: entries that to lacks are renamed
// across, directories present in both are merged, and from is removed when it ends up empty.
void mergeDirectory(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        children.push_back(it->path());
    }
    for (const fs::path& child : children) {
        const fs::path target = to / child.filename();
        std::error_code e1;
        if (!fs::exists(fs::symlink_status(target, e1))) {
            std::error_code e2;
            fs::rename(child, target, e2);
        } else if (fs::is_directory(fs::symlink_status(child, e1)) &&
                   fs::is_directory(fs::symlink_status(target, e1))) {
            mergeDirectory(child, target);
        }
    }
    fs::remove(from, ec);  // only when empty
}

}  // namespace

std::string takeSaveTrouble() {
    switch (takeWriteFailure()) {
        case 0:
            return "";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Could not save: the disk is full";
        case EROFS:
        case EACCES:
        case EPERM:
            return "Could not save: the folder is read-only";
        case ENOENT:
        case ENOTDIR:
            return "Could not save: the folder is missing";
        default:
            return "Could not save: a disk error";
    }
}

std::string roomPath(int position) { return "classrooms/room" + std::to_string(position + 1); }

std::string boardPath(int position, int operation, int lesson, int distance) {
    return lessonDirectory(position, operation, lesson) + "/distance" + std::to_string(distance + 1);
}

void loadClassrooms(ClassroomList& list) {
    FieldReader r = openFields("classrooms/classrooms");
    const int count = readIntField(r);
    list.items.assign(boundedCount(count, r, 2), Classroom{});
    for (Classroom& c : list.items) {
        c.name = readTextLine(r);
        c.password = readTextLine(r);
    }
    if (list.items.empty()) list.items.push_back(Classroom{"Default", ""});
    list.count = static_cast<int>(list.items.size());
}

void saveClassrooms(const ClassroomList& list) {
    std::string out;
    appendInt(out, static_cast<int>(list.items.size()));
    for (const Classroom& c : list.items) {
        appendText(out, c.name);
        appendText(out, c.password);
    }
    ensureDirectory("classrooms");
    removeStaleTemporaries("classrooms");
    writeFileAtomically("classrooms/classrooms", out);
}

void addClassroom(ClassroomList& list, const std::string& name, const std::string& password) {
    list.items.push_back(Classroom{name, password});
    list.count = static_cast<int>(list.items.size());
    ensureDirectory(roomPath(list.count - 1));
}

void deleteClassroom(ClassroomList& list, int position) {
    const int last = static_cast<int>(list.items.size()) - 1;
    if (position < 0 || position > last) return;
    std::error_code ec;
    const std::string room = roomPath(position);
    for (int operation = 0; operation < BoardOperations; ++operation) {
        for (int lesson = 0; lesson < BoardLessons; ++lesson) {
            const std::string directory = lessonDirectory(position, operation, lesson);
            deleteFilesIn(directory);
            fs::remove(directory, ec);
        }
        fs::remove(room + "/leaderboards/category" + std::to_string(operation + 1), ec);
    }
    fs::remove(room + "/leaderboards", ec);
    fs::remove(room + "/players", ec);
    // Leftovers of a player-file write cut short by a crash would keep the room directory alive.
    for (fs::directory_iterator it(room, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e;
        if (name.rfind("players.tmp", 0) == 0 && fs::is_regular_file(it->symlink_status(e))) {
            fs::remove(it->path(), e);
        }
    }
    ec.clear();
    fs::remove(room, ec);
    if (position != last) {
        // The last classroom's tree takes the freed number. When files that are not the game's kept
        // the old room directory alive, its contents are moved across instead, so the moved
        // classroom still finds its players and boards under its new number.
        const std::string lastRoom = roomPath(last);
        ec.clear();
        fs::rename(lastRoom, room, ec);
        if (ec && fs::is_directory(room) && fs::is_directory(lastRoom)) mergeDirectory(lastRoom, room);
        list.items[position] = list.items[last];
    }
    list.items.pop_back();
    list.count = static_cast<int>(list.items.size());
}

void loadPlayers(PlayerList& list, int position) {
    FieldReader r = openFields(roomPath(position) + "/players");
    const int count = readIntField(r);
    list.items.assign(boundedCount(count, r, 4), Player{});
    for (Player& p : list.items) {
        p.name = readTextLine(r);
        p.password = readTextLine(r);
        p.car = readIntField(r);
        p.driver = readIntField(r);
    }
    if (list.items.empty()) list.items.push_back(Player{"Default", "", 0, 0});
    list.count = static_cast<int>(list.items.size());
}

void savePlayers(const PlayerList& list, int position) {
    std::string out;
    appendInt(out, static_cast<int>(list.items.size()));
    for (const Player& p : list.items) {
        appendText(out, p.name);
        appendText(out, p.password);
        appendInt(out, p.car);
        appendInt(out, p.driver);
    }
    const std::string room = roomPath(position);
    ensureDirectory(room);
    removeStaleTemporaries(room);
    writeFileAtomically(room + "/players", out);
}

void readRaceRecord(RaceRecord& record, const std::string& path) { readRecordFile(record, path); }

bool writeRaceRecord(const RaceRecord& record, const std::string& path) {
    std::string out;
    out.reserve(64 + record.name.size() + record.samples.size() * 48);
    appendInt(out, static_cast<int>(record.samples.size()));
    appendReal(out, record.time);
    appendReal(out, record.topSpeed);
    appendReal(out, record.averageSpeed);
    appendText(out, record.name);
    appendInt(out, record.car);
    for (const Sample& s : record.samples) {
        appendReal(out, s.first);
        appendReal(out, s.second);
    }
    return writeFileAtomically(path, out);
}

namespace {

// readLeaderboard with the record files present beside the board file already listed; with none
// (the directory could not be listed) each number is tried in turn instead, up to SpareEntries
// missing in a row.
void readBoard(Leaderboard& board, const std::string& path, const RecordNumbers* present) {
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

}  // namespace

void readLeaderboard(Leaderboard& board, const std::string& path) {
    const fs::path file(path);
    std::string directory = file.parent_path().string();
    if (directory.empty()) directory = ".";
    std::vector<RecordNumbers> present;
    const bool listed = listRecordFiles(directory, {file.filename().string()}, present);
    readBoard(board, path, listed ? &present[0] : nullptr);
}

bool writeLeaderboard(Leaderboard& board, const std::string& path) {
    const int count = static_cast<int>(board.records.size());
    // Fewer records than were on disk (the board was cut short in memory) leaves only those.
    const int first = std::clamp(board.recordsOnDisk, 0, count);
    const std::string prefix = path + "record";
    for (int i = first; i < count; ++i) {
        // A record that cannot be written ends the save before the board file counts it.
        if (!writeRaceRecord(board.records[i], prefix + std::to_string(i + 1))) {
            board.recordsOnDisk = first;
            return false;
        }
    }
    std::string out;
    appendInt(out, count);
    appendText(out, board.title);
    if (!writeFileAtomically(path, out)) {
        board.recordsOnDisk = first;
        return false;
    }
    board.recordsOnDisk = count;
    return true;
}

void loadLeaderboards(int position) {
    std::vector<std::string> bases;
    for (int distance = 0; distance < BoardDistances; ++distance) {
        bases.push_back("distance" + std::to_string(distance + 1));
    }
    std::vector<RecordNumbers> present;
    for (int operation = 0; operation < BoardOperations; ++operation) {
        for (int lesson = 0; lesson < BoardLessons; ++lesson) {
            // The six boards of a lesson share its directory, and so one listing of it.
            const bool listed = listRecordFiles(lessonDirectory(position, operation, lesson), bases, present);
            for (int distance = 0; distance < BoardDistances; ++distance) {
                readBoard(LeaderboardTable.boards[operation][lesson][distance],
                          boardPath(position, operation, lesson, distance), listed ? &present[distance] : nullptr);
            }
        }
    }
}

void saveLeaderboard(int position, int operation, int lesson, int distance) {
    if (!boardIndicesValid(operation, lesson, distance)) return;
    const std::string directory = lessonDirectory(position, operation, lesson);
    ensureDirectory(directory);
    removeStaleTemporaries(directory);
    writeLeaderboard(LeaderboardTable.boards[operation][lesson][distance],
                     boardPath(position, operation, lesson, distance));
}

void deleteFilesIn(const std::string& directory) {
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e;
        if (!name.empty() && name[0] != '.' && fs::is_regular_file(it->symlink_status(e))) {
            files.push_back(it->path());
        }
    }
    for (const fs::path& file : files) {
        std::error_code e;
        fs::remove(file, e);
    }
}
