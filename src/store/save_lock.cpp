// Lock entries beside saved files: exclusive creation, the holder's beat, take-over of a dead
// entry by watching it, and release.
#include "store/save_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>

#ifndef TALLY_NO_THREADS
#include <condition_variable>
#endif

#include "store/fields.h"

namespace {

constexpr int LockPollMs = 10;

std::atomic<unsigned> lockCounter{0};

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
    for (char& c : name)
        if (c == ' ' || c == '\n' || c == '\r') c = '_';  // the line is split at blanks
    return name;
}

// The entry's line: who holds it (host, process, a number unique within the process) and the beat.
std::string entryLine(const std::string& identity, unsigned long beat) {
    return identity + " " + std::to_string(beat) + "\n";
}

// Writes line over the start of the open entry; says what went in (less of it on a full disk).
std::string writeLine(int fd, const std::string& line) {
    const ssize_t n = ::pwrite(fd, line.data(), line.size(), 0);
    return line.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// Makes the entry; says what went into it.
bool createEntry(const std::string& path, const std::string& line, std::string& written) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    // A short write still holds the lock: release looks for what did go in, so that the entry is
    // never left behind.
    written = writeLine(fd, line);
    ::close(fd);
    return true;
}

// Whether the entry's text is this copy's own: it begins with what this copy wrote first (its
// identity, and on a full disk perhaps less), whatever beat it has reached since.
bool isOwn(const std::string& text, const std::string& stamp, const std::string& identity) {
    // On a full disk nothing of the line may have gone in: an empty entry is then this copy's.
    if (stamp.empty() || identity.empty()) return text == stamp;
    if (stamp.size() > identity.size()) return text.compare(0, identity.size() + 1, identity + " ") == 0;
    return text.compare(0, stamp.size(), stamp) == 0;
}

// The entries this process holds, by path, and their beats: a thread rewrites each about every
// LockBeatSeconds, so that waiters see the lock alive however long the save takes.
struct Held {
    std::string identity;
    std::string stamp;
    unsigned long beat = 0;
};
std::mutex heldLock;
std::map<std::string, Held> held;

#ifndef TALLY_NO_THREADS
struct Beater {
    std::condition_variable wake;
    std::thread* thread = nullptr;
    pid_t owner = 0;  // the process whose thread it is: a forked child starts its own
    bool stop = false;

    void run() {
        std::unique_lock<std::mutex> guard(heldLock);
        while (!stop) {
            wake.wait_for(guard, std::chrono::duration<double>(LockBeatSeconds));
            if (stop) break;
            for (auto& [path, entry] : held) {
                const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
                if (fd < 0) continue;
                // Only an entry still this copy's own is beaten: a successor's is left alone.
                char text[512] = {};
                const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
                if (n > 0 && isOwn(std::string(text, static_cast<std::size_t>(n)), entry.stamp, entry.identity))
                    writeLine(fd, entryLine(entry.identity, ++entry.beat));
                ::close(fd);
            }
        }
    }
    // Called with heldLock held, whenever an entry is taken.
    void ensureRunning() {
        if (owner == ::getpid()) return;
        // A thread of the parent, copied by fork, does not exist here: its handle is let go.
        thread = nullptr;
        stop = false;
        try {
            thread = new std::thread([this] { run(); });
            owner = ::getpid();
        } catch (const std::system_error&) {
            // No thread to be had: saves are short, and a waiter then takes a few seconds longer.
        }
    }
    ~Beater() {
        {
            std::lock_guard<std::mutex> guard(heldLock);
            stop = true;
        }
        wake.notify_all();
        if (thread != nullptr && owner == ::getpid()) {
            thread->join();
            delete thread;
        }
    }
};
Beater beater;
#endif

// The host and process an entry names, from its line's first two fields.
bool entryOwner(const std::string& text, std::string& host, long& pid) {
    std::istringstream in(text);
    return static_cast<bool>(in >> host >> pid);
}

