// The classroom server's API against the real program on 127.0.0.1: every operation, every kind of
// refusal, passwords kept out of answers, the slow-down of password guesses, the site's limits.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "store/protocol.h"
#include "server_process.h"
#include "throttle.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every file under root with its contents, to see that a refused request changed nothing.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file()) files[it->path().string()] = readFile(it->path());
    return files;
}

class ServerApi : public ::testing::Test {
protected:
    fs::path folder;
    ServerProcess server;
    std::unique_ptr<httplib::Client> client;
    std::string everyAnswer;  // all bodies received, to look for passwords in them

    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("tally-server-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "game");
        fs::create_directories(folder / "site");
        std::ofstream(folder / "site/index.html") << "<p>the game</p>";
        std::ofstream(folder / "teacher") << "staffroom\n";
        ASSERT_TRUE(server.start(TALLY_BIN_DIR "/tallyrally-server",
                                 {"--data", (folder / "game").string(), "--bind", "127.0.0.1", "--port", "0",
                                  "--site", (folder / "site").string(), "--teacher-password-file",
                                  (folder / "teacher").string()}));
        client = std::make_unique<httplib::Client>("127.0.0.1", server.port);
    }

    void TearDown() override { fs::remove_all(folder); }

    // POSTs body to path; the status, and the answer parsed into json when it is JSON.
    int post(const std::string& path, const std::string& body, Json* json = nullptr,
             httplib::Headers* headers = nullptr) {
        const httplib::Result r = client->Post(path.c_str(), body, "application/json");
        if (!r) return -1;
        everyAnswer += r->body;
        if (json != nullptr) {
            EXPECT_TRUE(parseWire(r->body, *json)) << r->body;
        }
        if (headers != nullptr) *headers = r->headers;
        return r->status;
    }

    bool right(const std::string& path, const std::string& body) {
        Json answer;
        EXPECT_EQ(post(path, body, &answer), 200);
        return answer.value("right", false);
    }
};

std::string room(const std::string& password) {
    return R"({"classroom":{"position":1,"name":"4b","password":")" + password + R"("}})";
}

