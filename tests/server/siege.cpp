// A denial-of-service run against a classroom server on 127.0.0.1, bounded in time: 300 slow or
// idle connections from twenty addresses, a burst of 2,000 enter and 2,000 race requests from four
// more, and the range and header attacks, while another pupil's address asks for the classroom list
// and the page. Prints that pupil's answer times and the server's peak memory (VmHWM). Exit status
// 1 on a plain fault only: the pupil not answered within 2 s, or an answer larger than the largest
// file the site holds.
// Usage: tallyrally-siege PORT SERVER_PID LARGEST_FILE_BYTES
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "raw_http.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int SlowConnections = 300;
constexpr int SlowAddresses = 20;
constexpr int BurstEach = 2000;
constexpr double RunSeconds = 15;   // at least, while the burst lasts longer
constexpr double MostSeconds = 45;  // at most, whatever is left
constexpr double FaultMs = 2000;

std::string request(const std::string& method, const std::string& path, const std::string& body = "",
                    const std::string& fields = "") {
    std::string r = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + fields;
    if (!body.empty())
        r += "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    return r + "\r\n" + body;
}

std::string raceBody(int seed) {
    std::string samples;
    for (int i = 0; i < 40; ++i) samples += (i > 0 ? "," : "") + std::string("[") + std::to_string(1.2 * (i + 1)) + ",1]";
    return R"({"classroom":{"position":0,"name":"Default"},"operation":0,"lesson":0,"distance":0,"known":0,)"
           R"("records":[{"name":"Default","car":)" + std::to_string(seed % 8) +
           R"(,"time":50,"topSpeed":120,"averageSpeed":70,"samples":[)" + samples + "]}]}";
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

long peakKb(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "Usage: tallyrally-siege PORT SERVER_PID LARGEST_FILE_BYTES\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int pid = std::atoi(argv[2]);
    const std::size_t largest = std::strtoull(argv[3], nullptr, 10);
    const auto start = Clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::atomic<bool> stop{false};
    std::atomic<int> burstLeft{2 * BurstEach};
    std::atomic<int> burstAnswered{0};
    std::atomic<std::size_t> biggest{0};
    std::atomic<int> attacks{0};
    const auto noteSize = [&](const RawAnswer& a) {
        std::size_t seen = biggest;
        while (a.bodyBytes > seen && !biggest.compare_exchange_weak(seen, a.bodyBytes)) {
        }
    };
    std::vector<std::thread> threads;

    // Slow and idle connections, opened again as the server cuts them: half say nothing, half
    // trickle a request a byte a second.
    threads.emplace_back([&] {
        std::vector<int> fds(SlowConnections, -1);
        const std::string trickle = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(200, 's');
        std::size_t at = 0;
        while (!stop) {
            for (int i = 0; i < SlowConnections; ++i) {
                if (fds[i] >= 0 && i % 2 == 1 && send(fds[i], &trickle[at % trickle.size()], 1, MSG_NOSIGNAL) <= 0) {
                    close(fds[i]);
                    fds[i] = -1;
                }
                char c;
                if (fds[i] >= 0 && recv(fds[i], &c, 1, MSG_DONTWAIT) == 0) {
                    close(fds[i]);
                    fds[i] = -1;
                }
                if (fds[i] < 0) fds[i] = connectFrom("127.0.1." + std::to_string(1 + i % SlowAddresses), port);
            }
            ++at;
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        for (int fd : fds)
            if (fd >= 0) close(fd);
    });
    // The burst: enter and race, as fast as four addresses' connections allow.
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            const std::string from = "127.0.2." + std::to_string(1 + t % 4);
            const std::string enter = request("POST", "/api/classroom/enter", R"({"classroom":{"position":0,"name":"Default"}})");
            for (int n; !stop && (n = --burstLeft) >= 0;) {
                const RawAnswer a = exchange(from, port, n % 2 == 0 ? enter : request("POST", "/api/race", raceBody(n)), 10000);
                if (a.status > 0) ++burstAnswered;
                noteSize(a);
            }
        });
    }
    // The range and header attacks, again and again from two addresses.
    std::string ranges = "Range: bytes=0-";
    for (int i = 0; i < 1000; ++i) ranges += ",0-";
    std::string lines;
    for (int i = 0; i < 40; ++i) lines += "X-Line" + std::to_string(i) + ": " + std::string(8000, 'h') + "\r\n";
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string from = t < 2 ? "127.0.3.1" : "127.0.3.2";
            const std::string r = t < 2 ? request("GET", "/tallyrally.data", "", ranges + "\r\n")
                                        : request("GET", "/index.html", "", lines);
            while (!stop) {
                noteSize(exchange(from, port, r, 10000));
                ++attacks;
            }
        });
    }
    // Another pupil, on an address of its own.
    std::vector<double> times;
    std::vector<double> apiTimes;
    std::vector<double> siteTimes;
    int unanswered = 0;
    while (elapsed() < MostSeconds && (elapsed() < RunSeconds || burstLeft > 0)) {
        for (const std::string& r : {request("GET", "/api/classrooms"), request("GET", "/index.html")}) {
            const RawAnswer a = exchange("127.0.4.1", port, r, static_cast<int>(FaultMs));
            if (a.status != 200) ++unanswered;
            times.push_back(a.ms);
            (r.find("/api/") != std::string::npos ? apiTimes : siteTimes).push_back(a.ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop = true;
    for (std::thread& t : threads) t.join();

    const long peak = peakKb(pid);
    std::printf("siege: %.1f s; burst %d of %d answered; %d range and header attacks; biggest answer %zu bytes\n",
                elapsed(), burstAnswered.load(), 2 * BurstEach, attacks.load(), biggest.load());
    std::printf("another pupil: %zu answers, median %.1f ms, 99th percentile %.1f ms, slowest %.1f ms, %d unanswered\n",
                times.size(), percentile(times, 0.5), percentile(times, 0.99), percentile(times, 1.0), unanswered);
    std::printf("  of which the classroom list: 99th percentile %.1f ms; the page: 99th percentile %.1f ms\n",
                percentile(apiTimes, 0.99), percentile(siteTimes, 0.99));
    std::printf("server peak memory (VmHWM): %.1f MB\n", static_cast<double>(peak) / 1024);
    const bool fault = unanswered > 0 || percentile(times, 1.0) >= FaultMs || biggest > largest;
    if (fault) std::printf("FAIL: another pupil went unanswered, or an answer outgrew the largest file\n");
    return fault ? 1 : 0;
}
