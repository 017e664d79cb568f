// The classroom server's HTTP transport: listens, applies the network's limits, and hands each
// request to the API handling or the site handler.
//
// It is built on libmicrohttpd, for what a school's network needs and a thread per connection
// cannot give: one event thread (epoll) holds every connection, however slow or idle, at the cost of
// a small buffer each; the library itself refuses more than PerAddressConnections from one address
// and bounds each connection's memory. The API's handling blocks (the store's lock waits, the spaced
// saves), so it never runs on the event thread: a request's connection is suspended, a worker
// answers it and resumes it, and the workers take requests by turns per client address, so that one
// device's burst waits behind itself and another pupil's request is answered at once. Site files
// are answered on the event thread, which only looks them up and sends them from the file.
#pragma once
#include <string>
#include <vector>

#include "api.h"

// A connection may open, or keep alive after an answer, at most this long before its whole next
// request has arrived; then it is closed. A pupil's browser sends a request within milliseconds.
constexpr int RequestSeconds = 5;
constexpr unsigned PerAddressConnections = 16;  // a browser opens at most 6 to one server
constexpr unsigned ConnectionLimit = 2000;      // all addresses together
constexpr std::size_t ConnectionMemory = 48 * 1024;  // each connection's buffers, the header included
constexpr int Workers = 24;
constexpr int PerAddressRunning = 2;  // a client's requests that workers answer at once

struct TransportOptions {
    std::string bind = "0.0.0.0";  // an address or a name that resolves to one
    int port = 8080;               // 0: a free one
    std::vector<std::string> hosts;  // further names the server answers to (--host)
};

struct HttpServer;

// Called once, after prepareServer: listens on options' address and starts answering requests
// with state, which must outlive the server. nullptr, and error said, when it cannot listen.
HttpServer* startHttpServer(ServerState& state, const TransportOptions& options, std::string& error);

// Stops listening, answers the requests still waiting for a worker with 503, lets those under way
// finish, closes every connection and frees server.
void stopHttpServer(HttpServer* server);

// The port listened on (the one chosen when options asked for 0).
int listeningPort(const HttpServer& server);
