// Fuzzes the API's request parsing: any path and body must be answered with a call in bounds or a
// refusal, never a crash, a hang or a field outside its limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/protocol.h"
#include "../../tools/server/request.h"

namespace {

const char* const Paths[] = {"/api/classroom/enter", "/api/classroom/add", "/api/pupil/delete",
                             "/api/pupil/choices", "/api/race", "/api/report", "/api/nothing"};

void require(bool condition) {
    if (!condition) std::abort();
}

bool inBounds(const Address& a) {
    return a.position >= 0 && a.position <= PositionLimit && a.name.size() <= AddressNameLimit &&
           a.password.size() <= TeacherPasswordLimit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the route; the rest is the body.
    const std::string path = Paths[data[0] % (sizeof Paths / sizeof Paths[0])];
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    ApiCall call;
    Refusal refusal;
    if (!parseCall("POST", path, body, call, refusal)) {
        require(refusal.status >= 400 && refusal.status < 500 && !refusal.message.empty());
        return 0;
    }
    require(inBounds(call.classroom) && inBounds(call.pupil));
    require(call.car >= 0 && call.car <= 7 && call.driver >= 0 && call.driver <= 12);
    require(call.operation >= 0 && call.operation < BoardOperations && call.lesson >= 0 &&
            call.lesson < BoardLessons && call.distance >= 0 && call.distance < BoardDistances);
    require(call.records.size() <= static_cast<std::size_t>(RecordsPerRace));
    for (const RaceRecord& r : call.records) {
        require(r.sampleCount == static_cast<int>(r.samples.size()) && r.sampleCount <= SamplesPerRecord);
        require(r.time >= 0 && r.time <= RaceSecondsLimit && isTypedText(r.name, AddressNameLimit, false));
    }
    // A parsed body written back reads the same: texts survive as the game's bytes.
    std::string again;
    require(fromWire(toWire(call.classroom.name), again) && again == call.classroom.name);
    return 0;
}
