// The saved-data tree "classrooms": its paths and the operations that read and write it.
#pragma once
#include <string>

#include "store/records.h"

// Every path is relative to the working directory. A file that cannot be read reads as empty, and
// one that cannot be written keeps its old content on disk while the data stays in memory; the
// game learns of a failed save only through takeSaveTrouble (the board and record writers also say
// whether they succeeded). Each operation opens, reads or writes its files whole and closes them
// before it returns. Positions are 0-based; file and directory names count from 1.

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
// Called after every change to the list. Writes the whole list, creating "classrooms" if needed.
void saveClassrooms(const ClassroomList& list);
// Appends a classroom and creates its room directory. The caller saves the list afterwards.
void addClassroom(ClassroomList& list, const std::string& name, const std::string& password);
// Deletes the files and directories of the classroom at position (0 <= position < count; other
// positions do nothing), moves the last classroom and its directory into the freed position and
// shrinks the list by one. The caller saves the list afterwards.
void deleteClassroom(ClassroomList& list, int position);

// Called when a classroom is chosen. Replaces list with that classroom's player file; when that
// holds no player the list is the single player "Default", car 0, driver 0.
void loadPlayers(PlayerList& list, int position);
// Called after every change to the players. Writes the whole list to that classroom's player
// file, creating its directories if needed.
void savePlayers(const PlayerList& list, int position);

// Called when a classroom is chosen, before loadPlayers. Replaces all 600 boards of
// LeaderboardTable with that classroom's boards; a board without a file becomes empty. Lists each
// lesson directory once to find the record files present, so a gap of missing files or an absurd
// count costs nothing.
void loadLeaderboards(int position);
// Called by the race for each board it changed. Stores table entry [operation][lesson][distance]
// as writeLeaderboard does, creating the directories on the way. Indices out of range do nothing.
// Record files numbered above the board's count, left from a longer board, stay untouched.
void saveLeaderboard(int position, int operation, int lesson, int distance);

// One board file and its record files (path + "record" + number from 1). Every record file present
// up to the board's count is read, whatever the gap before it; a missing one reads as an empty
// record. After the last file present at most a bounded number of empty records is kept, so the
// count in memory may be smaller than the file's when that says more. Sets recordsOnDisk to all.
void readLeaderboard(Leaderboard& board, const std::string& path);
// The directory of path must exist. Writes the records after the first recordsOnDisk (those are
// on disk already), then the board file, but the board file only when every one of those records
// was written: the board on disk never counts a record that is not. On success recordsOnDisk
// becomes the count and true is returned; on failure the board on disk keeps its previous count
// and records, and the next call writes the unsaved records again.
bool writeLeaderboard(Leaderboard& board, const std::string& path);
// One record file. writeRaceRecord says whether the file reached the disk.
void readRaceRecord(RaceRecord& record, const std::string& path);
bool writeRaceRecord(const RaceRecord& record, const std::string& path);

// Deletes every ordinary file in directory: not directories, links, or hidden files (names that
// start with a dot). Failures are ignored.
void deleteFilesIn(const std::string& directory);