std::string race(const std::string& name, int known, const std::string& password = "") {
    return R"({"classroom":{"position":1,"name":"4b","password":"owl"},"operation":1,"lesson":2,"distance":3,"known":)" +
           std::to_string(known) + R"(,"records":[{"name":")" + name +
           R"(","car":2,"time":41.5,"topSpeed":96.25,"averageSpeed":60,"samples":[[1.5,1],[3,-0.5]]}],"racers":[{"password":")" +
           password + "\"}]}";
}

TEST_F(ServerApi, EveryOperationGoesThroughTheStore) {
    Json a;
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"4b","password":"owl","teacherPassword":"staffroom"})", &a), 200);
    EXPECT_EQ(post("/api/classroom/add", R"({"name":"Cl\u00e9","password":"","teacherPassword":"staffroom"})", &a), 200);
    EXPECT_EQ(a.at("position").get<double>(), 2);
    // As in the classroom menu, the first addition saves the "Default" of a fresh folder before it.
    // Names travel as UTF-8 and the index holds the game's bytes: é is code page 437's 0x82.
    EXPECT_EQ(readFile(folder / "game/classrooms/classrooms"),
              " 3\r\nDefault\r\n\r\n4b\r\nowl\r\nCl\x82\r\n\r\n");
    EXPECT_TRUE(fs::is_directory(folder / "game/classrooms/room3"));

    httplib::Result list = client->Get("/api/classrooms");
    ASSERT_TRUE(list);
    everyAnswer += list->body;
    EXPECT_EQ(list->body, R"({"classrooms":[{"position":0,"name":"Default","hasPassword":false},)"
                          R"({"position":1,"name":"4b","hasPassword":true},)"
                          "{\"position\":2,\"name\":\"Cl\xc3\xa9\",\"hasPassword\":false}]}");

    EXPECT_TRUE(right("/api/classroom/check", room("owl")));
    EXPECT_FALSE(right("/api/classroom/check", room("OWL")));
    EXPECT_EQ(post("/api/classroom/enter", room("")), 403);

    ASSERT_EQ(post("/api/pupil/add", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Ann","password":"cat"})"), 200);
    ASSERT_EQ(post("/api/pupil/add", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Bob"})", &a), 200);
    EXPECT_EQ(post("/api/pupil/add", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Ann"})"), 409);
    ASSERT_EQ(post("/api/pupil/choices", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"pupil":{"position":2,"name":"Bob"},"car":3,"driver":12})"), 200);
    // The player menu's "Default" of a new classroom is saved with the first pupil, as in the game.
    EXPECT_EQ(readFile(folder / "game/classrooms/room2/players"),
              " 3\r\nDefault\r\n\r\n 0\r\n 0\r\nAnn\r\ncat\r\n 0\r\n 0\r\nBob\r\n\r\n 3\r\n 12\r\n");
    EXPECT_TRUE(right("/api/pupil/check", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"pupil":{"position":1,"name":"Ann","password":"cat"}})"));
    EXPECT_FALSE(right("/api/pupil/check", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"pupil":{"position":1,"name":"Ann","password":"dog"}})"));

    // Two races on one board: the second answer brings only the record the client lacked.
    ASSERT_EQ(post("/api/race", race("Ann", 0, "cat"), &a), 200);
    EXPECT_EQ(a.at("count").get<double>(), 1);
    ASSERT_EQ(post("/api/race", race("Bob", 1), &a), 200);
    EXPECT_EQ(a.at("count").get<double>(), 2);
    ASSERT_EQ(a.at("records").size(), 1u);
    EXPECT_EQ(a.at("records")[0].at("name").get<std::string>(), "Bob");
    const Json& stats = a.at("statistics").at(0);
    EXPECT_EQ(stats.at("bestTime").get<double>(), 41.5);
    EXPECT_EQ(stats.at("races").get<double>(), 1);
    const fs::path board = folder / "game/classrooms/room2/leaderboards/category2/lesson3/distance4";
    EXPECT_EQ(readFile(board), " 2\r\n\r\n");
    EXPECT_EQ(readFile(board.string() + "record2"),
              " 2\r\n 41.5\r\n 96.25\r\n 60\r\nBob\r\n 2\r\n 1.5\r\n 1\r\n 3\r\n-0.5\r\n");

    // Entering shows the pupils with statistics and the board with its races, samples included.
    ASSERT_EQ(post("/api/classroom/enter", room("owl"), &a), 200);
    const Json& ann = a.at("pupils").at(1);
    EXPECT_EQ(ann.at("races").get<double>(), 1);
    EXPECT_EQ(ann.at("fastest").at(1).get<double>(), 96.25);
    EXPECT_TRUE(ann.at("hasPassword").get<bool>());
    const Json& boardJson = a.at("boards").at(0);
    EXPECT_EQ(boardJson.at("distance").get<double>(), 3);
    EXPECT_EQ(boardJson.at("records").size(), 2u);
    EXPECT_EQ(boardJson.at("records")[0].at("samples").size(), 2u);

    // Deleting a pupil needs their password, as the menu asks it; deleting a classroom, the teacher's.
    const std::string deleteAnn = R"({"classroom":{"position":1,"name":"4b","password":"owl"},"pupil":{"position":1,"name":"Ann","password":")";
    EXPECT_EQ(post("/api/pupil/delete", deleteAnn + R"(x"}})"), 403);
    ASSERT_EQ(post("/api/pupil/delete", deleteAnn + R"(cat"}})", &a), 200);
    // The last pupil takes the freed place, as in the player menu.
    EXPECT_EQ(a.at("pupils").at(1).at("name").get<std::string>(), "Bob");
    EXPECT_EQ(post("/api/classroom/delete", room("x")), 403);
    EXPECT_EQ(post("/api/classroom/delete", room("owl")), 403);  // the classroom's own is not enough
    ASSERT_EQ(post("/api/classroom/delete", R"({"classroom":{"position":1,"name":"4b"},"teacherPassword":"staffroom"})", &a), 200);
    EXPECT_EQ(readFile(folder / "game/classrooms/classrooms"), " 2\r\nDefault\r\n\r\nCl\x82\r\n\r\n");
    EXPECT_FALSE(fs::exists(folder / "game/classrooms/room3"));

    for (const char* secret : {"owl", "cat", "staffroom", "classrooms/"})
        EXPECT_EQ(everyAnswer.find(secret), std::string::npos) << secret;
}

