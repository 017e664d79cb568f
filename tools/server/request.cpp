// Turning an API request into a checked call: the route, then every field of the body in bounds.
#include "request.h"

#include <cmath>

#include "store/json.h"

namespace {

using Kind = JsonValue::Kind;

struct RouteName {
    const char* method;
    const char* path;
    Route route;
};

constexpr RouteName Routes[] = {
    {"GET", "/api/hello", Route::Hello},
    {"GET", "/api/classrooms", Route::ListClassrooms},
    {"POST", "/api/classroom/enter", Route::EnterClassroom},
    {"POST", "/api/classroom/check", Route::CheckClassroom},
    {"POST", "/api/classroom/add", Route::AddClassroom},
    {"POST", "/api/classroom/delete", Route::DeleteClassroom},
    {"POST", "/api/pupil/check", Route::CheckPupil},
    {"POST", "/api/pupil/add", Route::AddPupil},
    {"POST", "/api/pupil/delete", Route::DeletePupil},
    {"POST", "/api/pupil/choices", Route::SaveChoices},
    {"POST", "/api/race", Route::StoreRace},
    {"POST", "/api/board", Route::ReadBoard},
    {"POST", "/api/report", Route::Report},
    {"POST", "/api/backup", Route::Backup},
};

// Reading the body's fields; each sets refusal's message and returns false when a field is bad.
struct Fields {
    Refusal& refusal;

    bool bad(const std::string& what) {
        refusal.status = 400;
        refusal.message = what;
        return false;
    }

    bool integer(const JsonValue& parent, const char* key, int low, int high, int& out) {
        const JsonValue* v = jsonMember(parent, key);
        if (v == nullptr || v->kind != Kind::Number) return bad(std::string("\"") + key + "\" must be a number");
        if (v->number != std::floor(v->number) || v->number < low || v->number > high)
            return bad(std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) + " to " +
                       std::to_string(high));
        out = static_cast<int>(v->number);
        return true;
    }

    bool real(const JsonValue& parent, const char* key, double low, double high, double& out) {
        const JsonValue* v = jsonMember(parent, key);
        if (v == nullptr || v->kind != Kind::Number || v->number < low || v->number > high)
            return bad(std::string("\"") + key + "\" must be a number in bounds");
        out = v->number;
        return true;
    }

    // A text member; an absent one is empty when mayBeEmpty.
    bool text(const JsonValue& parent, const char* key, std::size_t limit, bool mayBeEmpty, std::string& out) {
        const JsonValue* v = jsonMember(parent, key);
        if (v == nullptr && mayBeEmpty) {
            out.clear();
            return true;
        }
        if (v == nullptr || v->kind != Kind::String || !isTypedText(v->text, limit, mayBeEmpty))
            return bad(std::string("\"") + key + "\" must be a text of at most " + std::to_string(limit) +
                       " characters the keyboard can type");
        out = v->text;
        return true;
    }

    // A new name or password that begins with a blank would lose it in the saved file (a line's
    // leading blanks are not read back), and the entry could not be found or opened again.
    bool savable(const ApiCall& call) {
        if (call.name[0] == ' ' || (!call.password.empty() && call.password[0] == ' '))
            return bad("a new name or password must not begin with a blank");
        return true;
    }

    bool address(const JsonValue& body, const char* key, std::size_t passwordLimit, Address& out) {
        const JsonValue* v = jsonMember(body, key);
        if (v == nullptr || v->kind != Kind::Object) return bad(std::string("\"") + key + "\" must be an object");
        return integer(*v, "position", 0, PositionLimit, out.position) &&
               text(*v, "name", AddressNameLimit, false, out.name) &&
               text(*v, "password", passwordLimit, true, out.password);
    }

    bool record(const JsonValue& v, RaceRecord& out) {
        if (v.kind != Kind::Object) return bad("a record must be an object");
        if (!text(v, "name", AddressNameLimit, false, out.name) || !integer(v, "car", 0, 7, out.car) ||
            !real(v, "time", 0, RaceSecondsLimit, out.time) || !real(v, "topSpeed", 0, SpeedLimit, out.topSpeed) ||
            !real(v, "averageSpeed", 0, SpeedLimit, out.averageSpeed))
            return false;
        const JsonValue* samples = jsonMember(v, "samples");
        if (samples == nullptr || samples->kind != Kind::Array || samples->items.size() > SamplesPerRecord)
            return bad("\"samples\" must be a list of at most " + std::to_string(SamplesPerRecord) + " answers");
        for (const JsonValue& s : samples->items) {
            // [seconds since the start, 1 for a right answer or -0.5 for a wrong one]
            if (s.kind != Kind::Array || s.items.size() != 2 || s.items[0].kind != Kind::Number ||
                s.items[1].kind != Kind::Number || s.items[0].number < 0 || s.items[0].number > RaceSecondsLimit ||
                (s.items[1].number != 1 && s.items[1].number != -0.5))
                return bad("an answer must be [seconds, 1 or -0.5]");
            out.samples.push_back({s.items[0].number, s.items[1].number});
        }
        out.sampleCount = static_cast<int>(out.samples.size());
        return true;
    }
};

