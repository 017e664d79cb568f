// The remote store: the game's store operations as requests to the classroom server's API.
#include "store/store_remote.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "store/protocol.h"

namespace {

RemoteTransport transport;
std::string trouble;
// The classroom passwords typed and found right during this run, by classroom name, and the tokens
// the server gave for right pupil passwords, by classroom and pupil name (the pupils' passwords
// themselves are never kept): the API asks for them with every request that works in the
// classroom, on the pupil or with the pupil's race.
std::map<std::string, std::string> classroomPasswords;
std::map<std::string, std::string> pupilTokens;

const char* const NoAnswer = "The classroom server did not answer";
const char* const Changed = "This class was changed on another PC";
const char* const Deleted = "This class was deleted on another PC";
const char* const ServerRefused = "The classroom server refused that";
const char* const TooMany = "Too many wrong passwords: wait a little";
const char* const KeptNotice = "Saved on this device; sent when the server answers";
// Set when a request found its classroom gone from the list.
bool gone = false;

// When a request last came back with nothing. A board's refresh is not worth the wait for an
// absent server: none is sent for a while after (a race's store still tries at once).
constexpr std::chrono::seconds RefreshPause{20};
std::chrono::steady_clock::time_point lastNoAnswer{};
bool answeredSince = true;

void tell(const std::string& words) {
    if (trouble.empty()) trouble = words;
}

std::string pupilKey(const std::string& classroom, const std::string& pupil) { return classroom + "\n" + pupil; }

std::string remembered(const std::map<std::string, std::string>& passwords, const std::string& key) {
    const auto found = passwords.find(key);
    return found == passwords.end() ? std::string() : found->second;
}

// Whether a refusal says that the list as this device read it is out of date: 409 (another entry
// stands at the position) or 404 (none does).
bool stale(int status) { return status == 409 || status == 404; }

// An answer of the server: parsed without the request's bounds, which a whole classroom's boards
// exceed, but as strict JSON.
bool parseAnswer(const std::string& body, Json& answer) {
    answer = Json::parse(body, nullptr, false);
    return answer.is_object();
}

int intMember(const Json& value, const char* key) {
    const auto member = value.find(key);
    if (member == value.end() || !member->is_number()) return 0;
    const double number = member->get<double>();
    return number >= 0 && number <= 1e9 ? static_cast<int>(number) : 0;
}

bool flagMember(const Json& value, const char* key) {
    const auto member = value.find(key);
    return member != value.end() && member->is_boolean() && member->get<bool>();
}

// A text of the answer, as the server's words (plain ASCII) or the game's bytes.
std::string textMember(const Json& value, const char* key) {
    WireReader r;
    r.trusting = true;
    std::string out;
    return r.text(value, key, JsonMaxTextBytes, true, out) ? out : std::string();
}

const Json* arrayMember(const Json& value, const char* key) {
    const auto member = value.find(key);
    return member != value.end() && member->is_array() ? &*member : nullptr;
}

// One request. True with answer parsed when the server said 200; otherwise status says what came
// back (0 nothing, or nothing readable) and the class is told, except when the list is stale,
// which the caller answers by reading it again.
bool request(const std::string& method, const std::string& route, const Json& body, Json& answer, int& status) {
    RemoteAnswer a = transport ? transport(method, route, body.is_null() ? std::string() : wireText(body))
                               : RemoteAnswer{};
    status = a.status;
    if (status != 0) answeredSince = true;
    if (status == 200 && parseAnswer(a.body, answer)) return true;
    if (status == 200 || status == 0) {
        status = 0;
        lastNoAnswer = std::chrono::steady_clock::now();
        answeredSince = false;
        tell(NoAnswer);
    } else if (status == 403 && (route == "/api/classroom/add" || route == "/api/classroom/delete")) {
        tell("Only the teacher adds or deletes classrooms here: use the teacher's corner");
    } else if (status == 429 && route == "/api/race") {
        tell("The server is busy: the race is sent again with the next one");
    } else if (status == 429) {
        tell(TooMany);
    } else if (status == 503) {
        // The server's own words for a save that did not reach its disk, as the local store says them.
        Json refusal;
        const std::string error = parseAnswer(a.body, refusal) ? textMember(refusal, "error") : std::string();
        tell(!error.empty() ? error : "Could not save on the server");
    } else if (!stale(status)) {
        tell(ServerRefused);
    }
    return false;
}

Json address(int position, const std::string& name, const std::string& password) {
    Address a;
    a.position = position;
    a.name = name;
    a.password = password;
    return addressJson(a);
}

// {"classroom":ADDRESS of classrooms.items[position], with the password found right for it}, to
// which a request adds its own members.
Json classroomBody(const ClassroomList& classrooms, int position) {
    const std::string& name = classrooms.items[static_cast<std::size_t>(position)].name;
    return Json{{"classroom", address(position, name, remembered(classroomPasswords, name))}};
}

// The answer's list, read trustingly: what the server keeps is what the class has.
bool readClassrooms(const Json& answer, ClassroomList& list) {
    WireReader r;
    r.trusting = true;
    const Json* items = arrayMember(answer, "classrooms");
    return items != nullptr && readClassrooms(r, *items, list);
}

bool readPupils(const Json& answer, PlayerList& list) {
    WireReader r;
    r.trusting = true;
    const Json* items = arrayMember(answer, "pupils");
    return items != nullptr && readPupils(r, *items, list);
}

// The pupils by name, and whether each has a password (a kept race of one that has goes only with
// the token this run was given for it).
std::vector<std::pair<std::string, bool>> pupilNames(const PlayerList& players) {
    std::vector<std::pair<std::string, bool>> names;
    for (const Player& p : players.items) names.emplace_back(p.name, p.hasPassword);
    return names;
}

// The records of an answer that read whole, in order.
void appendRecords(const Json& records, Leaderboard& board) {
    WireReader r;
    r.trusting = true;
    for (const Json& item : records) {
        RaceRecord record;
        if (readRecord(r, item, record)) board.records.push_back(std::move(record));
    }
}

void loadClassroomsRemote(ClassroomList& list) {
    Json answer;
    int status = 0;
    if (request("GET", "/api/classrooms", Json(), answer, status) && !readClassrooms(answer, list)) tell(NoAnswer);
}

// After a stale list: the list read again, and position moved to where the classroom of that name
// is now. False, with the class told, when it is gone.
bool findAgain(ClassroomList& classrooms, int& position) {
    const std::string name = classrooms.items[static_cast<std::size_t>(position)].name;
    loadClassroomsRemote(classrooms);
    for (int i = 0; i < classrooms.count; ++i) {
        if (classrooms.items[static_cast<std::size_t>(i)].name == name) {
            position = i;
            return true;
        }
    }
    tell(Deleted);
    gone = true;
    return false;
}

// A request in the classroom at position: rest is its body's members beside the classroom's
// address. When the classroom has moved (a stale list) the list is read again and the request is
// sent once more to the classroom's new place. status is the last request's.
bool classroomRequest(const std::string& route, const Json& rest, ClassroomList& classrooms, int& position,
                      Json& answer, int& status) {
    if (position < 0 || position >= classrooms.count) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Json body = classroomBody(classrooms, position);
        body.update(rest);
        if (request("POST", route, body, answer, status)) return true;
        if (!stale(status)) return false;
        const int before = position;
        if (!findAgain(classrooms, position) || position == before) return false;
    }
    return false;
}

