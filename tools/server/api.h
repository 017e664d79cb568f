// The classroom server's request handling, without sockets: the main program, the tests and the
// fuzzer hand it a method, a path and a body and send back what it answers.
#pragma once
#include <functional>
#include <mutex>
#include <string>

#include "throttle.h"

struct ServerConfig {
    std::string teacherPassword;  // empty: only the classrooms' own passwords open reports
    std::string siteDir;          // the browser site's folder; empty: no site is served
};

// One server. The store keeps the current classroom's boards in one process-wide table and works
// in the working directory, so every request that touches the saved data runs under storeLock,
// one at a time; the lock entries of the store (taken inside its operations) keep desktop copies
// of the game on the same folder in step.
struct ServerState {
    ServerConfig config;
    std::mutex storeLock;
    std::mutex throttleLock;
    PasswordThrottle throttle;
    std::function<double()> clock;  // seconds, monotonic; the tests may set their own
};

struct HttpAnswer {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    int retryAfter = 0;  // seconds, for a 429
};

// Called once, before any request: fills the lesson catalogue the report names lessons from and
// sets a monotonic clock when none is set.
void prepareServer(ServerState& state);

// Answers one request. The working directory must be the game folder (the one that holds or will
// hold "classrooms"). Paths under /api/ are the API (API.md); any other GET is a file of the site.
// Safe to call from several threads at once.
HttpAnswer answerRequest(ServerState& state, const std::string& method, const std::string& path,
                         const std::string& body);

// A file of the site folder for a GET of path: only plain files under the folder, never a path with
// "..", a hidden name, a "classrooms", a backslash or a NUL; "/" and folders mean their index.html.
// 404 otherwise.
HttpAnswer serveSite(const std::string& siteDir, const std::string& path);
