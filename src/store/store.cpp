// The saved-data tree: classroom index, player files, boards and their record files.
#include "store/store.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

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

// A save lock held for one scope. When another copy holds the lock beyond the patience, the save
// goes ahead without it: its merge still keeps this copy's change (only a change another copy saves
// in that same instant could be lost), and a screen frozen for long would be worse.
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

// The entry of list named name, or null; const or not as list is.
template <typename List>
auto findNamed(List& list, const std::string& name) -> decltype(&list.front()) {
    for (auto& entry : list)
        if (entry.name == name) return &entry;
    return nullptr;
}

// Applies this copy's changes to the players, base -> working, to the list on disk, by name: a
// player deleted here is deleted there (the last one moving into the gap, as the menu does), one
// added here is added there unless a player of that name is there already, and a changed password,
// car or driver is set there unless the player was deleted there meanwhile.
void applyPlayerChanges(std::vector<Player>& disk, const std::vector<Player>& base,
                        const std::vector<Player>& working) {
    for (const Player& before : base) {
        if (findNamed(working, before.name) != nullptr) continue;
        for (std::size_t i = 0; i < disk.size(); ++i) {
            if (disk[i].name != before.name) continue;
            disk[i] = disk.back();
            disk.pop_back();
            break;
        }
    }
    for (const Player& now : working) {
        const Player* before = findNamed(base, now.name);
        if (before != nullptr && samePlayer(*before, now)) continue;
        Player* there = findNamed(disk, now.name);
        if (there != nullptr)
            *there = now;
        else if (before == nullptr)
            disk.push_back(now);
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
        c.name = readTextLine(r);
        c.password = readTextLine(r);
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
        p.name = readTextLine(r);
        p.password = readTextLine(r);
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

// Finds the classroom of classrooms.items[position] by name in the index on disk and takes its
// room's lock (into room) before the index lock goes, so that no deletion can move the room in
// between. False when the classroom was deleted meanwhile.
bool lockClassroom(ClassroomList& classrooms, int& position, SaveLock& room) {
    SaveLock index;
    takeSaveLock(index, IndexPath);
    const bool found = resolveClassroom(classrooms, position);
    if (found) {
        ensureDirectory(roomPath(position));
        takeSaveLock(room, roomLockName(position));
    }
    releaseSaveLock(index);
    return found;
}

}  // namespace

void savePlayers(PlayerList& list, int position) {
    const SaveWindow window;
    ensureDirectory(roomPath(position));
    HeldLock room(roomLockName(position));
    savePlayersLocked(list, position);
}

bool savePlayers(PlayerList& list, ClassroomList& classrooms, int& position) {
    const SaveWindow window;
    SaveLock room;
    if (!lockClassroom(classrooms, position, room)) return false;
    savePlayersLocked(list, position);
    releaseSaveLock(room);
    return true;
}

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

// Stores a board with the room's lock held by the caller. A merged save reads the board on disk
// again, appends this copy's records not yet on disk after its records (their numbers follow its
// count), and makes the board in memory the board on disk, classmates' races included.
void storeBoard(int position, int operation, int lesson, int distance, bool merge) {
    const std::string directory = lessonDirectory(position, operation, lesson);
    ensureDirectory(directory);
    removeStaleTemporaries(directory);
    Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    const std::string path = boardPath(position, operation, lesson, distance);
    if (!merge) {
        writeLeaderboard(board, path);
        return;
    }
    Leaderboard merged;
    readLeaderboard(merged, path);
    if (merged.title.empty()) merged.title = board.title;  // a board new on disk takes ours
    const int first = std::clamp(board.recordsOnDisk, 0, static_cast<int>(board.records.size()));
    merged.records.insert(merged.records.end(), board.records.begin() + first, board.records.end());
    merged.count = static_cast<int>(merged.records.size());
    // On failure the board in memory keeps its unsaved records, and the next save tries again.
    if (writeLeaderboard(merged, path)) board = std::move(merged);
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
    const SaveWindow window;
    SaveLock room;
    if (!lockClassroom(classrooms, position, room)) return false;
    storeBoard(position, operation, lesson, distance, true);
    releaseSaveLock(room);
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
