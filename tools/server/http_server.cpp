// The classroom server's HTTP transport on libmicrohttpd: limits, Host check, workers, headers.
#include "http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "http_rules.h"
#include "request.h"
#include "site.h"

// The transport's own records: named, not anonymous, since HttpServer holds them.
namespace transport {

using Clock = std::chrono::steady_clock;

// One connection, as the reaper sees it: since when it has been waiting for a whole request, or
// busy with one (answering or sending), when the deadline does not apply.
struct Watch {
    int fd = -1;
    Clock::time_point since;
    bool busy = false;
    bool shut = false;
};

// One request from its header to its answer.
struct Exchange {
    MHD_Connection* connection = nullptr;
    Watch* watch = nullptr;
    std::string method;
    std::string path;
    std::string client;
    std::string contentType;
    std::string body;
    bool tooLarge = false;
    bool started = false;            // handed to a worker
    std::atomic<bool> done{false};  // the worker's answer is ready
    HttpAnswer answer;
};

// The requests waiting for a worker, in one lane per client address. An address is in turn while
// its lane has a request waiting and fewer than PerAddressRunning running; workers take the lane at
// the front of turn and put it at the back again.
struct WorkQueue {
    struct Lane {
        std::deque<Exchange*> waiting;
        int running = 0;
    };
    std::mutex lock;
    std::condition_variable ready;
    std::map<std::string, Lane> lanes;
    std::deque<std::string> turn;
    bool stopping = false;
};

// The names and addresses the server answers to. The machine's addresses are read again, at most
// every few seconds, when a Host is not among them: a laptop may be given a new one.
struct OwnNames {
    std::vector<std::string> fixed;  // localhost, the bind address, the host name, --host names
    std::vector<std::string> names;  // fixed and the machine's addresses
    Clock::time_point readAt{};
};
constexpr std::chrono::seconds AddressesReread{5};

}  // namespace transport

using namespace transport;

struct HttpServer {
    ServerState* state = nullptr;
    MHD_Daemon* daemon = nullptr;
    OwnNames own;
    WorkQueue queue;
    std::vector<std::thread> workers;
    std::mutex watchLock;
    std::set<Watch*> watches;
    std::thread reaper;
    std::mutex reaperLock;
    std::condition_variable reaperWake;
    bool reaperStop = false;
};

namespace {

std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address == nullptr) return "";
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    } else if (address->sa_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&a)) {
            inet_ntop(AF_INET, &a.s6_addr[12], text, sizeof text);
        } else {
            inet_ntop(AF_INET6, &a, text, sizeof text);
        }
    }
    return text;
}

void readOwnNames(OwnNames& own) {
    own.names = own.fixed;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
            if (a->ifa_addr == nullptr) continue;
            const std::string text = addressText(a->ifa_addr);
            if (!text.empty()) own.names.push_back(hostName(text.find(':') == std::string::npos ? text : "[" + text + "]"));
        }
        freeifaddrs(list);
    }
    own.readAt = Clock::now();
}

bool hostIsOurs(OwnNames& own, const std::string& host) {
    if (hostAllowed(host, own.names)) return true;
    if (Clock::now() - own.readAt < AddressesReread) return false;
    readOwnNames(own);
    return hostAllowed(host, own.names);
}

std::string header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value == nullptr ? "" : value;
}

struct HeaderTally {
    std::size_t count = 0;
    std::size_t bytes = 0;
};

MHD_Result tallyHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
    auto* tally = static_cast<HeaderTally*>(cls);
    ++tally->count;
    tally->bytes += std::strlen(key) + (value == nullptr ? 0 : std::strlen(value));
    return MHD_YES;
}

HttpAnswer refusal(int status, const std::string& message) {
    HttpAnswer a;
    a.status = status;
    a.body = "{\"error\":\"" + message + "\"}";
    return a;
}

// An answer's body handed to the library without a copy: read from the string, freed with it.
ssize_t readBody(void* cls, std::uint64_t position, char* buffer, std::size_t most) {
    const auto* body = static_cast<const std::string*>(cls);
    if (position >= body->size()) return MHD_CONTENT_READER_END_OF_STREAM;
    const std::size_t n = std::min(most, body->size() - static_cast<std::size_t>(position));
    std::memcpy(buffer, body->data() + position, n);
    return static_cast<ssize_t>(n);
}

