// The race world: the random track, car motion, the cars that replay stored races, and the places.
#include "race/motion.h"

#include <climits>
#include <cmath>

#include "present/random.h"
#include "shell/frame.h"
#include "store/stats.h"

int nearest(double x) {
    if (!(x > INT_MIN)) return INT_MIN;  // also NaN
    if (x > INT_MAX) return INT_MAX;
    return static_cast<int>(std::nearbyint(x));
}

namespace {

int& cell(TrackMap& map, int column, int row) {
    return map.tiles[static_cast<std::size_t>(column) * TrackRows + row];
}

bool isRoadRow(int row) { return row >= 1 && row <= 3; }

// Paints one river from column a to column b: water in the verges, a bridge over the road.
void paintRiver(TrackMap& map, int a, int b) {
    for (int c = a; c <= b; ++c) {
        for (int r = 0; r < TrackRows; ++r) {
            int tile = WaterInnerTile;
            if (c == a) tile = WaterFirstTile;
            if (c == b) tile = WaterLastTile;
            if (isRoadRow(r)) tile = BridgeTile;
            cell(map, c, r) = tile;
        }
    }
}

bool namedLike(const RaceRecord& record, const Racer& racer) { return record.name == racer.name; }

// The lowest time above 0 among the records that pass, the first on equal times (as bestTime).
template <typename Pass>
int fastestRecord(const Leaderboard& board, Pass pass) {
    double best = 0;
    int found = -1;
    for (int i = 0; i < static_cast<int>(board.records.size()); ++i) {
        const RaceRecord& record = board.records[i];
        if (!pass(record) || !isRaceTime(record.time)) continue;
        if (best > record.time || best == 0) {
            found = i;
            best = record.time;
        }
    }
    return found;
}

}  // namespace

TrackMap buildTrackMap(int raceLength) {
    TrackMap map;
    map.length = raceLength < 0 ? 0 : raceLength;
    const int L = map.length;
    const int last = L + TrackOverrun;
    map.tiles.assign(static_cast<std::size_t>(map.columns()) * TrackRows, RoadTile);
    // Every cell draws its grass, road cells too, so the number of draws never depends on the road.
    for (int c = 0; c <= last; ++c) {
        for (int r = 0; r < TrackRows; ++r) {
            int tile = GrassTile + nearest(randomUnit());
            if (nearest(2 * randomUnit()) == 2) tile = GrassTile + 1 + nearest(4 * randomUnit());
            if (isRoadRow(r)) {
                tile = RoadTile;
                if (c == 5 || c == 6 || c == L + 5 || c == L + 6) tile = StartLineTile;
            }
            cell(map, c, r) = tile;
        }
    }
    // Rivers 70 to 150 columns apart, none touching the finish (columns L to L + 12).
    int a = 10;
    for (;;) {
        a = nearest(a + 80 * randomUnit() + 70);
        const int b = nearest(a + 5 + 10 * randomUnit());
        if (a > last || b > last) break;
        if (b < L || a > L + 12) paintRiver(map, a, b);
    }
    return map;
}

int tileColumn(double x) { return nearest(x) / TileSize; }

void moveRacer(Racer& racer, const TrackMap& map) {
    const double dt = FrameClock.frameDelta;
    if (tileColumn(racer.x) > map.length + 5) racer.boost = -0.3;  // past the finish: brake
    racer.boost = racer.boost / (0.2 * dt + 1);
    racer.speed = racer.speed + racer.boost / 15 * dt;
    if (racer.speed > 0) racer.speed = racer.speed / (0.0005 * dt + 1);
    if (racer.speed < 0) racer.speed = 0;
    racer.x = racer.x + dt * racer.speed;
}

void chooseReplays(Game& game, const Leaderboard& board1) {
    const Racer& player1 = game.racers[game.racerOfPlayer1];
    const bool two = game.twoPlayers != 0;
    const int rival = fastestRecord(board1, [&](const RaceRecord& r) {
        return !namedLike(r, player1) && (!two || !namedLike(r, game.racers[game.racerOfPlayer2]));
    });
    const int own = fastestRecord(board1, [&](const RaceRecord& r) { return namedLike(r, player1); });
    assignReplay(game.racers[0], board1, rival);
    if (!two) assignReplay(game.racers[2], board1, own);
}

void assignReplay(Racer& racer, const Leaderboard& board, int position) {
    racer.replayRecord = position;
    if (position >= 0 && position < static_cast<int>(board.records.size())) {
        racer.car = board.records[position].car;
        racer.name = board.records[position].name;
    }
}

void replayStep(Racer& racer, const Leaderboard& board, double elapsed) {
    if (racer.replayRecord < 0 || racer.replayRecord >= static_cast<int>(board.records.size())) return;
    const RaceRecord& record = board.records[racer.replayRecord];
    if (racer.nextSample < 0 || racer.nextSample >= static_cast<int>(record.samples.size())) return;
    const Sample& sample = record.samples[racer.nextSample];
    if (sample.first < elapsed) {
        racer.boost = sample.second;
        ++racer.nextSample;
    }
}

void updatePlaces(const std::array<Racer, 3>& racers, const TrackMap& map, std::array<int, 3>& order) {
    std::array<bool, 3> placed = {false, false, false};
    std::array<int, 3> next = {-1, -1, -1};
    for (int p = 0; p < 3; ++p) {
        const int slot = order[p];
        if (slot >= 0 && slot < 3 && !placed[slot] && tileColumn(racers[slot].x) >= map.length + 5) {
            next[p] = slot;
            placed[slot] = true;
        }
    }
    for (int p = 0; p < 3; ++p) {
        if (next[p] >= 0) continue;
        int best = -1;
        for (int slot = 0; slot < 3; ++slot) {
            if (placed[slot]) continue;
            if (best < 0 || racers[slot].x > racers[best].x) best = slot;
        }
        next[p] = best;
        placed[best] = true;
    }
    order = next;
}
