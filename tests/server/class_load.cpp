// A class at once: PUPILS simulated devices each add their pupil to a classroom, enter it, and store
// RACES races on one board, all at the same time; prints the 99th-percentile answer times of
// entering and of storing a race. Exit status 0 when every request was answered 200.
// Usage: tallyrally-class-load PORT CLASSROOM PUPILS RACES PAUSE_MS
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timings {
    std::mutex lock;
    std::vector<double> enter;
    std::vector<double> race;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t at = std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())));
    return v[at];
}

// A plausible race: an answer every 1.2 s, one in five wrong.
std::string raceBody(const std::string& classroom, const std::string& pupil, int known, int seed) {
    std::string samples;
    for (int i = 0; i < 40; ++i) {
        if (i > 0) samples += ",";
        samples += '[';
        samples += std::to_string(1.2 * (i + 1));
        samples += (i + seed) % 5 == 0 ? ",-0.5]" : ",1]";
    }
    return R"({"classroom":{"position":0,"name":")" + classroom +
           R"("},"operation":0,"lesson":0,"distance":0,"known":)" + std::to_string(known) +
           R"(,"records":[{"name":")" + pupil + R"(","car":)" + std::to_string(seed % 8) + R"(,"time":)" +
           std::to_string(48.0 + seed % 7) + R"(,"topSpeed":120,"averageSpeed":70,"samples":[)" + samples + "]}]}";
}

// The number after "count": in an answer, or 0.
int countIn(const std::string& body) {
    const std::size_t at = body.find("\"count\":");
    return at == std::string::npos ? 0 : std::atoi(body.c_str() + at + 8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "Usage: tallyrally-class-load PORT CLASSROOM PUPILS RACES PAUSE_MS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string classroom = argv[2];
    const int pupils = std::atoi(argv[3]);
    const int races = std::atoi(argv[4]);
    const int pauseMs = std::atoi(argv[5]);
    Timings timings;
    std::atomic<int> failures{0};
    const auto fail = [&](const std::string& what, const httplib::Result& r) {
        ++failures;
        std::fprintf(stderr, "%s: %d %s\n", what.c_str(), r ? r->status : -1,
                     r ? r->body.c_str() : httplib::to_string(r.error()).c_str());
    };

    std::vector<std::thread> devices;
    for (int p = 1; p <= pupils; ++p) {
        devices.emplace_back([&, p] {
            char name[16];
            std::snprintf(name, sizeof name, "Pupil%02d", p);
            // Each device from its own loopback address, as a class's devices have theirs: the
            // server takes only a handful of connections from one address.
            httplib::Client client("127.0.0.1", port);
            client.set_interface("127.0.0." + std::to_string(10 + p));
            client.set_read_timeout(60, 0);
            client.set_keep_alive(true);  // as a browser keeps its connection
            const std::string room = R"({"classroom":{"position":0,"name":")" + classroom + "\"}";
            httplib::Result r = client.Post("/api/pupil/add", room + R"(,"name":")" + name + "\"}", "application/json");
            if (!r || r->status != 200) return fail(std::string("add ") + name, r);
            Clock::time_point t = Clock::now();
            r = client.Post("/api/classroom/enter", room + "}", "application/json");
            const double enterMs = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
            if (!r || r->status != 200) return fail(std::string("enter ") + name, r);
            {
                std::lock_guard<std::mutex> g(timings.lock);
                timings.enter.push_back(enterMs);
            }
            int known = 0;
            for (int i = 0; i < races; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs * (1 + (p + i) % 3)));
                t = Clock::now();
                r = client.Post("/api/race", raceBody(classroom, name, known, p + i), "application/json");
                const double raceMs = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
                if (!r || r->status != 200) return fail(std::string("race of ") + name, r);
                known = countIn(r->body);
                std::lock_guard<std::mutex> g(timings.lock);
                timings.race.push_back(raceMs);
            }
        });
    }
    for (std::thread& d : devices) d.join();
    std::printf("enter a classroom: %zu answers, median %.1f ms, 99th percentile %.1f ms\n", timings.enter.size(),
                percentile(timings.enter, 0.5), percentile(timings.enter, 0.99));
    std::printf("store a race: %zu answers, median %.1f ms, 99th percentile %.1f ms\n", timings.race.size(),
                percentile(timings.race, 0.5), percentile(timings.race, 0.99));
    return failures == 0 ? 0 : 1;
}
