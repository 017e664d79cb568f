// The saved-data tree "classrooms": its paths and the operations that read and write it.
#pragma once
#include <string>

#include "store/board_loading.h"
#include "store/records.h"

// Every path is relative to the working directory. A file that cannot be read reads as empty, and
// one that cannot be written keeps its old content on disk while the data stays in memory; the
// game learns of a failed save only through takeSaveTrouble (the board and record writers also say
// whether they succeeded). Each operation opens, reads or writes its files whole and closes them
// before it returns. Positions are 0-based; file and directory names count from 1.
//
// Several copies of the game, on one PC or on many sharing a network folder, may save into one
// tree at once. Every save therefore re-reads what is on disk under a short lock (store/save_lock.h)
// and adds this copy's change to it instead of writing its own copy back: the index and the player
// files apply the difference between the list as last read or written (its base) and the working
// list, by name; a board reads only the records other copies added since this copy last looked and
// appends this copy's new records after them. Lock order is the index ("classrooms/classrooms.lock")
// first, then room locks ("classrooms/roomN.lock") in ascending number. No save ever goes ahead
// without its lock: the tools and the classroom server wait for it as long as it takes (another
// copy's save is short, and a dead copy's lock is taken over within seconds); the game, which must
// keep its screens going, leaves a busy save of players or a board in memory for keepSaving (see
// deferBusySaves). One copy alone writes exactly the bytes it always did.

// Calls around every save of the operations below that write (saveClassrooms, addClassroom,
// deleteClassroom, savePlayers, saveLeaderboard): before runs as the save starts, before its locks
// and its reading of the disk; after runs once its files are written or have failed. A save made
// inside another runs neither. The browser build pulls and pushes its stored copy of "classrooms"
// here; a null hook does nothing, as both do until they are set.
struct SaveHooks {
    void (*before)() = nullptr;
    void (*after)() = nullptr;
};
// Called once at start-up, before any save.
void setSaveHooks(SaveHooks hooks);

// Called after saving (the screens call it through the notice line): the words that tell the class
// why a save since the last call did not reach the disk, such as "Could not save: the disk is full";
// empty when every save since then succeeded. The data stays in memory, as for any failed save.
std::string takeSaveTrouble();

// "classrooms/room" + (position + 1).
std::string roomPath(int position);
// The board file of table entry [operation][lesson][distance] of the classroom at position.
std::string boardPath(int position, int operation, int lesson, int distance);

// Called by the classroom menu each time it opens. Replaces list with "classrooms/classrooms";
// when that holds no classroom (or is missing) the list is the single classroom "Default" with
// no password, in memory only.
void loadClassrooms(ClassroomList& list);
// Called after every change to the list. Applies the classrooms added to list since it was read
// to the index as it is on disk, writes that (creating "classrooms" if needed) and makes it the
// list and its base: classrooms added on another computer meanwhile appear in list.
void saveClassrooms(ClassroomList& list);
// Appends a classroom to the index on disk (merged as saveClassrooms does), creates its room
// directory and writes the index; list becomes the index with the new classroom last. Saving the
// list again afterwards, as the menu does, changes nothing.
void addClassroom(ClassroomList& list, const std::string& name, const std::string& password);
// Deletes the classroom of list.items[position] (0 <= position < count; other positions do
// nothing), found again by name in the index on disk: deletes its files and directories, moves the
// last classroom and its directory into the freed number, and writes the index; list becomes it.
// A classroom already deleted on another computer deletes nothing.
void deleteClassroom(ClassroomList& list, int position);

// Called when a classroom is chosen. Replaces list with that classroom's player file; when that
// holds no player the list is the single player "Default", car 0, driver 0.
void loadPlayers(PlayerList& list, int position);
// Called after every change to the players, with the classroom's room number as it stands (for
// tools and tests; the game uses the overload below). Applies this copy's changes (base -> items:
// a player added, deleted, or with another password, car or driver) by name to the player file as
// it is on disk, writes that, and makes it the list and its base, creating directories if needed.
void savePlayers(PlayerList& list, int position);
// The game's save of the current classroom's players: finds the classroom of
// classrooms.items[position] again by name in the index on disk (another computer may have deleted
// a classroom and moved this one's folder), sets position to where it is now and classrooms to the
// index, and saves as above. A position outside classrooms names no classroom, and without an index file no classroom
// was ever saved: then position is used as it stands. When the classroom is gone nothing is written, takeSaveTrouble says
// "This class was deleted on another PC", and false is returned. The caller must look its
// players' positions up again by name afterwards: the list may have changed.
bool savePlayers(PlayerList& list, ClassroomList& classrooms, int& position);

// Stores table entry [operation][lesson][distance] of the room at position as it stands in memory
// (for tools and tests, which may replace a board wholesale), as writeLeaderboard does, under the
// room's lock, creating the directories on the way. Indices out of range do nothing. Record files
// numbered above the board's count, left from a longer board, stay untouched.
void saveLeaderboard(int position, int operation, int lesson, int distance);
// Called by the race for each board it changed. Finds the classroom of classrooms.items[position]
// again by name as savePlayers does (position follows it; false, nothing written, when it was
// deleted), catches the board up with the board on disk (catchUpBoard: only what is new there is
// read), writes the records of the board in memory that are not on disk yet after its records
// (their numbers follow its count) and then the board file, so that the board in memory is the
// board on disk, races saved meanwhile by other copies included.
bool saveLeaderboard(ClassroomList& classrooms, int& position, int operation, int lesson, int distance);

// Called once at start by the game: a save of the players or of a board (the overloads above that
// find their classroom by name) that cannot have its locks within patience seconds returns at
// once as if saved (true), its change kept in memory, and keepSaving saves it later. Until called
// (tools, the server), those saves wait for their locks as long as it takes.
void deferBusySaves(double patience);
// Called by the notice line every frame: tries again, at most every 100 ms and without waiting, the
// saves left for later. Returns the seconds the oldest of them has waited, 0 when none waits (any
// more). They all belong to the current classroom: the game finishes them before it leaves it.
double keepSaving();
// Called before the current classroom's boards and players are replaced (another classroom entered)
// and at quit: waits, calling the lock wait hook, until no save is left for later or limit seconds
// have passed (a negative limit: as long as it takes). Says whether none is left.
bool finishSaving(double limit);
// Called at quit when finishSaving ran out of time: writes each race of the boards left for later
// that is not on disk into a file of this PC's own under "kept-races" in the game folder (outside
// "classrooms", so that no board counts it) and forgets what was left. Returns how many it kept.
int keepDeferredRaces();
// Called once at start, before the first screen: stores this PC's kept races onto their boards,
// the classroom found by name, and deletes each file once its race is on disk (or its classroom is
// gone, or it is damaged). Returns how many races it stored.
int storeKeptRaces();

// The directory of path must exist. Writes the records after the first recordsOnDisk (those are
// on disk already), then the board file, but the board file only when every one of those records
// was written: the board on disk never counts a record that is not. On success recordsOnDisk
// becomes the count and true is returned; on failure the board on disk keeps its previous count
// and records, and the next call writes the unsaved records again.
bool writeLeaderboard(Leaderboard& board, const std::string& path);
// One record file (readRaceRecord is with the board loading): says whether the file reached the disk.
bool writeRaceRecord(const RaceRecord& record, const std::string& path);

// Deletes every ordinary file in directory: not directories, links, or hidden files (names that
// start with a dot). Failures are ignored. Lock entries never lie in a lesson directory.
void deleteFilesIn(const std::string& directory);