// ---- The races kept on the device until the server has stored them ----

struct KeptRace {
    std::string classroom;  // by name
    int operation = 0;
    int lesson = 0;
    int distance = 0;
    RaceRecord record;  // its name is the pupil's
    // Sent once without an answer, the race may have been stored: it then stands on its board at
    // or after this count (the known count sent with it). -1 when no such send is in doubt.
    int unanswered = -1;
    std::uint64_t id = 0;  // this run's own, to find it again after others left the shelf
    // Put on the shelf by the save under way: its pupil raced on this device just now, so only
    // the server may refuse it.
    bool fresh = false;
};

KeptRaceShelf shelf;
std::vector<KeptRace> kept;
std::uint64_t nextKeptId = 1;
int shelfHolds = 0;
bool keptChanged = false;
// The last write did not keep the shelf (storage full or refused): the shelf is behind this run's
// memory, which then is not replaced by reading it.
bool shelfBehind = false;

// The classroom whose boards LeaderboardTable holds (the one entered last) and its pupils as last
// read. Each of its boards holds its stored records (recordsOnDisk), then the kept races the store
// laid after them (keptLaid, counted here: another tab may have kept more meanwhile), then the
// game's new races, not yet on the shelf.
std::string room;
std::vector<std::pair<std::string, bool>> roomPupils;
int keptLaid[BoardOperations][BoardLessons][BoardDistances];

// Where the game's new races begin on a board of the room.
int newRacesAt(const Leaderboard& board, int laid) {
    return std::clamp(board.recordsOnDisk + laid, 0, static_cast<int>(board.records.size()));
}

const char* const ClassGone = "Kept race dropped: its class is gone";
const char* const PupilGone = "Kept race dropped: that pupil is gone";
const char* const Refused = "Kept race dropped: the server refused it";
const char* const ShelfFull = "Kept races full: the oldest was dropped";