TEST_F(ServerApi, HostileRequestsAreRefusedAndChangeNothing) {
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"4b","password":"owl","teacherPassword":"staffroom"})"), 200);
    ASSERT_EQ(post("/api/pupil/add", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Ann"})"), 200);
    const auto before = snapshot(folder / "game");
    const std::string room4b = R"("classroom":{"position":1,"name":"4b","password":"owl"})";
    const std::string record = R"({"name":"Ann","car":0,"time":30,"topSpeed":50,"averageSpeed":40,"samples":[]})";
    struct Case {
        const char* path;
        std::string body;
        int status;
    } cases[] = {
        {"/api/classroom/add", "{\"name\":\"x\"", 400},                      // bad JSON
        {"/api/classroom/add", "[1,2]", 400},                                  // not an object
        {"/api/classroom/add", R"({"name":"x","name":"y"})", 400},            // a key twice
        {"/api/classroom/add", std::string(600 * 1024, ' '), 413},            // a huge body
        {"/api/classroom/add", std::string(200, '[') + std::string(200, ']'), 400},  // too deep
        {"/api/classroom/add", R"({"name":"a\nb"})", 400},                    // a control byte
        {"/api/classroom/add", R"({"name":"x\u0100"})", 400},                 // not a byte of the font
        {"/api/classroom/add", R"({"name":"abcdefghijklmnopqrstu"})", 400},   // 21 characters
        {"/api/classroom/add", R"({"name":" lead"})", 400},                    // a blank the file drops
        {"/api/classroom/add", R"({"name":"4b","teacherPassword":"staffroom"})", 409},  // a name taken
        {"/api/classroom/add", R"({"name":"4c"})", 403},                      // not the teacher
        {"/api/classroom/enter", R"({"classroom":{"position":7,"name":"4b","password":"owl"}})", 404},
        {"/api/classroom/enter", R"({"classroom":{"position":-1,"name":"4b"}})", 400},
        {"/api/classroom/enter", R"({"classroom":{"position":0.5,"name":"4b"}})", 400},
        {"/api/classroom/enter", R"({"classroom":{"position":0,"name":"../../etc/passwd"}})", 409},
        {"/api/classroom/enter", R"({"classroom":{"position":0,"name":"classrooms/room1"}})", 409},
        {"/api/pupil/delete", "{" + room4b + R"(,"pupil":{"position":3,"name":"Ann"}})", 404},
        {"/api/pupil/delete", "{" + room4b + R"(,"pupil":{"position":1,"name":"Bob"}})", 409},
        {"/api/pupil/choices", "{" + room4b + R"(,"pupil":{"position":1,"name":"Ann"},"car":8,"driver":0})", 400},
        {"/api/race", "{" + room4b + R"(,"operation":4,"lesson":0,"distance":0,"records":[)" + record + "]}", 400},
        {"/api/race", "{" + room4b + R"(,"operation":0,"lesson":0,"distance":0,"records":[]})", 400},
        {"/api/race", "{" + room4b + R"(,"operation":0,"lesson":0,"distance":0,"records":[)" + record + "," +
                          record + "," + record + "]}", 400},
        {"/api/race", "{" + room4b + R"(,"operation":0,"lesson":0,"distance":0,"records":[{"name":"Ann","car":0,"time":1e999,"topSpeed":0,"averageSpeed":0,"samples":[]}]})", 400},
        {"/api/race", "{" + room4b + R"(,"operation":0,"lesson":0,"distance":0,"records":[{"name":"Ann","car":0,"time":3,"topSpeed":0,"averageSpeed":0,"samples":[[1,0.7]]}]})", 400},
        {"/api/classroom/remove", "{}", 404},
        {"/api/../classrooms/classrooms", "{}", 404},
    };
    for (const Case& c : cases) EXPECT_EQ(post(c.path, c.body), c.status) << c.path << " " << c.body.substr(0, 120);
    EXPECT_EQ(client->Get("/api/race")->status, 405);
    // What another site's page can make a browser send without asking: a form, or plain text.
    EXPECT_EQ(client->Post("/api/classroom/add", R"({"name":"x"})", "text/plain")->status, 415);
    EXPECT_EQ(snapshot(folder / "game"), before);

    // The site serves its own folder and nothing beside or above it.
    EXPECT_EQ(client->Get("/")->body, "<p>the game</p>");
    for (const char* path : {"/../game/classrooms/classrooms", "/%2e%2e/game/classrooms/classrooms",
                             "/classrooms/classrooms", "/.hidden", "/..%2fteacher", "/nothing.js"})
        EXPECT_EQ(client->Get(path)->status, 404) << path;
}

