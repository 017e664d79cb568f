// Reading the boards and their record files: one board at a time, or a whole classroom's at once.
#pragma once
#include <string>

#include "store/records.h"

struct FieldReader;

// Called when a classroom is chosen, before loadPlayers. Replaces all 600 boards of
// LeaderboardTable with that classroom's boards; a board without a file becomes empty. Every board
// ends exactly as readLeaderboard would read it. Only what exists is touched: listings of the
// leaderboards and category directories say which lesson directories there are, and a board's
// record files up to its count are opened directly (listing a directory costs about as many round
// trips as opening its files); a lesson directory is listed only for a board whose count is too
// large to take on trust. The files are read by a few threads at once, so that a network drive has
// several requests in flight; they are all joined before the call returns, and nothing else in the
// game may touch LeaderboardTable meanwhile.
void loadLeaderboards(int position);

// Called instead of loadLeaderboards when LeaderboardTable holds the boards of the classroom at
// position as this copy last read or saved them (the classroom server keeps them between
// requests): brings every board up to the board on disk as catchUpBoard does, reading only board
// files and the record files new since. The caller must know the room is still that classroom's.
void refreshLeaderboards(int position);

// One board file and its record files (path + "record" + number from 1). Every record file present
// up to the board's count is read, whatever the gap before it; a missing one reads as an empty
// record. After the last file present at most a bounded number of empty records is kept, so the
// count in memory may be smaller than the file's when that says more. Sets recordsOnDisk to all.
// Reads on the calling thread only; the teacher's report reads one board at a time with it.
void readLeaderboard(Leaderboard& board, const std::string& path);

// Called by a save with the board's room lock held, before the board's new records are written:
// brings board (as this copy last read or saved it: its first recordsOnDisk records are on disk)
// up to the board on disk at path, reading only what is new there: the board file, the record
// files after those this copy knows, and one look past the count. Record files beyond the board
// file's count are counted again (they are races: a damaged board file must neither hide them nor
// let a save write over them), and a large count past the last record file is mended to it; then
// the whole board is read again. The records not yet on disk follow, in their order;
// recordsOnDisk becomes the length of the board on disk, so that writing the board puts them after.
void catchUpBoard(Leaderboard& board, const std::string& path);

// One record file; a missing one reads as an empty record.
void readRaceRecord(RaceRecord& record, const std::string& path);

// Fills record from a record file already read into r; says whether the file held anything. Any
// reader of record files (the loading benchmark's serial loader too) parses them with this.
bool parseRecord(RaceRecord& record, FieldReader& r);