bool validBoard(int operation, int lesson, int distance) {
    return operation >= 0 && operation < BoardOperations && lesson >= 0 && lesson < BoardLessons && distance >= 0 &&
           distance < BoardDistances;
}

bool onBoard(const KeptRace& k, const std::string& classroom, int operation, int lesson, int distance) {
    return k.classroom == classroom && k.operation == operation && k.lesson == lesson && k.distance == distance;
}

// One race a line, so that each line stays inside the JSON reader's bounds however many wait.
std::string keptLine(const KeptRace& k) {
    const Json line = {{"classroom", toWire(k.classroom)}, {"operation", k.operation}, {"lesson", k.lesson},
                       {"distance", k.distance},          {"unanswered", k.unanswered}, {"record", recordJson(k.record)}};
    return wireText(line) + "\n";
}

// Reads the shelf into kept; false when a line did not read back (a record outside the bounds the
// server keeps to, which it would refuse): that line is then left off, and the shelf needs writing.
bool readShelf(const std::string& text) {
    kept.clear();
    bool whole = true;
    WireReader r;
    r.trusting = true;  // written by this store
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        Json line;
        if (parseAnswer(text.substr(at, end - at), line)) {
            KeptRace k;
            k.classroom = textMember(line, "classroom");
            k.operation = intMember(line, "operation");
            k.lesson = intMember(line, "lesson");
            k.distance = intMember(line, "distance");
            const auto unanswered = line.find("unanswered");
            k.unanswered = unanswered != line.end() && unanswered->is_number_integer()
                               ? std::max(-1, static_cast<int>(std::clamp<std::int64_t>(unanswered->get<std::int64_t>(), -1, 1000000)))
                               : -1;
            const auto record = line.find("record");
            if (record != line.end() && record->is_object() && !k.classroom.empty() &&
                validBoard(k.operation, k.lesson, k.distance) && readRecord(r, *record, k.record)) {
                k.id = nextKeptId++;
                kept.push_back(std::move(k));
                at = end + 1;
                continue;
            }
        }
        whole = whole && end == at;  // an empty line is no race
        at = end + 1;
    }
    return whole;
}

// Drops the oldest races while more wait than the shelf keeps.
void boundShelf() {
    std::size_t bytes = 0;
    for (const KeptRace& k : kept) bytes += keptLine(k).size();
    while (!kept.empty() && (kept.size() > KeptRacesLimit || bytes > KeptBytesLimit)) {
        bytes -= keptLine(kept.front()).size();
        kept.erase(kept.begin());
        keptChanged = true;
        tell(ShelfFull);
    }
}

// The shelf held and read for as long as it lives (one hold however deeply nested), and written
// on the way out when the kept races changed.
struct ShelfHold {
    ShelfHold() {
        if (shelfHolds++ > 0) return;
        if (shelf.hold) shelf.hold();
        std::string text;
        keptChanged = false;
        if (!shelfBehind && shelf.read && shelf.read(text) && !readShelf(text)) {
            keptChanged = true;
            tell(Refused);
        }
    }
    ~ShelfHold() {
        if (--shelfHolds > 0) return;
        if (keptChanged) {
            std::string text;
            for (const KeptRace& k : kept) text += keptLine(k);
            shelfBehind = !(shelf.write && shelf.write(text));
            keptChanged = false;
        }
        if (shelf.release) shelf.release();
    }
    ShelfHold(const ShelfHold&) = delete;
    ShelfHold& operator=(const ShelfHold&) = delete;
};

void dropKept(std::uint64_t id) {
    const auto it = std::find_if(kept.begin(), kept.end(), [&](const KeptRace& k) { return k.id == id; });
    if (it == kept.end()) return;
    kept.erase(it);
    keptChanged = true;
}

void dropKeptOf(const std::string& classroom, const char* why) {
    const auto before = kept.size();
    std::erase_if(kept, [&](const KeptRace& k) { return k.classroom == classroom; });
    if (kept.size() == before) return;
    keptChanged = true;
    tell(why);
}

// Puts the game's new races on board [operation][lesson][distance] of the room on the shelf.
void shelveNewRaces(int operation, int lesson, int distance) {
    Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    int& laid = keptLaid[operation][lesson][distance];
    for (std::size_t i = static_cast<std::size_t>(newRacesAt(board, laid)); i < board.records.size(); ++i) {
        KeptRace k;
        k.classroom = room;
        k.operation = operation;
        k.lesson = lesson;
        k.distance = distance;
        k.record = board.records[i];
        k.id = nextKeptId++;
        k.fresh = true;
        kept.push_back(std::move(k));
        keptChanged = true;
        ++laid;
    }
    boundShelf();
}

