// The race screen: set-up, the frame loop from the countdown to the closing veil, and the way out
// through the results and the stores.
#include "race/race.h"

#include "accounts/accounts.h"
#include "audio/sound.h"
#include "present/image.h"
#include "present/key_strings.h"
#include "present/platform.h"
#include "present/random.h"
#include "present/sprite.h"
#include "race/answer_keys.h"
#include "race/judge.h"
#include "race/race_loop.h"
#include "race/race_view.h"
#include "race/results.h"
#include "shell/frame.h"
#include "shell/help.h"
#include "shell/notice.h"
#include "shell/watch.h"
#include "store/stats.h"
#include "store/game_store.h"

namespace {

constexpr double FullVeil = 255;

// The race that runs now, for problemOnScreen; null between races and after the race loop.
struct RunningRace {
    Game* game = nullptr;
    RaceState* race = nullptr;
};
RunningRace running;

// Clears the running race however runRace is left.
struct RunningRaceScope {
    RunningRace& slot;
    RunningRaceScope(RunningRace& s, Game& game, RaceState& race) : slot(s) { slot = {&game, &race}; }
    ~RunningRaceScope() { slot = {}; }
    RunningRaceScope(const RunningRaceScope&) = delete;
    RunningRaceScope& operator=(const RunningRaceScope&) = delete;
};

bool isPlayersSlot(const Game& game, int slot) {
    return slot == game.racerOfPlayer1 || (game.twoPlayers != 0 && slot == game.racerOfPlayer2);
}

// ---- Set-up steps ----

void putCarsOnStartLine(Game& game) {
    for (int i = 0; i < 3; ++i) {
        Racer& racer = game.racers[i];
        racer.x = StartX;
        racer.lane = TileSize * i + TileSize;
        racer.speed = 0;
        racer.boost = 0;
        racer.nextSample = 0;
    }
}

// Each player's board takes the races stored on it by classmates' devices since it was read.
void readNewRaces(Game& game) {
    for (int p = 0; p < playerCount(game); ++p) {
        if (p == 1 && &boardOf(game, 1) == &boardOf(game, 0)) continue;  // one board: read once
        GameStore.refreshBoard(game.classrooms, game.classroom, operationOf(game, p), lessonOf(game, p),
                               game.distance);
    }
}

void givePlayersTheirCars(Game& game) {
    for (int p = 0; p < playerCount(game); ++p) racerOf(game, p).car = playerRecordOf(game, p).car;
}

// Taken in every race for both players, before this race's records exist.
void takeOldBests(Game& game, RaceState& race) {
    for (int p = 0; p < 2; ++p) {
        const std::string& name = playerRecordOf(game, p).name;
        race.players[p].oldTopSpeed = fastestSpeed(name, operationOf(game, p), lessonOf(game, p), game.distance);
    }
    for (int p = 0; p < 2; ++p) {
        const std::string& name = playerRecordOf(game, p).name;
        race.players[p].oldBestTime = bestTime(name, operationOf(game, p), lessonOf(game, p), game.distance);
    }
}

void appendRaceRecords(Game& game, RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p) {
        const Racer& racer = racerOf(game, p);
        race.players[p].recordIndex = appendRecord(boardOf(game, p), racer.name, racer.car);
    }
}

void setProblemLessons(Game& game) {
    game.problem1.operation = game.operation1;
    game.problem2.operation = game.operation2;
    game.problem1.lesson = game.lesson1;
    game.problem2.lesson = game.lesson2;
}

// ---- Frame steps ----

void beginFrame(Game& game, RaceState& race) {
    tickFrame();
    double helpSeconds = 0;
    pendingKey = readFrameKey(game, game.twoPlayers != 0 ? HelpTopic::RaceTwoPlayers : HelpTopic::Race, helpSeconds);
    // The race stands still while the help card shows: race time and the replayed cars go on from
    // where they stopped (the countdown and the motion follow the frame clock, which the card resets).
    race.startTime += helpSeconds;
}

// Announces 5, 4, 3, 2, 1 and starts the race once the rounded countdown reaches 0.
void runCountdown(RaceState& race) {
    if (race.started) return;
    if (nearest(race.countdown) != race.lastCount) {
        playSound(CountdownSound);
        race.lastCount = nearest(race.countdown);
    }
    race.countdown -= FrameClock.frameDelta / 180;
    if (nearest(race.countdown) <= 0) {
        race.started = true;
        playSound(ConfirmSound);
    }
}

