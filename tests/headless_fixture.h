// The common ground of the tests that run screens on the headless back end: each test in a fresh
// folder of its own, on a freshly opened headless screen, with empty boards and no watchers.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "present/headless.h"
#include "present/platform.h"
#include "shell/frame.h"
#include "shell/watch.h"
#include "store/records.h"

class HeadlessTest : public ::testing::Test {
protected:
    // Folders are named after the suite's kind and the test, so parallel test programs never meet.
    explicit HeadlessTest(const char* folderKind) : kind(folderKind) {}

    void SetUp() override {
        namespace fs = std::filesystem;
        old = fs::current_path();
        dir = fs::temp_directory_path() / ("tally-" + std::string(kind) + "-" + std::to_string(::getpid()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        headlessReset();
        openScreen(1280, 720, 32, 1, ScreenFullscreen);
        FrameClock.lastTime = nowSeconds();
        pendingKey.clear();
        LeaderboardTable = LeaderboardTableData{};
    }
    void TearDown() override {
        Watchers = GameWatchers{};
        headlessReset();
        LeaderboardTable = LeaderboardTableData{};
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }

    const char* kind;
    std::filesystem::path old, dir;
};