// Lays a board of the room out as the store keeps it: its stored records (those from stored when
// given: the server's records from position from on), then the room's races kept for it, then the
// game's new races that are not on the shelf yet.
void layOut(int operation, int lesson, int distance, int from = 0, const std::vector<RaceRecord>* stored = nullptr) {
    Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    int& laid = keptLaid[operation][lesson][distance];
    const int start = newRacesAt(board, laid);
    std::vector<RaceRecord> fresh(board.records.begin() + start, board.records.end());
    int onServer = std::clamp(board.recordsOnDisk, 0, start);
    if (stored != nullptr) onServer = std::clamp(from, 0, onServer);
    board.records.resize(static_cast<std::size_t>(onServer));
    if (stored != nullptr) board.records.insert(board.records.end(), stored->begin(), stored->end());
    board.recordsOnDisk = static_cast<int>(board.records.size());
    for (const KeptRace& k : kept)
        if (onBoard(k, room, operation, lesson, distance)) board.records.push_back(k.record);
    laid = static_cast<int>(board.records.size()) - board.recordsOnDisk;
    board.records.insert(board.records.end(), fresh.begin(), fresh.end());
    board.count = static_cast<int>(board.records.size());
}

void layOutRoom() {
    if (room.empty()) return;
    for (int o = 0; o < BoardOperations; ++o)
        for (int l = 0; l < BoardLessons; ++l)
            for (int d = 0; d < BoardDistances; ++d) layOut(o, l, d);
}

// Whether the server's record is the kept one: the server's files keep 16 digits, so the numbers
// are compared to a hair, not to the bit.
bool sameRace(const RaceRecord& a, const RaceRecord& b) {
    auto near = [](double x, double y) { return std::abs(x - y) <= 1e-9 * std::max(1.0, std::abs(x)); };
    if (a.name != b.name || a.car != b.car || a.samples.size() != b.samples.size() || !near(a.time, b.time) ||
        !near(a.topSpeed, b.topSpeed) || !near(a.averageSpeed, b.averageSpeed))
        return false;
    for (std::size_t i = 0; i < a.samples.size(); ++i)
        if (!near(a.samples[i].first, b.samples[i].first) || a.samples[i].second != b.samples[i].second) return false;
    return true;
}

// The members that name one board of the classroom and the records of it already known.
Json boardFields(int operation, int lesson, int distance, int known) {
    return Json{{"operation", operation}, {"lesson", lesson}, {"distance", distance}, {"known", known}};
}

// A board's records as an answer of "race" or "board" gives them: the board's count, where they
// start, and the records from there.
struct BoardAnswer {
    int count = 0;
    int from = 0;
    std::vector<RaceRecord> records;
};

BoardAnswer readBoardAnswer(const Json& answer) {
    BoardAnswer b;
    b.count = intMember(answer, "count");
    b.from = intMember(answer, "from");
    Leaderboard board;
    if (const Json* records = arrayMember(answer, "records")) appendRecords(*records, board);
    b.records = std::move(board.records);
    return b;
}

// How sending a classroom's kept races ended.
enum class Sending { Done, Waiting, Away };

// A classroom whose kept races go now: where it is in a list, its pupils, and the count of each of
// its boards on the server as last heard. The room's boards are in LeaderboardTable instead, and
// the answers lay them out there.
struct Target {
    ClassroomList& list;
    int& position;
    std::vector<std::pair<std::string, bool>> pupils;
    bool isRoom = false;
    std::map<int, int> counts;  // by boardKey
};

int boardKey(int operation, int lesson, int distance) { return (operation * BoardLessons + lesson) * BoardDistances + distance; }

int knownCount(const Target& t, int operation, int lesson, int distance) {
    if (t.isRoom) return LeaderboardTable.boards[operation][lesson][distance].recordsOnDisk;
    const auto found = t.counts.find(boardKey(operation, lesson, distance));
    return found == t.counts.end() ? 0 : found->second;
}

void takeAnswer(Target& t, int operation, int lesson, int distance, const BoardAnswer& b) {
    if (t.isRoom) {
        layOut(operation, lesson, distance, b.from, &b.records);
    } else {
        t.counts[boardKey(operation, lesson, distance)] = b.count;
    }
}

KeptRace* findKept(std::uint64_t id) {
    const auto it = std::find_if(kept.begin(), kept.end(), [&](const KeptRace& k) { return k.id == id; });
    return it == kept.end() ? nullptr : &*it;
}

