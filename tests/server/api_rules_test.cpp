// The classroom server's rules in its own request handling, without sockets: races the game
// cannot make, races and choices under someone else's name, and texts that would be stored wrong.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "../fresh_folder.h"
#include "api.h"
#include "race/race_bounds.h"
#include "store/protocol.h"

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ApiRules : public FreshFolder {
protected:
    ServerState server;
    Json answer;

    void SetUp() override {
        FreshFolder::SetUp();
        prepareServer(server);
        // Classroom 4b (position 1) with Alice, who has a password, and Bob, who has none.
        ASSERT_EQ(post("/api/classroom/add", {{"name", "4b"}}), 200);
        ASSERT_EQ(post("/api/pupil/add", {{"classroom", room()}, {"name", "Alice"}, {"password", "al"}}), 200);
        ASSERT_EQ(post("/api/pupil/add", {{"classroom", room()}, {"name", "Bob"}}), 200);
    }

    int post(const std::string& path, const Json& body) {
        const HttpAnswer a = answerRequest(server, "POST", path, wireText(body));
        answer = Json::parse(a.body, nullptr, false);
        return a.status;
    }
    static Json room() { return {{"position", 1}, {"name", "4b"}}; }
    static Json pupil(int position, const std::string& name, const Json& key) {
        Json p = {{"position", position}, {"name", name}};
        p.update(key);
        return p;
    }
    // A race of one record on distance 0, its racer's password or token in key.
    int race(const Json& record, const Json& key = Json::object()) {
        return post("/api/race", {{"classroom", room()}, {"operation", 0}, {"lesson", 0}, {"distance", 0},
                                  {"records", Json::array({record})}, {"racers", Json::array({key})}});
    }
};

Json record(const std::string& name, double time, double top, double average, const Json& samples) {
    return {{"name", name}, {"car", 1}, {"time", time}, {"topSpeed", top}, {"averageSpeed", average},
            {"samples", samples}};
}

TEST_F(ApiRules, RacesTheGameCannotMakeAreRefused) {
    const double least = leastRaceSeconds(0);
    Json many = Json::array();
    for (int i = 0; i < 40; ++i) many.push_back({i * 0.001, 1});  // 40 answers in 39 ms
    const struct {
        const char* what;
        Json record;
        int status;
    } cases[] = {
        {"a plausible race", record("Bob", 40, 120, 70, {{1.5, 1}, {3, -0.5}}), 200},
        {"the least time itself", record("Bob", least, 100, 50, Json::array()), 200},
        {"faster than the top speed allows", record("Bob", least * 0.99, 100, 50, Json::array()), 400},
        {"5e-324 seconds", record("Bob", 5e-324, 0, 0, Json::array()), 400},
        {"above the top speed", record("Bob", 40, TopMph * 1.01, 50, Json::array()), 400},
        {"average above top", record("Bob", 40, 100, 101, Json::array()), 400},
        {"an answer after the finish", record("Bob", 40, 100, 50, {{40.5, 1}}), 400},
        {"more answers than frames", record("Bob", 0.039 + least, 100, 50, many), 200},
        {"a record that names no pupil", record("Zed", 40, 100, 50, Json::array()), 403},
    };
    for (const auto& c : cases) EXPECT_EQ(race(c.record), c.status) << c.what;
    Json crowded = Json::array();
    for (int i = 0; i < 4000; ++i) crowded.push_back({i * 0.0001, 1});
    EXPECT_EQ(race(record("Bob", 3, 100, 50, crowded)), 400) << "4000 answers in 0.4 s";
}

TEST_F(ApiRules, RacesAndChoicesNeedThePupilsPasswordOrToken) {
    ASSERT_EQ(post("/api/pupil/check", {{"classroom", room()}, {"pupil", pupil(1, "Alice", {{"password", "al"}})}}), 200);
    const std::string token = answer.value("token", "");
    ASSERT_EQ(token.size(), 32u);
    ASSERT_EQ(post("/api/pupil/check", {{"classroom", room()}, {"pupil", pupil(2, "Bob", Json::object())}}), 200);
    EXPECT_FALSE(answer.contains("token"));  // nothing to stand in for
    const Json alice = record("Alice", 40, 100, 50, Json::array());
    const struct {
        const char* what;
        Json key;
        int status;
    } races[] = {
        {"nothing", Json::object(), 403},
        {"her password", {{"password", "al"}}, 200},
        {"a wrong password", {{"password", "xx"}}, 403},
        {"her token", {{"token", token}}, 200},
        {"another's token", {{"token", std::string(32, 'a')}}, 403},
    };
    for (const auto& c : races) EXPECT_EQ(race(alice, c.key), c.status) << c.what;
    const auto choices = [&](const Json& key) {
        return post("/api/pupil/choices",
                    {{"classroom", room()}, {"pupil", pupil(1, "Alice", key)}, {"car", 3}, {"driver", 2}});
    };
    EXPECT_EQ(choices(Json::object()), 403);
    EXPECT_EQ(choices({{"token", token}}), 200);
    // A token expires.
    server.clock = [] { return 1e12; };
    EXPECT_EQ(race(alice, {{"token", token}}), 403);
}

