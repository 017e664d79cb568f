// The race world's rule book: the random track, car motion, the replayed cars and the places.
#pragma once
#include <array>
#include <vector>

#include "shell/game.h"
#include "store/records.h"

// The game's conversion of a real to an integer: the nearest one, ties to even. Values beyond the
// 32-bit range are clamped to it (no race position comes near).
int nearest(double x);

// Tile numbers of a track map: slots of the season's tile pictures.
constexpr int RoadTile = 0;
constexpr int StartLineTile = 1;
constexpr int BridgeTile = 2;
constexpr int WaterFirstTile = 47;
constexpr int WaterInnerTile = 48;
constexpr int WaterLastTile = 49;
constexpr int GrassTile = 50;  // 50 to 55

constexpr int TrackRows = 5;     // rows 0 and 4 are verges, 1 to 3 the road
constexpr int TileSize = 32;     // world pixels of a square tile
constexpr int TrackOverrun = 105;  // columns of track beyond the race length
constexpr double StartX = 160;   // every car's x on the start line

// The tiles of one race's track: columns 0 to length + 105, rows 0 to 4.
struct TrackMap {
    int length = 0;
    std::vector<int> tiles;  // column-major: tiles[column * TrackRows + row]

    int columns() const { return length + TrackOverrun + 1; }
    int tile(int column, int row) const { return tiles[static_cast<std::size_t>(column) * TrackRows + row]; }
};

// Race set-up, before the random generator is reseeded: grass, road, start and finish lines and
// rivers, drawing randomUnit in a fixed order (every cell, then the rivers). A negative length is
// taken as 0.
TrackMap buildTrackMap(int raceLength);

// The column of a world x: nearest(x) divided by 32, truncated toward zero.
int tileColumn(double x);

// Once per frame for every car, countdown included: turns boost into speed and speed into
// distance over FrameClock.frameDelta ticks; a car past the finish line brakes to a stop.
void moveRacer(Racer& racer, const TrackMap& map);

// Race set-up, before this race's records are appended: slot 0 replays the fastest record on
// board 1 of a player not in the race, and in a one-player race slot 2 the player's own fastest.
// Only records with a time above 0 are candidates; an empty or damaged one is never replayed.
void chooseReplays(Game& game, const Leaderboard& board1);
// Sets the racer to replay record position (-1: none). A valid position gives the racer that
// record's car and name; any other keeps them, and the car stays at rest.
void assignReplay(Racer& racer, const Leaderboard& board, int position);
// Once per frame for a replaying car after the start: applies the next recorded boost once its
// time (seconds since the start) has passed; at most one sample per frame.
void replayStep(Racer& racer, const Leaderboard& board, double elapsed);

// Once per frame after the motion: rewrites order (the slots on first, second and third place,
// holding the previous frame's places) from the cars' positions. A car that has reached column
// length + 5 keeps its place; the others rank by x, the lower slot first on equal x.
void updatePlaces(const std::array<Racer, 3>& racers, const TrackMap& map, std::array<int, 3>& order);