bool readBody(Route route, const JsonValue& body, ApiCall& call, Fields& f) {
    switch (route) {
        case Route::Hello:
        case Route::ListClassrooms:
            return true;
        case Route::EnterClassroom:
        case Route::CheckClassroom:
        case Route::DeleteClassroom:
            return f.address(body, "classroom", PasswordLimit, call.classroom);
        case Route::Report:
            // The teacher's password may stand in for the classroom's.
            return f.address(body, "classroom", TeacherPasswordLimit, call.classroom);
        case Route::Backup:
            return f.text(body, "teacherPassword", TeacherPasswordLimit, true, call.password);
        case Route::AddClassroom:
            return f.text(body, "name", ClassroomNameLimit, false, call.name) &&
                   f.text(body, "password", PasswordLimit, true, call.password) && f.savable(call);
        case Route::CheckPupil:
        case Route::DeletePupil:
            return f.address(body, "classroom", PasswordLimit, call.classroom) &&
                   f.address(body, "pupil", PasswordLimit, call.pupil);
        case Route::AddPupil:
            return f.address(body, "classroom", PasswordLimit, call.classroom) &&
                   f.text(body, "name", PupilNameLimit, false, call.name) &&
                   f.text(body, "password", PasswordLimit, true, call.password) && f.savable(call);
        case Route::SaveChoices:
            return f.address(body, "classroom", PasswordLimit, call.classroom) &&
                   f.address(body, "pupil", PasswordLimit, call.pupil) && f.integer(body, "car", 0, 7, call.car) &&
                   f.integer(body, "driver", 0, 12, call.driver);
        case Route::ReadBoard:
            return f.address(body, "classroom", PasswordLimit, call.classroom) &&
                   f.integer(body, "operation", 0, BoardOperations - 1, call.operation) &&
                   f.integer(body, "lesson", 0, BoardLessons - 1, call.lesson) &&
                   f.integer(body, "distance", 0, BoardDistances - 1, call.distance) &&
                   f.integer(body, "known", 0, 1000000, call.known);
        case Route::StoreRace: {
            if (!f.address(body, "classroom", PasswordLimit, call.classroom) ||
                !f.integer(body, "operation", 0, BoardOperations - 1, call.operation) ||
                !f.integer(body, "lesson", 0, BoardLessons - 1, call.lesson) ||
                !f.integer(body, "distance", 0, BoardDistances - 1, call.distance))
                return false;
            call.known = 0;
            if (jsonMember(body, "known") != nullptr && !f.integer(body, "known", 0, 1000000, call.known)) return false;
            const JsonValue* records = jsonMember(body, "records");
            if (records == nullptr || records->kind != Kind::Array || records->items.empty() ||
                records->items.size() > RecordsPerRace)
                return f.bad("\"records\" must be a list of 1 or 2 records");
            for (const JsonValue& r : records->items) {
                call.records.emplace_back();
                if (!f.record(r, call.records.back())) return false;
            }
            return true;
        }
    }
    return f.bad("unknown request");
}

}  // namespace

bool isTypedText(const std::string& text, std::size_t limit, bool mayBeEmpty) {
    if (text.size() > limit || (text.empty() && !mayBeEmpty)) return false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127 || c == 255) return false;
    }
    return true;
}

bool parseCall(const std::string& method, const std::string& path, const std::string& body, ApiCall& call,
               Refusal& refusal) {
    call = ApiCall{};
    const RouteName* found = nullptr;
    bool pathKnown = false;
    for (const RouteName& r : Routes) {
        if (path != r.path) continue;
        pathKnown = true;
        if (method == r.method) found = &r;
    }
    if (found == nullptr) {
        refusal.status = pathKnown ? 405 : 404;
        refusal.message = pathKnown ? "wrong method for this request" : "no such request";
        return false;
    }
    if (body.size() > BodyLimit) {
        refusal.status = 413;
        refusal.message = "the request is too large";
        return false;
    }
    call.route = found->route;
    if (found->route == Route::Hello || found->route == Route::ListClassrooms) return true;
    JsonValue json;
    if (!parseJson(body, json) || json.kind != Kind::Object) {
        refusal.status = 400;
        refusal.message = "the body must be one JSON object";
        return false;
    }
    Fields f{refusal};
    return readBody(found->route, json, call, f);
}
