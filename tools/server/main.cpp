// tallyrally-server: the classroom server. Serves the browser site and the API over one game
// folder's classrooms, so that browsers and desktop PCs on the same folder share one class's boards.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "api.h"
#include "game_folder.h"
#include "http_rules.h"
#include "http_server.h"
#include "request.h"

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "Usage: tallyrally-server [--data DIR] [--bind ADDR] [--port N] [--site DIR]\n"
    "                         [--teacher-password-file FILE] [--host NAME]...\n"
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
    "  --host NAME    a further name pupils open the server by (a DNS name, or the name\n"
    "                 a proxy in front passes on); may be given again. The server answers\n"
    "                 only requests for its own names and addresses (421 otherwise):\n"
    "                 localhost, its host name, the addresses of this machine, and these\n"
    "  --help         show this help\n";

struct Options {
    std::string data;
    std::string site;
    std::string teacherFile;
    TransportOptions transport;
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
            o.transport.bind = value;
        } else if (arg == "--port") {
            char* end = nullptr;
            const long port = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
                error = "the port must be a number from 0 to 65535";
                return false;
            }
            o.transport.port = static_cast<int>(port);
        } else if (arg == "--site") {
            o.site = value;
        } else if (arg == "--teacher-password-file") {
            o.teacherFile = value;
        } else if (arg == "--host") {
            if (hostName(value).empty()) {
                error = "not a host name: " + value;
                return false;
            }
            o.transport.hosts.push_back(value);
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

    // SIGINT and SIGTERM stop the server, waited for here, after the threads it starts have
    // inherited the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    HttpServer* server = startHttpServer(state, options.transport, error);
    if (server == nullptr) return fail(error);

    std::string shown = options.transport.bind;
    if (shown == "0.0.0.0") {
        shown = networkAddress();
        if (shown.empty()) shown = "127.0.0.1";
    }
    if (shown.find(':') != std::string::npos) shown = "[" + shown + "]";
    std::cout << "Tally Rally server for the classrooms in " << fs::current_path(ec).string() << "\n";
    if (state.config.siteDir.empty()) std::cout << "No browser site found: only the API is served.\n";
    std::cout << "Pupils open http://" << shown << ":" << listeningPort(*server) << "/" << std::endl;

    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    stopHttpServer(server);
    return 0;
}
