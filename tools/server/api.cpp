// The API's operations: each one the store's own operation, under the store's lock entries, with
// positions and names checked, passwords slowed down, and answers that never hold a password.
#include "api.h"

#include "board_cache.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <thread>
#include <stdlib.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "accounts/accounts.h"
#include "formats.h"
#include "lessons/catalogue.h"
#include "race/race_bounds.h"
#include "request.h"
#include "store/archive.h"
#include "store/board_loading.h"
#include "store/protocol.h"
#include "store/stats.h"
#include "store/store.h"
#include "summary.h"

namespace {

// A school is not a data centre: more than this is a mistake or an attack.
constexpr int ClassroomsLimit = 100;
constexpr int PupilsLimit = 200;

HttpAnswer json(int status, const Json& body) {
    HttpAnswer a;
    a.status = status;
    a.body = wireText(body);
    return a;
}

HttpAnswer refuse(int status, const std::string& message, int retryAfter = 0) {
    HttpAnswer a = json(status, Json{{"error", message}});
    a.retryAfter = retryAfter;
    return a;
}

// Compares every byte whatever the first difference, so the time of an answer tells nothing of
// where a guess went wrong.
bool samePassword(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// The slow-down key of the teacher password, which every classroom's report tries.
const char* const TeacherKey = "teacher";

// Checks typed against stored (or the teacher's password, when given) through the slow-down of
// key for this client address (and, with a teacher's password, of the teacher's own key for it
// too, so that it cannot be guessed a few tries per classroom). Failures count per client and
// target: a device that has not failed is never refused its right password, and the teacher's
// right password is never refused for a classroom's slow-down. 0 when it opens (always, for an
// entry without a password), 429 while shut, 403 when wrong.
int checkPassword(ServerState& s, const std::string& client, const std::string& key, const std::string& stored,
                  const std::string& typed, int& retryAfter, const std::string& teacher = "") {
    if (stored.empty()) return 0;
    std::lock_guard<std::mutex> guard(s.throttleLock);
    const double now = s.clock();
    const std::string own = client + "\n" + key;
    const std::string teachers = client + "\n" + TeacherKey;
    const double teacherWait = teacher.empty() ? 0 : throttleWait(s.throttle, teachers, now);
    if (!teacher.empty() && teacherWait == 0 && samePassword(typed, teacher)) {
        noteAttempt(s.throttle, teachers, true, now);
        noteAttempt(s.throttle, own, true, now);
        return 0;
    }
    const double wait = std::max(teacherWait, throttleWait(s.throttle, own, now));
    if (wait > 0) {
        retryAfter = static_cast<int>(wait) + 1;
        return 429;
    }
    const bool right = samePassword(typed, stored);
    noteAttempt(s.throttle, own, right, now);
    // Only the teacher's password itself opens the teacher's key: a pupil who knows their own
    // classroom's password must not reset it between guesses.
    if (!teacher.empty() && !right) noteAttempt(s.throttle, teachers, false, now);
    return right ? 0 : 403;
}

// A new token for the pupil of classroom: 128 random bits as hex.
std::string giveToken(ServerState& s, const std::string& classroom, const std::string& pupil) {
    static std::random_device device;
    static const char* const Hex = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        unsigned word = device();
        for (int k = 0; k < 8; ++k, word >>= 4) token += Hex[word & 15];
    }
    std::lock_guard<std::mutex> guard(s.throttleLock);
    const double now = s.clock();
    if (s.tokens.size() >= TokensLimit) {
        for (auto it = s.tokens.begin(); it != s.tokens.end();) it = it->second.expires < now ? s.tokens.erase(it) : std::next(it);
        while (s.tokens.size() >= TokensLimit) {
            auto oldest = std::min_element(s.tokens.begin(), s.tokens.end(), [](const auto& a, const auto& b) {
                return a.second.expires < b.second.expires;
            });
            s.tokens.erase(oldest);
        }
    }
    s.tokens[token] = ServerState::Token{classroom, pupil, now + TokenSeconds};
    return token;
}

bool tokenOpens(ServerState& s, const std::string& token, const std::string& classroom, const std::string& pupil) {
    if (token.empty()) return false;
    std::lock_guard<std::mutex> guard(s.throttleLock);
    const auto it = s.tokens.find(token);
    if (it == s.tokens.end()) return false;
    if (it->second.expires < s.clock()) {
        s.tokens.erase(it);
        return false;
    }
    return it->second.classroom == classroom && it->second.pupil == pupil;
}

HttpAnswer passwordRefusal(int status, int retryAfter) {
    if (status == 429) return refuse(429, "too many wrong passwords: wait and try again", retryAfter);
    return refuse(403, "wrong password");
}

std::string classroomKey(const std::string& name) { return "classroom\n" + name; }
std::string pupilKey(const std::string& classroom, const std::string& pupil) {
    return "pupil\n" + classroom + "\n" + pupil;
}

// Whether given (a password or a token) opens pupil p of classroom: 0 when it does (always for a
// pupil without a password), else 403 or 429 as checkPassword.
int checkPupil(ServerState& s, const std::string& client, const std::string& classroom, const Player& p,
               const Address& given, int& retryAfter) {
    if (p.password.empty() || tokenOpens(s, given.token, classroom, p.name)) return 0;
    return checkPassword(s, client, pupilKey(classroom, p.name), p.password, given.password, retryAfter);
}

// The classroom list as the game reads it, and the position of the addressed classroom in it:
// 404 when the position holds none, 409 when it holds another name (the client's list is stale).
int findClassroom(ClassroomList& list, const Address& address) {
    loadClassrooms(list);
    if (address.position >= list.count) return 404;
    if (list.items[static_cast<std::size_t>(address.position)].name != address.name) return 409;
    return 0;
}

HttpAnswer addressRefusal(int status, const char* what) {
    if (status == 404) return refuse(404, std::string("no ") + what + " at that position");
    return refuse(409, std::string("that ") + what + " has moved or gone: read the list again");
}

int findPupil(const PlayerList& list, const Address& address) {
    if (address.position >= list.count) return 404;
    if (list.items[static_cast<std::size_t>(address.position)].name != address.name) return 409;
    return 0;
}

// The classroom list as it stands and the addressed classroom's position in it, once its password
// was given; else the refusal to answer.
struct Opened {
    ClassroomList classrooms;
    int position = 0;
    HttpAnswer refusal;
    bool ok = false;
};

Opened openClassroom(ServerState& s, const std::string& client, const Address& address,
                     const std::string& teacher = "") {
    Opened o;
    if (const int status = findClassroom(o.classrooms, address); status != 0) {
        o.refusal = addressRefusal(status, "classroom");
        return o;
    }
    o.position = address.position;
    const Classroom& c = o.classrooms.items[static_cast<std::size_t>(o.position)];
    int retryAfter = 0;
    if (const int status = checkPassword(s, client, classroomKey(c.name), c.password, address.password, retryAfter, teacher);
        status != 0) {
        o.refusal = passwordRefusal(status, retryAfter);
        return o;
    }
    o.ok = true;
    return o;
}

// After a write: the words of a save that did not reach the disk as a 503, or none.
bool saveFailed(HttpAnswer& answer) {
    const std::string trouble = takeSaveTrouble();
    if (trouble.empty()) return false;
    answer = refuse(503, trouble);
    return true;
}

// The pupils as the player menu shows them (LeaderboardTable must hold their classroom's boards).
Json pupilsWithStatistics(const PlayerList& list) {
    Json items = pupilsJson(list);
    for (int i = 0; i < list.count; ++i) {
        const std::string& name = list.items[static_cast<std::size_t>(i)].name;
        Json fastest = Json::array();
        Json average = Json::array();
        for (int o = 0; o < BoardOperations; ++o) {
            fastest.push_back(fastestSpeed(name, o, -1, -1));
            average.push_back(averageSpeedOf(name, o, -1, -1));
        }
        Json& item = items[static_cast<std::size_t>(i)];
        item["races"] = countRaces(name, -1, -1, -1);
        item["fastest"] = std::move(fastest);
        item["average"] = std::move(average);
    }
    return items;
}

HttpAnswer listClassrooms() {
    ClassroomList list;
    loadClassrooms(list);
    return json(200, Json{{"classrooms", classroomsJson(list)}});
}

// Which records of board a ghost may replay: each racer's fastest (the first on equal times, of
// those with a time), since a race replays the fastest of a rival and of the pupil. Only those
// travel with their answers; no other record ever becomes one, as records never change.
std::vector<bool> replayable(const Leaderboard& board) {
    std::map<std::string, std::size_t> fastest;
    for (std::size_t i = 0; i < board.records.size(); ++i) {
        const RaceRecord& r = board.records[i];
        if (!isRaceTime(r.time)) continue;
        const auto it = fastest.find(r.name);
        if (it == fastest.end() || board.records[it->second].time > r.time) fastest[r.name] = i;
    }
    std::vector<bool> replayed(board.records.size(), false);
    for (const auto& [name, i] : fastest) replayed[i] = true;
    return replayed;
}

Json recordsJson(const Leaderboard& board, std::size_t from) {
    const std::vector<bool> replayed = replayable(board);
    Json records = Json::array();
    for (std::size_t i = from; i < board.records.size(); ++i) records.push_back(recordJson(board.records[i], replayed[i]));
    return records;
}

// What entering shows, copied out of the store's table so that the answer is written after the
// store's lock is given back.
struct ClassroomView {
    Json pupils;  // made under the lock: the statistics need the table
    struct Board {
        int operation, lesson, distance;
        Leaderboard board;
    };
    std::vector<Board> boards;
};

HttpAnswer enterClassroom(ServerState& s, const ApiCall& call) {
    ClassroomView view;
    {
        std::lock_guard<std::mutex> guard(s.tableLock);
        Opened o = openClassroom(s, call.client, call.classroom);
        if (!o.ok) return o.refusal;
        // Only what changed on disk since the server last held this classroom's boards is read.
        bringUpBoards(s.boards, o.classrooms.items[static_cast<std::size_t>(o.position)].name, o.position);
        PlayerList players;
        loadPlayers(players, o.position);
        view.pupils = pupilsWithStatistics(players);
        for (int op = 0; op < BoardOperations; ++op)
            for (int lesson = 0; lesson < BoardLessons; ++lesson)
                for (int d = 0; d < BoardDistances; ++d) {
                    const Leaderboard& b = LeaderboardTable.boards[op][lesson][d];
                    if (!b.records.empty() || !b.title.empty()) view.boards.push_back({op, lesson, d, b});
                }
    }
    Json boards = Json::array();
    for (const ClassroomView::Board& b : view.boards) {
        Json records = recordsJson(b.board, 0);
        boards.push_back({{"operation", b.operation},
                          {"lesson", b.lesson},
                          {"distance", b.distance},
                          {"title", toWire(b.board.title)},
                          {"records", std::move(records)}});
    }
    return json(200, Json{{"pupils", std::move(view.pupils)}, {"boards", std::move(boards)}});
}

HttpAnswer checkClassroom(ServerState& s, const ApiCall& call) {
    Opened o = openClassroom(s, call.client, call.classroom);
    if (o.ok) return json(200, Json{{"right", true}});
    if (o.refusal.status == 403) return json(200, Json{{"right", false}});
    return o.refusal;
}

// With a teacher password, classrooms are the teacher's to add and delete: 0 when the request
// gives it (or the server has none), else the refusal's status.
int teacherOpens(ServerState& s, const ApiCall& call, int& retryAfter) {
    if (s.config.teacherPassword.empty()) return 0;
    return checkPassword(s, call.client, TeacherKey, s.config.teacherPassword, call.teacherPassword, retryAfter);
}

HttpAnswer teacherRefusal(int status, int retryAfter) {
    if (status == 429) return passwordRefusal(status, retryAfter);
    return refuse(403, "only the teacher password adds and deletes classrooms on this server");
}

HttpAnswer addClassroomCall(ServerState& s, const ApiCall& call) {
    int retryAfter = 0;
    if (const int status = teacherOpens(s, call, retryAfter); status != 0) return teacherRefusal(status, retryAfter);
    ClassroomList list;
    loadClassrooms(list);
    for (const Classroom& c : list.items)
        if (c.name == call.name) return refuse(409, "a classroom of that name exists");
    if (list.count >= ClassroomsLimit) return refuse(409, "there are as many classrooms as the server keeps");
    addClassroom(list, call.name, call.password);
    HttpAnswer answer;
    if (saveFailed(answer)) return answer;
    int position = list.count - 1;
    for (int i = 0; i < list.count; ++i)
        if (list.items[static_cast<std::size_t>(i)].name == call.name) position = i;
    return json(200, Json{{"position", position}, {"classrooms", classroomsJson(list)}});
}

HttpAnswer deleteClassroomCall(ServerState& s, const ApiCall& call) {
    Opened o;
    if (s.config.teacherPassword.empty()) {
        o = openClassroom(s, call.client, call.classroom);
        if (!o.ok) return o.refusal;
    } else {
        // The teacher's password deletes any classroom, whatever its own password.
        if (const int status = findClassroom(o.classrooms, call.classroom); status != 0)
            return addressRefusal(status, "classroom");
        int retryAfter = 0;
        if (const int status = teacherOpens(s, call, retryAfter); status != 0) return teacherRefusal(status, retryAfter);
        o.position = call.classroom.position;
    }
    {
        // Entering reads under this lock: it never sees the last classroom moving into the place
        // of the one deleted.
        std::lock_guard<std::mutex> table(s.tableLock);
        deleteClassroom(o.classrooms, o.position);
    }
    HttpAnswer answer;
    if (saveFailed(answer)) return answer;
    return json(200, Json{{"classrooms", classroomsJson(o.classrooms)}});
}

// The pupils of an opened classroom and the addressed pupil's password check (when checked).
HttpAnswer pupilCall(ServerState& s, const ApiCall& call) {
    Opened o = openClassroom(s, call.client, call.classroom);
    if (!o.ok) return o.refusal;
    const std::string classroomName = o.classrooms.items[static_cast<std::size_t>(o.position)].name;
    PlayerList players;
    loadPlayers(players, o.position);
    if (call.route == Route::AddPupil) {
        for (const Player& p : players.items)
            if (p.name == call.name) return refuse(409, "a pupil of that name exists");
        if (players.count >= PupilsLimit) return refuse(409, "the classroom has as many pupils as the server keeps");
        addPlayer(players, call.name, call.password);
    } else {
        if (const int status = findPupil(players, call.pupil); status != 0) return addressRefusal(status, "pupil");
        Player& p = players.items[static_cast<std::size_t>(call.pupil.position)];
        int retryAfter = 0;
        const int status = checkPupil(s, call.client, classroomName, p, call.pupil, retryAfter);
        if (call.route == Route::CheckPupil) {
            if (status == 429) return passwordRefusal(status, retryAfter);
            if (status != 0) return json(200, Json{{"right", false}});
            Json answer = {{"right", true}};
            if (!p.password.empty()) answer["token"] = giveToken(s, classroomName, p.name);
            return json(200, answer);
        }
        if (status != 0) return passwordRefusal(status, retryAfter);
        if (call.route == Route::SaveChoices) {
            p.car = call.car;
            p.driver = call.driver;
        } else {
            removePlayer(players, call.pupil.position);
        }
    }
    int position = o.position;
    if (!savePlayers(players, o.classrooms, position)) {
        takeSaveTrouble();
        return refuse(409, "this classroom was deleted meanwhile");
    }
    HttpAnswer answer;
    if (saveFailed(answer)) return answer;
    return json(200, Json{{"pupils", pupilsJson(players)}});
}

// The answer to one stored race: the board's records from the client's known count on, and each
// racer's statistics on the board, as the results screen shows them. The board must be the one
// just saved, in the store's table.
HttpAnswer raceAnswer(const ApiCall& call, const Leaderboard& board) {
    const int from = call.known <= board.count ? call.known : 0;
    Json records = recordsJson(board, static_cast<std::size_t>(from));
    Json statistics = Json::array();
    for (const RaceRecord& r : call.records) {
        statistics.push_back({{"name", toWire(r.name)},
                              {"bestTime", bestTime(r.name, call.operation, call.lesson, call.distance)},
                              {"fastestSpeed", fastestSpeed(r.name, call.operation, call.lesson, call.distance)},
                              {"averageSpeed", averageSpeedOf(r.name, call.operation, call.lesson, call.distance)},
                              {"races", countRaces(r.name, call.operation, call.lesson, call.distance)}});
    }
    return json(200, Json{{"count", board.count}, {"from", from}, {"records", std::move(records)},
                          {"statistics", std::move(statistics)}});
}

// Whether every record of a race names a pupil of the opened classroom and carries that pupil's
// password or token; else the refusal in refusal.
bool racersOpen(ServerState& s, const Opened& o, const ApiCall& call, HttpAnswer& refusal) {
    const std::string& classroom = o.classrooms.items[static_cast<std::size_t>(o.position)].name;
    PlayerList players;
    loadPlayers(players, o.position);
    for (std::size_t i = 0; i < call.records.size(); ++i) {
        const auto p = std::find_if(players.items.begin(), players.items.end(),
                                    [&](const Player& q) { return q.name == call.records[i].name; });
        if (p == players.items.end()) {
            refusal = refuse(403, "a record names no pupil of this classroom");
            return false;
        }
        int retryAfter = 0;
        if (const int status = checkPupil(s, call.client, classroom, *p, call.racers[i], retryAfter); status != 0) {
            refusal = passwordRefusal(status, retryAfter);
            return false;
        }
    }
    return true;
}

// Whether every pupil of the race has the credit for it; when all have, it is taken. Else the
// refusal (429 with the seconds to wait) in refusal.
bool raceCreditTaken(ServerState& s, const std::string& classroom, const ApiCall& call, HttpAnswer& refusal) {
    const double cost = CountdownSeconds + leastRaceSeconds(call.distance);
    std::lock_guard<std::mutex> guard(s.throttleLock);
    const double now = s.clock();
    double wait = 0;
    for (const RaceRecord& r : call.records) {
        const auto it = s.raceCredit.find(classroom + "\n" + r.name);
        if (it == s.raceCredit.end()) continue;
        const double credit = std::min(RaceCreditSeconds, it->second.seconds + (now - it->second.when));
        wait = std::max(wait, cost - credit);
    }
    if (wait > 0) {
        refusal = refuse(429, "races come faster than they can be driven: wait and send again",
                         static_cast<int>(wait) + 1);
        return false;
    }
    for (const RaceRecord& r : call.records) {
        const auto it = s.raceCredit.find(classroom + "\n" + r.name);
        const double credit = it == s.raceCredit.end()
                                  ? RaceCreditSeconds
                                  : std::min(RaceCreditSeconds, it->second.seconds + (now - it->second.when));
        s.raceCredit[classroom + "\n" + r.name] = ServerState::RaceCredit{credit - cost, now};
    }
    return true;
}

// Stores the races of batch, all on one board of one classroom, with one save of the store: each
// request's password is checked on its own, and the records of those that pass are this copy's
// unsaved records of the board, which the merge puts after whatever is on disk, classmates' races
// included. Called with the store's lock held.
void storeRaces(ServerState& s, const std::vector<PendingRace*>& batch) {
    const ApiCall& first = *batch.front()->call;
    Leaderboard& board = LeaderboardTable.boards[first.operation][first.lesson][first.distance];
    std::vector<PendingRace*> accepted;
    std::vector<RaceRecord> records;
    Opened o;
    for (PendingRace* race : batch) {
        Opened tried = openClassroom(s, race->call->client, race->call->classroom);
        if (!tried.ok) {
            race->answer = tried.refusal;
            continue;
        }
        if (!racersOpen(s, tried, *race->call, race->answer) ||
            !raceCreditTaken(s, tried.classrooms.items[static_cast<std::size_t>(tried.position)].name, *race->call,
                             race->answer))
            continue;
        o = std::move(tried);
        accepted.push_back(race);
        records.insert(records.end(), race->call->records.begin(), race->call->records.end());
    }
    if (accepted.empty()) return;
    // The board as the server last held it, brought up to the disk, takes the races as its unsaved
    // records: the save then reads only what desktop copies added meanwhile.
    bringUpBoards(s.boards, o.classrooms.items[static_cast<std::size_t>(o.position)].name, o.position);
    board.records.insert(board.records.end(), records.begin(), records.end());
    board.count = static_cast<int>(board.records.size());
    int position = o.position;
    HttpAnswer failed;
    if (!saveLeaderboard(o.classrooms, position, first.operation, first.lesson, first.distance)) {
        takeSaveTrouble();
        failed = refuse(409, "this classroom was deleted meanwhile");
    } else if (!saveFailed(failed)) {
        for (PendingRace* race : accepted) race->answer = raceAnswer(*race->call, board);
        return;
    }
    for (PendingRace* race : accepted) race->answer = failed;
}

bool sameBoard(const ApiCall& a, const ApiCall& b) {
    return a.classroom.position == b.classroom.position && a.classroom.name == b.classroom.name &&
           a.operation == b.operation && a.lesson == b.lesson && a.distance == b.distance;
}

// A race waits in the queue; the first waiter that finds no save of races going on becomes the
// saver, waits its save turn (meanwhile more races arrive), and stores every queued race of its own
// board in one save. A class finishing at once then costs a few saves, not thirty.
HttpAnswer storeRace(ServerState& s, const ApiCall& call) {
    PendingRace mine;
    mine.call = &call;
    std::unique_lock<std::mutex> queue(s.raceLock);
    s.raceQueue.push_back(&mine);
    while (!mine.done && s.raceSaving) s.raceDone.wait(queue);
    if (mine.done) return mine.answer;
    s.raceSaving = true;
    queue.unlock();
    {
        std::lock_guard<std::mutex> turn(s.saveTurn);
        std::this_thread::sleep_until(s.lastSaveEnd + SaveGap);
        std::vector<PendingRace*> batch;
        queue.lock();
        for (auto it = s.raceQueue.begin(); it != s.raceQueue.end();) {
            if (sameBoard(*(*it)->call, call)) {
                batch.push_back(*it);
                it = s.raceQueue.erase(it);
            } else {
                ++it;
            }
        }
        queue.unlock();
        {
            std::lock_guard<std::mutex> guard(s.storeLock);
            std::lock_guard<std::mutex> table(s.tableLock);
            takeSaveTrouble();
            storeRaces(s, batch);
        }
        s.lastSaveEnd = std::chrono::steady_clock::now();
        queue.lock();
        for (PendingRace* race : batch) race->done = true;
    }
    s.raceSaving = false;
    s.raceDone.notify_all();
    return mine.answer;
}

// One board's records from the client's known count on (all of them when the board is now
// shorter), storing nothing, so that a pupil's menu sees classmates' races without entering the
// classroom again.
HttpAnswer readBoard(ServerState& s, const ApiCall& call) {
    std::lock_guard<std::mutex> guard(s.tableLock);  // the races' saves write the kept boards under it
    Opened o = openClassroom(s, call.client, call.classroom);
    if (!o.ok) return o.refusal;
    bringUpBoards(s.boards, o.classrooms.items[static_cast<std::size_t>(o.position)].name, o.position);
    const Leaderboard& board = LeaderboardTable.boards[call.operation][call.lesson][call.distance];
    const int from = call.known <= board.count ? call.known : 0;
    return json(200, Json{{"count", board.count}, {"from", from},
                          {"records", recordsJson(board, static_cast<std::size_t>(from))}});
}

HttpAnswer report(ServerState& s, const ApiCall& call) {
    Opened o = openClassroom(s, call.client, call.classroom, s.config.teacherPassword);
    if (!o.ok) return o.refusal;
    const ClassroomSummary summary =
        summariseClassroom(o.position, o.classrooms.items[static_cast<std::size_t>(o.position)].name);
    HttpAnswer a;
    a.contentType = "text/html; charset=utf-8";
    a.body = formatHtml({summary});
    return a;
}

// The whole "classrooms" folder as one tar file. Every class is in it, so only the teacher's
// password opens it; a classroom's own password, which its pupils may know, does not. Called with
// the store's lock held, so no save of this server is half done in the picture.
HttpAnswer backup(ServerState& s, const ApiCall& call) {
    if (s.config.teacherPassword.empty())
        return refuse(403, "the server has no teacher password: start it with --teacher-password-file");
    int retryAfter = 0;
    if (const int status = checkPassword(s, call.client, TeacherKey, s.config.teacherPassword, call.password, retryAfter);
        status != 0)
        return passwordRefusal(status, retryAfter);
    // Written into a file that has no name by the time anything is in it: made new (O_EXCL, mode
    // 0600, never through a link) beside the system's other temporary files, never under
    // "classrooms", which the archive is a picture of, and unlinked at once; the archive writer
    // reaches it through this process's own descriptor.
    std::error_code ec;
    std::string name = (std::filesystem::temp_directory_path(ec) / "tallyrally-backup-XXXXXX").string();
    if (ec) return refuse(503, "Could not write the backup: no folder for temporary files");
    const int fd = mkstemp(name.data());
    if (fd < 0) return refuse(503, "Could not write the backup: no temporary file");
    unlink(name.c_str());
    const std::string trouble = writeClassArchive("/proc/self/fd/" + std::to_string(fd));
    HttpAnswer a;
    if (trouble.empty()) {
        char buffer[65536];
        ssize_t got = 0;
        if (lseek(fd, 0, SEEK_SET) == 0) {
            while ((got = read(fd, buffer, sizeof buffer)) > 0) a.body.append(buffer, static_cast<std::size_t>(got));
        } else {
            got = -1;
        }
        if (got < 0) a = refuse(503, "Could not read the backup back");
    } else {
        a = refuse(503, trouble);
    }
    close(fd);
    if (a.status != 200) return a;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    a.contentType = "application/x-tar";
    a.attachment = std::string("tallyrally-classrooms-") + date + ".tar";
    return a;
}

HttpAnswer run(ServerState& s, const ApiCall& call) {
    switch (call.route) {
        case Route::Hello: return json(200, Json{{"server", "tallyrally"}, {"api", 2}});
        case Route::ListClassrooms: return listClassrooms();
        case Route::EnterClassroom: break;  // takes the store's lock itself
        case Route::CheckClassroom: return checkClassroom(s, call);
        case Route::AddClassroom: return addClassroomCall(s, call);
        case Route::DeleteClassroom: return deleteClassroomCall(s, call);
        case Route::CheckPupil:
        case Route::AddPupil:
        case Route::DeletePupil:
        case Route::SaveChoices: return pupilCall(s, call);
        case Route::StoreRace: break;  // queued, and saved with the other races of its board
        case Route::ReadBoard: break;  // reads under the table's lock itself
        case Route::Report: return report(s, call);
        case Route::Backup: break;  // waits for the saves' turn, below
    }
    return refuse(404, "no such request");
}

}  // namespace