TEST_F(ServerApi, PasswordGuessesAreSlowedPerClassroomAndPupil) {
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"4b","password":"owl","teacherPassword":"staffroom"})"), 200);
    ASSERT_EQ(post("/api/pupil/add", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Ann","password":"cat"})"), 200);
    for (const char* guess : {"a", "b", "c"}) EXPECT_FALSE(right("/api/classroom/check", room(guess)));
    // Shut: even the right password is refused unchecked, on every route that asks for it.
    httplib::Headers headers;
    EXPECT_EQ(post("/api/classroom/check", room("owl"), nullptr, &headers), 429);
    EXPECT_EQ(headers.find("Retry-After")->second, "1");
    EXPECT_EQ(post("/api/classroom/enter", room("owl")), 429);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    // The next failure shuts it for twice as long.
    EXPECT_FALSE(right("/api/classroom/check", room("d")));
    EXPECT_EQ(post("/api/classroom/check", room("owl"), nullptr, &headers), 429);
    EXPECT_EQ(headers.find("Retry-After")->second, "2");
    // Another classroom's key is its own: the teacher's report of a fresh classroom still opens.
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"5c","password":"elk","teacherPassword":"staffroom"})"), 200);
    const std::string pupil = R"({"classroom":{"position":2,"name":"5c","password":"elk"},"pupil":{"position":0,"name":"Default","password":""}})";
    EXPECT_TRUE(right("/api/pupil/check", pupil));
    EXPECT_EQ(post("/api/report", R"({"classroom":{"position":2,"name":"5c","password":"staffroom"}})"), 200);
    // Guessing the teacher's password is slowed down across classrooms: a class's own password,
    // which its pupils know, neither opens nor resets that.
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"6d","password":"emu","teacherPassword":"staffroom"})"), 200);
    for (const char* guess : {"x", "y", "elk", "z"})
        EXPECT_EQ(post("/api/report", R"({"classroom":{"position":2,"name":"5c","password":")" + std::string(guess) + "\"}}"),
                  guess == std::string("elk") ? 200 : 403);
    EXPECT_EQ(post("/api/report", R"({"classroom":{"position":3,"name":"6d","password":"staffroom"}})"), 429);
    EXPECT_EQ(post("/api/backup", R"({"teacherPassword":"staffroom"})"), 429);  // the same key
}

TEST_F(ServerApi, TheReportNeedsTheClassroomOrTeacherPassword) {
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"4b","password":"owl","teacherPassword":"staffroom"})"), 200);
    ASSERT_EQ(post("/api/pupil/add", R"({"classroom":{"position":1,"name":"4b","password":"owl"},"name":"Ann"})"), 200);
    ASSERT_EQ(post("/api/race", race("Ann", 0)), 200);
    EXPECT_EQ(post("/api/report", room("")), 403);
    for (const char* password : {"owl", "staffroom"}) {
        const httplib::Result r = client->Post("/api/report", room(password), "application/json");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
        EXPECT_EQ(r->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_NE(r->body.find("Ann"), std::string::npos);
        EXPECT_EQ(r->body.find("owl"), std::string::npos);
        // Its policy holds where the header does not, as when the corner shows it from a blob.
        EXPECT_NE(r->body.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none';"),
                  std::string::npos);
    }
}

