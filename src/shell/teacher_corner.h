// The teacher's corner of the browser page: the report, the backup and the restore, called by the
// page's buttons.
#pragma once

// The page calls these from its own event handlers, while the game sleeps between two frames, so
// no save is under way and no screen is drawing. Each does its work at once and returns; none
// sleeps or yields. The working directory is the game folder, which holds "classrooms". Each
// returns 1 when it did its work and 0 when not; the text it leaves for tally_corner_text (UTF-8)
// is its result, or on 0 the plain words that say why, for the teacher to read.
extern "C" {

// The text left by the last call below; valid until the next call.
const char* tally_corner_text();

// The teacher's report of every classroom as one self-contained HTML page, as
// "tallyrally-report --format html" makes it.
int tally_corner_report();

// Writes the backup of the whole classrooms folder (a ustar archive) to a file of the page's
// virtual file system, outside the saved data; its path is the text. The page reads it, offers it
// for download and may delete it.
int tally_corner_backup();

// The names of the classrooms saved here, one per line; 0 when none was ever saved.
int tally_corner_classrooms();

// Where the page writes the archive to restore, in its virtual file system (the text; always 1).
int tally_corner_upload_path();

// Checks the archive that the page wrote at the upload path and stages its classrooms beside the
// saved ones, which stay as they are; the text is the names of the classrooms in it, one per line.
// On 0 nothing is staged. The page may delete the archive afterwards.
int tally_corner_stage();

// Puts the staged classrooms in place of the saved ones. The page then writes the folder through
// to its lasting storage and reloads, so that the game starts on them: the game in memory still
// holds the old lists.
int tally_corner_restore();

// Forgets a staged archive that the teacher did not confirm.
int tally_corner_discard();
}
