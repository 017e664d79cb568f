// The class archive: writes the classrooms folder as ustar entries and restores one, checked whole
// before anything of the old folder is touched.
#include "store/archive.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "store/fields.h"

const char* const StagedClassroomsPath = "classrooms/.restoring";
const char* const ReplacedClassroomsPath = "classrooms/.replaced";

namespace fs = std::filesystem;

namespace {

constexpr std::size_t Block = 512;
using Header = std::array<unsigned char, Block>;

// Where each field of a ustar header lies, and how long it is.
struct Field {
    std::size_t at;
    std::size_t size;
};
constexpr Field NameField{0, 100};
constexpr Field ModeField{100, 8};
constexpr Field UidField{108, 8};
constexpr Field GidField{116, 8};
constexpr Field SizeField{124, 12};
constexpr Field MtimeField{136, 12};
constexpr Field ChecksumField{148, 8};
constexpr std::size_t TypeAt = 156;
constexpr Field MagicField{257, 6};
constexpr Field VersionField{263, 2};
constexpr Field DevMajorField{329, 8};
constexpr Field DevMinorField{337, 8};
constexpr Field PrefixField{345, 155};

// tar programs read in records of twenty blocks; a file padded to whole records suits them all.
constexpr std::size_t RecordBytes = 20 * Block;

// An extended header (pax) only ever carries a few attributes of the next entry.
constexpr std::uint64_t LargestExtendedHeader = 64 * 1024;

const char* const Root = "classrooms";

// ---- Writing ------------------------------------------------------------------------------------

void putOctal(Header& h, Field f, std::uint64_t value) {
    // Digits with leading zeros filling all but the last byte, which stays NUL.
    char text[16];
    std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(f.size - 1), static_cast<unsigned long long>(value));
    std::memcpy(&h[f.at], text, f.size - 1);
}

void putText(Header& h, Field f, std::string_view text) { std::memcpy(&h[f.at], text.data(), std::min(text.size(), f.size)); }

unsigned checksumOf(const Header& h) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < Block; ++i) {
        const bool inField = i >= ChecksumField.at && i < ChecksumField.at + ChecksumField.size;
        sum += inField ? ' ' : h[i];
    }
    return sum;
}

// Splits name into ustar's name and prefix fields at a "/"; false when it cannot fit.
bool splitName(const std::string& name, std::string& prefix, std::string& rest) {
    if (name.size() <= NameField.size) {
        prefix.clear();
        rest = name;
        return true;
    }
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        if (slash <= PrefixField.size && name.size() - slash - 1 <= NameField.size && slash + 1 < name.size()) {
            prefix = name.substr(0, slash);
            rest = name.substr(slash + 1);
            return true;
        }
    }
    return false;
}

struct Entry {
    std::string name;  // "classrooms/..." ; a folder's ends in "/"
    bool folder = false;
    std::string path;  // where it lies, relative to the working directory
};

// Whether an entry of the folder belongs to a save under way rather than to the classes.
bool leftOut(const std::string& name) {
    return name.empty() || name[0] == '.' || isTemporaryName(name) ||
           (name.size() > 5 && name.compare(name.size() - 5, 5, ".lock") == 0);
}

// Every folder and regular file below path, depth first, each folder before what it holds.
void collect(const std::string& path, const std::string& name, std::vector<Entry>& out) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& child : names) {
        if (leftOut(child)) continue;
        const std::string childPath = path + "/" + child;
        struct stat st {};
        if (::lstat(childPath.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            out.push_back(Entry{name + "/" + child + "/", true, childPath});
            collect(childPath, name + "/" + child, out);
        } else if (S_ISREG(st.st_mode)) {
            out.push_back(Entry{name + "/" + child, false, childPath});
        }
    }
}