// What a refused request for the target means for the kept races it carried (sent, by id; none
// for a request that only reads).
Sending refusedSend(Target& t, const std::vector<std::uint64_t>& sent, int status, int known) {
    if (status == 0) {
        for (const std::uint64_t id : sent) findKept(id)->unanswered = known;
        keptChanged = keptChanged || !sent.empty();
        return Sending::Away;
    }
    if (status == 429 || status == 503) return Sending::Away;
    if (status == 403) {
        // A password or token changed meanwhile: the races wait until it is typed again. A race is
        // sent only with its pupils' tokens, so those are what a refused race forgets; the
        // classroom's password is forgotten when a request that carried no race is refused.
        const std::string& name = t.list.items[static_cast<std::size_t>(t.position)].name;
        if (sent.empty()) classroomPasswords.erase(name);
        for (const std::uint64_t id : sent) pupilTokens.erase(pupilKey(name, findKept(id)->record.name));
        return Sending::Waiting;
    }
    if (stale(status) || sent.empty()) return Sending::Waiting;  // moved again: the next send finds it
    for (const std::uint64_t id : sent) dropKept(id);
    if (trouble == ServerRefused) trouble.clear();  // said more exactly for a kept race
    tell(Refused);
    return Sending::Done;
}

// Sends the kept races of the target's classroom (named classroom), board by board, two at a time
// (the most one race request carries). A race that waited and whose pupil is gone is dropped; one sent before
// without an answer is looked for on its board first, and sent again only when it is not there.
Sending sendKeptOf(Target& t, const std::string& classroom) {
    for (std::size_t i = 0; i < kept.size();) {
        const KeptRace& k = kept[i];
        if (k.classroom == classroom && !k.fresh &&
            std::none_of(t.pupils.begin(), t.pupils.end(), [&](const auto& p) { return p.first == k.record.name; })) {
            dropKept(k.id);
            tell(PupilGone);
        } else {
            ++i;
        }
    }
    // A race of a pupil with a password waits (sending it without the token would only be refused,
    // and count as a wrong password) until that pupil's password is typed again.
    const auto opens = [&](const KeptRace& k) {
        const auto p = std::find_if(t.pupils.begin(), t.pupils.end(), [&](const auto& q) { return q.first == k.record.name; });
        return p == t.pupils.end() || !p->second || !remembered(pupilTokens, pupilKey(classroom, k.record.name)).empty();
    };
    std::vector<std::uint64_t> mine;
    for (const KeptRace& k : kept)
        if (k.classroom == classroom && opens(k)) mine.push_back(k.id);
    while (!mine.empty()) {
        const KeptRace* first = findKept(mine.front());
        if (first == nullptr) {
            mine.erase(mine.begin());
            continue;
        }
        const int operation = first->operation, lesson = first->lesson, distance = first->distance;
        const int known = knownCount(t, operation, lesson, distance);
        Json answer;
        int status = 0;
        if (first->unanswered >= 0) {
            const std::uint64_t id = first->id;
            const RaceRecord record = first->record;
            const int since = std::min(first->unanswered, known);
            if (!classroomRequest("/api/board", boardFields(operation, lesson, distance, since), t.list,
                                  t.position, answer, status))
                return refusedSend(t, {}, status, known);
            const BoardAnswer b = readBoardAnswer(answer);
            if (std::any_of(b.records.begin(), b.records.end(), [&](const RaceRecord& r) { return sameRace(r, record); })) {
                dropKept(id);
                mine.erase(mine.begin());
            } else {
                findKept(id)->unanswered = -1;
                keptChanged = true;
            }
            takeAnswer(t, operation, lesson, distance, b);
            continue;
        }
        std::vector<std::uint64_t> batch;
        Json records = Json::array();
        Json racers = Json::array();
        for (const std::uint64_t id : mine) {
            const KeptRace* k = findKept(id);
            if (k == nullptr || !onBoard(*k, classroom, operation, lesson, distance) || k->unanswered >= 0) continue;
            records.push_back(recordJson(k->record));
            const std::string token = remembered(pupilTokens, pupilKey(classroom, k->record.name));
            racers.push_back(token.empty() ? Json::object() : Json{{"token", token}});
            batch.push_back(id);
            if (batch.size() == 2) break;
        }
        Json rest = boardFields(operation, lesson, distance, known);
        rest["records"] = std::move(records);
        rest["racers"] = std::move(racers);
        if (classroomRequest("/api/race", rest, t.list, t.position, answer, status)) {
            for (const std::uint64_t id : batch) dropKept(id);
            takeAnswer(t, operation, lesson, distance, readBoardAnswer(answer));
        } else if (const Sending s = refusedSend(t, batch, status, known); s != Sending::Done) {
            return s;
        }
        std::erase_if(mine, [&](std::uint64_t id) { return std::find(batch.begin(), batch.end(), id) != batch.end(); });
    }
    return Sending::Done;
}

