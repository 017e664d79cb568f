// The saved-data tree: classroom index, player files, boards and their record files.
#include "store/store.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <unistd.h>

#include "store/fields.h"
#include "store/save_lock.h"

LeaderboardTableData LeaderboardTable;

namespace fs = std::filesystem;

namespace {

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

// Whether a piece of path (relative, as the store's are) is a symbolic link: the store neither
// descends into nor deletes through one, so a link planted in the data folder never leads a
// deletion to files outside it.
bool linkOnTheWay(const fs::path& path) {
    fs::path prefix;
    for (const fs::path& piece : path) {
        prefix /= piece;
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(prefix, ec))) return true;
    }
    return false;
}

// Moves everything in from into to, where to already exists: entries that to lacks are renamed
// across, directories present in both are merged, and from is removed when it ends up empty.
void mergeDirectory(const fs::path& from, const fs::path& to) {
    if (linkOnTheWay(from) || linkOnTheWay(to)) return;
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

// Set by a save that found its classroom gone from the index; told once by takeSaveTrouble.
bool classroomGone = false;

const char* const IndexPath = "classrooms/classrooms";

// A save lock held for one scope, waited for as long as it takes: a save never goes ahead without
// its lock, since two copies writing the same record number lose a race. Another copy's lock is
// held for one short save; a dead one is taken over within seconds.
struct HeldLock {
    SaveLock lock;
    explicit HeldLock(const std::string& guarded) { takeSaveLock(lock, guarded); }
    ~HeldLock() { releaseSaveLock(lock); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
};

SaveHooks saveHooks;
int savesUnderway = 0;

// One save from the hooks' point of view: declared first in a save so that it ends after the
// save's locks are released.
struct SaveWindow {
    SaveWindow() {
        if (savesUnderway++ == 0 && saveHooks.before != nullptr) saveHooks.before();
    }
    ~SaveWindow() {
        if (--savesUnderway == 0 && saveHooks.after != nullptr) saveHooks.after();
    }
    SaveWindow(const SaveWindow&) = delete;
    SaveWindow& operator=(const SaveWindow&) = delete;
};

// The lock of a room guards its players and boards. It lies beside the room directory, not in it,
// so that it never keeps a deleted room alive and never moves with the room's rename.
std::string roomLockName(int position) { return roomPath(position); }

bool sameClassroom(const Classroom& a, const Classroom& b) { return a.name == b.name && a.password == b.password; }

bool samePlayer(const Player& a, const Player& b) {
    return a.name == b.name && a.password == b.password && a.car == b.car && a.driver == b.driver;
}

// Applies this copy's changes to the players, base -> working, to the list on disk, by name: a
// player deleted here is deleted there (the last one moving into the gap, as the menu does), one
// added here is added there unless a player of that name is there already, and a changed password,
// car or driver is set there unless the player was deleted there meanwhile. Names are looked up in
// tables, so that a class of any size costs one pass over each list.
void applyPlayerChanges(std::vector<Player>& disk, const std::vector<Player>& base,
                        const std::vector<Player>& working) {
    const auto firstByName = [](const std::vector<Player>& list) {
        std::unordered_map<std::string_view, std::size_t> places;
        places.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) places.emplace(list[i].name, i);
        return places;
    };
    const auto workingNames = firstByName(working);
    const auto baseNames = firstByName(base);
    std::unordered_map<std::string, std::size_t> diskNames;
    diskNames.reserve(disk.size());
    for (std::size_t i = 0; i < disk.size(); ++i) diskNames.emplace(disk[i].name, i);
    for (const Player& before : base) {
        if (workingNames.count(before.name) != 0) continue;
        const auto there = diskNames.find(before.name);
        if (there == diskNames.end()) continue;
        const std::size_t gap = there->second;
        diskNames.erase(there);
        if (gap + 1 != disk.size()) {
            disk[gap] = std::move(disk.back());
            // The moved player is found at its new place, unless a player of its name came first.
            const auto moved = diskNames.find(disk[gap].name);
            if (moved != diskNames.end() && moved->second == disk.size() - 1) moved->second = gap;
        }
        disk.pop_back();
    }
    for (const Player& now : working) {
        const auto old = baseNames.find(now.name);
        const Player* before = old == baseNames.end() ? nullptr : &base[old->second];
        if (before != nullptr && samePlayer(*before, now)) continue;
        const auto there = diskNames.find(now.name);
        if (there != diskNames.end()) {
            disk[there->second] = now;
        } else if (before == nullptr) {
            diskNames.emplace(now.name, disk.size());
            disk.push_back(now);
        }
    }
}

// Applies the classrooms added here (base -> working) to the index on disk. Deleting is done on
// disk at once by deleteClassroom, so only additions are left to apply; one the disk already holds
// with the same name and password (the "Default" that several copies fell back to) is not doubled.
void applyClassroomAdditions(std::vector<Classroom>& disk, const std::vector<Classroom>& base,
                             const std::vector<Classroom>& working) {
    std::vector<Classroom> unmatched = base;
    for (const Classroom& now : working) {
        const auto old = std::find_if(unmatched.begin(), unmatched.end(),
                                      [&](const Classroom& c) { return sameClassroom(c, now); });
        if (old != unmatched.end()) {
            unmatched.erase(old);
            continue;
        }
        const bool there =
            std::any_of(disk.begin(), disk.end(), [&](const Classroom& c) { return sameClassroom(c, now); });
        if (!there) disk.push_back(now);
    }
}

// The index as it is on disk, with its base, as loadClassrooms reads it.
ClassroomList readIndex() {
    ClassroomList list;
    loadClassrooms(list);
    return list;
}

// Writes list.items as the index and makes it the base too.
void writeIndex(ClassroomList& list) {
    std::string out;
    appendInt(out, static_cast<int>(list.items.size()));
    for (const Classroom& c : list.items) {
        appendText(out, c.name);
        appendText(out, c.password);
    }
    ensureDirectory("classrooms");
    removeStaleTemporaries("classrooms");
    if (writeFileAtomically(IndexPath, out)) list.base = list.items;
    list.count = static_cast<int>(list.items.size());
}

// Under the index lock: the index on disk with this copy's additions applied, made the list.
void mergeIndex(ClassroomList& list) {
    ClassroomList disk = readIndex();
    applyClassroomAdditions(disk.base, list.base, list.items);
    disk.items = disk.base;
    list = disk;
}

// Where the classroom named name, last seen at position, is in the index now: position when it
// still holds that name, else the first of that name, else -1 (deleted meanwhile).
int findClassroom(const ClassroomList& index, const std::string& name, int position) {
    const int count = static_cast<int>(index.items.size());
    if (position >= 0 && position < count && index.items[static_cast<std::size_t>(position)].name == name)
        return position;
    for (int i = 0; i < count; ++i)
        if (index.items[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

// Called with the index lock held: finds the classroom of classrooms.items[position] in the index
// on disk, updates classrooms to it and position to the classroom's place there. False, with the
// class told, when it was deleted on another computer.
bool resolveClassroom(ClassroomList& classrooms, int& position) {
    // A list that does not hold position (a tool's game that never read the index) names no
    // classroom: the save goes to position as it stands.
    if (position < 0 || position >= static_cast<int>(classrooms.items.size())) return true;
    // No index on disk at all: no classroom was ever saved, so none can have been deleted or moved.
    std::error_code ec;
    if (!fs::exists(IndexPath, ec)) return true;
    const std::string name = classrooms.items[static_cast<std::size_t>(position)].name;
    ClassroomList index = readIndex();
    const int now = findClassroom(index, name, position);
    if (now < 0) {
        classroomGone = true;
        return false;
    }
    // Additions this copy has not saved yet stay in the list, after those on disk.
    applyClassroomAdditions(index.items, classrooms.base, classrooms.items);
    index.count = static_cast<int>(index.items.size());
    classrooms = index;
    position = now;
    return true;
}

}  // namespace

void setSaveHooks(SaveHooks hooks) { saveHooks = hooks; }

std::string takeSaveTrouble() {
    const int failure = takeWriteFailure();
    if (classroomGone) {
        classroomGone = false;
        // One line of the notice holds 40 characters: "PC", the word the class uses, fits.
        return "This class was deleted on another PC";
    }
    switch (failure) {
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
    FieldReader r = openFields(IndexPath);
    const int count = readIntField(r);
    list.items.assign(boundedCount(count, r, 2), Classroom{});
    for (Classroom& c : list.items) {
        c.name = readTextLine(r, LongestName);
        c.password = readTextLine(r, LongestName);
    }
    list.base = list.items;  // the fallback below is not on disk: the first save writes it
    if (list.items.empty()) list.items.push_back(Classroom{"Default", ""});
    list.count = static_cast<int>(list.items.size());
}

void saveClassrooms(ClassroomList& list) {
    const SaveWindow window;
    HeldLock index(IndexPath);
    mergeIndex(list);
    writeIndex(list);
}

void addClassroom(ClassroomList& list, const std::string& name, const std::string& password) {
    const SaveWindow window;
    HeldLock index(IndexPath);
    mergeIndex(list);
    list.items.push_back(Classroom{name, password});
    list.count = static_cast<int>(list.items.size());
    // The number after the last on disk is free: no other copy adds a room while this one holds
    // the index lock.
    ensureDirectory(roomPath(list.count - 1));
    writeIndex(list);
}

namespace {

// Deletes the files and directories of room position and moves room last into its number.
void removeRoom(int position, int last) {
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
    for (fs::directory_iterator it(room, ec), end; !ec && !linkOnTheWay(room) && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e;
        if (name.rfind("players.tmp", 0) == 0 && fs::is_regular_file(it->symlink_status(e))) {
            fs::remove(it->path(), e);
        }
    }
    ec.clear();
    fs::remove(room, ec);
    if (position == last) return;
    // The last classroom's tree takes the freed number. When files that are not the game's kept
    // the old room directory alive, its contents are moved across instead, so the moved
    // classroom still finds its players and boards under its new number.
    const std::string lastRoom = roomPath(last);
    ec.clear();
    fs::rename(lastRoom, room, ec);
    if (ec && fs::is_directory(room) && fs::is_directory(lastRoom)) mergeDirectory(lastRoom, room);
}

}  // namespace

void deleteClassroom(ClassroomList& list, int position) {
    if (position < 0 || position >= static_cast<int>(list.items.size())) return;
    const std::string name = list.items[static_cast<std::size_t>(position)].name;
    const SaveWindow window;
    // Lock order, everywhere: the index first, then rooms in ascending number. A save holds the
    // index only while it finds its room, then that room alone, so no two copies wait on each other.
    HeldLock index(IndexPath);
    mergeIndex(list);
    const int at = findClassroom(list, name, position);
    if (at < 0) return;  // deleted on another computer already
    const int last = static_cast<int>(list.items.size()) - 1;
    {
        HeldLock gap(roomLockName(at));
        // Deleting the last classroom moves none: its own lock, taken twice, would be waited for.
        std::optional<HeldLock> moved;
        if (last != at) moved.emplace(roomLockName(last));
        removeRoom(at, last);
    }
    list.items[static_cast<std::size_t>(at)] = list.items[static_cast<std::size_t>(last)];
    list.items.pop_back();
    writeIndex(list);
}

void loadPlayers(PlayerList& list, int position) {
    FieldReader r = openFields(roomPath(position) + "/players");
    const int count = readIntField(r);
    list.items.assign(boundedCount(count, r, 4), Player{});
    for (Player& p : list.items) {
        p.name = readTextLine(r, LongestName);
        p.password = readTextLine(r, LongestName);
        p.car = readIntField(r);
        p.driver = readIntField(r);
    }
    list.base = list.items;  // the fallback below is not on disk: the first save writes it
    if (list.items.empty()) list.items.push_back(Player{"Default", "", 0, 0});
    list.count = static_cast<int>(list.items.size());
}

namespace {

// savePlayers with the room's lock held by the caller.
void savePlayersLocked(PlayerList& list, int position) {
    const std::string room = roomPath(position);
    PlayerList disk;
    loadPlayers(disk, position);
    applyPlayerChanges(disk.base, list.base, list.items);
    std::string out;
    appendInt(out, static_cast<int>(disk.base.size()));
    for (const Player& p : disk.base) {
        appendText(out, p.name);
        appendText(out, p.password);
        appendInt(out, p.car);
        appendInt(out, p.driver);
    }
    removeStaleTemporaries(room);
    // A failed write leaves the working list and its base as they were, so the next save tries again.
    if (!writeFileAtomically(room + "/players", out)) return;
    list.items = disk.base;
    list.base = disk.base;
    list.count = static_cast<int>(list.items.size());
}

// What lockClassroom found.
enum class Locked { Held, Gone, Busy };

// How long a save of the game waits for a lock before it leaves its change for keepSaving; a
// negative patience (tools, the server) waits as long as it takes.
double savePatience = -1;

// Finds the classroom of classrooms.items[position] by name in the index on disk and takes its
// room's lock (into room) before the index lock goes, so that no deletion can move the room in
// between. Gone when the classroom was deleted meanwhile; Busy, with nothing held, when another
// copy kept a lock for longer than patience.
Locked lockClassroom(ClassroomList& classrooms, int& position, SaveLock& room, double patience) {
    SaveLock index;
    if (!takeSaveLock(index, IndexPath, patience)) return Locked::Busy;
    const bool found = resolveClassroom(classrooms, position);
    bool busy = false;
    if (found) {
        ensureDirectory(roomPath(position));
        busy = !takeSaveLock(room, roomLockName(position), patience);
    }
    releaseSaveLock(index);
    if (!found) return Locked::Gone;
    return busy ? Locked::Busy : Locked::Held;
}

// The saves of the game that found another copy's lock and wait in memory: the players and boards
// of one classroom (the one the game is in: it finishes them before it enters another).
struct Deferred {
    ClassroomList classrooms;  // as the deferred save saw them, and the classroom's position there
    int position = 0;
    PlayerList* players = nullptr;
    std::vector<int> boards;  // flat indices into LeaderboardTable
    std::chrono::steady_clock::time_point since{};
    std::chrono::steady_clock::time_point lastTry{};
};
std::optional<Deferred> deferred;

constexpr std::chrono::milliseconds RetryGap{100};

void defer(const ClassroomList& classrooms, int position, PlayerList* players, int board) {
    if (!deferred) {
        deferred.emplace();
        deferred->since = std::chrono::steady_clock::now();
    }
    deferred->classrooms = classrooms;
    deferred->position = position;
    deferred->lastTry = std::chrono::steady_clock::now();
    if (players != nullptr) deferred->players = players;
    if (board >= 0 && std::find(deferred->boards.begin(), deferred->boards.end(), board) == deferred->boards.end())
        deferred->boards.push_back(board);
}

bool saveThroughQueue(ClassroomList& classrooms, int& position, PlayerList* players, int board);

}  // namespace

void savePlayers(PlayerList& list, int position) {
    const SaveWindow window;
    ensureDirectory(roomPath(position));
    HeldLock room(roomLockName(position));
    savePlayersLocked(list, position);
}

bool savePlayers(PlayerList& list, ClassroomList& classrooms, int& position) {
    if (savePatience >= 0) return saveThroughQueue(classrooms, position, &list, -1);
    const SaveWindow window;
    SaveLock room;
    if (lockClassroom(classrooms, position, room, -1) == Locked::Gone) return false;
    savePlayersLocked(list, position);
    releaseSaveLock(room);
    return true;
}

namespace {

// A record file's lines.
std::string recordText(const RaceRecord& record) {
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
    return out;
}

}  // namespace

bool writeRaceRecord(const RaceRecord& record, const std::string& path) {
    return writeFileAtomically(path, recordText(record));
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

namespace {

// The lesson folders whose leftovers of writes cut short by a crash were looked for in this run:
// once a run in each folder, since a listing costs as many round trips as a big board has records.
// Not a local static: saves still run at exit, after such a one would be gone.
std::set<std::string> swept;

// Stores a board with the room's lock held by the caller. A merged save first catches the board in
// memory up with the board on disk, reading only what another copy added since this one last
// looked, so that this copy's new records follow them (their numbers after its count) and the board
// in memory is the board on disk, classmates' races included.
void storeBoard(int position, int operation, int lesson, int distance, bool merge) {
    const std::string directory = lessonDirectory(position, operation, lesson);
    ensureDirectory(directory);
    if (swept.insert(std::filesystem::absolute(directory).string()).second) removeStaleTemporaries(directory);
    Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    const std::string path = boardPath(position, operation, lesson, distance);
    if (merge) catchUpBoard(board, path);
    // On failure the board in memory keeps its unsaved records, and the next save writes them.
    writeLeaderboard(board, path);
}

// Saves what waits in deferred once its classroom's locks are had within patience: Busy while they
// are not (it all waits on), Gone when the classroom was deleted meanwhile (nothing is saved, and
// the class is told), Held once it is saved. The classroom list and position it found are given
// back through classrooms and position, when given.
Locked saveDeferred(double patience, ClassroomList* classrooms = nullptr, int* position = nullptr) {
    if (!deferred) return Locked::Held;
    const SaveWindow window;
    Deferred& d = *deferred;
    d.lastTry = std::chrono::steady_clock::now();
    SaveLock room;
    int now = d.position;
    const Locked locked = lockClassroom(d.classrooms, now, room, patience);
    if (locked == Locked::Busy) return locked;
    if (locked == Locked::Held) {
        for (const int b : d.boards) {
            const int operation = b / (BoardLessons * BoardDistances);
            storeBoard(now, operation, b / BoardDistances % BoardLessons, b % BoardDistances, true);
        }
        if (d.players != nullptr) savePlayersLocked(*d.players, now);
        releaseSaveLock(room);
    }
    if (classrooms != nullptr) *classrooms = std::move(d.classrooms);
    if (position != nullptr) *position = now;
    deferred.reset();
    return locked;
}

// The game's save of its players (players) or a board (its flat index): put with what waits
// already, so that a save cut off by the program's end is still there to finish, then tried
// within savePatience. True unless the classroom is gone.
bool saveThroughQueue(ClassroomList& classrooms, int& position, PlayerList* players, int board) {
    defer(classrooms, position, players, board);
    ClassroomList found;
    int at = position;
    const Locked locked = saveDeferred(savePatience, &found, &at);
    if (locked == Locked::Busy) return true;
    if (locked == Locked::Held) {
        classrooms = std::move(found);
        position = at;
    }
    return locked == Locked::Held;
}

}  // namespace

void saveLeaderboard(int position, int operation, int lesson, int distance) {
    if (!boardIndicesValid(operation, lesson, distance)) return;
    const SaveWindow window;
    ensureDirectory(roomPath(position));
    HeldLock room(roomLockName(position));
    storeBoard(position, operation, lesson, distance, false);
}

bool saveLeaderboard(ClassroomList& classrooms, int& position, int operation, int lesson, int distance) {
    if (!boardIndicesValid(operation, lesson, distance)) return false;
    if (savePatience >= 0)
        return saveThroughQueue(classrooms, position, nullptr, (operation * BoardLessons + lesson) * BoardDistances + distance);
    const SaveWindow window;
    SaveLock room;
    if (lockClassroom(classrooms, position, room, -1) == Locked::Gone) return false;
    storeBoard(position, operation, lesson, distance, true);
    releaseSaveLock(room);
    return true;
}

void deferBusySaves(double patience) { savePatience = patience; }

namespace {

const char* const KeptFolder = "kept-races";

// This PC's own prefix of kept race files: races kept on one PC are sent from that PC.
std::string keptPrefix() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return "unknown-";
    std::string name = host;
    for (char& c : name)
        if (c == '/' || c == ' ') c = '_';
    return name + "-";
}

}  // namespace

int keepDeferredRaces() {
    if (!deferred) return 0;
    int kept = 0;
    ensureDirectory(KeptFolder);
    const std::string name = deferred->classrooms.items.empty() || deferred->position < 0 ||
                                     deferred->position >= static_cast<int>(deferred->classrooms.items.size())
                                 ? std::string()
                                 : deferred->classrooms.items[static_cast<std::size_t>(deferred->position)].name;
    static unsigned serial = 0;
    for (const int b : deferred->boards) {
        const int operation = b / (BoardLessons * BoardDistances);
        const int lesson = b / BoardDistances % BoardLessons;
        const int distance = b % BoardDistances;
        const Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
        const int first = std::clamp(board.recordsOnDisk, 0, static_cast<int>(board.records.size()));
        for (std::size_t i = static_cast<std::size_t>(first); i < board.records.size(); ++i) {
            std::string out;
            appendText(out, name);
            appendInt(out, deferred->position);
            appendInt(out, operation);
            appendInt(out, lesson);
            appendInt(out, distance);
            out += recordText(board.records[i]);
            const std::string file = std::string(KeptFolder) + "/" + keptPrefix() + std::to_string(::getpid()) + "-" +
                                     std::to_string(serial++);
            if (writeFileAtomically(file, out)) ++kept;
        }
    }
    deferred.reset();
    return kept;
}

int storeKeptRaces() {
    std::error_code ec;
    std::vector<fs::path> files;
    const std::string mine = keptPrefix();
    for (fs::directory_iterator it(KeptFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e;
        if (name.rfind(mine, 0) == 0 && !isTemporaryName(name) && fs::is_regular_file(it->symlink_status(e)))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    int stored = 0;
    for (const fs::path& file : files) {
        FieldReader r = openFields(file.string());
        const std::string classroom = readTextLine(r, LongestName);
        int position = readIntField(r);
        const int operation = readIntField(r);
        const int lesson = readIntField(r);
        const int distance = readIntField(r);
        Leaderboard board;
        board.records.emplace_back();
        std::error_code e;
        if (!boardIndicesValid(operation, lesson, distance) || !parseRecord(board.records[0], r)) {
            fs::remove(file, e);  // damaged: nothing in it can be stored
            continue;
        }
        const SaveWindow window;
        ClassroomList classrooms = readIndex();
        if (position < 0 || position >= static_cast<int>(classrooms.items.size()) ||
            classrooms.items[static_cast<std::size_t>(position)].name != classroom) {
            position = findClassroom(classrooms, classroom, position);
        }
        if (position < 0) {
            fs::remove(file, e);  // its classroom was deleted meanwhile, as a race saved then would be
            continue;
        }
        SaveLock room;
        const Locked locked = lockClassroom(classrooms, position, room, -1);
        if (locked != Locked::Held) continue;
        ensureDirectory(lessonDirectory(position, operation, lesson));
        const std::string path = boardPath(position, operation, lesson, distance);
        catchUpBoard(board, path);
        const bool saved = writeLeaderboard(board, path);
        releaseSaveLock(room);
        if (saved) {
            fs::remove(file, e);
            ++stored;
        }
    }
    return stored;
}

double keepSaving() {
    if (!deferred) return 0;
    const auto now = std::chrono::steady_clock::now();
    const double waited = std::chrono::duration<double>(now - deferred->since).count();
    if (now - deferred->lastTry < RetryGap) return std::max(waited, 1e-9);
    return saveDeferred(0) == Locked::Busy ? std::max(waited, 1e-9) : 0;
}

bool finishSaving(double limit) {
    const auto start = std::chrono::steady_clock::now();
    while (saveDeferred(0.05) == Locked::Busy) {
        if (limit >= 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= limit)
            return false;
        callLockWaitHook(std::chrono::duration<double>(std::chrono::steady_clock::now() - deferred->since).count());
    }
    return true;
}

void deleteFilesIn(const std::string& directory) {
    if (linkOnTheWay(directory)) return;
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
