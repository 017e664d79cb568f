// The game's remote store against the classroom server's own request handling in this process:
// what the menus and the race do reaches the folder as the local store would write it, passwords
// stay on the server, a list changed by another PC is read again, and failures become notices.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "../fresh_folder.h"
#include "accounts/accounts.h"
#include "api.h"
#include "race/results.h"
#include "store/board_loading.h"
#include "store/game_store.h"
#include "store/store.h"
#include "store/store_remote.h"

namespace {

class RemoteStore : public FreshFolder {
protected:
    ServerState server;
    // The server's own table of boards, apart from the device's as in another process.
    LeaderboardTableData serverTable;
    bool online = true;
    bool answersLost = false;  // the server does its work, but its answer never arrives
    int requests = 0;
    std::vector<std::string> routes;
    std::string shelf;  // the device's storage, kept across a restart
    ClassroomList classrooms;
    PlayerList players;
    int classroom = 0;

    HttpAnswer serverCall(const std::string& method, const std::string& route, const std::string& body) {
        std::swap(LeaderboardTable, serverTable);
        HttpAnswer a = answerRequest(server, method, route, body);
        std::swap(LeaderboardTable, serverTable);
        return a;
    }

    // A start of the game on the device: what it remembers is gone, its storage is not.
    void startDevice() {
        KeptRaceShelf keeper;
        keeper.read = [this](std::string& text) { return text = shelf, true; };
        keeper.write = [this](const std::string& text) { return shelf = text, true; };
        useRemoteStore(
            [this](const std::string& method, const std::string& route, const std::string& body) {
                ++requests;
                routes.push_back(route);
                if (!online) return RemoteAnswer{};
                const HttpAnswer a = serverCall(method, route, body);
                return answersLost ? RemoteAnswer{} : RemoteAnswer{a.status, a.body};
            },
            keeper);
    }

    void SetUp() override {
        FreshFolder::SetUp();
        prepareServer(server);
        startDevice();
    }
    void TearDown() override {
        GameStore = localStore();
        FreshFolder::TearDown();
    }

    // As the classroom menu adds a classroom and the screen loop enters it.
    void addAndEnter(const std::string& name, const std::string& password) {
        GameStore.loadClassrooms(classrooms);
        GameStore.addClassroom(classrooms, name, password);
        classroom = classrooms.count - 1;
        if (!password.empty()) {
            ASSERT_TRUE(GameStore.isClassroomPassword(classrooms, classroom, password));
        }
        GameStore.enterClassroom(classrooms, classroom, players);
    }

    void addPupils(const std::vector<std::string>& names) {
        for (const std::string& name : names) addPlayer(players, name, "");
        ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
    }

    // The pupils who race, added as the player menu adds them (Ann with a password).
    void addRacers() {
        addPlayer(players, "Ann", "cat");
        addPlayer(players, "Bob", "");
        addPlayer(players, "Cy", "");
        ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
    }