// After a request found another classroom than the room gone: its notice is the kept races'
// own, not the room's "deleted on another PC".
void forgetOthersGone(const std::string& troubleBefore) {
    if (!gone) return;
    trouble = troubleBefore;
    gone = false;
}

// Sends every kept race whose classroom can be opened: the room's first (classrooms and position
// are the game's, and name it), then the others', each found by name in the list read again. A
// classroom with a password waits until it was typed in this run. gone says afterwards only
// whether the room is.
void sendKept(ClassroomList& classrooms, int& position) {
    if (kept.empty()) return;
    const bool inRoom = !room.empty() && position >= 0 && position < classrooms.count &&
                        classrooms.items[static_cast<std::size_t>(position)].name == room;
    const bool roomWasGone = gone;
    if (inRoom) {
        Target t{classrooms, position, roomPupils, true, {}};
        const Sending s = sendKeptOf(t, room);
        if (gone) dropKeptOf(room, ClassGone);
        if (s == Sending::Away || gone) return;
    }
    std::vector<std::string> names;
    for (const KeptRace& k : kept)
        if ((!inRoom || k.classroom != room) && std::find(names.begin(), names.end(), k.classroom) == names.end())
            names.push_back(k.classroom);
    if (names.empty()) return;
    ClassroomList list;
    Json answer;
    int status = 0;
    if (!request("GET", "/api/classrooms", Json(), answer, status) || !readClassrooms(answer, list)) return;
    for (const std::string& name : names) {
        int at = -1;
        for (int i = 0; i < list.count; ++i)
            if (list.items[static_cast<std::size_t>(i)].name == name) at = i;
        if (at < 0) {
            dropKeptOf(name, ClassGone);
            continue;
        }
        if (list.items[static_cast<std::size_t>(at)].hasPassword && remembered(classroomPasswords, name).empty())
            continue;
        const std::string troubleBefore = trouble;
        Target t{list, at, {}, false, {}};
        if (!classroomRequest("/api/classroom/enter", Json::object(), list, at, answer, status)) {
            const bool wasGone = gone;
            forgetOthersGone(troubleBefore);
            if (wasGone) dropKeptOf(name, ClassGone);
            if (wasGone || refusedSend(t, {}, status, 0) != Sending::Away) continue;
            break;
        }
        PlayerList pupils;
        readPupils(answer, pupils);
        t.pupils = pupilNames(pupils);
        if (const Json* boards = arrayMember(answer, "boards")) {
            for (const Json& b : *boards) {
                const Json* records = arrayMember(b, "records");
                t.counts[boardKey(intMember(b, "operation"), intMember(b, "lesson"), intMember(b, "distance"))] =
                    records == nullptr ? 0 : static_cast<int>(records->size());
            }
        }
        const Sending s = sendKeptOf(t, name);
        const bool wasGone = gone;
        forgetOthersGone(troubleBefore);
        if (wasGone) dropKeptOf(name, ClassGone);
        if (s == Sending::Away) break;
    }
    gone = roomWasGone;
}

// ---- The operations ----

void addClassroomRemote(ClassroomList& list, const std::string& name, const std::string& password) {
    const Json body = {{"name", toWire(name)}, {"password", toWire(password)}};
    Json answer;
    int status = 0;
    if (request("POST", "/api/classroom/add", body, answer, status)) {
        readClassrooms(answer, list);
        return;
    }
    if (status == 409) tell("That name is taken");  // the only conflict of an addition
    loadClassroomsRemote(list);
}

void deleteClassroomRemote(ClassroomList& list, int position) {
    Json answer;
    int status = 0;
    if (position < 0 || position >= list.count) return;
    if (request("POST", "/api/classroom/delete", classroomBody(list, position), answer, status)) {
        readClassrooms(answer, list);
        return;
    }
    if (stale(status)) tell(Changed);
    loadClassroomsRemote(list);
}

