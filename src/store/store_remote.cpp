// The remote store: the game's store operations as requests to the classroom server's API.
#include "store/store_remote.h"

#include <algorithm>
#include <cstddef>
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
// Set when a request found its classroom gone from the list.
bool gone = false;

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
    if (status == 200 && parseAnswer(a.body, answer)) return true;
    if (status == 200 || status == 0) {
        status = 0;
        tell(NoAnswer);
    } else if (status == 403 && (route == "/api/classroom/add" || route == "/api/classroom/delete")) {
        tell("Only the teacher adds or deletes classrooms here: use the teacher's corner");
    } else if (status == 429 && route == "/api/race") {
        tell("The server is busy: the race is sent again with the next one");
    } else if (status == 429) {
        tell("Too many wrong passwords: wait a little");
    } else if (status == 503) {
        // The server's own words for a save that did not reach its disk, as the local store says them.
        Json refusal;
        const std::string error = parseAnswer(a.body, refusal) ? textMember(refusal, "error") : std::string();
        tell(!error.empty() ? error : "Could not save on the server");
    } else if (!stale(status)) {
        tell("The classroom server refused that");
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
    if (!entered) return;
    readPupils(answer, players);
    const Json* boards = arrayMember(answer, "boards");
    if (boards == nullptr) return;
    for (const Json& b : *boards) {
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
}

// The players of the classroom as the server has them now, after a stale list.
bool readPlayersAgain(ClassroomList& classrooms, int& position, PlayerList& players) {
    Json answer;
    int status = 0;
    if (!classroomRequest("/api/classroom/enter", Json::object(), classrooms, position, answer, status)) return false;
    return readPupils(answer, players);
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
        readPupils(answer, server);
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

// Sends the records of board after first (at most two at once, as a two-player race) and makes
// the board the server's board: its records from the answer's "from" on.
bool sendRecords(ClassroomList& classrooms, int& position, int operation, int lesson, int distance, Leaderboard& board,
                 std::vector<RaceRecord>& unsent, int& status) {
    while (!unsent.empty()) {
        const std::size_t take = std::min<std::size_t>(2, unsent.size());
        const std::string classroom = classrooms.items[static_cast<std::size_t>(position)].name;
        Json records = Json::array();
        Json racers = Json::array();
        for (std::size_t i = 0; i < take; ++i) {
            records.push_back(recordJson(unsent[i]));
            const std::string token = remembered(pupilTokens, pupilKey(classroom, unsent[i].name));
            racers.push_back(token.empty() ? Json::object() : Json{{"token", token}});
        }
        const Json rest = {{"operation", operation},
                           {"lesson", lesson},
                           {"distance", distance},
                           {"known", board.recordsOnDisk},
                           {"records", std::move(records)},
                           {"racers", std::move(racers)}};
        Json answer;
        if (!classroomRequest("/api/race", rest, classrooms, position, answer, status)) return false;
        const int from = std::clamp(intMember(answer, "from"), 0, board.recordsOnDisk);
        board.records.resize(static_cast<std::size_t>(from));
        if (const Json* answered = arrayMember(answer, "records")) appendRecords(*answered, board);
        board.count = static_cast<int>(board.records.size());
        board.recordsOnDisk = board.count;
        unsent.erase(unsent.begin(), unsent.begin() + static_cast<std::ptrdiff_t>(take));
    }
    return true;
}

bool saveLeaderboardRemote(ClassroomList& classrooms, int& position, int operation, int lesson, int distance) {
    if (operation < 0 || operation >= BoardOperations || lesson < 0 || lesson >= BoardLessons || distance < 0 ||
        distance >= BoardDistances || position < 0 || position >= classrooms.count)
        return false;
    Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
    const std::size_t first = static_cast<std::size_t>(std::clamp(board.recordsOnDisk, 0, board.count));
    std::vector<RaceRecord> unsent(board.records.begin() + static_cast<std::ptrdiff_t>(first), board.records.end());
    board.records.resize(first);
    board.recordsOnDisk = static_cast<int>(first);
    int status = 0;
    gone = false;
    const bool sent = sendRecords(classrooms, position, operation, lesson, distance, board, unsent, status);
    // What did not go stays after the board's records, for the next save to send again.
    board.records.insert(board.records.end(), unsent.begin(), unsent.end());
    board.count = static_cast<int>(board.records.size());
    if (!sent && stale(status) && !gone) tell(Changed);
    return !gone;
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

void useRemoteStore(RemoteTransport sender) {
    transport = std::move(sender);
    trouble.clear();
    classroomPasswords.clear();
    pupilTokens.clear();
    StoreOperations ops;
    ops.loadClassrooms = loadClassroomsRemote;
    ops.saveClassrooms = loadClassroomsRemote;  // additions and deletions went to the server at once
    ops.addClassroom = addClassroomRemote;
    ops.deleteClassroom = deleteClassroomRemote;
    ops.enterClassroom = enterClassroomRemote;
    ops.savePlayers = savePlayersRemote;
    ops.saveLeaderboard = saveLeaderboardRemote;
    ops.isClassroomPassword = isClassroomPasswordRemote;
    ops.isPlayerPassword = isPlayerPasswordRemote;
    ops.takeTrouble = takeTroubleRemote;
    GameStore = ops;
}
