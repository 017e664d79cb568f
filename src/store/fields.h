// Reading and writing the one-value-per-line text of the saved-data files and the sound list.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// A whole file held in memory and the place the next field starts. Fields are read from the front
// to the back; any content is safe to read, and past the end every field reads as empty.
struct FieldReader {
    std::string data;
    std::size_t pos = 0;
};

// Longest text field and number field; the rest of an overlong field is left for the next read.
constexpr std::size_t MaxTextField = 4096;
constexpr std::size_t MaxNumberField = 67;

// Reads the whole file at path ("/" separated, relative to the working directory or absolute).
// A file that cannot be read, or a directory, gives an empty reader.
FieldReader openFields(const std::string& path);
// The same into an existing reader, reusing its memory: for reading many files in a row. Says
// whether the file could be opened (it then exists, even when it reads as empty). Readers on
// different threads must each have their own FieldReader.
bool reopenFields(FieldReader& r, const std::string& path);

// The field rules: blanks and tabs before a field are skipped; a field ends at a comma, LF, CR or
// CR LF, which is consumed; a field that starts with a double quote runs to the next double quote.
// A number field also ends at a blank or tab. At the end of the data a field reads as empty.

// An integer field; text holding ".", "e", "E", "d" or "D" is read as a real and rounded to the
// nearest integer, ties to even. Empty or non-numeric text gives 0; values beyond the 32-bit range
// are clamped to it.
int readIntField(FieldReader& r);
// A real field; empty or non-numeric text gives 0, never a NaN or an infinity.
double readRealField(FieldReader& r);
// A text field: blanks and tabs after its first character belong to it, trailing ones included.
std::string readTextField(FieldReader& r);
// The rest of the current line, byte for byte (leading blanks, commas and quotes included), and
// its line end (CR, LF or CR LF) consumed. Used for the names and passwords of the saved-data files,
// which are written one value per line, so that any text typed in comes back unchanged.
// At most limit bytes of the line are kept; the rest of an overlong line is skipped, never copied.
std::string readTextLine(FieldReader& r, std::size_t limit = MaxTextField);

// A list's count read from its file, bounded for what is left of the file: every entry that holds
// anything takes at least one byte per field (the line end or comma that ends it), so no more than
// remaining bytes / fieldsPerEntry entries can hold data. A count beyond that only adds entries
// that read as empty; SpareEntries of those are still made, so that a count somewhat larger than the
// entries that follow keeps its full length as the format wants, but an absurd count in a damaged
// file costs neither memory nor time. A negative count gives 0.
constexpr std::size_t SpareEntries = 256;
std::size_t boundedCount(int count, const FieldReader& r, std::size_t fieldsPerEntry);

// The writer side: each appends one value and its CR LF line end to out.
// An integer as printf "% d": a leading blank when not negative.
void appendInt(std::string& out, int value);
// A real as printf "%.16g" with a leading blank when its sign is positive (so -0 stays "-0").
void appendReal(std::string& out, double value);
// Text byte for byte, unquoted.
void appendText(std::string& out, const std::string& value);

// Replaces the file at path with content so that it is never left half written: the bytes go to a
// temporary file in the same directory, are flushed to disk, and the temporary file is renamed over
// path; then the directory is flushed too, so that the rename itself survives a power cut. When the file already holds exactly content, nothing is written. Returns false when the
// file could not be written; the old file is then left exactly as it was. The directory must exist.
// A file in the way of a temporary name never stops the write: another name is taken.
bool writeFileAtomically(const std::string& path, const std::string& content);

// The reason (an errno value) of the first failed writeFileAtomically or noteWriteFailure since the
// last call, and forgets it; 0 when every write since then succeeded. Called by the store to tell
// the class that something was not saved.
int takeWriteFailure();
// Records a failure of a save step other than a file write (making a directory, for one), so that
// takeWriteFailure reports it like a failed write.
void noteWriteFailure(int error);

// The name the next writeFileAtomically of path tries first for its temporary file
// ("<path>.tmp<pid>-<n>"); for checking that a file in the way stops nothing.
std::string nextTemporaryName(const std::string& path);

// Whether name (a file name without its directory) is one that writeFileAtomically gives its
// temporary files: "<name>.tmp<digits>-<digits>".
bool isTemporaryName(std::string_view name);

// Removes from directory the temporary files that writeFileAtomically left behind when a run
// stopped mid-write: regular files named "<name>.tmp<digits>-<digits>" last changed over ten
// minutes ago. Called where a save already works in that directory; no other file is touched, and
// a missing directory is no failure.
void removeStaleTemporaries(const std::string& directory);
