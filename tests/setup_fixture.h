// A prepared Game on the headless screen for the track and lesson menu tests: no picture files,
// so the backgrounds stay magenta and the arrows and cars show as black squares.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "present/key_strings.h"
#include "lessons/catalogue.h"
#include "present/assets.h"
#include "present/headless.h"
#include "present/image.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/game.h"
#include "shell/watch.h"
#include "store/store.h"

namespace setup_test {

namespace fs = std::filesystem;

// Key strings as readKey gives them, under the short names the scripts use.
inline const std::string& Enter = EnterKey;
inline const std::string& Esc = EscKey;
inline const std::string& Right = RightKey;
inline const std::string& Left = LeftKey;
inline const std::string& Up = UpKey;
inline const std::string& Down = DownKey;

constexpr std::uint32_t Black = 0xFF000000u;
constexpr std::uint32_t Magenta = 0xFFFF00FFu;
constexpr std::uint32_t Green = 0xFF00A000u;
constexpr std::uint32_t Red = 0xFFC80000u;

// The canvas pixel (x, y) as it reached the screen in the last presented frame.
inline std::uint32_t canvasPixel(int x, int y) {
    return headlessScreen()[(4 * y + 2) * headlessScreenPitch() + 4 * x + 1];
}

// Whether the last frame shows exactly text in black at (x, y) on the magenta background.
inline bool textShown(int x, int y, const std::string& text) {
    const int width = 8 * static_cast<int>(text.size());
    ImageHandle reference = createImage(width, 8, Magenta);
    drawText(reference.get(), 0, 0, text, Black);
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < width; ++u)
            if (canvasPixel(x + u, y + v) != reference->pixels[v * width + u]) return false;
    return true;
}

// Whether the last frame shows nothing but background in the canvas rectangle.
inline bool blank(int x, int y, int width, int height) {
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u)
            if (canvasPixel(x + u, y + v) != Magenta) return false;
    return true;
}

class SetupScreenTest : public HeadlessTest {
protected:
    SetupScreenTest() : HeadlessTest("setup") {}
    void SetUp() override {
        HeadlessTest::SetUp();
        fillLessonCatalogue();
        sounds.clear();
        Watchers.soundPlayed = [this](int id) { sounds.push_back(id); };
    }
    void TearDown() override { HeadlessTest::TearDown(); }

    // Loads the pictures of the working directory (none unless a test writes them) and sets up
    // the panels as the splash does. Without picture files each car is a black 8 x 8 square in the
    // middle of a see-through picture, so that it covers no text near it.
    void prepare() {
        loadImages(game);
        if (!fs::exists("cars/car1.bmp")) {
            for (auto& car : game.carImages) {
                car = createImage(32, 32, Magenta);
                fillBox(car.get(), 12, 12, 19, 19, Black);
            }
        }
        setupPanel(game.mainPanel, 640, 360, 320, 180);
        setupPanel(game.sidePanel, 960, 360, 160, 180);
    }

    void setPlayers(const std::vector<std::string>& names) {
        game.players.items.clear();
        for (const auto& n : names) game.players.items.push_back(Player{n, "", 0, 0});
        game.players.count = static_cast<int>(names.size());
    }

    // Stores a race of name with time on the board of operation, lesson and distance.
    static void addRace(const std::string& name, double time, int operation, int lesson, int distance) {
        Leaderboard& board = LeaderboardTable.boards[operation][lesson][distance];
        RaceRecord record;
        record.name = name;
        record.time = time;
        board.records.push_back(record);
        board.count = static_cast<int>(board.records.size());
    }

    static void press(const std::vector<std::string>& keys) {
        for (const auto& k : keys) headlessPushKey(k);
    }

    int soundCount(int id) const {
        int n = 0;
        for (int s : sounds) n += s == id;
        return n;
    }

    // The player file of the current classroom as a new load reads it.
    PlayerList savedPlayers() const {
        PlayerList list;
        loadPlayers(list, game.classroom);
        return list;
    }

    Game game;
    std::vector<int> sounds;
};

}  // namespace setup_test