bool readWhole(const std::string& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    char buffer[8192];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

Header headerFor(const std::string& prefix, const std::string& name, bool folder, std::uint64_t size,
                 std::uint64_t mtime) {
    Header h{};
    putText(h, NameField, name);
    putOctal(h, ModeField, folder ? 0755 : 0644);
    putOctal(h, UidField, 0);
    putOctal(h, GidField, 0);
    putOctal(h, SizeField, size);
    putOctal(h, MtimeField, mtime);
    h[TypeAt] = folder ? '5' : '0';
    putText(h, MagicField, std::string_view("ustar\0", 6));
    putText(h, VersionField, "00");
    putOctal(h, DevMajorField, 0);
    putOctal(h, DevMinorField, 0);
    putText(h, PrefixField, prefix);
    char sum[8];
    std::snprintf(sum, sizeof sum, "%06o", checksumOf(h));
    std::memcpy(&h[ChecksumField.at], sum, 7);  // six digits, NUL, and the blank left from the sum
    return h;
}

// ---- Reading ------------------------------------------------------------------------------------

std::string fieldText(const Header& h, Field f) {
    const char* start = reinterpret_cast<const char*>(&h[f.at]);
    return std::string(start, strnlen(start, f.size));
}

// An octal number field: blanks, digits, then NUL or blank to the end. The base-256 form that some
// programs use for huge values is refused with the rest: nothing here is that large.
bool readOctal(const Header& h, Field f, std::uint64_t& value) {
    std::size_t i = f.at;
    const std::size_t end = f.at + f.size;
    while (i < end && h[i] == ' ') ++i;
    value = 0;
    bool digits = false;
    for (; i < end && h[i] >= '0' && h[i] <= '7'; ++i) {
        if (value >> 60) return false;
        value = value * 8 + (h[i] - '0');
        digits = true;
    }
    for (; i < end; ++i)
        if (h[i] != 0 && h[i] != ' ') return false;
    return digits;
}

bool allZero(const Header& h) {
    return std::all_of(h.begin(), h.end(), [](unsigned char c) { return c == 0; });
}

bool checksumMatches(const Header& h) {
    std::uint64_t stored = 0;
    if (!readOctal(h, ChecksumField, stored)) return false;
    // Old programs summed the bytes as signed chars; either sum is accepted.
    long signedSum = 0;
    for (std::size_t i = 0; i < Block; ++i) {
        const bool inField = i >= ChecksumField.at && i < ChecksumField.at + ChecksumField.size;
        signedSum += inField ? ' ' : static_cast<signed char>(h[i]);
    }
    return stored == checksumOf(h) || static_cast<long>(stored) == signedSum;
}

// A name shown in a message: printable ASCII only, and not too long to read.
std::string shown(const std::string& name) {
    std::string out;
    for (const char c : name.substr(0, 80)) out += c >= 0x20 && c < 0x7f ? c : '?';
    if (name.size() > 80) out += "...";
    return out;
}

enum class Name { Top, Inside, Skipped, Outside };

// Sorts an entry's name; pieces gets the pieces after "classrooms".
Name judgeName(std::string name, std::vector<std::string>& pieces) {
    pieces.clear();
    // "tar -cf FILE ./classrooms" names its entries so.
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    if (name.empty() || name.size() > ArchiveLongestName || name[0] == '/') return Name::Outside;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    std::vector<std::string> all;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = name.find('/', start);
        all.push_back(name.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    if (static_cast<int>(all.size()) > ArchiveDeepestName || all[0] != Root) return Name::Outside;
    bool hidden = false;
    for (const std::string& piece : all) {
        if (piece.empty() || piece == "." || piece == "..") return Name::Outside;
        for (const char c : piece)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\') return Name::Outside;
        hidden = hidden || piece[0] == '.';
    }
    hidden = hidden || leftOut(all.back());
    if (all.size() == 1) return Name::Top;
    pieces.assign(all.begin() + 1, all.end());
    return hidden ? Name::Skipped : Name::Inside;
}

// Whether a pax extended header's records set an attribute that would change where or how long the
// next entry is; those are refused rather than followed.
bool paxChangesEntry(const std::string& records) {
    for (const char* key : {" path=", " linkpath=", " size="})
        if (records.find(key) != std::string::npos) return true;
    return false;
}

// The reading side of a restore: one archive, checked entry by entry as it is staged.
struct Stager {
    std::FILE* file = nullptr;
    std::size_t entries = 0;
    std::uint64_t bytes = 0;

    bool readBlock(Header& h) { return std::fread(h.data(), 1, Block, file) == Block; }

    // Reads size bytes of content and the padding after them.
    bool readContent(std::uint64_t size, std::string* content) {
        if (content != nullptr) content->resize(size);
        char scratch[Block];
        std::uint64_t left = (size + Block - 1) / Block * Block;
        std::uint64_t at = 0;
        while (left > 0) {
            if (std::fread(scratch, 1, Block, file) != Block) return false;
            if (content != nullptr && at < size) {
                const std::uint64_t n = std::min<std::uint64_t>(Block, size - at);
                std::memcpy(content->data() + at, scratch, n);
            }
            at += Block;
            left -= Block;
        }
        return true;
    }

    std::string run() {
        const std::string cutShort = "This backup is cut short: it was not copied whole. Nothing was changed.";
        const std::string notOurs = "This is not a classrooms backup, or it is damaged. Nothing was changed.";
        Header h{};
        bool sawAny = false;
        while (true) {
            if (!readBlock(h)) return sawAny ? cutShort : notOurs;
            if (allZero(h)) break;  // the end of the archive
            if (!checksumMatches(h) || std::memcmp(&h[MagicField.at], "ustar", 5) != 0) return notOurs;
            sawAny = true;
            if (++entries > ArchiveMostEntries) return "This backup holds too many files. Nothing was changed.";
            std::uint64_t size = 0;
            if (!readOctal(h, SizeField, size)) return notOurs;
            const char type = static_cast<char>(h[TypeAt]);
            if (type == 'x' || type == 'g') {
                std::string records;
                if (size > LargestExtendedHeader || !readContent(size, &records)) return notOurs;
                if (paxChangesEntry(" " + records)) {
                    return "This backup was made in a form the game cannot read (long names). Nothing was changed.";
                }
                continue;
            }
            std::string name = fieldText(h, NameField);
            const std::string prefix = fieldText(h, PrefixField);
            if (!prefix.empty()) name = prefix + "/" + name;
            std::vector<std::string> pieces;
            const Name kind = judgeName(name, pieces);
            if (kind == Name::Outside) {
                return "This backup holds something other than classrooms (" + shown(name) + "). Nothing was changed.";
            }
            const bool regular = type == '0' || type == '\0';
            if (!regular && type != '5') {
                return "This backup holds a link or special file (" + shown(name) +
                       "), which a classrooms backup never does. Nothing was changed.";
            }
            if (regular && size > ArchiveLargestFile) {
                return "This backup holds a file far too large for a classroom (" + shown(name) + "). Nothing was changed.";
            }
            bytes += size;
            if (bytes > ArchiveMostBytes) return "This backup is too large. Nothing was changed.";
            std::string content;
            if (!readContent(size, regular ? &content : nullptr)) return cutShort;
            // A desktop's own clutter, such as ".DS_Store", and what a save under way left there.
            if (kind == Name::Skipped) continue;
            if (kind == Name::Top) {
                if (regular) return notOurs;
                continue;
            }
            std::string target = StagedClassroomsPath;
            for (const std::string& piece : pieces) target += "/" + piece;
            const std::string trouble = regular ? stageFile(target, content) : stageFolder(target);
            if (!trouble.empty()) return trouble;
        }
        return "";
    }

    static std::string couldNotWrite(int error) {
        return std::string("Could not write the restored classrooms: ") + std::strerror(error) +
               ". Nothing was changed.";
    }

    static std::string stageFolder(const std::string& target) {
        std::error_code ec;
        fs::create_directories(target, ec);
        if (ec || !fs::is_directory(fs::symlink_status(target, ec))) {
            return "This backup is damaged: it holds a file and a folder of the same name. Nothing was changed.";
        }
        return "";
    }

    static std::string stageFile(const std::string& target, const std::string& content) {
        const std::string parent = target.substr(0, target.rfind('/'));
        std::string trouble = stageFolder(parent);
        if (!trouble.empty()) return trouble;
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(target, ec))) {
            return "This backup is damaged: it holds a file and a folder of the same name. Nothing was changed.";
        }
        std::FILE* out = std::fopen(target.c_str(), "wb");
        if (out == nullptr) return couldNotWrite(errno);
        const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
        const int error = errno;
        if (std::fclose(out) != 0 || !written) return couldNotWrite(written ? errno : error);
        return "";
    }
};

