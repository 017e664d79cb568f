// A test fixture for the saved data: each test runs in a fresh temporary working directory, with an
// empty table of boards and no save trouble left from an earlier test.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "store/records.h"
#include "store/store.h"

class FreshFolder : public ::testing::Test {
protected:
    std::filesystem::path previous;
    std::filesystem::path dir;

    void SetUp() override {
        namespace fs = std::filesystem;
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tally-store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::current_path(dir);
        LeaderboardTable = LeaderboardTableData{};
        (void)takeSaveTrouble();
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};
