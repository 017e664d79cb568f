// Sums the stored races of one classroom per player and board for the teacher's report.
#include "summary.h"

#include <utility>
#include <unordered_map>

#include "store/number_text.h"
#include "store/records.h"
#include "store/store.h"

namespace {

constexpr double CorrectSample = 1;
constexpr double WrongSample = -0.5;

void addRecord(BoardSummary& s, const RaceRecord& record) {
    if (record.time > 0 && (s.bestTime == 0 || record.time < s.bestTime)) s.bestTime = record.time;
    if (record.topSpeed > s.topSpeed) s.topSpeed = record.topSpeed;
    // Summed here and divided once the board is done.
    s.averageSpeed += record.averageSpeed;
    s.answers += record.sampleCount;
    for (const Sample& sample : record.samples) {
        if (sample.second == CorrectSample) ++s.correct;
        if (sample.second == WrongSample) ++s.wrong;
    }
    s.times.push_back(record.time);
    ++s.races;
}

}  // namespace

ClassroomSummary summariseClassroom(int position, const std::string& name) {
    ClassroomSummary room;
    room.position = position;
    room.name = name;
    PlayerList players;
    loadPlayers(players, position);
    // Two entries of the player file may share a name; the records then count for both, as the
    // game's statistics would show them.
    std::unordered_map<std::string, std::vector<std::size_t>> byName;
    for (const Player& p : players.items) {
        byName[p.name].push_back(room.players.size());
        room.players.push_back(PlayerSummary{p.name, {}});
    }
    Leaderboard board;  // one board at a time: a classroom's boards are never all held at once
    for (int operation = 0; operation < BoardOperations; ++operation) {
        for (int lesson = 0; lesson < BoardLessons; ++lesson) {
            for (int distance = 0; distance < BoardDistances; ++distance) {
                readLeaderboard(board, boardPath(position, operation, lesson, distance));
                for (const RaceRecord& record : board.records) {
                    const auto found = byName.find(record.name);
                    if (found == byName.end()) continue;
                    for (const std::size_t index : found->second) {
                        std::vector<BoardSummary>& boards = room.players[index].boards;
                        if (boards.empty() || boards.back().operation != operation ||
                            boards.back().lesson != lesson || boards.back().distance != distance) {
                            BoardSummary fresh;
                            fresh.operation = operation;
                            fresh.lesson = lesson;
                            fresh.distance = distance;
                            boards.push_back(std::move(fresh));
                        }
                        addRecord(boards.back(), record);
                        ++room.races;
                    }
                }
            }
        }
    }
    for (PlayerSummary& p : room.players) {
        for (BoardSummary& s : p.boards) s.averageSpeed /= s.races;
    }
    return room;
}

bool accuracyPercent(long long correct, long long answers, double& percent) {
    if (answers <= 0) return false;
    percent = 100.0 * static_cast<double>(correct) / static_cast<double>(answers);
    return true;
}

int distanceMetres(int distance) { return 1500 * (distance + 1); }

std::string fixedText(double value, int decimals) {
    std::string text = fixedNumberText(value, decimals);
    if (text.empty()) return "0";
    if (text.find_first_not_of("-0.") == std::string::npos) text.erase(0, text[0] == '-');  // no "-0.00"
    return text;
}
