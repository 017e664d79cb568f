// The store's operations that the game uses, chosen once at start: the local files (store.h) or the
// classroom server's API (store_remote.h). The screens and the race call them through GameStore.
#pragma once
#include <string>

#include "store/records.h"

// Each operation does what its local namesake in store.h does; the remote ones say in
// store_remote.h how they differ. A failure never stops the game: it becomes the words that
// takeTrouble hands to the notice line.
struct StoreOperations {
    void (*loadClassrooms)(ClassroomList& list);
    void (*saveClassrooms)(ClassroomList& list);
    void (*addClassroom)(ClassroomList& list, const std::string& name, const std::string& password);
    void (*deleteClassroom)(ClassroomList& list, int position);
    // Called when a classroom is chosen: its boards into LeaderboardTable and its players into
    // players. position follows the classroom when another PC moved it.
    void (*enterClassroom)(ClassroomList& classrooms, int& position, PlayerList& players);
    bool (*savePlayers)(PlayerList& list, ClassroomList& classrooms, int& position);
    bool (*saveLeaderboard)(ClassroomList& classrooms, int& position, int operation, int lesson, int distance);
    // Called as the lesson menu opens and as a race is set up, for each player's board: the board
    // [operation][lesson][distance] of LeaderboardTable takes the races stored on it by other devices
    // since it was read, after its stored records and before its unsaved ones. The local files' does
    // nothing: every save of a board reads it again from disk.
    void (*refreshBoard)(ClassroomList& classrooms, int& position, int operation, int lesson, int distance);
    // Whether typed is the password of the classroom or player at position (0 <= position < count).
    // Asked only of one that asksPassword; the menus never compare passwords themselves.
    // A list that changed meanwhile on the server is read again (the selection may then be stale).
    bool (*isClassroomPassword)(ClassroomList& classrooms, int position, const std::string& typed);
    bool (*isPlayerPassword)(const ClassroomList& classrooms, int classroom, const PlayerList& players,
                             int position, const std::string& typed);
    // Called by the notice line each frame: why something since the last call failed, or "".
    std::string (*takeTrouble)();
    // The saves the local files leave for later while another PC holds a lock (store.h says how);
    // a store that never leaves any keeps these defaults. keepSaving is called every frame and
    // says how long the oldest has waited (0: none waits); finishSaving before another classroom
    // is entered and at quit; keepUnsaved at quit when finishSaving ran out, and storeKept at start.
    double (*keepSaving)() = [] { return 0.0; };
    bool (*finishSaving)(double limit) = [](double) { return true; };
    int (*keepUnsaved)() = [] { return 0; };
    int (*storeKept)() = [] { return 0; };
};

// The local files' operations.
StoreOperations localStore();

// The game's store: the local files until the start-up chooses otherwise, before the first screen.
extern StoreOperations GameStore;

// Whether entering the classroom, or taking the player, asks for a password.
inline bool asksPassword(const Classroom& c) { return c.hasPassword || !c.password.empty(); }
inline bool asksPassword(const Player& p) { return p.hasPassword || !p.password.empty(); }
