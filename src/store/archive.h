// The class archive: the whole "classrooms" folder as one plain POSIX ustar file, for a backup that
// a desktop game folder can be made from ("tar -xf FILE -C GAMEFOLDER") and a restore from one made
// there ("tar -cf FILE classrooms").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What a restore accepts, so that a hostile or damaged file costs bounded time, memory and disk. A
// real classroom's files are a few kilobytes at most and its names under 80 bytes; a school's
// whole tree holds some tens of thousands of files.
constexpr std::size_t ArchiveMostEntries = 200000;
constexpr std::uint64_t ArchiveLargestFile = std::uint64_t{1} << 20;  // 1 MiB
constexpr std::uint64_t ArchiveMostBytes = std::uint64_t{256} << 20;  // every file's bytes together
constexpr std::size_t ArchiveLongestName = 255;                       // bytes, the whole path
constexpr int ArchiveDeepestName = 8;                                 // path pieces, "classrooms" included

// Where a restore builds the folder before swapping it in, and where the old entries wait while it
// does: inside "classrooms" itself, so that every step is a rename within one file system even when
// "classrooms" is a mount of its own (as in the browser). The store reads only the names it made,
// and neither the backup nor deleteFilesIn touches hidden names.
extern const char* const StagedClassroomsPath;    // "classrooms/.restoring"
extern const char* const ReplacedClassroomsPath;  // "classrooms/.replaced"

// Called with no save under way (the game between frames, or a tool). Writes every folder and file
// under "classrooms" in the working directory to archivePath (replacing it) as ustar entries named
// "classrooms/...", each folder before what it holds and names in byte order, so that the same tree
// always gives the same order. Lock entries, half-written temporaries and hidden names are left
// out: they belong to a save under way, not to the classes. Returns "" when the whole archive was
// written, else the words that say why not (a partial file may then remain at archivePath).
std::string writeClassArchive(const std::string& archivePath);

// The first half of a restore, called with no save under way. Reads the archive at archivePath and
// builds the folder it holds at StagedClassroomsPath (replacing any left from before), refusing the
// whole file at the first entry that is not a folder or regular file named "classrooms/..." or
// "./classrooms/..." (no "..", no absolute path, no link or device, within the bounds above), at a
// bad header checksum, at a truncated file, and when it holds no classroom index. Hidden names,
// lock entries and temporaries in it are passed over, as the backup leaves them out. "classrooms"
// itself is not otherwise changed. Returns "" and the names of the archive's classrooms (code page
// 437 bytes, index order), or the words that say why the file was refused, with nothing staged.
std::string stageClassArchive(const std::string& archivePath, std::vector<std::string>& classroomNames);
// The second half: replaces everything in "classrooms" with the staged folder. The old entries are
// moved aside first and removed only after every staged entry is in place; when a move fails, the
// old entries go back. Returns "" when done, else why not (the classes are then as they were).
std::string swapInStagedClassrooms();
// Removes a staged folder that is not wanted after all; nothing else changes.
void discardStagedClassrooms();