    // A finished race of name on board [1][2][3], as the race appends it, then stored.
    bool race(const std::string& name, double time) {
        Leaderboard& board = LeaderboardTable.boards[1][2][3];
        RaceRecord& r = board.records[static_cast<std::size_t>(appendRecord(board, name, 4))];
        addSample(r, 1.25, 1);
        addSample(r, 2.5, -0.5);
        r.time = time;
        r.topSpeed = 70.125;
        r.averageSpeed = 1.0 / 3;
        return GameStore.saveLeaderboard(classrooms, classroom, 1, 2, 3);
    }
};

TEST_F(RemoteStore, PasswordsAreAskedOfTheServerAndNeverHeld) {
    addAndEnter("4b", "owl");
    ASSERT_EQ(classrooms.count, 2);  // the fresh folder's "Default" is saved with the first addition
    EXPECT_TRUE(asksPassword(classrooms.items[1]));
    EXPECT_EQ(classrooms.items[1].password, "");
    addPlayer(players, "Ann", "cat");
    ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
    ASSERT_EQ(players.count, 2);
    EXPECT_EQ(players.items[1].password, "");
    EXPECT_TRUE(asksPassword(players.items[1]));
    // A save with nothing changed sends nothing, and a later change sends only itself.
    const int before = requests;
    ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
    EXPECT_EQ(requests, before);
    players.items[1].car = 6;
    ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
    EXPECT_EQ(requests, before + 1);

    const struct {
        const char* typed;
        bool classroomRight;
        bool pupilRight;
    } cases[] = {{"owl", true, false}, {"cat", false, true}, {"OWL", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(GameStore.isClassroomPassword(classrooms, 1, c.typed), c.classroomRight) << c.typed;
        EXPECT_EQ(GameStore.isPlayerPassword(classrooms, 1, players, 1, c.typed), c.pupilRight) << c.typed;
    }
    // The files hold what the local store writes.
    PlayerList disk;
    loadPlayers(disk, 1);
    ASSERT_EQ(disk.count, 2);
    EXPECT_EQ(disk.items[1].password, "cat");
    EXPECT_EQ(disk.items[1].car, 6);
    EXPECT_EQ(GameStore.takeTrouble(), "");
}

TEST_F(RemoteStore, RacesAreStoredAndClassmatesRacesComeBack) {
    addAndEnter("4b", "owl");
    addRacers();
    ASSERT_TRUE(race("Ann", 40.5));
    // Another pupil's device, entering now, sees the race as its ghost would replay it.
    const Leaderboard first = LeaderboardTable.boards[1][2][3];
    GameStore.enterClassroom(classrooms, classroom, players);
    const Leaderboard& seen = LeaderboardTable.boards[1][2][3];
    ASSERT_EQ(seen.count, 1);
    EXPECT_EQ(seen.recordsOnDisk, 1);
    EXPECT_EQ(seen.records[0].name, "Ann");
    EXPECT_EQ(seen.records[0].car, 4);
    EXPECT_EQ(seen.records[0].averageSpeed, 1.0 / 3);
    ASSERT_EQ(seen.records[0].sampleCount, 2);
    EXPECT_EQ(seen.records[0].samples[1].second, -0.5);

    // A race stored by a device that missed a classmate's ends after it, and brings it along.
    LeaderboardTable.boards[1][2][3] = first;
    ASSERT_TRUE(race("Bob", 38));
    LeaderboardTable.boards[1][2][3] = first;
    ASSERT_TRUE(race("Cy", 39));
    const Leaderboard& now = LeaderboardTable.boards[1][2][3];
    ASSERT_EQ(now.count, 3);
    EXPECT_EQ(now.records[1].name, "Bob");
    EXPECT_EQ(now.records[2].name, "Cy");
    Leaderboard disk;
    readLeaderboard(disk, boardPath(1, 1, 2, 3));
    ASSERT_EQ(disk.count, 3);
    EXPECT_EQ(disk.records[2].time, 39);
    EXPECT_EQ(disk.records[0].averageSpeed, now.records[0].averageSpeed);
}

// Another PC on the same folder (the local store) changes the class under a device's feet.
TEST_F(RemoteStore, AListChangedElsewhereIsReadAgain) {
    addAndEnter("4a", "");
    addAndEnter("4b", "");  // classrooms: Default, 4a, 4b; in 4b
    addPlayer(players, "Ann", "");
    addPlayer(players, "Bob", "");
    ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));

    // 4a deleted on a desktop PC: 4b moves into its place, and the device follows it by name.
    ClassroomList desktop;
    loadClassrooms(desktop);
    deleteClassroom(desktop, 1);
    ASSERT_TRUE(race("Ann", 40));
    EXPECT_EQ(classroom, 1);
    EXPECT_EQ(classrooms.count, 2);
    EXPECT_EQ(GameStore.takeTrouble(), "");

    // Ann deleted on the desktop PC: Bob moves, so the device's change to him is refused (409),
    // and its list is read again.
    PlayerList desk;
    loadPlayers(desk, 1);
    removePlayer(desk, 1);
    savePlayers(desk, 1);
    players.items[2].car = 5;
    EXPECT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
    EXPECT_EQ(GameStore.takeTrouble(), "This class was changed on another PC");
    ASSERT_EQ(players.count, 2);
    EXPECT_EQ(players.items[1].name, "Bob");

    // The classroom gone altogether.
    loadClassrooms(desktop);
    deleteClassroom(desktop, 1);
    EXPECT_FALSE(race("Bob", 41));
    EXPECT_EQ(GameStore.takeTrouble(), "This class was deleted on another PC");
}