void moveCars(Game& game, RaceState& race) {
    for (int slot = 0; slot < 3; ++slot) {
        moveRacer(game.racers[slot], race.map);
        if (race.started && !isPlayersSlot(game, slot))
            replayStep(game.racers[slot], boardOf(game, 0), nowSeconds() - race.startTime);
    }
}

void judgeFor(Game& game, RaceState& race, int p) {
    judgeAnswer(problemOf(game, p), racerOf(game, p), boardOf(game, p), race.players[p], race.startTime);
}

// Two players: letters for player 1, digits for player 2. One player may use both sets.
void takeAnswers(Game& game, RaceState& race) {
    if (!race.started) return;
    PlayerRace& first = race.players[0];
    if (game.twoPlayers != 0) {
        if (!first.finished && takeLetterKeys(first.answerText) == 1) judgeFor(game, race, 0);
        PlayerRace& second = race.players[1];
        if (!second.finished && takeDigitKeys(second.answerText) == 1) judgeFor(game, race, 1);
        return;
    }
    if (first.finished) return;
    if (takeLetterKeys(first.answerText) == 1 || takeDigitKeys(first.answerText) == 1) judgeFor(game, race, 0);
}

// Race time counts from the last countdown frame.
void holdStartTime(RaceState& race) {
    if (!race.started) race.startTime = nowSeconds();
}

void countSpeeds(Game& game, RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p) updateSpeedStatistics(game, race, p);
}

void updateRaceTimes(Game& game, RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p)
        if (!race.players[p].finished) race.players[p].raceTime = nowSeconds() - race.startTime;
}

void checkFinish(Game& game, RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p) {
        PlayerRace& pr = race.players[p];
        if (pr.finished || tileColumn(racerOf(game, p).x) <= race.map.length + 5) continue;
        pr.finished = true;
        for (int place = 0; place < 3; ++place)
            if (race.order[place] == racerSlotOf(game, p)) pr.place = place + 1;
        recordFinishTime(game, race, p);
        if (Watchers.playerFinished) Watchers.playerFinished(p + 1, pr.place, pr.raceTime);
    }
}

// The veil closes once every player has finished, and three times as fast while Escape is held.
void advanceFade(Game& game, RaceState& race) {
    const bool allFinished = race.players[0].finished && (game.twoPlayers == 0 || race.players[1].finished);
    if (allFinished) race.fade += FrameClock.frameDelta;
    if (race.quitting) race.fade += 2 * FrameClock.frameDelta;
}

void closeVeil(Game& game, RaceState& race) {
    if (race.fade > FullVeil) race.fade = FullVeil;
    drawVeil(game, race);
}

void presentRace(Game& game) {
    lockScreen();
    presentPanel(game.mainPanel);
    if (game.twoPlayers != 0) presentPanel(game.sidePanel);
    unlockScreen();
}

void noticeEscapeHeld(RaceState& race) {
    if (isKeyDown(EscScanCode)) race.quitting = true;
}

// ---- After the loop ----

// A race counts only when every player finished; otherwise neither record stays.
void dropAbandonedRecords(Game& game, const RaceState& race) {
    if (game.twoPlayers != 0) {
        if (race.players[0].finished && race.players[1].finished) return;
        dropLastRecord(boardOf(game, 0));
        dropLastRecord(boardOf(game, 1));
    } else if (!race.players[0].finished) {
        dropLastRecord(boardOf(game, 0));
    }
}

void showResultsPicture(Game& game, const Image* results) {
    putImage(game.mainPanel.canvas.get(), 0, 0, results, PutMode::Copy);
    lockScreen();
    presentPanel(game.mainPanel);
    unlockScreen();
}

// Draws and shows the results; returns their picture, to show them again after a help card. Drawn
// after the stores, so that a save that failed is told on the results screen itself.
ImageHandle presentResults(Game& game, const RaceState& race) {
    Image* canvas = game.mainPanel.canvas.get();
    putImage(canvas, 0, 0, game.backImage.get(), PutMode::Copy);
    showResults(game, race);
    drawNotice(game, canvas);
    ImageHandle results = createImage(game.mainPanel.width, game.mainPanel.height);
    putImage(results.get(), 0, 0, canvas, PutMode::Copy);
    showResultsPicture(game, results.get());
    return results;
}

