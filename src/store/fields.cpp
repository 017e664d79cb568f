// The field reader and value writer shared by the saved-data files and the sound list.
#include "store/fields.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include "store/number_text.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDelimiter(char c) { return c == ',' || c == '\n' || c == '\r'; }

// Consumes the comma or line end (CR, LF or CR LF) at p, if there is one there.
std::size_t consumeDelimiter(const std::string& d, std::size_t p) {
    if (p >= d.size()) return p;
    if (d[p] == ',' || d[p] == '\n') return p + 1;
    if (d[p] == '\r') return (p + 1 < d.size() && d[p + 1] == '\n') ? p + 2 : p + 1;
    return p;
}

// Cuts the next field out of the data and moves past it, following the field rules.
std::string_view nextField(FieldReader& r, std::size_t limit, bool number) {
    const std::string& d = r.data;
    const std::size_t n = d.size();
    std::size_t p = r.pos < n ? r.pos : n;
    while (p < n && isBlank(d[p])) ++p;
    if (p >= n) {
        r.pos = n;
        return {};
    }
    if (d[p] == '"') {
        const std::size_t start = p + 1;
        std::size_t end = start;
        while (end < n && d[end] != '"' && end - start < limit) ++end;
        if (end < n && d[end] == '"') {
            // Closed in time: drop the closing quote, then the comma or line end after it.
            std::size_t q = end + 1;
            while (q < n && isBlank(d[q])) ++q;
            r.pos = (q < n && isDelimiter(d[q])) ? consumeDelimiter(d, q) : end + 1;
        } else {
            r.pos = end;  // overlong, or the data ended inside the quotes
        }
        return std::string_view(d).substr(start, end - start);
    }
    const std::size_t start = p;
    std::size_t end = p;
    while (end < n && !isDelimiter(d[end]) && !(number && isBlank(d[end])) && end - start < limit) ++end;
    std::size_t next = end;
    if (end < n && isDelimiter(d[end])) {
        next = consumeDelimiter(d, end);
    } else if (end < n && number && isBlank(d[end])) {
        // A blank ends a number; when only blanks stand between it and the line end, that line end
        // belongs to this field too, so that the next read starts on the next line.
        std::size_t q = end;
        while (q < n && isBlank(d[q])) ++q;
        if (q >= n || isDelimiter(d[q])) next = consumeDelimiter(d, q);
    }
    r.pos = next;
    return std::string_view(d).substr(start, end - start);
}

// The longest prefix of s that is a decimal number (sign, digits, point, digits, exponent), with
// "d"/"D" exponents turned into "e" and a leading "+" dropped, ready for readNumber. Empty when s
// does not start with a number.
std::size_t decimalPrefix(std::string_view s, char* out, bool& negative) {
    std::size_t i = 0, o = 0;
    negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') out[o++] = s[i++], ++digits;
    if (i < s.size() && s[i] == '.') {
        out[o++] = s[i++];
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') out[o++] = s[i++], ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::size_t save = o;
        out[o++] = 'e';
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) out[o++] = s[j++];
        const std::size_t expStart = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') out[o++] = s[j++];
        if (j == expStart) o = save;  // "1e" is the number 1
    }
    return o;
}

// Whether a number text that readNumber found out of range is too large (else too small).
bool overflows(std::string_view text) {
    long exponent = 0;
    const std::size_t e = text.find('e');
    if (e != std::string_view::npos) {
        std::size_t j = e + 1;
        bool negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) negative = text[j++] == '-';
        for (; j < text.size(); ++j) {
            if (exponent < 100000) exponent = exponent * 10 + (text[j] - '0');
        }
        if (negative) exponent = -exponent;
        text = text.substr(0, e);
    }
    // Decimal position of the first nonzero digit relative to the point.
    const std::size_t point = text.find('.');
    const std::size_t intEnd = point == std::string_view::npos ? text.size() : point;
    std::size_t first = 0;
    while (first < text.size() && (text[first] == '0' || text[first] == '.')) ++first;
    if (first >= text.size()) return false;  // all zeros
    long magnitude = first < intEnd ? static_cast<long>(intEnd - first)
                                     : -static_cast<long>(first - intEnd - 1);
    return exponent + magnitude > 0;
}