// The backup holds every class, so only the teacher's password opens it, a classroom's does not;
// a refused one changes nothing, and the archive is written outside the classrooms, into a file
// no one else can reach.
TEST_F(ServerApi, TheBackupNeedsTheTeacherPassword) {
    ASSERT_EQ(post("/api/classroom/add", R"({"name":"4b","password":"owl","teacherPassword":"staffroom"})"), 200);
    const auto before = snapshot(folder / "game");
    ServerProcess untaught;
    ASSERT_TRUE(untaught.start(TALLY_BIN_DIR "/tallyrally-server", {"--data", (folder / "game").string(), "--bind",
                                                                    "127.0.0.1", "--port", "0", "--site", (folder / "site").string()}));
    httplib::Client untaughtClient("127.0.0.1", untaught.port);
    struct Case {
        httplib::Client& client;
        const char* password;
        int status;
    } cases[] = {
        {untaughtClient, "staffroom", 403},  // no teacher password given to the server
        {*client, "owl", 403},               // a classroom's own password
        {*client, "", 403},
        {*client, "staffroom", 200},
    };
    // A link planted where a backup might be written leads nowhere the server writes.
    std::ofstream(folder / "planted") << "mine";
    const fs::path trap = fs::temp_directory_path() / ("tallyrally-backup-" + std::to_string(server.pid) + ".tar");
    fs::create_symlink(folder / "planted", trap);
    for (const Case& c : cases) {
        const httplib::Result r =
            c.client.Post("/api/backup", std::string(R"({"teacherPassword":")") + c.password + "\"}", "application/json");
        ASSERT_TRUE(r) << c.password;
        EXPECT_EQ(r->status, c.status) << c.password;
        if (c.status != 200) continue;
        EXPECT_EQ(r->get_header_value("Content-Type"), "application/x-tar");
        EXPECT_EQ(r->get_header_value("Content-Disposition").rfind("attachment; filename=\"tallyrally-classrooms-", 0), 0u);
        std::ofstream(folder / "backup.tar", std::ios::binary) << r->body;
        const std::string list = (folder / "list").string();
        ASSERT_EQ(std::system(("tar -tf '" + (folder / "backup.tar").string() + "' > '" + list + "'").c_str()), 0);
        EXPECT_NE(readFile(list).find("classrooms/classrooms\n"), std::string::npos) << readFile(list);
    }
    EXPECT_EQ(snapshot(folder / "game"), before);
    EXPECT_EQ(readFile(folder / "planted"), "mine");
    fs::remove(trap);
}

// The slow-down's arithmetic, on a clock of the test's own: free failures, doubling, the cap.
TEST(PasswordThrottle, WaitsDoubleAfterThreeFailuresUpToTheCap) {
    PasswordThrottle t;
    struct Step {
        bool right;
        double now;
        double waitAfter;
    } steps[] = {
        {false, 0, 0}, {false, 0, 0}, {false, 0, 1}, {false, 1, 2}, {false, 3, 4}, {true, 7, 0},
        {false, 7, 0}, {false, 7, 0}, {false, 7, 1},
    };
    for (const Step& s : steps) {
        noteAttempt(t, "k", s.right, s.now);
        EXPECT_EQ(throttleWait(t, "k", s.now), s.waitAfter) << s.now;
    }
    EXPECT_EQ(throttleWait(t, "other", 7), 0);
    for (int i = 0; i < 40; ++i) noteAttempt(t, "k", false, 100);
    EXPECT_EQ(throttleWait(t, "k", 100), MaxWaitSeconds);
}

}  // namespace