// The entries of folder other than the two a restore works in.
std::vector<std::string> entriesOf(const std::string& folder, bool skipWorkFolders) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (skipWorkFolders && (name == ".restoring" || name == ".replaced")) continue;
        names.push_back(name);
    }
    return names;
}

// Renames each of names from one folder into another; on the first failure moves back those already
// moved and returns the error.
std::error_code moveAll(const std::vector<std::string>& names, const std::string& from, const std::string& to) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::error_code ec;
        fs::rename(from + "/" + names[i], to + "/" + names[i], ec);
        if (ec) {
            for (std::size_t j = 0; j < i; ++j) {
                std::error_code back;
                fs::rename(to + "/" + names[j], from + "/" + names[j], back);
            }
            return ec;
        }
    }
    return {};
}

}  // namespace

std::string writeClassArchive(const std::string& archivePath) {
    std::error_code ec;
    if (!fs::is_directory(Root, ec)) return "There are no classrooms to back up yet.";
    struct stat rootStat {};
    ::stat(Root, &rootStat);
    std::vector<Entry> entries{Entry{std::string(Root) + "/", true, Root}};
    collect(Root, Root, entries);

    std::FILE* out = std::fopen(archivePath.c_str(), "wb");
    if (out == nullptr) return std::string("Could not write the backup: ") + std::strerror(errno) + ".";
    std::string content;
    std::uint64_t written = 0;
    const auto put = [&](const void* data, std::size_t n) {
        written += n;
        return std::fwrite(data, 1, n, out) == n;
    };
    bool ok = true;
    std::string trouble;
    for (const Entry& entry : entries) {
        std::string prefix;
        std::string name;
        if (!splitName(entry.name, prefix, name)) continue;  // never made by the game: too long for ustar
        struct stat st {};
        if (::stat(entry.path.c_str(), &st) != 0) continue;  // gone since it was listed
        content.clear();
        if (!entry.folder && !readWhole(entry.path, content)) {
            trouble = "Could not read " + entry.path + ".";
            ok = false;
            break;
        }
        const Header h = headerFor(prefix, name, entry.folder, content.size(),
                                   static_cast<std::uint64_t>(std::max<long long>(0, st.st_mtime)));
        const std::size_t padding = (Block - content.size() % Block) % Block;
        static const char zeros[Block] = {};
        ok = put(h.data(), Block) && put(content.data(), content.size()) && put(zeros, padding);
        if (!ok) break;
    }
    // The end: two zero blocks, then zeros to a whole record.
    static const char zeros[RecordBytes] = {};
    ok = ok && put(zeros, 2 * Block);
    ok = ok && put(zeros, (RecordBytes - written % RecordBytes) % RecordBytes);
    const int error = errno;
    if (std::fclose(out) != 0 && ok) return std::string("Could not write the backup: ") + std::strerror(errno) + ".";
    if (!trouble.empty()) return trouble;
    if (!ok) return std::string("Could not write the backup: ") + std::strerror(error) + ".";
    return "";
}