TEST_F(RemoteStore, AServerThatDoesNotAnswerIsANoticeAndTheRaceWaits) {
    addAndEnter("4b", "");
    addRacers();
    online = false;
    const ClassroomList before = classrooms;
    GameStore.loadClassrooms(classrooms);
    EXPECT_EQ(classrooms.count, before.count);
    EXPECT_EQ(GameStore.takeTrouble(), "The classroom server did not answer");
    EXPECT_TRUE(race("Ann", 40));
    EXPECT_EQ(GameStore.takeTrouble(), "Saved on this device; sent when the server answers");
    EXPECT_EQ(LeaderboardTable.boards[1][2][3].count, 1);  // kept, unsent
    // Back on line, the next save sends the waiting race with its own.
    online = true;
    ASSERT_TRUE(race("Bob", 41));
    Leaderboard disk;
    readLeaderboard(disk, boardPath(1, 1, 2, 3));
    ASSERT_EQ(disk.count, 2);
    EXPECT_EQ(disk.records[0].name, "Ann");
    EXPECT_EQ(GameStore.takeTrouble(), "");
}

}  // namespace

namespace {

const char* const Kept = "Saved on this device; sent when the server answers";

int onDisk(int room) {
    Leaderboard disk;
    readLeaderboard(disk, boardPath(room, 1, 2, 3));
    return disk.count;
}

// A race kept while the server was away reaches its board once, whichever way it is sent again.
TEST_F(RemoteStore, AKeptRaceIsSentOnceWhenTheServerAnswersAgain) {
    const struct {
        const char* how;
        const char* password;
        bool answerLost;  // the server stored it, but the device never heard
        const char* pupilPassword = "";
    } cases[] = {{"another board", "", false}, {"enter", "", false}, {"restart", "", false},
                 {"restart", "owl", false}, {"another board", "", true}, {"restart", "", true},
                 {"restart", "", false, "cat"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.how) + (c.answerLost ? ", answer lost" : "") + (*c.password ? ", password" : "") +
                     (*c.pupilPassword ? ", pupil's password" : ""));
        SetUp();
        addAndEnter("4b", c.password);
        addPlayer(players, "Ann", c.pupilPassword);
        ASSERT_TRUE(GameStore.savePlayers(players, classrooms, classroom));
        online = c.answerLost;
        answersLost = c.answerLost;
        EXPECT_TRUE(race("Ann", 40));
        EXPECT_EQ(GameStore.takeTrouble(), Kept);
        EXPECT_NE(shelf, "");
        online = true;
        answersLost = false;
        const std::string how = c.how;
        if (how == "another board") {
            Leaderboard& other = LeaderboardTable.boards[0][0][0];
            appendRecord(other, "Ann", 1);
            other.records.back().time = 50;
            ASSERT_TRUE(GameStore.saveLeaderboard(classrooms, classroom, 0, 0, 0));
        } else if (how == "enter") {
            GameStore.enterClassroom(classrooms, classroom, players);
        } else {
            startDevice();
            sendKeptRaces();
            // A classroom or pupil with a password waits for it to be typed again.
            EXPECT_EQ(onDisk(1), *c.password || *c.pupilPassword ? 0 : 1);
            if (*c.password) {
                GameStore.loadClassrooms(classrooms);
                ASSERT_TRUE(GameStore.isClassroomPassword(classrooms, classroom, c.password));
                GameStore.enterClassroom(classrooms, classroom, players);
            }
            if (*c.pupilPassword) {
                GameStore.enterClassroom(classrooms, classroom, players);
                EXPECT_EQ(onDisk(1), 0);
                ASSERT_TRUE(GameStore.isPlayerPassword(classrooms, classroom, players, 1, c.pupilPassword));
                GameStore.enterClassroom(classrooms, classroom, players);
            }
        }
        EXPECT_EQ(onDisk(1), 1);
        EXPECT_EQ(shelf, "");
        EXPECT_EQ(GameStore.takeTrouble(), "");
        GameStore.enterClassroom(classrooms, classroom, players);
        EXPECT_EQ(LeaderboardTable.boards[1][2][3].count, 1);
        TearDown();
    }
}