void enterClassroomRemote(ClassroomList& classrooms, int& position, PlayerList& players) {
    Json answer;
    int status = 0;
    const bool entered =
        classroomRequest("/api/classroom/enter", Json::object(), classrooms, position, answer, status);
    // Emptied only now: the server's own handling may share this table (in the tests).
    LeaderboardTable = LeaderboardTableData{};
    players = PlayerList{};
    room.clear();
    roomPupils.clear();
    if (!entered) return;
    readPupils(answer, players);
    room = classrooms.items[static_cast<std::size_t>(position)].name;
    roomPupils = pupilNames(players);
    const Json* boards = arrayMember(answer, "boards");
    const Json noBoards = Json::array();
    for (const Json& b : boards == nullptr ? noBoards : *boards) {
        const int operation = intMember(b, "operation");
        const int lesson = intMember(b, "lesson");
        const int distance = intMember(b, "distance");
        if (operation < 0 || operation >= BoardOperations || lesson < 0 || lesson >= BoardLessons || distance < 0 ||
            distance >= BoardDistances)
            continue;
        Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
        board.title = textMember(b, "title");
        if (const Json* records = arrayMember(b, "records")) appendRecords(*records, board);
        board.count = static_cast<int>(board.records.size());
        board.recordsOnDisk = board.count;
    }
    for (int o = 0; o < BoardOperations; ++o)
        for (int l = 0; l < BoardLessons; ++l)
            for (int d = 0; d < BoardDistances; ++d) keptLaid[o][l][d] = 0;
    // The races kept on this device go now, and those still waiting show on their boards.
    ShelfHold hold;
    sendKept(classrooms, position);
    layOutRoom();
}

// The players of the classroom as the server has them now, after a stale list.
bool readPlayersAgain(ClassroomList& classrooms, int& position, PlayerList& players) {
    Json answer;
    int status = 0;
    if (!classroomRequest("/api/classroom/enter", Json::object(), classrooms, position, answer, status)) return false;
    if (!readPupils(answer, players)) return false;
    roomPupils = pupilNames(players);
    return true;
}

