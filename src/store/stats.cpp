// A player's statistics: count of races, best time, fastest and average speed.
#include "store/stats.h"

#include "store/records.h"

namespace {

// The range of one selector: -1 is every index below limit, an index in range is itself, and
// anything else is empty.
struct Span {
    int first = 0;
    int end = 0;
};

Span select(int selector, int limit) {
    if (selector == -1) return {0, limit};
    if (selector >= 0 && selector < limit) return {selector, selector + 1};
    return {0, 0};
}

// Calls visit on every record of the player in the selected boards, in the visiting order.
template <typename Visit>
void forEachRecord(const std::string& name, int operation, int lesson, int distance, Visit visit) {
    const Span ops = select(operation, BoardOperations);
    const Span lessons = select(lesson, BoardLessons);
    const Span distances = select(distance, BoardDistances);
    for (int o = ops.first; o < ops.end; ++o) {
        for (int l = lessons.first; l < lessons.end; ++l) {
            for (int d = distances.first; d < distances.end; ++d) {
                for (const RaceRecord& record : LeaderboardTable.boards[o][l][d].records) {
                    if (record.name == name) visit(record);
                }
            }
        }
    }
}

}  // namespace

int countRaces(const std::string& name, int operation, int lesson, int distance) {
    int count = 0;
    forEachRecord(name, operation, lesson, distance, [&](const RaceRecord&) { ++count; });
    return count;
}

double bestTime(const std::string& name, int operation, int lesson, int distance) {
    double best = 0;
    forEachRecord(name, operation, lesson, distance, [&](const RaceRecord& r) {
        if (isRaceTime(r.time) && (best == 0 || best > r.time)) best = r.time;
    });
    return best;
}

double fastestSpeed(const std::string& name, int operation, int lesson, int distance) {
    double fastest = 0;
    forEachRecord(name, operation, lesson, distance, [&](const RaceRecord& r) {
        if (r.topSpeed > fastest) fastest = r.topSpeed;
    });
    return fastest;
}

double averageSpeedOf(const std::string& name, int operation, int lesson, int distance) {
    double sum = 0;
    int n = 0;
    forEachRecord(name, operation, lesson, distance, [&](const RaceRecord& r) {
        sum += r.averageSpeed;
        ++n;
    });
    return sum != 0 ? sum / n : 0;
}