// Waits for a key press, then drops it and everything typed behind it. F1 shows the results' help
// card instead, and the results again after it.
void waitForKey(Game& game, const Image* results) {
    for (;;) {
        sleepMs(-1);
        if (readKey() != F1Key) break;
        showHelpCard(game, HelpTopic::Results);
        showResultsPicture(game, results);
    }
    while (!readKey().empty()) {
    }
}

// Written as soon as the race ends, before the results wait for a key: a PC switched off on the
// results screen must not lose the race.
void storeRace(Game& game, const RaceState& race) {
    for (int p = 0; p < playerCount(game); ++p) {
        if (!race.players[p].finished) continue;
        // Two players on one board: its save already took both records.
        if (p == 1 && race.players[0].finished && &boardOf(game, 1) == &boardOf(game, 0)) continue;
        GameStore.saveLeaderboard(game.classrooms, game.classroom, operationOf(game, p), lessonOf(game, p),
                                  game.distance);
    }
    saveClassPlayers(game);
}

}  // namespace

void setUpRace(Game& game, RaceState& race) {
    putCarsOnStartLine(game);                 // 1
    givePlayersTheirCars(game);               // 2
    race.map = buildTrackMap(game.raceLength);  // 3: continues the random sequence
    chooseReplays(game, boardOf(game, 0));    // 4
    takeOldBests(game, race);                 // 5
    appendRaceRecords(game, race);            // 6
    race.startTime = nowSeconds();            // 7: the other fields start as RaceState gives them
    setProblemLessons(game);                  // 8
    seedRandom(nowSeconds());                 // 9
    generate(game.problem1);                  // 10
    generate(game.problem2);
}

bool runRaceFrame(Game& game, RaceState& race) {
    beginFrame(game, race);              // 1  clock and key (or the help card)
    runCountdown(race);                  // 2  5, 4, 3, 2, 1, go
    moveCars(game, race);                // 3  motion and replays
    takeAnswers(game, race);             // 4  keys and judging
    drawWorld(game, race);               // 5  camera, track, cars, snow, frame pictures
    updatePlaces(game.racers, race.map, race.order);  // 6
    holdStartTime(race);                 // 7
    countSpeeds(game, race);             // 8  speed statistics
    drawStandings(game, race);           // 9
    updateRaceTimes(game, race);         // 10
    drawProblemLines(game, race);        // 11 problem lines, distance and speed
    checkFinish(game, race);             // 12
    advanceFade(game, race);             // 13
    drawCountdown(game, race);           // 14
    closeVeil(game, race);               // 15
    presentRace(game);                   // 16
    noticeEscapeHeld(race);              // 17
    if (race.fade == FullVeil) return false;  // 18
    sleepMs(1);
    return true;
}

void runRace(Game& game) {
    RaceState race;
    RunningRaceScope scope(running, game, race);
    readNewRaces(game);  // the ghosts come from the boards as they are now
    setUpRace(game, race);
    while (runRaceFrame(game, race)) {
    }
    running = {};  // the problem lines are gone: answers typed now would reach the results
    keepReachedSpeeds(game, race);     // 1  for the results, before any record goes
    dropAbandonedRecords(game, race);  // 2  a race counts only when every player finished
    storeRace(game, race);             // 3  boards of the finished players, then the players
    const ImageHandle results = presentResults(game, race);  // 4  figures, statistics, any failed save
    waitForKey(game, results.get());   // 5  F1 shows the results' help card meanwhile
    game.screen = Lesson;
}

const Problem* problemOnScreen(int player, bool& letterKeys) {
    letterKeys = false;
    if (running.game == nullptr || (player != 1 && player != 2)) return nullptr;
    Game& game = *running.game;
    const RaceState& race = *running.race;
    const int p = player - 1;
    if (p >= playerCount(game) || !race.started || race.players[p].finished) return nullptr;
    letterKeys = game.twoPlayers != 0 && p == 0;
    return &problemOf(game, p);
}

const Racer* racerInRace(int slot) {
    if (running.game == nullptr || slot < 0 || slot >= static_cast<int>(running.game->racers.size())) return nullptr;
    return &running.game->racers[static_cast<std::size_t>(slot)];
}
