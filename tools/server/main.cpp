// tallyrally-server: the classroom server. Serves the browser site and the API over one game
// folder's classrooms, so that browsers and desktop PCs on the same folder share one class's boards.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include <httplib.h>

#include "api.h"
#include "game_folder.h"
#include "request.h"

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "Usage: tallyrally-server [--data DIR] [--bind ADDR] [--port N] [--site DIR]\n"
    "                         [--teacher-password-file FILE]\n"
    "\n"
    "Serves the browser game and the classrooms of a Tally Rally game folder to a school's network.\n"
    "\n"
    "  --data DIR     the game folder that holds \"classrooms\" (default: the game's own folder,\n"
    "                 $TALLYRALLY_DATA or ~/.local/share/tallyrally)\n"
    "  --bind ADDR    the address to listen on (default 0.0.0.0, every network)\n"
    "  --port N       the port (default 8080; 0 picks a free one)\n"
    "  --site DIR     the browser game's folder (default: the installed one)\n"
    "  --teacher-password-file FILE\n"
    "                 a file whose first line opens every classroom's report\n"
    "                 and the backup of all classrooms\n"
    "  --help         show this help\n";

constexpr std::size_t ServerThreads = 64;
constexpr int ListenBacklog = 128;

struct Options {
    std::string data;
    std::string bind = "0.0.0.0";
    int port = 8080;
    std::string site;
    std::string teacherFile;
};

int fail(const std::string& message) {
    std::cerr << "tallyrally-server: " << message << "\n";
    return 2;
}

// The browser site: installed beside the game's pictures, or built beside this build.
std::string defaultSite() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    for (const fs::path& candidate :
         {self.parent_path() / "../../share/tallyrally/site", self.parent_path() / "../../build-web/site"}) {
        if (fs::is_directory(candidate, ec)) return fs::weakly_canonical(candidate, ec).string();
    }
    return "";
}

// The machine's first IPv4 address on a network that is up and not the loopback, or "".
std::string networkAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return "";
    std::string found;
    for (ifaddrs* a = list; a != nullptr && found.empty(); a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
        if ((a->ifa_flags & IFF_UP) == 0 || (a->ifa_flags & IFF_LOOPBACK) != 0) continue;
        char text[INET_ADDRSTRLEN];
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) found = text;
    }
    freeifaddrs(list);
    return found;
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << Usage;
            std::exit(0);
        }
        if (i + 1 >= argc) {
            error = "unknown option or missing value: " + arg;
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--data") {
            o.data = value;
        } else if (arg == "--bind") {
            o.bind = value;
        } else if (arg == "--port") {
            char* end = nullptr;
            const long port = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
                error = "the port must be a number from 0 to 65535";
                return false;
            }
            o.port = static_cast<int>(port);
        } else if (arg == "--site") {
            o.site = value;
        } else if (arg == "--teacher-password-file") {
            o.teacherFile = value;
        } else {
            error = "unknown option: " + arg;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) return fail(error + "\nTry 'tallyrally-server --help'.");

    ServerState state;
    if (!options.teacherFile.empty()) {
        std::ifstream in(options.teacherFile);
        std::string line;
        if (!in || !std::getline(in, line)) return fail("cannot read the teacher password from " + options.teacherFile);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!isTypedText(line, TeacherPasswordLimit, false))
            return fail("the teacher password must be 1 to 64 characters the keyboard can type");
        state.config.teacherPassword = line;
    }
    state.config.siteDir = options.site.empty() ? defaultSite() : options.site;
    std::error_code ec;
    if (!state.config.siteDir.empty()) state.config.siteDir = fs::absolute(state.config.siteDir, ec).string();

    const std::string folder = chooseGameFolder(options.data);
    if (folder.empty()) return fail("no game folder: give --data DIR");
    fs::create_directories(folder, ec);
    // The store works on paths relative to the game folder, as the game does.
    if (chdir(folder.c_str()) != 0) return fail("cannot work in the game folder " + folder);
    prepareServer(state);

    // SIGINT and SIGTERM stop the server from a thread of its own, after the threads it starts
    // have inherited the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    httplib::Server server;
    server.set_payload_max_length(BodyLimit);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_max_count(100);
    // A thread serves one connection for as long as it is kept alive, and a class's browsers keep
    // theirs between requests: enough threads for a class or two, and idle connections let go soon.
    server.new_task_queue = [] { return new httplib::ThreadPool(ServerThreads); };
    server.set_keep_alive_timeout(2);
    // The library listens with a backlog of 5, which a class connecting at once overflows (their
    // connections then wait a second or more); the socket is kept to listen again with a longer one.
    int listening = -1;
    server.set_socket_options([&listening](socket_t sock) {
        httplib::default_socket_options(sock);
        listening = sock;
    });
    const auto handle = [&state](const httplib::Request& req, httplib::Response& res) {
        const bool api = req.path.rfind("/api/", 0) == 0;
        HttpAnswer a;
        // A page of another site may make a pupil's browser post to the server, but only as a
        // form or plain text unless the server allows more, which it never does: the API takes
        // JSON only, so such a post changes nothing.
        if (api && req.method == "POST" && req.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
            a.status = 415;
            a.body = "{\"error\":\"the body must be sent as application/json\"}";
        } else {
            a = answerRequest(state, req.method, req.path, req.body);
        }
        res.status = a.status;
        res.set_content(a.body, a.contentType.c_str());
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
        if (api) {
            res.set_header("Cache-Control", "no-store");
            // The report is a page of its own: inline style and pictures, never a script.
            res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; img-src data:");
        }
        if (!a.attachment.empty())
            res.set_header("Content-Disposition", "attachment; filename=\"" + a.attachment + "\"");
        if (a.retryAfter > 0) res.set_header("Retry-After", std::to_string(a.retryAfter));
    };
    server.Get(".*", handle);
    server.Post(".*", handle);
    server.Put(".*", handle);
    server.Delete(".*", handle);
    server.Patch(".*", handle);

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(options.bind.c_str());
        if (port < 0) return fail("cannot listen on " + options.bind);
    } else if (!server.bind_to_port(options.bind.c_str(), port)) {
        return fail("cannot listen on " + options.bind + " port " + std::to_string(port));
    }

    if (listening >= 0) ::listen(listening, ListenBacklog);

    std::string shown = options.bind;
    if (shown == "0.0.0.0") {
        shown = networkAddress();
        if (shown.empty()) shown = "127.0.0.1";
    }
    std::cout << "Tally Rally server for the classrooms in " << fs::current_path(ec).string() << "\n";
    if (state.config.siteDir.empty()) std::cout << "No browser site found: only the API is served.\n";
    std::cout << "Pupils open http://" << shown << ":" << port << "/" << std::endl;

    std::atomic<bool> listenEnded{false};
    std::thread stopper([&server, &listenEnded, stopSignals] {
        int signalNumber = 0;
        sigwait(&stopSignals, &signalNumber);
        // A signal right at start may come before the server runs, when stopping does nothing.
        while (!server.is_running() && !listenEnded) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        server.stop();
    });
    server.listen_after_bind();
    listenEnded = true;
    // Listening ended without a signal (it failed): wake the signal thread so it can be joined.
    kill(getpid(), SIGTERM);
    stopper.join();
    return 0;
}