// An entry of this very host whose process is gone is dead now, whatever its beat says. One of
// this process's own (another thread's) is alive only while it is held.
bool deadHere(const std::string& text, const std::string& path) {
    std::string host;
    long pid = 0;
    if (!entryOwner(text, host, pid) || host != hostName() || pid <= 0) return false;
    if (pid == ::getpid()) {
        std::lock_guard<std::mutex> guard(heldLock);
        return held.find(path) == held.end();
    }
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The entry's text, and whether it was there to read.
bool readEntry(const std::string& path, std::string& text) {
    FieldReader r;
    const bool there = reopenFields(r, path);
    text = std::move(r.data);
    return there;
}

// Moves a dead entry out of the way under a name of this copy's own, so that of two copies taking
// over the same entry only one succeeds (the rename of the other finds nothing), then deletes it.
// When what was moved is not the entry watched (its holder beat just then, or another copy had
// already taken over and made a fresh one), it is put back with link, which never replaces a file.
void takeOver(const std::string& path, const std::string& watched) {
    const std::string aside = path + ".stale" + std::to_string(::getpid()) + "-" +
                              std::to_string(lockCounter.fetch_add(1));
    if (::rename(path.c_str(), aside.c_str()) != 0) return;
    std::string text;
    if (readEntry(aside, text) && text != watched) (void)::link(aside.c_str(), path.c_str());
    ::unlink(aside.c_str());
}

void (*waitHook)(double) = nullptr;

// What this process last saw in each entry it waited on, and since when by its own clock: a save
// that tries once a frame (the game's, left for later) watches across its tries, so that a dead
// entry is taken over after StaleWatchSeconds however the waiting is cut up.
struct Watch {
    std::string text;
    std::chrono::steady_clock::time_point since;
};
std::mutex watchLock;
std::map<std::string, Watch> watches;

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::string lockPath(const std::string& guarded) { return guarded + ".lock"; }

void setLockWaitHook(void (*hook)(double waited)) { waitHook = hook; }

void callLockWaitHook(double waited) {
    if (waitHook != nullptr) waitHook(waited);
}

bool takeSaveLock(SaveLock& lock, const std::string& guarded, double patience, double staleAfter) {
    lock = SaveLock{};
    const std::string path = lockPath(guarded);
    const std::string identity =
        hostName() + " " + std::to_string(::getpid()) + " " + std::to_string(lockCounter.fetch_add(1));
    const auto start = std::chrono::steady_clock::now();
    unsigned polls = 0;
    for (;;) {
        std::string written;
        if (createEntry(path, entryLine(identity, 0), written)) {
            lock.path = path;
            lock.stamp = written;
            {
                std::lock_guard<std::mutex> guard(watchLock);
                watches.erase(path);
            }
            std::lock_guard<std::mutex> guard(heldLock);
            held[path] = Held{identity, written, 0};
#ifndef TALLY_NO_THREADS
            beater.ensureRunning();
#endif
            return true;
        }
        // The folder is missing or cannot be written: there is nothing to guard, and the save that
        // follows fails, or makes the folder, as it would alone.
        if (errno != EEXIST) return true;
        std::string text;
        if (readEntry(path, text)) {
            if (deadHere(text, path)) {
                takeOver(path, text);
                continue;
            }
            // The watch starts again whenever the line changes: only a holder that stopped beating
            // for staleAfter, as this copy's own clock counts it, is dead.
            bool dead = false;
            {
                std::lock_guard<std::mutex> guard(watchLock);
                Watch& watch = watches[path];
                const auto now = std::chrono::steady_clock::now();
                if (watch.text != text || watch.since == std::chrono::steady_clock::time_point{}) {
                    watch = Watch{text, now};
                } else if (std::chrono::duration<double>(now - watch.since).count() >= staleAfter) {
                    dead = true;
                    watches.erase(path);
                }
            }
            if (dead) {
                takeOver(path, text);
                continue;
            }
        }
        const double waited = since(start);
        if (patience >= 0 && waited >= patience) return false;
        if (++polls % 5 == 0) callLockWaitHook(waited);
        std::this_thread::sleep_for(std::chrono::milliseconds(LockPollMs));
    }
}

void releaseSaveLock(SaveLock& lock) {
    if (lock.path.empty()) return;
    std::string identity;
    {
        std::lock_guard<std::mutex> guard(heldLock);
        const auto it = held.find(lock.path);
        if (it != held.end() && it->second.stamp == lock.stamp) {
            identity = it->second.identity;
            held.erase(it);
        }
    }
    // Only our own entry goes: one taken over as dead belongs to another copy now.
    std::string text;
    if (readEntry(lock.path, text) && isOwn(text, lock.stamp, identity)) ::unlink(lock.path.c_str());
    lock = SaveLock{};
}

void releaseAllSaveLocks() {
    std::map<std::string, Held> all;
    {
        std::lock_guard<std::mutex> guard(heldLock);
        all.swap(held);
    }
    for (const auto& [path, entry] : all) {
        std::string text;
        if (readEntry(path, text) && isOwn(text, entry.stamp, entry.identity)) ::unlink(path.c_str());
    }
}
