// The API's requests: which route a method and path name, and the checked fields of its JSON body.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

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

// The limits of a request. A new classroom's or pupil's name and any password are no longer than
// the menus let anyone type; a name that addresses an existing entry may be longer (tools may have
// written it) up to AddressNameLimit. Every text holds only the bytes the menus accept (32..126 and
// 128..254); a new name or password does not begin with a blank, which the saved files would not keep.
constexpr std::size_t BodyLimit = 512 * 1024;
constexpr std::size_t ClassroomNameLimit = 20;
constexpr std::size_t PupilNameLimit = 10;
constexpr std::size_t PasswordLimit = 10;
constexpr std::size_t TeacherPasswordLimit = 64;
constexpr std::size_t AddressNameLimit = 64;
constexpr int PositionLimit = 10000;
constexpr int RecordsPerRace = 2;      // a two-player race on one board
constexpr int SamplesPerRecord = 5000;  // an answer every 0.2 s for a quarter of an hour
constexpr double RaceSecondsLimit = 3600;
constexpr double SpeedLimit = 10000;

// A classroom or pupil as the client last saw it: its position and its name, which must still
// match there. password is what was typed for it (empty when nothing was).
struct Address {
    int position = 0;
    std::string name;
    std::string password;
};

// One request, checked. Which fields a route fills is said in API.md.
struct ApiCall {
    Route route = Route::Hello;
    Address classroom;
    Address pupil;
    std::string name;       // a new classroom's or pupil's
    std::string password;   // a new classroom's or pupil's; the teacher's for a backup
    int car = 0;
    int driver = 0;
    int operation = 0;
    int lesson = 0;
    int distance = 0;
    int known = 0;          // how many records of the board the client holds already
    std::vector<RaceRecord> records;
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

// Whether text is a text the menus could have typed, of 1..limit bytes (0..limit when it may be empty).
bool isTypedText(const std::string& text, std::size_t limit, bool mayBeEmpty);
