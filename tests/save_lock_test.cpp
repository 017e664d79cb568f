// Tests of the lock entries that keep two copies of the game from saving one file at once.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "store/save_lock.h"

namespace fs = std::filesystem;

namespace {

struct SaveLockTest : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("tally-lock-" + std::to_string(::getpid()));
    std::string guarded;
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        guarded = (dir / "players").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    // An entry as another copy leaves it, its modification time ageSeconds in the past (negative:
    // in the future, as a file server whose clock is ahead writes it).
    void plantLock(const std::string& line, long ageSeconds) {
        std::ofstream(lockPath(guarded)) << line;
        const std::time_t then = std::time(nullptr) - ageSeconds;
        utimbuf times{then, then};
        ::utime(lockPath(guarded).c_str(), &times);
    }
    static std::string host() {
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        return name;
    }
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Who holds the lock decides who waits: a fresh entry of another copy is waited for and then
// given up on (never saved without), and only the holder's own entry is released.
TEST_F(SaveLockTest, FreshLocksAreWaitedForAndOnlyOwnOnesReleased) {
    SaveLock first, second;
    ASSERT_TRUE(takeSaveLock(first, guarded));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(takeSaveLock(second, guarded, 0.2));
    EXPECT_GE(secondsSince(start), 0.2);
    EXPECT_TRUE(second.path.empty());
    releaseSaveLock(first);
    EXPECT_FALSE(fs::exists(lockPath(guarded)));
    EXPECT_TRUE(takeSaveLock(second, guarded, 0.2));
    // A copy whose lock was taken over must not remove its successor's entry.
    SaveLock late{lockPath(guarded), "other-pc 4242 0 0\n"};
    releaseSaveLock(late);
    EXPECT_TRUE(fs::exists(lockPath(guarded)));
    releaseSaveLock(second);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0) << "nothing left behind";
}

// A dead entry is judged by watching it, never by its age against this PC's clock: one whose line
// stays the same for the watch is taken over whatever its time says (a PC minutes behind or ahead
// of the file server), and one of this host whose process is gone is taken at once.
TEST_F(SaveLockTest, DeadEntriesAreTakenOverByWatchingNotByClocks) {
    const struct {
        const char* what;
        std::string line;
        long age;
        double atLeast, atMost;
    } cases[] = {
        {"an entry from ten minutes in the future", "other-pc 4242 0 7\n", -600, 0.3, 3},
        {"an entry an hour old", "other-pc 4242 0 7\n", 3600, 0.3, 3},
        {"an entry of an old copy without a beat", "other-pc 4242 0 1765400000\n", 5, 0.3, 3},
        {"this host, a process that is gone", host() + " 999999999 0 0\n", 0, 0, 0.25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plantLock(c.line, c.age);
        const auto start = std::chrono::steady_clock::now();
        SaveLock taker;
        ASSERT_TRUE(takeSaveLock(taker, guarded, 5, 0.3));
        EXPECT_GE(secondsSince(start), c.atLeast);
        EXPECT_LE(secondsSince(start), c.atMost);
        releaseSaveLock(taker);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);
    }
}

// A holder that takes longer than the watch keeps its lock: its beat changes the entry's line, so
// a waiter never takes a live lock over, however slow the holder's save.
TEST_F(SaveLockTest, AHolderThatBeatsIsNeverTakenOver) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SaveLock held;
        if (!takeSaveLock(held, guarded)) ::_exit(1);
        ::usleep(3 * LockBeatSeconds * 1000 * 1000);
        releaseSaveLock(held);
        ::_exit(0);
    }
    while (!fs::exists(lockPath(guarded))) ::usleep(1000);
    const auto start = std::chrono::steady_clock::now();
    SaveLock mine;
    EXPECT_TRUE(takeSaveLock(mine, guarded, 10, 1.5 * LockBeatSeconds));
    EXPECT_GE(secondsSince(start), 2.5 * LockBeatSeconds) << "taken over while its holder was alive";
    releaseSaveLock(mine);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A lock held by another live process for a moment is waited for, not broken.
TEST_F(SaveLockTest, ALockHeldByAnotherProcessIsWaitedFor) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SaveLock held;
        if (!takeSaveLock(held, guarded)) ::_exit(1);
        ::usleep(300 * 1000);
        releaseSaveLock(held);
        ::_exit(0);
    }
    while (!fs::exists(lockPath(guarded))) ::usleep(1000);
    const auto start = std::chrono::steady_clock::now();
    SaveLock mine;
    EXPECT_TRUE(takeSaveLock(mine, guarded));
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.1);
    releaseSaveLock(mine);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
