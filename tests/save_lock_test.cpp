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
    void plantLock(long ageSeconds) {
        std::ofstream(lockPath(guarded)) << "other-pc 4242 0 0\n";
        const std::time_t then = std::time(nullptr) - ageSeconds;
        utimbuf times{then, then};
        ::utime(lockPath(guarded).c_str(), &times);
    }
};

// Who holds the lock decides who waits: a fresh entry of another copy is waited for and then
// given up on, a stale one is taken over at once, and only the holder's own entry is released.
TEST_F(SaveLockTest, FreshLocksAreWaitedForAndStaleOnesTakenOver) {
    SaveLock first, second;
    ASSERT_TRUE(takeSaveLock(first, guarded));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(takeSaveLock(second, guarded, 0.2));
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.2);
    EXPECT_TRUE(second.path.empty());
    releaseSaveLock(first);
    EXPECT_FALSE(fs::exists(lockPath(guarded)));
    EXPECT_TRUE(takeSaveLock(second, guarded, 0.2));
    releaseSaveLock(second);

    plantLock(static_cast<long>(StaleLockSeconds) + 5);
    SaveLock taker;
    EXPECT_TRUE(takeSaveLock(taker, guarded, 0.2)) << "a lock left by a crashed copy is taken over";
    // A copy whose lock was taken over as stale must not remove its successor's entry.
    SaveLock late{lockPath(guarded), "other-pc 4242 0 0\n"};
    releaseSaveLock(late);
    EXPECT_TRUE(fs::exists(lockPath(guarded)));
    releaseSaveLock(taker);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0) << "nothing left behind";
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
