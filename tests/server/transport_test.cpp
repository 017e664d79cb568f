// The classroom server's transport against the real program on 127.0.0.1: what a hostile client
// sends is refused or cut off without holding anything up, and the site's answers carry their
// validators and framing rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "raw_http.h"
#include "server_process.h"

namespace fs = std::filesystem;

namespace {

class Transport : public ::testing::Test {
protected:
    fs::path folder;
    ServerProcess server;

    void SetUp() override {
        folder = fs::temp_directory_path() / ("tally-transport-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "game");
        fs::create_directories(folder / "site");
        std::ofstream(folder / "site/tallyrally.data") << std::string(100000, 'd');
        std::ofstream(folder / "site/index.html") << "<p>the game</p>";
        std::ofstream(folder / "secret") << "password";
        fs::create_directory_symlink("/", folder / "site/root");
        ASSERT_TRUE(server.start(TALLY_BIN_DIR "/tallyrally-server",
                                 {"--data", (folder / "game").string(), "--bind", "127.0.0.1", "--port", "0", "--site",
                                  (folder / "site").string(), "--host", "rally.school.example"}));
    }
    void TearDown() override { fs::remove_all(folder); }

    RawAnswer get(const std::string& path, const std::string& fields = "Host: 127.0.0.1\r\n") {
        return exchange("127.0.0.1", server.port, "GET " + path + " HTTP/1.1\r\n" + fields + "Connection: close\r\n\r\n");
    }
};

TEST_F(Transport, HostileHeadersAreRefused) {
    std::string manyRanges = "Range: bytes=0-";
    for (int i = 0; i < 1000; ++i) manyRanges += ",0-";
    std::string manyFields;
    for (int i = 0; i < 65; ++i) manyFields += "X-F" + std::to_string(i) + ": v\r\n";
    const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
    std::string chunked;
    for (int i = 0; i < 40; ++i) chunked += chunk;
    const struct {
        std::string request;
        int status;
        std::size_t mostBytes;
    } cases[] = {
        {"GET /tallyrally.data HTTP/1.1\r\nHost: 127.0.0.1\r\n" + manyRanges + "\r\n\r\n", 200, 100000},
        {"GET /tallyrally.data HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=10-19\r\n\r\n", 206, 10},
        {"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n" + manyFields + "\r\n", 431, 1000},
        {"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: " + std::string(17000, 'a') + "\r\n\r\n", 431, 1000},
        {"GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n", 421, 1000},
        {"POST /api/classroom/add HTTP/1.1\r\nHost: evil.example:8080\r\nContent-Type: application/json\r\n"
         "Content-Length: 12\r\n\r\n{\"name\":\"x\"}", 421, 1000},
        {"GET /api/hello HTTP/1.1\r\nHost: RALLY.school.example:80\r\n\r\n", 200, 1000},
        {"GET /api/hello HTTP/1.1\r\nHost: [::1]\r\n\r\n", 200, 1000},
        {"POST /api/classroom/add HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
         "Transfer-Encoding: chunked\r\n\r\n" + chunked + "0\r\n\r\n", 413, 1000},
        {"GET /root/etc/passwd HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 404, 1000},
    };
    for (const auto& c : cases) {
        const RawAnswer a = exchange("127.0.0.1", server.port, c.request);
        EXPECT_EQ(a.status, c.status) << c.request.substr(0, 80);
        EXPECT_LE(a.bodyBytes, c.mostBytes) << c.request.substr(0, 80);
    }
    EXPECT_FALSE(fs::exists(folder / "game/classrooms/classrooms"));  // nothing was added
}

TEST_F(Transport, SiteAnswersAreCachedAndNeverFramed) {
    const RawAnswer first = get("/");
    ASSERT_EQ(first.status, 200);
    for (const char* field : {"X-Frame-Options: DENY", "frame-ancestors 'none'", "Cache-Control: no-cache",
                              "Vary: Accept-Encoding", "Last-Modified: ", "ETag: \""})
        EXPECT_NE(first.head.find(field), std::string::npos) << field << "\n" << first.head;
    const std::size_t at = first.head.find("ETag: ") + 6;
    const std::string tag = first.head.substr(at, first.head.find("\r\n", at) - at);
    EXPECT_EQ(get("/", "Host: 127.0.0.1\r\nIf-None-Match: " + tag + "\r\n").status, 304);
    const RawAnswer api = get("/api/hello");
    EXPECT_NE(api.head.find("frame-ancestors 'none'"), std::string::npos) << api.head;
}

// Slow and idle connections are cut off, one address cannot take more than its share, and another
// address is answered at once meanwhile.
TEST_F(Transport, SlowConnectionsAreCutAndOthersAnswered) {
    std::vector<int> held;
    for (int i = 0; i < 20; ++i) held.push_back(connectFrom("127.0.0.2", server.port));
    const int trickle = connectFrom("127.0.0.3", server.port);
    ASSERT_GE(trickle, 0);
    const auto start = std::chrono::steady_clock::now();
    // The library takes 16 and closes the rest at once: those read an end, not a wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int refused = 0;
    for (int fd : held) {
        char c;
        if (fd < 0 || recv(fd, &c, 1, MSG_DONTWAIT) == 0) ++refused;
    }
    EXPECT_EQ(refused, 4);
    EXPECT_EQ(exchange("127.0.0.4", server.port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").status, 200);
    // A byte every half second never makes a whole request: closed after the deadline.
    const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    bool closed = false;
    for (std::size_t i = 0; i < request.size() && !closed; ++i) {
        closed = send(trickle, &request[i], 1, MSG_NOSIGNAL) <= 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(closed);
    EXPECT_LT(seconds, 8);
    // The idle ones were closed by then too: their address may connect again.
    EXPECT_EQ(exchange("127.0.0.2", server.port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").status, 200);
    for (int fd : held)
        if (fd >= 0) close(fd);
    close(trickle);
}

}  // namespace