void freeBody(void* cls) { delete static_cast<std::string*>(cls); }

// The library's response for an answer; nullptr when its file cannot be sent as it was found.
MHD_Response* makeResponse(HttpAnswer& a) {
    MHD_Response* response = nullptr;
    if (!a.file.empty()) {
        const int fd = open(a.file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        struct stat s {};
        if (fd < 0) return nullptr;
        // Replaced or cut since it was looked at: better a refusal than a body shorter than said.
        if (fstat(fd, &s) != 0 || !S_ISREG(s.st_mode) ||
            static_cast<std::uint64_t>(s.st_size) < a.fileOffset + a.fileLength) {
            close(fd);
            return nullptr;
        }
        response = MHD_create_response_from_fd_at_offset64(a.fileLength, fd, a.fileOffset);
        if (response == nullptr) close(fd);
    } else {
        auto* body = new std::string(std::move(a.body));
        response = MHD_create_response_from_callback(body->size(), 32 * 1024, readBody, body, freeBody);
        if (response == nullptr) delete body;
    }
    return response;
}

MHD_Result send(MHD_Connection* connection, Exchange& ex, HttpAnswer a) {
    const bool api = ex.path.rfind("/api/", 0) == 0;
    MHD_Response* response = makeResponse(a);
    if (response == nullptr) {
        a = refusal(503, "the file changed while it was sent: ask again");
        a.retryAfter = 1;
        response = makeResponse(a);
        if (response == nullptr) return MHD_NO;
    }
    if (a.status != 304 && !a.contentType.empty())
        MHD_add_response_header(response, "Content-Type", a.contentType.c_str());
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    // No page of the server is shown inside another site's page (a pupil tricked into clicking).
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
    if (api) {
        MHD_add_response_header(response, "Cache-Control", "no-store");
        // The report is a page of its own: inline style and pictures, never a script.
        MHD_add_response_header(response, "Content-Security-Policy",
                                "default-src 'none'; style-src 'unsafe-inline'; img-src data:; frame-ancestors 'none'");
    } else {
        MHD_add_response_header(response, "Content-Security-Policy", "frame-ancestors 'none'");
    }
    if (!a.attachment.empty())
        MHD_add_response_header(response, "Content-Disposition",
                                ("attachment; filename=\"" + a.attachment + "\"").c_str());
    if (a.retryAfter > 0) MHD_add_response_header(response, "Retry-After", std::to_string(a.retryAfter).c_str());
    for (const auto& [name, value] : a.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(a.status), response);
    MHD_destroy_response(response);
    return queued;
}

void markBusy(HttpServer& server, Watch* watch) {
    if (watch == nullptr) return;
    std::lock_guard<std::mutex> g(server.watchLock);
    watch->busy = true;
}

void enqueue(WorkQueue& q, Exchange* ex) {
    std::lock_guard<std::mutex> g(q.lock);
    WorkQueue::Lane& lane = q.lanes[ex->client];
    lane.waiting.push_back(ex);
    if (lane.waiting.size() == 1 && lane.running < PerAddressRunning) q.turn.push_back(ex->client);
    q.ready.notify_one();
}

void answered(Exchange* ex) {
    ex->done = true;
    MHD_resume_connection(ex->connection);
}

void work(HttpServer& server) {
    WorkQueue& q = server.queue;
    std::unique_lock<std::mutex> g(q.lock);
    for (;;) {
        q.ready.wait(g, [&q] { return q.stopping || !q.turn.empty(); });
        if (q.stopping) {
            for (auto& [client, lane] : q.lanes) {
                for (Exchange* ex : lane.waiting) {
                    ex->answer = refusal(503, "the server is stopping");
                    answered(ex);
                }
                lane.waiting.clear();
            }
            q.turn.clear();
            return;
        }
        const std::string client = q.turn.front();
        q.turn.pop_front();
        WorkQueue::Lane& lane = q.lanes[client];
        Exchange* ex = lane.waiting.front();
        lane.waiting.pop_front();
        ++lane.running;
        if (!lane.waiting.empty() && lane.running < PerAddressRunning) q.turn.push_back(client);
        g.unlock();
        ex->answer = answerRequest(*server.state, ex->method, ex->path, ex->body, ex->client);
        answered(ex);
        g.lock();
        WorkQueue::Lane& after = q.lanes[client];
        --after.running;
        if (!after.waiting.empty() && after.running == PerAddressRunning - 1) q.turn.push_back(client);
        if (after.running == 0 && after.waiting.empty()) q.lanes.erase(client);
    }
}

// What the transport refuses before a request's body is read: the header's size, a name not the
// server's own.
bool refuseEarly(HttpServer& server, MHD_Connection* connection, HttpAnswer& a) {
    HeaderTally tally;
    MHD_get_connection_values(connection, MHD_HEADER_KIND, tallyHeader, &tally);
    if (tally.count > HeaderCountLimit || tally.bytes > HeaderBytesLimit) {
        a = refusal(431, "the request's header fields are too many or too long");
        return true;
    }
    const std::string host = header(connection, "Host");
    // Without a Host (HTTP/1.0) no browser is asking; a browser always names the site it is on.
    if (!host.empty() && !hostIsOurs(server.own, host)) {
        a = refusal(421, "this server does not answer for that name; open it by its own address");
        return true;
    }
    // A body over the limit is not refused here but read and dropped as it arrives (see handle), so
    // that the client, still sending, reads the 413 rather than a closed connection; the request's
    // deadline bounds how long that may take.
    return false;
}

MHD_Result handle(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                  const char* upload, std::size_t* uploadSize, void** context) {
    auto& server = *static_cast<HttpServer*>(cls);
    auto* ex = static_cast<Exchange*>(*context);
    if (ex == nullptr) {
        ex = new Exchange;
        *context = ex;
        ex->connection = connection;
        ex->method = method;
        ex->path = url;
        ex->contentType = header(connection, "Content-Type");
        const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        if (info != nullptr) ex->client = addressText(info->client_addr);
        const MHD_ConnectionInfo* socket = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        if (socket != nullptr) ex->watch = static_cast<Watch*>(socket->socket_context);
        HttpAnswer early;
        if (refuseEarly(server, connection, early)) {
            markBusy(server, ex->watch);
            return send(connection, *ex, std::move(early));
        }
        return MHD_YES;
    }
    if (*uploadSize > 0) {
        // Counted as it arrives, chunked or not, and never held past the limit.
        if (!ex->tooLarge && ex->body.size() + *uploadSize <= BodyLimit) {
            ex->body.append(upload, *uploadSize);
        } else {
            ex->tooLarge = true;
            ex->body.clear();
            ex->body.shrink_to_fit();
        }
        *uploadSize = 0;
        return MHD_YES;
    }
    if (ex->done) return send(connection, *ex, std::move(ex->answer));
    if (ex->started) return MHD_YES;  // woken before the worker's answer; it resumes the connection again
    markBusy(server, ex->watch);
    if (ex->tooLarge) return send(connection, *ex, refusal(413, "the body is larger than 512 KiB"));
    const bool api = ex->path.rfind("/api/", 0) == 0;
    if (!api) {
        if (ex->method != "GET" && ex->method != "HEAD") return send(connection, *ex, refusal(405, "the site is read only"));
        SiteRequest request{header(connection, "Accept-Encoding"), header(connection, "If-None-Match"),
                            header(connection, "If-Modified-Since"), header(connection, "Range"),
                            header(connection, "If-Range")};
        return send(connection, *ex, serveSiteFile(server.state->config.siteDir, ex->path, request));
    }
    // A page of another site may make a pupil's browser post to the server, but only as a form or
    // plain text unless the server allows more, which it never does: the API takes JSON only, so
    // such a post changes nothing.
    if (ex->method == "POST" && ex->contentType.rfind("application/json", 0) != 0)
        return send(connection, *ex, refusal(415, "the body must be sent as application/json"));
    ex->started = true;
    MHD_suspend_connection(connection);
    enqueue(server.queue, ex);
    return MHD_YES;
}

void completed(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    auto& server = *static_cast<HttpServer*>(cls);
    auto* ex = static_cast<Exchange*>(*context);
    if (ex == nullptr) return;
    if (ex->watch != nullptr) {
        std::lock_guard<std::mutex> g(server.watchLock);
        ex->watch->busy = false;
        ex->watch->since = Clock::now();
    }
    delete ex;
    *context = nullptr;
}

void connectionChanged(void* cls, MHD_Connection* connection, void** socketContext,
                       MHD_ConnectionNotificationCode code) {
    auto& server = *static_cast<HttpServer*>(cls);
    std::lock_guard<std::mutex> g(server.watchLock);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* watch = new Watch;
        const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        watch->fd = info != nullptr ? info->connect_fd : -1;
        watch->since = Clock::now();
        server.watches.insert(watch);
        *socketContext = watch;
    } else {
        auto* watch = static_cast<Watch*>(*socketContext);
        server.watches.erase(watch);
        delete watch;
        *socketContext = nullptr;
    }
}