TEST_F(ApiRules, TextsAndNumbersAreStoredAsTheFilesKeepThem) {
    const struct {
        const char* what;
        std::string name;
        int status;
    } adds[] = {
        {"a trailing blank beside the name", "Bob ", 409},
        {"a trailing blank dropped", "Cy  ", 200},
        {"a leading blank", " Di", 400},
        {"a character without a byte", "\xc4\x80", 400},
        {"a control character", "a\x01", 400},
        {"code page 437 from UTF-8", "Zo\xc3\xab", 200},
    };
    for (const auto& c : adds)
        EXPECT_EQ(post("/api/pupil/add", {{"classroom", room()}, {"name", c.name}}), c.status) << c.what;
    EXPECT_NE(readFile("classrooms/room2/players").find("\r\nCy\r\n"), std::string::npos);
    EXPECT_NE(readFile("classrooms/room2/players").find("\r\nZo\x89\r\n"), std::string::npos);
    // -0 is stored as 0, with the files' leading blank.
    ASSERT_EQ(race(record("Bob", 40, 100, -0.0, {{-0.0, 1}})), 200);
    EXPECT_EQ(readFile("classrooms/room2/leaderboards/category1/lesson1/distance1record1"),
              " 1\r\n 40\r\n 100\r\n 0\r\nBob\r\n 1\r\n 0\r\n 1\r\n");
}

}  // namespace

namespace {

TEST_F(ApiRules, APupilStoresNoMoreRacesThanCanBeDriven) {
    double now = 1000;
    server.clock = [&now] { return now; };
    const double cost = CountdownSeconds + leastRaceSeconds(0);
    const int burst = static_cast<int>(RaceCreditSeconds / cost);
    const Json bob = record("Bob", 40, 100, 50, {{1, 1}});
    for (int i = 0; i < burst; ++i) ASSERT_EQ(race(bob), 200) << i;
    const HttpAnswer refused = answerRequest(
        server, "POST", "/api/race",
        wireText({{"classroom", room()}, {"operation", 0}, {"lesson", 0}, {"distance", 0}, {"records", {bob}}}));
    EXPECT_EQ(refused.status, 429);
    EXPECT_GT(refused.retryAfter, 0);
    EXPECT_EQ(race(record("Alice", 40, 100, 50, Json::array()), {{"password", "al"}}), 200) << "another pupil";
    now += refused.retryAfter;
    EXPECT_EQ(race(bob), 200);
}

TEST_F(ApiRules, EnteringSendsTheAnswersOfReplayedRecordsOnly) {
    const struct {
        const char* name;
        double time;
        bool replayed;  // the racer's fastest on the board
    } races[] = {{"Bob", 40, false}, {"Bob", 30, true}, {"Alice", 50, true}, {"Bob", 30, false}};
    for (const auto& r : races)
        ASSERT_EQ(race(record(r.name, r.time, 100, 50, {{1, 1}}), {{"password", "al"}}), 200) << r.name;
    ASSERT_EQ(post("/api/classroom/enter", {{"classroom", room()}}), 200);
    const Json& records = answer.at("boards").at(0).at("records");
    ASSERT_EQ(records.size(), 4u);
    for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i].contains("samples"), races[i].replayed) << i;
}

}  // namespace

