// The saved-data tree: classroom index, player files, boards and their record files.
#include "store/store.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <filesystem>
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

// A board's records are files of their own, so the board file cannot bound its count. Records are
// written as files 1, 2, 3 ...; after this many missing files in a row no further one is looked
// for, and at most SpareEntries empty records are made after the last file found.
constexpr int MissingRecordRun = 64;

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

void writeRaceRecord(const RaceRecord& record, const std::string& path) {
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
    writeFileAtomically(path, out);
}

void readLeaderboard(Leaderboard& board, const std::string& path) {
    FieldReader r = openFields(path);
    const int count = readIntField(r);
    board.title = readTextLine(r);
    board.records.clear();
    if (count > 0) {
        std::string recordPath = path + "record";
        const std::size_t prefix = recordPath.size();
        board.records.reserve(std::min(count, static_cast<int>(SpareEntries)));
        int lastFound = 0;
        for (int i = 1; i <= count; ++i) {
            if (static_cast<std::size_t>(i - lastFound) > SpareEntries) break;
            RaceRecord record;
            recordPath.resize(prefix);
            recordPath += std::to_string(i);
            if (i - lastFound <= MissingRecordRun && readRecordFile(record, recordPath)) lastFound = i;
            board.records.push_back(std::move(record));
        }
    }
    board.count = static_cast<int>(board.records.size());
}

void writeLeaderboard(const Leaderboard& board, const std::string& path) {
    const std::string prefix = path + "record";
    for (std::size_t i = 0; i < board.records.size(); ++i) {
        writeRaceRecord(board.records[i], prefix + std::to_string(i + 1));
    }
    std::string out;
    appendInt(out, static_cast<int>(board.records.size()));
    appendText(out, board.title);
    writeFileAtomically(path, out);
}

void loadLeaderboards(int position) {
    for (int operation = 0; operation < BoardOperations; ++operation) {
        for (int lesson = 0; lesson < BoardLessons; ++lesson) {
            for (int distance = 0; distance < BoardDistances; ++distance) {
                readLeaderboard(LeaderboardTable.boards[operation][lesson][distance],
                                boardPath(position, operation, lesson, distance));
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
