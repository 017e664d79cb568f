// A bare HTTP/1.1 exchange over a socket from a chosen loopback address, for the tests that send
// what no well-behaved client library sends: hostile headers, trickled bytes, many connections.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

// A connection to 127.0.0.1:port from source (a 127.x.y.z address), or -1.
inline int connectFrom(const std::string& source, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

struct RawAnswer {
    int status = -1;          // -1: no answer
    std::string head;         // the status line and header fields
    std::size_t bodyBytes = 0;
    double ms = 0;            // from the first byte sent to the last byte read
};

// Reads one answer on fd, waiting at most timeoutMs in all; the body is counted, not kept.
inline RawAnswer readAnswer(int fd, int timeoutMs, std::chrono::steady_clock::time_point start) {
    RawAnswer a;
    std::string data;
    std::size_t want = std::string::npos;
    char buffer[65536];
    for (;;) {
        const int left = timeoutMs - static_cast<int>(std::chrono::duration<double, std::milli>(
                                                          std::chrono::steady_clock::now() - start).count());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0) break;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        if (a.head.empty()) {
            data.append(buffer, static_cast<std::size_t>(n));
            const std::size_t end = data.find("\r\n\r\n");
            if (end == std::string::npos) continue;
            a.head = data.substr(0, end);
            a.status = std::atoi(a.head.c_str() + 9);
            a.bodyBytes = data.size() - end - 4;
            const std::size_t length = a.head.find("Content-Length: ");
            if (length != std::string::npos) want = std::strtoull(a.head.c_str() + length + 16, nullptr, 10);
        } else {
            a.bodyBytes += static_cast<std::size_t>(n);
        }
        if (want != std::string::npos && a.bodyBytes >= want) break;
    }
    a.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return a;
}

// Sends request on a new connection from source and reads the answer.
inline RawAnswer exchange(const std::string& source, int port, const std::string& request, int timeoutMs = 3000) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = connectFrom(source, port);
    if (fd < 0) return {};
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    RawAnswer a = readAnswer(fd, timeoutMs, start);
    close(fd);
    return a;
}