namespace {

TEST_F(ApiRules, WithATeacherPasswordOnlyItAddsAndDeletesClassrooms) {
    server.config.teacherPassword = "staffroom";
    const struct {
        const char* what;
        const char* path;
        Json body;
        int status;
    } cases[] = {
        {"an addition without it", "/api/classroom/add", {{"name", "5c"}}, 403},
        {"an addition with a wrong one", "/api/classroom/add", {{"name", "5c"}, {"teacherPassword", "x"}}, 403},
        {"an addition with it", "/api/classroom/add", {{"name", "5c"}, {"password", "owl"}, {"teacherPassword", "staffroom"}}, 200},
        {"a deletion with the classroom's own",
         "/api/classroom/delete", {{"classroom", {{"position", 2}, {"name", "5c"}, {"password", "owl"}}}}, 403},
        {"a deletion with it, whatever the classroom's",
         "/api/classroom/delete", {{"classroom", {{"position", 2}, {"name", "5c"}}}, {"teacherPassword", "staffroom"}}, 200},
    };
    for (const auto& c : cases) EXPECT_EQ(post(c.path, c.body), c.status) << c.what;
}

// A classroom deleted while its class enters: the last classroom moves into its place, and no
// answer to entering the deleted one may show that one's pupils.
TEST_F(ApiRules, EnteringNeverShowsTheClassroomThatTookTheDeletedOnesPlace) {
    for (int round = 0; round < 8; ++round) {
        ASSERT_EQ(post("/api/classroom/add", {{"name", "X"}}), 200);
        ASSERT_EQ(post("/api/pupil/add", {{"classroom", {{"position", 2}, {"name", "X"}}}, {"name", "Xa"}}), 200);
        ASSERT_EQ(post("/api/classroom/add", {{"name", "Y"}}), 200);
        ASSERT_EQ(post("/api/pupil/add", {{"classroom", {{"position", 3}, {"name", "Y"}}}, {"name", "Ya"}}), 200);
        std::atomic<bool> deleted{false};
        int leaks = 0;
        std::thread entering([&] {
            const std::string body = wireText({{"classroom", {{"position", 2}, {"name", "X"}}}});
            while (!deleted) {
                const HttpAnswer a = answerRequest(server, "POST", "/api/classroom/enter", body);
                if (a.status == 200 && a.body.find("\"Ya\"") != std::string::npos) ++leaks;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const HttpAnswer gone = answerRequest(server, "POST", "/api/classroom/delete",
                                              wireText({{"classroom", {{"position", 2}, {"name", "X"}}}}));
        deleted = true;
        entering.join();
        ASSERT_EQ(gone.status, 200);
        EXPECT_EQ(leaks, 0) << "round " << round;
        ASSERT_EQ(post("/api/classroom/delete", {{"classroom", {{"position", 2}, {"name", "Y"}}}}), 200);
    }
}

}  // namespace

namespace {

TEST_F(ApiRules, WrongPasswordsSlowOnlyTheDeviceThatTypedThem) {
    server.config.teacherPassword = "staffroom";
    ASSERT_EQ(post("/api/classroom/add", {{"name", "5c"}, {"password", "elk"}, {"teacherPassword", "staffroom"}}), 200);
    const auto ask = [&](const char* route, const char* client, const char* password) {
        return answerRequest(server, "POST", route,
                             wireText({{"classroom", {{"position", 2}, {"name", "5c"}, {"password", password}}}}),
                             client)
            .status;
    };
    for (const char* guess : {"a", "b", "c"}) ASSERT_EQ(ask("/api/classroom/enter", "10.0.0.9", guess), 403);
    const struct {
        const char* what;
        const char* route;
        const char* client;
        const char* password;
        int status;
    } cases[] = {
        {"the guesser, even with the right one", "/api/classroom/enter", "10.0.0.9", "elk", 429},
        {"a classmate who never failed", "/api/classroom/enter", "10.0.0.7", "elk", 200},
        {"the teacher password at the guesser's device", "/api/report", "10.0.0.9", "staffroom", 200},
        {"then the guesser's right one again", "/api/classroom/enter", "10.0.0.9", "elk", 200},
    };
    for (const auto& c : cases) EXPECT_EQ(ask(c.route, c.client, c.password), c.status) << c.what;
}

}  // namespace

namespace {

TEST_F(ApiRules, DeletingAClassroomDeletesNothingBehindALink) {
    namespace fs = std::filesystem;
    fs::create_directories("outside");
    std::ofstream("outside/distance1") << " 1\r\n\r\n";
    std::ofstream("outside/notes") << "keep";
    fs::create_directories("classrooms/room2/leaderboards/category1");
    fs::create_directory_symlink(fs::absolute("outside"), "classrooms/room2/leaderboards/category1/lesson1");
    ASSERT_EQ(post("/api/classroom/delete", {{"classroom", room()}}), 200);
    EXPECT_TRUE(fs::exists("outside/distance1"));
    EXPECT_TRUE(fs::exists("outside/notes"));
}

}  // namespace
