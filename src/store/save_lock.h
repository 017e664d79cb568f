// The short lock that keeps two copies of the game, on one PC or on several sharing a network
// folder, from saving the same file at once.
#pragma once
#include <string>

// A lock entry is a plain file made exclusively (O_CREAT | O_EXCL) beside what it guards, named
// "<guarded path>.lock", holding one line that says who made it: host, process, a number unique
// within the process, and a beat that the holder advances about every LockBeatSeconds while it
// holds the entry. Exclusive creation is the one locking primitive that SMB and NFS honour between
// machines, where flock and fcntl locks are not to be trusted.
//
// Whether an entry is dead is never judged by comparing this PC's clock with the file server's
// (a PC whose clock is minutes out would break live locks, or wait on dead ones): a waiter calls an
// entry stale only when its line has not changed while the waiter itself watched it, by its own
// monotonic clock, for StaleWatchSeconds; an entry of this same host whose process is gone is
// stale at once. A crashed PC then costs the class a few seconds once.
struct SaveLock {
    std::string path;   // the lock entry; empty when none is held
    std::string stamp;  // what this copy first wrote into it, to tell it from a successor's
};

// How long an entry must stay unchanged under a waiter's eyes before it is taken over: a few
// of the holder's beats, so that a busy or slow file server never makes a live lock look dead.
constexpr double StaleWatchSeconds = 5;
// How often a holder rewrites its entry's beat.
constexpr double LockBeatSeconds = 1;

// Called at the start of a save of guarded, whose directory must exist. Waits up to patience
// seconds (a negative patience: as long as it takes) for another copy's lock, taking over a stale
// one. Returns true with lock held (or with lock empty when the directory is missing or cannot
// be written: there is nothing to guard), or false (lock empty) when the wait ran out. A false
// never means "save anyway": the caller keeps its change and tries again later. staleAfter is
// StaleWatchSeconds but in tests.
bool takeSaveLock(SaveLock& lock, const std::string& guarded, double patience = -1,
                  double staleAfter = StaleWatchSeconds);

// Called about every 50 ms, with the seconds waited, by a wait for a lock (takeSaveLock, and the
// store's finishing of saves left for later): the game keeps its picture and notice alive there.
// Set once at start; null, as until it is set, does nothing.
void setLockWaitHook(void (*hook)(double waited));
// Calls the hook, when there is one.
void callLockWaitHook(double waited);

// Called when the save is done, whether or not it succeeded. Removes the entry only when it is still
// this copy's own; does nothing for an empty lock.
void releaseSaveLock(SaveLock& lock);

// Called at the program's exit, when a save may have been cut off in the middle: removes every
// entry this process still holds, so that no classmate waits on it.
void releaseAllSaveLocks();

// The name of the lock entry of guarded.
std::string lockPath(const std::string& guarded);