// A plain decimal without exponent whose digits fit in 53 bits is read exactly by one division:
// the digits and the power of ten are both exact doubles, and the division rounds correctly. Says
// false for anything else, which then goes to readNumber.
bool parsePlainDecimal(const char* p, const char* end, double& out) {
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;
    int fraction = 0;
    bool point = false, digits = false;
    for (; p != end; ++p) {
        if (*p >= '0' && *p <= '9') {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            if (mantissa > (UINT64_C(1) << 53)) return false;
            digits = true;
            fraction += point;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits || fraction > 22) return false;
    if (p != end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) return false;
    const double value = static_cast<double>(mantissa) / powers[fraction];
    out = negative ? -value : value;
    return true;
}

double parseReal(std::string_view field) {
    double plain = 0;
    if (parsePlainDecimal(field.data(), field.data() + field.size(), plain)) return plain;
    // Other numbers as the writer makes them; readNumber reads those in place. It
    // stops where the number ends, as the rules want, but it knows neither "d" exponents nor a
    // leading "+", so anything else goes the long way.
    const char* begin = field.data();
    const char* end = begin + field.size();
    const char* digits = begin != end && *begin == '-' ? begin + 1 : begin;
    if (digits != end && ((*digits >= '0' && *digits <= '9') || *digits == '.')) {
        double value = 0;
        const auto [ptr, ec] = readNumber(begin, end, value);
        if (ec == std::errc() && (ptr == end || (*ptr != 'd' && *ptr != 'D'))) return value;
    }
    char buf[MaxNumberField + 8];
    bool negative = false;
    const std::size_t len = decimalPrefix(field.substr(0, MaxNumberField), buf, negative);
    if (len == 0) return 0;
    double value = 0;
    const auto [ptr, ec] = readNumber(buf, buf + len, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        value = overflows(std::string_view(buf, len)) ? DBL_MAX : 0.0;
    } else if (ec != std::errc()) {
        value = 0;
    }
    return negative ? -value : value;
}

int clampToInt(double v) {
    if (!(v >= static_cast<double>(INT_MIN))) return v != v ? 0 : INT_MIN;
    if (v > static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(v);
}

int parseInt(std::string_view field) {
    for (char c : field) {
        if (c == '.' || c == 'e' || c == 'E' || c == 'd' || c == 'D') {
            // Ties to even, as the default rounding mode does.
            return clampToInt(std::nearbyint(parseReal(field)));
        }
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    std::int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        if (value <= INT64_C(1) << 32) value = value * 10 + (field[i] - '0');
    }
    if (negative) value = -value;
    if (value < INT_MIN) return INT_MIN;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

}  // namespace

bool reopenFields(FieldReader& r, const std::string& path) {
    r.pos = 0;
    r.data.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // Saved files are small: one read usually takes all, a second finds the end. A directory
    // fails to read and so reads as empty.
    r.data.resize(std::max<std::size_t>(r.data.capacity(), 4096));
    std::size_t got = 0;
    for (;;) {
        if (got == r.data.size()) r.data.resize(r.data.size() * 2);
        const ssize_t n = ::read(fd, r.data.data() + got, r.data.size() - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0) got = 0;  // unreadable part way: treat as unreadable
            break;
        }
    }
    r.data.resize(got);
    ::close(fd);
    return true;
}

FieldReader openFields(const std::string& path) {
    FieldReader r;
    reopenFields(r, path);
    return r;
}

int readIntField(FieldReader& r) { return parseInt(nextField(r, MaxNumberField, true)); }

double readRealField(FieldReader& r) { return parseReal(nextField(r, MaxNumberField, true)); }

std::string readTextField(FieldReader& r) { return std::string(nextField(r, MaxTextField, false)); }

std::string readTextLine(FieldReader& r, std::size_t limit) {
    const std::string& d = r.data;
    const std::size_t n = d.size();
    const std::size_t start = r.pos < n ? r.pos : n;
    const char* const from = d.data() + start;
    const void* const stop = std::memchr(from, '\r', n - start);
    const void* const feed = std::memchr(from, '\n', n - start);
    std::size_t end = n;
    if (stop != nullptr) end = static_cast<std::size_t>(static_cast<const char*>(stop) - d.data());
    if (feed != nullptr) end = std::min(end, static_cast<std::size_t>(static_cast<const char*>(feed) - d.data()));
    r.pos = consumeDelimiter(d, end);
    return d.substr(start, std::min(end - start, limit));
}

std::size_t boundedCount(int count, const FieldReader& r, std::size_t fieldsPerEntry) {
    if (count <= 0) return 0;
    const std::size_t remaining = r.pos < r.data.size() ? r.data.size() - r.pos : 0;
    return std::min(static_cast<std::size_t>(count), remaining / fieldsPerEntry + SpareEntries);
}

void appendInt(std::string& out, int value) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    if (value >= 0) out += ' ';
    out.append(buf, static_cast<std::size_t>(res.ptr - buf));
    out += "\r\n";
}

