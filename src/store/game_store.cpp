// The choice of the game's store, and the local files' operations as the game calls them.
#include "store/game_store.h"

#include "store/board_loading.h"
#include "store/store.h"

namespace {

void enterLocal(ClassroomList&, int& position, PlayerList& players) {
    loadLeaderboards(position);
    loadPlayers(players, position);
}

bool savePlayersLocal(PlayerList& list, ClassroomList& classrooms, int& position) {
    return savePlayers(list, classrooms, position);
}

bool saveBoardLocal(ClassroomList& classrooms, int& position, int operation, int lesson, int distance) {
    return saveLeaderboard(classrooms, position, operation, lesson, distance);
}

void refreshBoardLocal(ClassroomList&, int&, int, int, int) {}

bool classroomPasswordLocal(ClassroomList& classrooms, int position, const std::string& typed) {
    return typed == classrooms.items[static_cast<std::size_t>(position)].password;
}

bool playerPasswordLocal(const ClassroomList&, int, const PlayerList& players, int position, const std::string& typed) {
    return typed == players.items[static_cast<std::size_t>(position)].password;
}

}  // namespace

StoreOperations localStore() {
    StoreOperations ops;
    ops.loadClassrooms = loadClassrooms;
    ops.saveClassrooms = saveClassrooms;
    ops.addClassroom = addClassroom;
    ops.deleteClassroom = deleteClassroom;
    ops.enterClassroom = enterLocal;
    ops.savePlayers = savePlayersLocal;
    ops.saveLeaderboard = saveBoardLocal;
    ops.refreshBoard = refreshBoardLocal;
    ops.isClassroomPassword = classroomPasswordLocal;
    ops.isPlayerPassword = playerPasswordLocal;
    ops.takeTrouble = takeSaveTrouble;
    ops.keepSaving = keepSaving;
    ops.finishSaving = finishSaving;
    ops.keepUnsaved = keepDeferredRaces;
    ops.storeKept = storeKeptRaces;
    return ops;
}

StoreOperations GameStore = localStore();
