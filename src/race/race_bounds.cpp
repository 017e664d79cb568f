// The bounds of a finished race, from the car's motion (moveRacer) and the frame loop (runRace).
#include "race/race_bounds.h"

#include <algorithm>
#include <cmath>

#include "race/motion.h"

namespace {

constexpr double TicksPerSecond = 180;

// The pixels from the start line to the first x that finishes the race on distance index d: the
// race is 500 * d + 500 columns (the track menu), and a car has finished once its column passes
// length + 5.
double raceWay(int distance) {
    const int length = 500 * distance + 500;
    return TileSize * (length + 6) - 0.5 - StartX;
}

}  // namespace

double leastRaceSeconds(int distance) {
    // Frame by frame the speed grows at most by the frame's ticks / 15 and the car moves the
    // frame's ticks times its new speed, so in t ticks it covers at most t * t / 15 pixels (the
    // frames' squares count once more, and they sum to at most t * t), and never more than
    // t * TopPixelsPerTick.
    const double way = raceWay(std::clamp(distance, 0, BoardDistances - 1));
    const double ticks = std::max(std::sqrt(15 * way), way / TopPixelsPerTick);
    return ticks / TicksPerSecond;
}

std::string implausibleRace(const RaceRecord& record, int distance) {
    const double least = leastRaceSeconds(distance);
    if (!(record.time >= least)) return "the race is faster than any car can go";
    const double ticks = record.time * TicksPerSecond;
    if (record.topSpeed > 35 * std::min(TopPixelsPerTick, ticks / 15) * (1 + 1e-9))
        return "the top speed is higher than any car reaches";
    if (record.averageSpeed > record.topSpeed * (1 + 1e-9) + 1e-9)
        return "the average speed is above the top speed";
    for (const Sample& s : record.samples)
        if (!(s.first >= 0 && s.first <= record.time)) return "an answer lies outside the race";
    if (static_cast<double>(record.samples.size()) > std::floor(record.time * 1000) + 1)
        return "more answers than the race had frames";
    return "";
}