void appendReal(std::string& out, double value) {
    std::string text = generalNumberText(value, 16);
    if (!text.empty() && text.back() == '.') text.pop_back();  // never a bare trailing point
    if (!std::signbit(value)) out += ' ';
    out += text;
    out += "\r\n";
}

void appendText(std::string& out, const std::string& value) {
    out += value;
    out += "\r\n";
}

namespace {

// Whether the file at path already holds exactly content.
bool fileHolds(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool same = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::uint64_t>(st.st_size) == content.size()) {
        std::string existing(content.size() + 1, '\0');
        std::size_t got = 0;
        for (;;) {
            const ssize_t n = ::read(fd, existing.data() + got, existing.size() - got);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                if (got == existing.size()) break;  // longer than expected
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                if (n < 0) got = existing.size();
                break;
            }
        }
        same = got == content.size() && std::memcmp(existing.data(), content.data(), got) == 0;
    }
    ::close(fd);
    return same;
}

std::atomic<unsigned> temporaryCounter{0};

// The reason (errno) of the first write that failed since the last takeWriteFailure; 0 for none.
std::atomic<int> firstWriteFailure{0};

// Keeps the first reason only: the first failure is the one that says what is wrong.
bool failWrite(int error) {
    int none = 0;
    firstWriteFailure.compare_exchange_strong(none, error == 0 ? EIO : error);
    return false;
}

// Each file in the way of a temporary name costs one more name; a hundred in a row means the
// directory is wrong in some other way.
constexpr int TemporaryNameTries = 100;

// A temporary file this old is a leftover: no write takes more than moments between creating it and
// renaming it. Age, not the process id in the name, decides, because several computers may save
// into one shared folder and their process ids mean nothing here.
constexpr std::time_t StaleTemporarySeconds = 600;

}  // namespace

bool isTemporaryName(std::string_view name) {
    const std::size_t mark = name.rfind(".tmp");
    if (mark == std::string_view::npos || mark == 0) return false;
    const std::string_view rest = name.substr(mark + 4);
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size()) return false;
    const auto digits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1));
}

namespace {

// Flushes the directory that holds path, so that a rename in it survives a power cut: until the
// directory itself is on disk, the file may come back after a restart under its old content, or
// not at all. A file system that cannot sync a directory (EINVAL, ENOTSUP) is trusted as it is.
int syncDirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;  // nothing to flush through; the rename itself succeeded
    int error = 0;
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EBADF) error = errno;
    ::close(fd);
    return error;
}

std::string temporaryName(const std::string& path, unsigned n) {
    return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(n);
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& content) {
    // Rewriting a file with the bytes it already holds changes nothing, and skipping it saves a
    // flush to disk for each unchanged record of a board.
    if (fileHolds(path, content)) return true;
    // The temporary name is unique to this process and write and never starts with a dot, so a
    // leftover after a crash is an ordinary file that deleting a board's files also removes.
    // The name is created exclusively, so a file already there (left by a run that crashed mid-save
    // with the same process id) is never written into or lost: the next name is tried instead.
    std::string temporary;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < TemporaryNameTries; ++tries) {
        temporary = temporaryName(path, temporaryCounter.fetch_add(1));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) return failWrite(errno);
    }
    if (fd < 0) return failWrite(EEXIST);
    bool ok = true;
    int error = 0;
    std::size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (!(n < 0 && errno == EINTR)) {
            ok = false;
            error = n < 0 ? errno : ENOSPC;  // a write that takes nothing means the disk is full
        }
    }
    // The bytes must be on disk before the rename makes them the file: a crash then leaves either
    // the old file or the new one, never a torn one.
    // A file system that cannot sync at all (EINVAL, ENOTSUP) still gets the write.
    if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) {
        ok = false;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return failWrite(error);
    }
    // "Saved" means saved: the new name must be on disk too before the save counts.
    if (const int dirError = syncDirectoryOf(path)) return failWrite(dirError);
    return true;
}

int takeWriteFailure() { return firstWriteFailure.exchange(0); }

void noteWriteFailure(int error) { failWrite(error); }

std::string nextTemporaryName(const std::string& path) { return temporaryName(path, temporaryCounter.load()); }

void removeStaleTemporaries(const std::string& directory) {
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(listing)) {
        if (isTemporaryName(entry->d_name)) candidates.push_back(directory + "/" + entry->d_name);
    }
    ::closedir(listing);
    const std::time_t now = std::time(nullptr);
    for (const std::string& file : candidates) {
        struct stat info {};
        if (::lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime > StaleTemporarySeconds) {
            ::unlink(file.c_str());
        }
    }
}
