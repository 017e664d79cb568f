// Starting the built classroom server on 127.0.0.1 on a free port, for the tests that talk to it.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

// A server process on its own folder; stopped (SIGTERM, then waited for) when it goes.
struct ServerProcess {
    pid_t pid = -1;
    int port = 0;

    // Starts program with args and waits for its line "Pupils open http://ADDR:PORT/". False when
    // it did not start.
    bool start(const std::string& program, const std::vector<std::string>& args) {
        int out[2];
        if (pipe(out) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        FILE* lines = fdopen(out[0], "r");
        char line[512];
        while (lines != nullptr && std::fgets(line, sizeof line, lines) != nullptr) {
            const std::string text = line;
            const std::size_t at = text.find("Pupils open http://");
            if (at == std::string::npos) continue;
            const std::size_t colon = text.rfind(':');
            port = std::stoi(text.substr(colon + 1));
            break;
        }
        // The pipe stays open in the child; its later output is not read (it prints nothing more).
        return port > 0;
    }

    ~ServerProcess() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
};
