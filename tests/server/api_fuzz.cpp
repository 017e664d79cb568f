// Fuzzes the whole API handling, store included, in a temporary game folder: any route, client and
// body must be answered with a known status and, for JSON, a well-formed answer that never holds
// a password; never a crash, a hang or a sanitizer report.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "api.h"
#include "store/protocol.h"

namespace {

const char* const Paths[] = {"/api/classroom/enter", "/api/classroom/check", "/api/classroom/add",
                             "/api/classroom/delete", "/api/pupil/check", "/api/pupil/add", "/api/pupil/delete",
                             "/api/pupil/choices", "/api/race", "/api/report", "/api/backup", "/api/classrooms",
                             "/api/hello", "/api/nothing"};
const char* const Clients[] = {"", "10.0.0.1", "10.0.0.2"};

ServerState* server = nullptr;

// The temporary folder, removed when the fuzzer ends.
std::string made;
void removeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(made, ec);
}

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

// The sound library's warning tone, which the game's audio start-up links but the server never
// reaches: the fuzzer has no display library to play it with.
bool playWarningTone(int, int) { return false; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/tally-apifuzz-XXXXXX";
    require(mkdtemp(folder) != nullptr);
    made = folder;
    std::atexit(removeFolder);
    require(chdir(folder) == 0);
    server = new ServerState;
    server->config.teacherPassword = "staffroom";
    prepareServer(*server);
    // One classroom with a password and a pupil with one, for the bodies to find.
    answerRequest(*server, "POST", "/api/classroom/add", R"({"name":"4b","password":"owl","teacherPassword":"staffroom"})");
    answerRequest(*server, "POST", "/api/pupil/add",
                  R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Ann","password":"cat"})");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string path = Paths[data[0] % (sizeof Paths / sizeof Paths[0])];
    const std::string client = Clients[data[1] % (sizeof Clients / sizeof Clients[0])];
    const std::string body(reinterpret_cast<const char*>(data) + 2, size - 2);
    const bool get = path == "/api/classrooms" || path == "/api/hello";
    const HttpAnswer a = answerRequest(*server, get ? "GET" : "POST", path, get ? "" : body, client);
    require(a.status == 200 || (a.status >= 400 && a.status <= 429) || a.status == 503);
    if (a.contentType == "application/json") {
        Json answer;
        require(parseWire(a.body, answer) || a.body.size() > BodyLimit);
        require(a.status == 200 || answer.contains("error"));
    }
    if (a.contentType != "application/x-tar")
        for (const char* secret : {"owl", "cat", "staffroom"}) require(a.body.find(secret) == std::string::npos);
    return 0;
}
