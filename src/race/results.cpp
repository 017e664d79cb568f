// Race records and the results screen: appending, filling and dropping records, and the table of
// figures and statistics shown after the race.
#include "race/results.h"

#include "present/image.h"
#include "present/sprite.h"
#include "race/format.h"
#include "store/stats.h"

namespace {

constexpr std::uint32_t Black = 0xFF000000u;

std::string fmt(double value) { return formatNumber(value, "####.00"); }

std::string placeText(int place) {
    switch (place) {
        case 1: return "1st";
        case 2: return "2nd";
        case 3: return "3rd";
        default: return "0th";  // did not finish
    }
}

// One player's column of the results screen; x is its left edge (7 or 163).
void showPlayerColumn(Game& game, const RaceState& race, int p, int x) {
    Image* canvas = game.mainPanel.canvas.get();
    const PlayerRace& pr = race.players[p];
    const Player& player = playerRecordOf(game, p);
    const int op = operationOf(game, p);
    const int lesson = lessonOf(game, p);
    // The statistics are read now, after an abandoned race's records are gone.
    const double best = bestTime(player.name, op, lesson, game.distance);
    const double fastest = fastestSpeed(player.name, op, lesson, game.distance);
    const double average = averageSpeedOf(player.name, op, lesson, game.distance);
    const int figures = x + 66;  // the column of time and speeds: 73 or 229

    const int driver = player.driver >= 0 && player.driver < 13 ? player.driver : 0;
    drawSprite(canvas, x + 32, 50, game.driverImages[driver].get(), 2.0f, 2.0f, false);  // portrait
    drawText(canvas, x, 8, racerOf(game, p).name, Black);
    drawText(canvas, p == 0 ? 126 : 270, 8, placeText(pr.place), Black);
    drawText(canvas, figures, 20, "Time", Black);
    drawText(canvas, figures, 30, fmt(pr.raceTime) + " sec", Black);
    drawText(canvas, figures, 40, "Fastest", Black);
    drawText(canvas, figures, 50, fmt(pr.reachedTopSpeed) + " mph", Black);
    drawText(canvas, figures, 60, "Average", Black);
    drawText(canvas, figures, 70, fmt(pr.reachedAverageSpeed) + " mph", Black);
    // A finished pupil's new bests are this race's own figures, which equal the statistics when
    // the race is kept, and stay true when a partner's abandoning keeps it off the board.
    const double newBest = pr.finished ? pr.raceTime : best;
    const double newFastest = pr.finished ? pr.reachedTopSpeed : fastest;
    if (pr.newHighScore) {
        drawText(canvas, x, 85, "New High Score", Black);
        const std::string old = pr.oldBestTime > 0 ? fmt(pr.oldBestTime) : "N/A";
        drawText(canvas, x, 95, old + " to " + fmt(newBest) + " sec", Black);
    }
    if (pr.newTopSpeed) {
        drawText(canvas, x, 105, "New Top Speed", Black);
        drawText(canvas, x, 115, fmt(pr.oldTopSpeed) + " to " + fmt(newFastest) + " mph", Black);
    }
    drawText(canvas, x, 130, " Player Stats", Black);
    std::string toprace = fmt(best) + " sec";
    if (toprace == "0.00 sec") toprace = "N/A";
    drawText(canvas, x, 140, "Toprace " + toprace, Black);
    drawText(canvas, x, 150, "Fastest " + fmt(fastest) + " mph", Black);
    drawText(canvas, x, 160, "Average " + fmt(average) + " mph", Black);
}

}  // namespace

int appendRecord(Leaderboard& board, const std::string& name, int car) {
    RaceRecord record;
    record.name = name;
    record.car = car;
    board.records.push_back(std::move(record));
    board.count = static_cast<int>(board.records.size());
    return board.count - 1;
}

void dropLastRecord(Leaderboard& board) {
    if (board.records.empty()) return;
    board.records.pop_back();
    board.count = static_cast<int>(board.records.size());
}

void addSample(RaceRecord& record, double time, double value) {
    record.samples.push_back({time, value});
    record.sampleCount = static_cast<int>(record.samples.size());
}

void updateSpeedStatistics(Game& game, RaceState& race, int player) {
    PlayerRace& pr = race.players[player];
    if (!race.started || pr.finished) return;
    RaceRecord& record = raceRecordOf(game, race, player);
    const double mph = 35 * racerOf(game, player).speed;
    if (record.topSpeed < mph) record.topSpeed = mph;
    if (pr.oldTopSpeed < record.topSpeed) pr.newTopSpeed = true;
    // Each frame counts once, however long it took.
    record.averageSpeed = (pr.speedFrames * record.averageSpeed + mph) / (pr.speedFrames + 1);
    ++pr.speedFrames;
}

void recordFinishTime(Game& game, RaceState& race, int player) {
    PlayerRace& pr = race.players[player];
    raceRecordOf(game, race, player).time = pr.raceTime;
    if (pr.oldBestTime > pr.raceTime || pr.oldBestTime == 0) pr.newHighScore = true;
}

void keepReachedSpeeds(Game& game, RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p) {
        const RaceRecord& record = raceRecordOf(game, race, p);
        race.players[p].reachedTopSpeed = record.topSpeed;
        race.players[p].reachedAverageSpeed = record.averageSpeed;
    }
}

void showResults(Game& game, const RaceState& race) {
    showPlayerColumn(game, race, 0, 7);
    if (game.twoPlayers != 0) showPlayerColumn(game, race, 1, 163);
}
