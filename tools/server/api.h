// The classroom server's request handling, without sockets: the main program, the tests and the
// fuzzer hand it a method, a path and a body and send back what it answers.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "board_cache.h"
#include "throttle.h"

struct ServerConfig {
    std::string teacherPassword;  // empty: only the classrooms' own passwords open reports
    std::string siteDir;          // the browser site's folder; empty: no site is served
};

// A desktop copy waits for a lock entry by looking again every 10 ms, and gives up waiting after a
// few seconds; a server saving without pause would take the entry again within microseconds of
// giving it back, and a busy class would starve the desktop copies into saving without the lock.
// So the server's saves are spaced by this much.
constexpr std::chrono::milliseconds SaveGap{15};

struct HttpAnswer {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    int retryAfter = 0;  // seconds, for a 429
    std::string attachment;  // a file name: the browser saves the answer under it
    std::vector<std::pair<std::string, std::string>> headers;  // further header fields, in order
    // When set, the answer's content is fileLength bytes of this file from fileOffset, which the
    // transport sends from the file itself, and body is empty.
    std::string file;
    std::uint64_t fileOffset = 0;
    std::uint64_t fileLength = 0;
};

struct ApiCall;

// A race waiting to be stored (under raceLock), and its answer once it was.
struct PendingRace {
    const ApiCall* call = nullptr;
    HttpAnswer answer;
    bool done = false;
};

// One server. The store works in the working directory and keeps the current classroom's boards
// in one process-wide table; the lock entries of the store (taken inside its operations) keep
// desktop copies of the game on the same folder in step. Within the server, storeLock lets one
// request at a time use the store, except that entering a classroom, which only reads files and
// fills the table, needs only tableLock, which the races' saves take too: a class entering does
// not wait for a pupil being added. Saves take their turn (saveTurn, then storeLock), spaced by
// SaveGap; races wait in a queue, and the races of one board are stored in one save. Lock order:
// saveTurn, raceLock, storeLock, tableLock, throttleLock; none is held while waiting for one
// before it.
struct ServerState {
    ServerConfig config;
    std::mutex storeLock;
    std::mutex tableLock;
    BoardCache boards;  // under tableLock: the classrooms' boards as the server last read them
    std::mutex saveTurn;  // taken before storeLock by the requests that save
    std::chrono::steady_clock::time_point lastSaveEnd{};  // under saveTurn
    std::mutex raceLock;  // the queue of races and raceSaving
    std::condition_variable raceDone;
    std::vector<PendingRace*> raceQueue;
    bool raceSaving = false;
    std::mutex throttleLock;  // the slow-down and the tokens
    PasswordThrottle throttle;
    // What pupil/check gave for a right pupil password, so that the game need not keep the
    // password: the token, for that classroom and pupil (by name), until expires (s.clock time).
    struct Token {
        std::string classroom;
        std::string pupil;
        double expires = 0;
    };
    std::map<std::string, Token> tokens;
    // Each pupil's race credit in seconds, by classroom and pupil name, as of when (s.clock time);
    // under throttleLock.
    struct RaceCredit {
        double seconds = 0;
        double when = 0;
    };
    std::map<std::string, RaceCredit> raceCredit;
    std::function<double()> clock;  // seconds, monotonic; the tests may set their own
};

// How long a token of pupil/check opens its pupil: a school day. The longest a server keeps is
// TokensLimit; beyond it the oldest go first.
constexpr double TokenSeconds = 12 * 3600;
constexpr std::size_t TokensLimit = 20000;

// A race costs its pupil the countdown and the least time of its distance, in seconds of credit
// that come back as time passes, up to RaceCreditSeconds: a pupil's device may send what it saved
// while the server was away, but no pupil stores more than a few races a minute.
constexpr double RaceCreditSeconds = 180;

// Called once, before any request: fills the lesson catalogue the report names lessons from and
// sets a monotonic clock when none is set.
void prepareServer(ServerState& state);

// Answers one request. The working directory must be the game folder (the one that holds or will
// hold "classrooms"). Paths under /api/ are the API (API.md); any other GET is a file of the site.
// client is the asking device's address as text: wrong passwords are counted per client. Safe to
// call from several threads at once.
HttpAnswer answerRequest(ServerState& state, const std::string& method, const std::string& path,
                         const std::string& body, const std::string& client = "");

// A file of the site folder for a GET of path, whole and as it is, in the answer's body (see
// serveSiteFile in site.h for which files it serves). 404 otherwise.
HttpAnswer serveSite(const std::string& siteDir, const std::string& path);