void prepareServer(ServerState& state) {
    fillLessonCatalogue();
    if (!state.clock) {
        state.clock = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
    }
}

HttpAnswer answerRequest(ServerState& state, const std::string& method, const std::string& path,
                         const std::string& body, const std::string& client) {
    if (path.rfind("/api/", 0) != 0) {
        if (method != "GET" && method != "HEAD") return refuse(405, "the site is read only");
        return serveSite(state.config.siteDir, path);
    }
    ApiCall call;
    Refusal refusal;
    if (!parseCall(method, path, body, call, refusal)) return refuse(refusal.status, refusal.message);
    call.client = client;
    if (call.route == Route::EnterClassroom) return enterClassroom(state, call);
    if (call.route == Route::StoreRace) return storeRace(state, call);
    if (call.route == Route::ReadBoard) return readBoard(state, call);
    if (call.route == Route::Backup) {
        // Taken as a save is (without the gap: it writes nothing of the store's), so that no save
        // of this server, races' included, is under way while the folder is read.
        std::lock_guard<std::mutex> turn(state.saveTurn);
        std::lock_guard<std::mutex> guard(state.storeLock);
        return backup(state, call);
    }
    const bool saves = call.route != Route::Hello && call.route != Route::ListClassrooms &&
                       call.route != Route::CheckClassroom && call.route != Route::CheckPupil &&
                       call.route != Route::Report;
    if (!saves) {
        std::lock_guard<std::mutex> guard(state.storeLock);
        return run(state, call);
    }
    // Saves wait their turn and the gap without holding up the requests that only read.
    std::lock_guard<std::mutex> turn(state.saveTurn);
    std::this_thread::sleep_until(state.lastSaveEnd + SaveGap);
    std::lock_guard<std::mutex> guard(state.storeLock);
    takeSaveTrouble();  // a trouble left by an earlier request is not this one's
    HttpAnswer answer = run(state, call);
    state.lastSaveEnd = std::chrono::steady_clock::now();
    return answer;
}
