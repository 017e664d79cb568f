// The password slow-down: failures counted per key, and a doubling wait after the free ones.
#include "throttle.h"

#include <algorithm>
#include <cmath>

double throttleWait(const PasswordThrottle& throttle, const std::string& key, double now) {
    const auto it = throttle.entries.find(key);
    if (it == throttle.entries.end()) return 0;
    return std::max(0.0, it->second.shutUntil - now);
}

void noteAttempt(PasswordThrottle& throttle, const std::string& key, bool right, double now) {
    if (right) {
        throttle.entries.erase(key);
        return;
    }
    // Keys exist only for classrooms and pupils that exist, so the map stays as small as the school.
    PasswordThrottle::Entry& e = throttle.entries[key];
    ++e.failures;
    if (e.failures < FreeFailures) return;
    const int doublings = std::min(e.failures - FreeFailures, 30);
    e.shutUntil = now + std::min(MaxWaitSeconds, FirstWaitSeconds * std::ldexp(1.0, doublings));
}
