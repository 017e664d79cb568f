// Slowing down password guessing: per client address and per classroom, pupil or teacher password.
#pragma once
#include <map>
#include <string>

// Two wrong passwords in a row cost nothing (a pupil mistyping). The FreeFailures-th shuts the key
// for FirstWaitSeconds, and each failure after it for twice as long as the one before, up to
// MaxWaitSeconds; while shut, every try is refused unchecked, the right password too. A right
// password opens the key again. Keys are per client address and target (a classroom, a pupil,
// the teacher password), so that a guesser shuts only their own tries and never locks out a class.
constexpr int FreeFailures = 3;
constexpr double FirstWaitSeconds = 1;
constexpr double MaxWaitSeconds = 300;

struct PasswordThrottle {
    struct Entry {
        int failures = 0;
        double shutUntil = 0;
    };
    std::map<std::string, Entry> entries;
};

// The seconds key stays shut from now; 0 when a password may be tried.
double throttleWait(const PasswordThrottle& throttle, const std::string& key, double now);
// Called after a password was checked for key (only when throttleWait said 0).
void noteAttempt(PasswordThrottle& throttle, const std::string& key, bool right, double now);