std::string stageClassArchive(const std::string& archivePath, std::vector<std::string>& classroomNames) {
    classroomNames.clear();
    discardStagedClassrooms();
    std::error_code ec;
    fs::create_directories(StagedClassroomsPath, ec);
    if (ec) return std::string("Could not make room for the restored classrooms: ") + ec.message() + ".";
    Stager stager;
    stager.file = std::fopen(archivePath.c_str(), "rb");
    if (stager.file == nullptr) return std::string("Could not read the file: ") + std::strerror(errno) + ".";
    std::string trouble = stager.run();
    std::fclose(stager.file);
    const std::string index = std::string(StagedClassroomsPath) + "/classrooms";
    if (trouble.empty() && !fs::is_regular_file(fs::symlink_status(index, ec))) {
        trouble = "This backup holds no list of classrooms (classrooms/classrooms). Nothing was changed.";
    }
    if (!trouble.empty()) {
        discardStagedClassrooms();
        return trouble;
    }
    // Read as the store reads the index: a count, then a name and a password per classroom.
    FieldReader r = openFields(index);
    const int count = readIntField(r);
    const std::size_t n = boundedCount(count, r, 2);
    for (std::size_t i = 0; i < n; ++i) {
        classroomNames.push_back(readTextLine(r));
        (void)readTextLine(r);
    }
    return "";
}

std::string swapInStagedClassrooms() {
    std::error_code ec;
    if (!fs::is_directory(StagedClassroomsPath, ec)) return "There is no restored backup to put in place.";
    fs::remove_all(ReplacedClassroomsPath, ec);
    fs::create_directory(ReplacedClassroomsPath, ec);
    if (ec) return std::string("Could not restore the classrooms: ") + ec.message() + ". Nothing was changed.";
    const std::vector<std::string> old = entriesOf(Root, true);
    ec = moveAll(old, Root, ReplacedClassroomsPath);
    if (!ec) {
        const std::vector<std::string> fresh = entriesOf(StagedClassroomsPath, false);
        ec = moveAll(fresh, StagedClassroomsPath, Root);
        if (ec) (void)moveAll(old, ReplacedClassroomsPath, Root);
    }
    if (ec) {
        // Only once every old entry is back: should one fail to move back, it waits there, hidden.
        std::error_code e;
        fs::remove(ReplacedClassroomsPath, e);
        return std::string("Could not restore the classrooms: ") + ec.message() + ". Nothing was changed.";
    }
    fs::remove_all(ReplacedClassroomsPath, ec);
    fs::remove_all(StagedClassroomsPath, ec);
    return "";
}

void discardStagedClassrooms() {
    std::error_code ec;
    fs::remove_all(StagedClassroomsPath, ec);
}
