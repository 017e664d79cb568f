// The API's requests: which route a method and path name, and the checked fields of its JSON body.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "store/protocol.h"
#include "store/records.h"

enum class Route {
    Hello,
    ListClassrooms,
    EnterClassroom,
    CheckClassroom,
    AddClassroom,
    DeleteClassroom,
    CheckPupil,
    AddPupil,
    DeletePupil,
    SaveChoices,
    StoreRace,
    ReadBoard,
    Report,
    Backup,
};

// One request, checked. Which fields a route fills is said in API.md.
struct ApiCall {
    Route route = Route::Hello;
    Address classroom;
    Address pupil;
    std::string name;       // a new classroom's or pupil's
    std::string password;   // a new classroom's or pupil's; the teacher's for a backup
    std::string teacherPassword;  // given to add or delete a classroom
    int car = 0;
    int driver = 0;
    int operation = 0;
    int lesson = 0;
    int distance = 0;
    int known = 0;          // how many records of the board the client holds already
    std::vector<RaceRecord> records;
    // One per record: the password or token of the pupil the record names (both empty when none
    // was given).
    std::vector<Address> racers;
    std::string client;  // the asking device's address, set by answerRequest
};

// A request refused before it reaches the store: the HTTP status and one sentence.
struct Refusal {
    int status = 400;
    std::string message;
};

// Called for every request under /api/. Fills call and returns true, or fills refusal (404 for an
// unknown path, 405 for a wrong method, 413 for a body over BodyLimit, 400 for anything else
// malformed or out of bounds) and returns false. Touches nothing but its arguments.
bool parseCall(const std::string& method, const std::string& path, const std::string& body, ApiCall& call,
               Refusal& refusal);
