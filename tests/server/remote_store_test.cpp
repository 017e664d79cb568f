// The game's remote store against the classroom server's own request handling in this process:
// what the menus and the race do reaches the folder as the local store would write it, passwords
// stay on the server, a list changed by another PC is read again, and failures become notices.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
    bool online = true;
    int requests = 0;
    ClassroomList classrooms;
    PlayerList players;
    int classroom = 0;

    void SetUp() override {
        FreshFolder::SetUp();
        prepareServer(server);
        useRemoteStore([this](const std::string& method, const std::string& route, const std::string& body) {
            ++requests;
            if (!online) return RemoteAnswer{};
            const HttpAnswer a = answerRequest(server, method, route, body);
            return RemoteAnswer{a.status, a.body};
        });
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
    EXPECT_EQ(GameStore.takeTrouble(), "The classroom server did not answer");
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