// Closes the connections that have waited too long for a whole request. The library's own timeout
// counts from the last byte, which a client trickling one byte a second never reaches; shutting the
// socket down (it stays open until the library closes it, so no other connection can take its
// number meanwhile) makes the library see the end of the connection and close it.
void reap(HttpServer& server) {
    std::unique_lock<std::mutex> wake(server.reaperLock);
    while (!server.reaperStop) {
        server.reaperWake.wait_for(wake, std::chrono::milliseconds(250));
        const Clock::time_point deadline = Clock::now() - std::chrono::seconds(RequestSeconds);
        std::lock_guard<std::mutex> g(server.watchLock);
        for (Watch* w : server.watches) {
            if (w->busy || w->shut || w->fd < 0 || w->since > deadline) continue;
            shutdown(w->fd, SHUT_RDWR);
            w->shut = true;
        }
    }
}

// The address to listen on: a numeric address, or a name that resolves to one.
bool listenAddress(const std::string& bind, int port, sockaddr_storage& address, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (getaddrinfo(bind.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        error = "cannot listen on " + bind + ": not an address of this machine";
        return false;
    }
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    return true;
}

}  // namespace

HttpServer* startHttpServer(ServerState& state, const TransportOptions& options, std::string& error) {
    sockaddr_storage address{};
    if (!listenAddress(options.bind, options.port, address, error)) return nullptr;
    auto* server = new HttpServer;
    server->state = &state;
    char name[256] = "";
    std::vector<std::string> fixed = {"localhost", "127.0.0.1", "::1", hostName(options.bind)};
    if (gethostname(name, sizeof name - 1) == 0) fixed.push_back(hostName(name));
    for (const std::string& h : options.hosts) fixed.push_back(hostName(h));
    fixed.erase(std::remove(fixed.begin(), fixed.end(), std::string()), fixed.end());
    server->own.fixed = fixed;
    readOwnNames(server->own);

    unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME;
    if (address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    server->daemon = MHD_start_daemon(
        flags, static_cast<std::uint16_t>(options.port), nullptr, nullptr, handle, server,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, PerAddressConnections,
        MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit,
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(RequestSeconds),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 256u,
        MHD_OPTION_NOTIFY_COMPLETED, completed, server,
        MHD_OPTION_NOTIFY_CONNECTION, connectionChanged, server,
        MHD_OPTION_END);
    if (server->daemon == nullptr) {
        error = "cannot listen on " + options.bind + " port " + std::to_string(options.port);
        delete server;
        return nullptr;
    }
    for (int i = 0; i < Workers; ++i) server->workers.emplace_back(work, std::ref(*server));
    server->reaper = std::thread(reap, std::ref(*server));
    return server;
}

int listeningPort(const HttpServer& server) {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(server.daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info == nullptr ? 0 : info->port;
}

void stopHttpServer(HttpServer* server) {
    MHD_quiesce_daemon(server->daemon);
    {
        std::lock_guard<std::mutex> g(server->queue.lock);
        server->queue.stopping = true;
    }
    server->queue.ready.notify_all();
    for (std::thread& w : server->workers) w.join();
    {
        std::lock_guard<std::mutex> g(server->reaperLock);
        server->reaperStop = true;
    }
    server->reaperWake.notify_all();
    server->reaper.join();
    MHD_stop_daemon(server->daemon);
    delete server;
}
