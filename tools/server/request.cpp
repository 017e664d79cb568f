// Turning an API request into a checked call: the route, then every field of the body in bounds.
#include "request.h"

#include "race/race_bounds.h"


namespace {

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

// A new name or password that begins with a blank would lose it in the saved file (a line's
// leading blanks are not read back), and the entry could not be found or opened again. Blanks at
// the end of a new name are dropped: the menus would show "Bob " beside "Bob" as the same name.
bool savable(WireReader& r, ApiCall& call) {
    while (!call.name.empty() && call.name.back() == ' ') call.name.pop_back();
    if (call.name.empty() || call.name[0] == ' ' || (!call.password.empty() && call.password[0] == ' '))
        return r.bad("a new name or password must not begin with a blank");
    return true;
}

// The races' pupils' passwords or tokens: absent, or one object per record.
bool readRacers(WireReader& r, const Json& body, ApiCall& call) {
    call.racers.assign(call.records.size(), Address{});
    const auto racers = body.find("racers");
    if (racers == body.end()) return true;
    if (!racers->is_array() || racers->size() != call.records.size())
        return r.bad("\"racers\" must be a list of one password or token per record");
    for (std::size_t i = 0; i < call.records.size(); ++i) {
        const Json& racer = (*racers)[i];
        Address& out = call.racers[i];
        if (!racer.is_object() || !r.text(racer, "password", PasswordLimit, true, out.password)) return false;
        const auto token = racer.find("token");
        if (token == racer.end()) continue;
        if (!token->is_string() || token->get_ref<const std::string&>().size() > TokenLimit)
            return r.bad("\"token\" must be the text pupil/check gave");
        out.token = token->get<std::string>();
    }
    return true;
}

bool readBody(Route route, const Json& body, ApiCall& call, WireReader& r) {
    switch (route) {
        case Route::Hello:
        case Route::ListClassrooms:
            return true;
        case Route::EnterClassroom:
        case Route::CheckClassroom:
            return readAddress(r, body, "classroom", PasswordLimit, call.classroom);
        case Route::DeleteClassroom:
            return readAddress(r, body, "classroom", PasswordLimit, call.classroom) &&
                   r.text(body, "teacherPassword", TeacherPasswordLimit, true, call.teacherPassword);
        case Route::Report:
            // The teacher's password may stand in for the classroom's.
            return readAddress(r, body, "classroom", TeacherPasswordLimit, call.classroom);
        case Route::Backup:
            return r.text(body, "teacherPassword", TeacherPasswordLimit, true, call.password);
        case Route::AddClassroom:
            return r.text(body, "name", ClassroomNameLimit, false, call.name) &&
                   r.text(body, "password", PasswordLimit, true, call.password) &&
                   r.text(body, "teacherPassword", TeacherPasswordLimit, true, call.teacherPassword) &&
                   savable(r, call);
        case Route::CheckPupil:
        case Route::DeletePupil:
            return readAddress(r, body, "classroom", PasswordLimit, call.classroom) &&
                   readAddress(r, body, "pupil", PasswordLimit, call.pupil);
        case Route::AddPupil:
            return readAddress(r, body, "classroom", PasswordLimit, call.classroom) &&
                   r.text(body, "name", PupilNameLimit, false, call.name) &&
                   r.text(body, "password", PasswordLimit, true, call.password) && savable(r, call);
        case Route::SaveChoices:
            return readAddress(r, body, "classroom", PasswordLimit, call.classroom) &&
                   readAddress(r, body, "pupil", PasswordLimit, call.pupil) &&
                   r.integer(body, "car", 0, CarLimit, call.car) && r.integer(body, "driver", 0, DriverLimit, call.driver);
        case Route::ReadBoard:
            return readAddress(r, body, "classroom", PasswordLimit, call.classroom) &&
                   r.integer(body, "operation", 0, BoardOperations - 1, call.operation) &&
                   r.integer(body, "lesson", 0, BoardLessons - 1, call.lesson) &&
                   r.integer(body, "distance", 0, BoardDistances - 1, call.distance) &&
                   r.integer(body, "known", 0, 1000000, call.known);
        case Route::StoreRace: {
            if (!readAddress(r, body, "classroom", PasswordLimit, call.classroom) ||
                !r.integer(body, "operation", 0, BoardOperations - 1, call.operation) ||
                !r.integer(body, "lesson", 0, BoardLessons - 1, call.lesson) ||
                !r.integer(body, "distance", 0, BoardDistances - 1, call.distance))
                return false;
            call.known = 0;
            if (body.contains("known") && !r.integer(body, "known", 0, 1000000, call.known)) return false;
            const auto records = body.find("records");
            if (records == body.end() || !records->is_array() || records->empty() ||
                records->size() > static_cast<std::size_t>(RecordsPerRace))
                return r.bad("\"records\" must be a list of 1 or 2 records");
            for (const Json& record : *records) {
                call.records.emplace_back();
                if (!readRecord(r, record, call.records.back())) return false;
                // A stored race always has its answers: they are what a ghost replays.
                if (!record.contains("samples")) return r.bad("\"samples\" must be a list of answers");
                const std::string impossible = implausibleRace(call.records.back(), call.distance);
                if (!impossible.empty()) return r.bad(impossible);
            }
            return readRacers(r, body, call);
        }
    }
    return r.bad("unknown request");
}

}  // namespace

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
    Json json;
    if (!parseWire(body, json) || !json.is_object()) {
        refusal.status = 400;
        refusal.message = "the body must be one JSON object";
        return false;
    }
    WireReader r;
    if (readBody(found->route, json, call, r)) return true;
    refusal.status = 400;
    refusal.message = r.why;
    return false;
}
