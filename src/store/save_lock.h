// The short lock that keeps two copies of the game, on one PC or on several sharing a network
// folder, from saving the same file at once.
#pragma once
#include <string>

// A lock entry is a plain file made exclusively (O_CREAT | O_EXCL) beside what it guards, named
// "<guarded path>.lock", holding one line that says who made it and when. Exclusive creation is
// the one locking primitive that SMB and NFS honour between machines, where flock and fcntl locks
// are not to be trusted. A lock lives only for the few milliseconds of one save.
struct SaveLock {
    std::string path;   // the lock entry; empty when none is held
    std::string stamp;  // what this copy wrote into it (its line), to tell it from a successor's
};

// A lock entry whose file has not changed for this long was left by a copy that crashed or a PC
// that was switched off mid-save (a save takes milliseconds), and is taken over.
constexpr double StaleLockSeconds = 30;
// The longest a save waits for a lock held by another copy before it goes ahead without it: a
// screen must never freeze for long, and a merge without the lock still keeps this copy's race.
constexpr double LockPatienceSeconds = 3;

// Called at the start of a save of guarded, whose directory must exist. Waits up to patience
// seconds for another copy's lock, taking over a stale one at once. Returns true with lock held,
// or false (lock empty) when the wait ran out or the directory cannot be written; the caller then
// saves anyway, or reports, as it judges safest.
bool takeSaveLock(SaveLock& lock, const std::string& guarded, double patience = LockPatienceSeconds);

// Called when the save is done, whether or not it succeeded. Removes the entry only when it is still
// this copy's own; does nothing for an empty lock.
void releaseSaveLock(SaveLock& lock);

// The name of the lock entry of guarded.
std::string lockPath(const std::string& guarded);
