// Lock entries beside saved files: exclusive creation, stale take-over and release.
#include "store/save_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "store/fields.h"

namespace {

constexpr int LockPollMs = 10;

std::atomic<unsigned> lockCounter{0};

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
    return name;
}

// Who made the lock and when: host, process, a counter that makes each lock of this process
// unique, and the wall-clock second it was made.
std::string makeStamp() {
    return hostName() + " " + std::to_string(::getpid()) + " " + std::to_string(lockCounter.fetch_add(1)) + " " +
           std::to_string(static_cast<long long>(std::time(nullptr)));
}

// Makes the entry; says what went into it (the stamp's line, or less of it on a full disk).
bool createEntry(const std::string& path, const std::string& stamp, std::string& written) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const std::string line = stamp + "\n";
    // The stamp is only for people and for release; a short write still holds the lock, and
    // release then looks for what did go in, so that the entry is never left behind.
    const ssize_t n = ::write(fd, line.data(), line.size());
    written = line.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0);
    ::close(fd);
    return true;
}

// Seconds since the entry last changed, by the file system's clock as this machine sees it; a
// negative age (clocks apart between PCs) counts as fresh.
double entryAge(const std::string& path, bool& exists) {
    struct stat info {};
    exists = ::stat(path.c_str(), &info) == 0;
    if (!exists) return 0;
    return std::difftime(std::time(nullptr), info.st_mtime);
}

// Moves a stale entry out of the way under a name of this copy's own, so that of two copies taking
// over the same stale lock only one succeeds (the rename of the other finds nothing), then deletes it.
// A copy that looked at the stale entry just before another took it over and made a fresh one may
// move that fresh one aside instead: it then puts it back with link, which never replaces a file.
void takeOverStale(const std::string& path) {
    const std::string aside = path + ".stale" + std::to_string(::getpid()) + "-" +
                              std::to_string(lockCounter.fetch_add(1));
    if (::rename(path.c_str(), aside.c_str()) != 0) return;
    bool exists = false;
    if (entryAge(aside, exists) <= StaleLockSeconds) (void)::link(aside.c_str(), path.c_str());
    ::unlink(aside.c_str());
}

}  // namespace

std::string lockPath(const std::string& guarded) { return guarded + ".lock"; }

bool takeSaveLock(SaveLock& lock, const std::string& guarded, double patience) {
    lock = SaveLock{};
    const std::string path = lockPath(guarded);
    const std::string stamp = makeStamp();
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::string written;
        if (createEntry(path, stamp, written)) {
            lock.path = path;
            lock.stamp = written;
            return true;
        }
        if (errno != EEXIST) return false;  // the folder cannot be written: there is nothing to guard
        bool exists = false;
        const double age = entryAge(path, exists);
        if (exists && age > StaleLockSeconds) {
            takeOverStale(path);
            continue;
        }
        const double waited =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (waited >= patience) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(LockPollMs));
    }
}

void releaseSaveLock(SaveLock& lock) {
    if (lock.path.empty()) return;
    // Only our own entry goes: one taken over as stale belongs to another copy now.
    const FieldReader held = openFields(lock.path);
    if (held.data == lock.stamp) ::unlink(lock.path.c_str());
    lock = SaveLock{};
}