// A kept race that can no longer be stored leaves the shelf with a notice instead of waiting forever.
TEST_F(RemoteStore, AKeptRaceThatCannotBeStoredIsDropped) {
    const struct {
        const char* change;
        const char* notice;
    } cases[] = {{"classroom", "Kept race dropped: its class is gone"},
                 {"pupil", "Kept race dropped: that pupil is gone"},
                 {"record", "Kept race dropped: the server refused it"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        SetUp();
        addAndEnter("4b", "");
        addPupils({"Ann"});
        online = false;
        const std::string change = c.change;
        race("Ann", change == "record" ? 1e6 : 40);  // a time no race takes
        online = true;
        if (change == "classroom") {
            ClassroomList desktop;
            loadClassrooms(desktop);
            deleteClassroom(desktop, 1);
        } else if (change == "pupil") {
            PlayerList desk;
            loadPlayers(desk, 1);
            removePlayer(desk, 1);
            savePlayers(desk, 1);
        }
        startDevice();
        sendKeptRaces();
        EXPECT_EQ(GameStore.takeTrouble(), c.notice);
        EXPECT_EQ(shelf, "");
        TearDown();
    }
    // However long the server stays away, the shelf holds the newest races only.
    SetUp();
    addAndEnter("4b", "");
    addPupils({"Ann"});
    online = false;
    std::string notice;
    for (int i = 0; i < KeptRacesLimit + 3; ++i) {
        race("Ann", 40 + i);
        notice = GameStore.takeTrouble();
    }
    EXPECT_EQ(static_cast<int>(std::count(shelf.begin(), shelf.end(), '\n')), KeptRacesLimit);
    EXPECT_EQ(notice, "Kept races full: the oldest was dropped");
}

// A classmate's race stored from another device reaches this one's board, and only what is new
// travels, without a password asked again.
TEST_F(RemoteStore, ABoardReadsItsNewRacesWithoutAPassword) {
    addAndEnter("4b", "owl");
    addPupils({"Ann", "Bob"});
    ASSERT_TRUE(race("Ann", 40));
    const std::string bob =
        R"({"classroom":{"position":1,"name":"4b","password":"owl"},"operation":1,"lesson":2,"distance":3,)"
        R"("known":0,"records":[{"name":"Bob","car":2,"time":35,"topSpeed":50,"averageSpeed":40,"samples":[[1,1]]}]})";
    ASSERT_EQ(serverCall("POST", "/api/race", bob).status, 200);
    routes.clear();
    GameStore.refreshBoard(classrooms, classroom, 1, 2, 3);
    GameStore.refreshBoard(classrooms, classroom, 1, 2, 3);
    const Leaderboard& board = LeaderboardTable.boards[1][2][3];
    ASSERT_EQ(board.count, 2);
    EXPECT_EQ(board.records[1].name, "Bob");
    EXPECT_EQ(board.recordsOnDisk, 2);
    EXPECT_EQ(routes, (std::vector<std::string>{"/api/board", "/api/board"}));
    EXPECT_EQ(GameStore.takeTrouble(), "");
    // The server's answer to the second carried nothing.
    const HttpAnswer again = serverCall(
        "POST", "/api/board",
        R"({"classroom":{"position":1,"name":"4b","password":"owl"},"operation":1,"lesson":2,"distance":3,"known":2})");
    EXPECT_EQ(again.body, R"({"count":2,"from":2,"records":[]})");
    EXPECT_EQ(serverCall("POST", "/api/board",
                         R"({"classroom":{"position":1,"name":"4b"},"operation":1,"lesson":2,"distance":3,"known":0})")
                  .status,
              403);
}

// What the menus meet through a server with a teacher password, and records that come without
// their answers (no ghost replays them).
TEST_F(RemoteStore, TheTeachersClassroomsAndRecordsWithoutAnswers) {
    addAndEnter("4b", "");
    addRacers();
    ASSERT_TRUE(race("Bob", 30));
    ASSERT_TRUE(race("Bob", 40));
    GameStore.enterClassroom(classrooms, classroom, players);
    const Leaderboard& board = LeaderboardTable.boards[1][2][3];
    ASSERT_EQ(board.count, 2);
    EXPECT_EQ(board.records[0].sampleCount, 2);  // Bob's fastest, which a ghost replays
    EXPECT_EQ(board.records[1].sampleCount, 0);
    EXPECT_EQ(board.records[1].time, 40);
    server.config.teacherPassword = "staffroom";
    GameStore.addClassroom(classrooms, "5c", "");
    EXPECT_EQ(GameStore.takeTrouble(), "Only the teacher adds or deletes classrooms here: use the teacher's corner");
    EXPECT_EQ(classrooms.count, 2);
}

}  // namespace