int positionOf(const PlayerList& list, const std::string& name) {
    for (int i = 0; i < list.count; ++i)
        if (list.items[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

// {"pupil":ADDRESS} of the pupil at at, with what was found right for them.
Json pupilRest(const std::string& classroom, const PlayerList& server, int at) {
    const std::string& name = server.items[static_cast<std::size_t>(at)].name;
    Address a;
    a.position = at;
    a.name = name;
    a.token = remembered(pupilTokens, pupilKey(classroom, name));
    return Json{{"pupil", addressJson(a)}};
}

// Sends the changes of list (base -> items) one by one; server follows the answers. False at the
// first that failed (status says how).
bool sendPlayerChanges(PlayerList& list, PlayerList& server, ClassroomList& classrooms, int& position, int& status) {
    const std::string classroom = classrooms.items[static_cast<std::size_t>(position)].name;
    auto send = [&](const char* route, const Json& rest) {
        Json answer;
        if (!classroomRequest(route, rest, classrooms, position, answer, status)) return false;
        if (readPupils(answer, server)) roomPupils = pupilNames(server);
        return true;
    };
    for (const Player& before : list.base) {
        if (positionOf(list, before.name) >= 0) continue;
        const int at = positionOf(server, before.name);
        if (at >= 0 && !send("/api/pupil/delete", pupilRest(classroom, server, at))) return false;
    }
    for (const Player& now : list.items) {
        const auto before = std::find_if(list.base.begin(), list.base.end(),
                                         [&](const Player& p) { return p.name == now.name; });
        if (before == list.base.end()) {
            if (!send("/api/pupil/add", Json{{"name", toWire(now.name)}, {"password", toWire(now.password)}}))
                return false;
            // The new pupil's token, so that their races need not carry the password.
            const int at = positionOf(server, now.name);
            if (!now.password.empty() && at >= 0) {
                Json check = classroomBody(classrooms, position);
                check["pupil"] = address(at, now.name, now.password);
                Json answer;
                int checked = 0;
                if (request("POST", "/api/pupil/check", check, answer, checked) && flagMember(answer, "right"))
                    pupilTokens[pupilKey(classroom, now.name)] = textMember(answer, "token");
            }
        } else if (before->car != now.car || before->driver != now.driver) {
            const int at = positionOf(server, now.name);
            if (at < 0) continue;  // deleted on another PC meanwhile
            Json rest = pupilRest(classroom, server, at);
            rest["car"] = now.car;
            rest["driver"] = now.driver;
            if (!send("/api/pupil/choices", rest)) return false;
        }
    }
    return true;
}

bool savePlayersRemote(PlayerList& list, ClassroomList& classrooms, int& position) {
    if (position < 0 || position >= classrooms.count) return false;
    PlayerList server;
    server.items = list.base;
    server.count = static_cast<int>(server.items.size());
    int status = 0;
    gone = false;
    const bool sent = sendPlayerChanges(list, server, classrooms, position, status);
    if (gone) return false;
    if (!sent && stale(status)) {
        // A pupil moved or went on another PC: the list as it is now, and this change not made.
        if (readPlayersAgain(classrooms, position, list)) tell(Changed);
        return !gone;
    }
    // What reached the server is the base now: the whole list when all of it did, and when not the
    // next save sends the rest.
    if (sent) {
        list.items = server.items;
        list.count = static_cast<int>(list.items.size());
    }
    list.base = server.items;
    return true;
}

bool saveLeaderboardRemote(ClassroomList& classrooms, int& position, int operation, int lesson, int distance) {
    if (!validBoard(operation, lesson, distance) || position < 0 || position >= classrooms.count) return false;
    gone = false;
    bool waiting = false;
    {
        ShelfHold hold;
        if (room.empty()) room = classrooms.items[static_cast<std::size_t>(position)].name;
        shelveNewRaces(operation, lesson, distance);
        sendKept(classrooms, position);
        for (KeptRace& k : kept) k.fresh = false;
        layOutRoom();
        waiting = std::any_of(kept.begin(), kept.end(),
                              [&](const KeptRace& k) { return onBoard(k, room, operation, lesson, distance); });
    }
    // The race waits on the device for a server that did not answer (or asked to wait): said so,
    // rather than that it failed.
    const bool onDevice = !shelfBehind && shelf.write;
    if (waiting && onDevice && (trouble == NoAnswer || trouble == TooMany)) trouble = KeptNotice;
    return !gone;
}

void refreshBoardRemote(ClassroomList& classrooms, int& position, int operation, int lesson, int distance) {
    if (!validBoard(operation, lesson, distance) || room.empty() || position < 0 || position >= classrooms.count ||
        classrooms.items[static_cast<std::size_t>(position)].name != room)
        return;
    if (!answeredSince && std::chrono::steady_clock::now() - lastNoAnswer < RefreshPause) return;
    const Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    Json answer;
    int status = 0;
    gone = false;
    if (!classroomRequest("/api/board", boardFields(operation, lesson, distance, board.recordsOnDisk),
                          classrooms, position, answer, status)) {
        if (stale(status) && !gone) tell(Changed);
        return;
    }
    const BoardAnswer b = readBoardAnswer(answer);
    layOut(operation, lesson, distance, b.from, &b.records);
}

bool isClassroomPasswordRemote(ClassroomList& classrooms, int position, const std::string& typed) {
    const std::string& name = classrooms.items[static_cast<std::size_t>(position)].name;
    const Json body = {{"classroom", address(position, name, typed)}};
    Json answer;
    int status = 0;
    if (!request("POST", "/api/classroom/check", body, answer, status)) {
        if (!stale(status)) return false;
        tell(Changed);
        loadClassroomsRemote(classrooms);
        return false;
    }
    const bool right = flagMember(answer, "right");
    if (right) classroomPasswords[name] = typed;
    return right;
}

bool isPlayerPasswordRemote(const ClassroomList& classrooms, int classroom, const PlayerList& players, int position,
                            const std::string& typed) {
    if (classroom < 0 || classroom >= classrooms.count) return false;
    const std::string& roomName = classrooms.items[static_cast<std::size_t>(classroom)].name;
    const std::string& name = players.items[static_cast<std::size_t>(position)].name;
    Json body = classroomBody(classrooms, classroom);
    body["pupil"] = address(position, name, typed);
    Json answer;
    int status = 0;
    if (!request("POST", "/api/pupil/check", body, answer, status)) {
        if (stale(status)) tell(Changed);
        return false;
    }
    const bool right = flagMember(answer, "right");
    if (right) pupilTokens[pupilKey(roomName, name)] = textMember(answer, "token");
    return right;
}

std::string takeTroubleRemote() { return std::exchange(trouble, std::string()); }

}  // namespace

void useRemoteStore(RemoteTransport sender, KeptRaceShelf keptShelf) {
    transport = std::move(sender);
    shelf = std::move(keptShelf);
    trouble.clear();
    classroomPasswords.clear();
    pupilTokens.clear();
    kept.clear();
    shelfBehind = false;
    room.clear();
    roomPupils.clear();
    answeredSince = true;
    StoreOperations ops;
    ops.loadClassrooms = loadClassroomsRemote;
    ops.saveClassrooms = loadClassroomsRemote;  // additions and deletions went to the server at once
    ops.addClassroom = addClassroomRemote;
    ops.deleteClassroom = deleteClassroomRemote;
    ops.enterClassroom = enterClassroomRemote;
    ops.savePlayers = savePlayersRemote;
    ops.saveLeaderboard = saveLeaderboardRemote;
    ops.refreshBoard = refreshBoardRemote;
    ops.isClassroomPassword = isClassroomPasswordRemote;
    ops.isPlayerPassword = isPlayerPasswordRemote;
    ops.takeTrouble = takeTroubleRemote;
    GameStore = ops;
}

void sendKeptRaces() {
    ShelfHold hold;
    ClassroomList none;
    int position = -1;
    gone = false;
    sendKept(none, position);
}
