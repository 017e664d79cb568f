// The classroom server's wire format, one for the server and the game's remote store: the bounds
// of every field, and each thing that travels (texts, addresses, race records, the classroom and
// pupil lists) with its writing to JSON and its checked reading back.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "store/records.h"

using Json = nlohmann::ordered_json;

// The bounds. A new classroom's or pupil's name and any password are no longer than the menus let
// anyone type; a name that addresses an existing entry may be longer (tools may have written it) up
// to AddressNameLimit. Every text holds only what the menus accept: code page 437 bytes 32..126 and
// 128..254, which travel as the UTF-8 of the characters the game's font draws for them.
constexpr std::size_t BodyLimit = 512 * 1024;
constexpr int JsonMaxDepth = 8;
constexpr std::size_t JsonMaxValues = 40000;
constexpr std::size_t JsonMaxTextBytes = 4096;
constexpr std::size_t ClassroomNameLimit = 20;
constexpr std::size_t PupilNameLimit = 10;
constexpr std::size_t PasswordLimit = 10;
constexpr std::size_t TeacherPasswordLimit = 64;
constexpr std::size_t AddressNameLimit = 64;
constexpr std::size_t TokenLimit = 64;
constexpr int PositionLimit = 10000;
constexpr int CarLimit = 7;
constexpr int DriverLimit = 12;
constexpr int RecordsPerRace = 2;       // a two-player race on one board
constexpr int SamplesPerRecord = 5000;  // an answer every 0.2 s for a quarter of an hour
constexpr double RaceSecondsLimit = 3600;
constexpr double SpeedLimit = 10000;

// Reads one JSON document: false on anything that is not strict JSON (invalid UTF-8 included), on
// a duplicate key, a number that is not finite, or a document deeper, larger or with a longer text
// than the bounds above. Safe on any bytes.
bool parseWire(const std::string& body, Json& out);
// The JSON text of value, always valid UTF-8.
std::string wireText(const Json& value);

// A text of the game (code page 437 bytes) as it travels, and back. fromWire is false when a
// character has no byte the menus could type (a control character, or none in code page 437).
std::string toWire(const std::string& bytes);
bool fromWire(const std::string& utf8, std::string& bytes);

// Whether bytes is a text the menus could have typed, of 1..limit bytes (0..limit when it may be
// empty).
bool isTypedText(const std::string& bytes, std::size_t limit, bool mayBeEmpty);

// Reading a body's fields. Each reader returns false and says why in why when the field is absent
// (unless it may be), of the wrong kind or out of bounds; out is then unspecified. The server reads
// strictly; the remote store reads the server's answers with trusting set, which takes any text
// (a character without a byte becomes "?"), since the lists hold whatever desktop copies saved.
struct WireReader {
    std::string why;
    bool trusting = false;

    bool bad(const std::string& words);
    bool integer(const Json& parent, const char* key, int low, int high, int& out);
    bool real(const Json& parent, const char* key, double low, double high, double& out);
    // A text member, converted to the game's bytes; an absent one is empty when mayBeEmpty.
    bool text(const Json& parent, const char* key, std::size_t limit, bool mayBeEmpty, std::string& out);
};

// A classroom or pupil as the client last saw it: its position and its name, which must still
// match there; password is what was typed for it, token what pupil/check gave for it (either may
// be empty).
struct Address {
    int position = 0;
    std::string name;
    std::string password;
    std::string token;
};

Json addressJson(const Address& address);
// parent[key] as an address; its password at most passwordLimit bytes.
bool readAddress(WireReader& r, const Json& parent, const char* key, std::size_t passwordLimit, Address& out);

// A race record: {"name","car","time","topSpeed","averageSpeed","samples":[[seconds, 1 or -0.5]]}.
// Without samples when withSamples is false (a record no ghost replays). Reading takes the bounds
// above and writes a negative zero as zero, so a saved file never holds "-0".
Json recordJson(const RaceRecord& record, bool withSamples = true);
bool readRecord(WireReader& r, const Json& value, RaceRecord& out);

// The classroom list: [{"position","name","hasPassword"}]. Reading gives entries without a
// password but with hasPassword.
Json classroomsJson(const ClassroomList& list);
bool readClassrooms(WireReader& r, const Json& items, ClassroomList& list);

// The pupil list: [{"position","name","hasPassword","car","driver"}] (the server adds what the
// player menu shows of each in enter). Reading as the classroom list's.
Json pupilsJson(const PlayerList& list);
bool readPupils(WireReader& r, const Json& items, PlayerList& list);
