// Tests of the binding as the game meets it at start-up: a library that lacks a name, and no
// library at all. Each runs a small probe program as its own process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

struct ProbeRun {
    std::string output;
    int status = -1;
    double seconds = 0;
};

// Runs the probe in a fresh empty folder with the given standard input, where the search for the
// library finds only what lies beside the probe.
ProbeRun runProbe(const std::string& probe, const std::string& input) {
    const std::string command = "d=$(mktemp -d) && cd \"$d\" && " + input +
                                " | env -u LD_LIBRARY_PATH SDL_AUDIODRIVER=dummy " + probe +
                                " 2>&1; s=$?; rm -rf \"$d\"; exit $s";
    ProbeRun run;
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int raw = pclose(pipe);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

}  // namespace

TEST(SoundBinding, AMissingNameIsNamedThenTheProgramWaitsForAKeyAndEndsWithStatus1) {
    const ProbeRun run = runProbe(PROBE_MISSING, "true");  // input at its end at once: counts as a key
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.rfind("error: can't resolve FBS_Set_MasterFilter\n", 0), 0u) << run.output;
    EXPECT_EQ(run.output.find("probe went on"), std::string::npos) << "the game must not start";
}

TEST(SoundBinding, TheMissingNameMessageWaitsUntilAKeyArrives) {
    const ProbeRun run = runProbe(PROBE_MISSING, "(sleep 1; echo x)");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_GE(run.seconds, 1.0);
}

TEST(SoundBinding, NoLibraryIsReportedAndTheGameGoesOnSilent) {
    const ProbeRun run = runProbe(PROBE_NONE, "true");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.rfind("error: lib fbsound-32 not loaded !\n", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("playSound 0 t="), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("probe went on\n"), std::string::npos) << run.output;
}
