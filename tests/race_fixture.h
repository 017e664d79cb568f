// A Game prepared as the player, track and lesson menus leave it, on the headless back end, and a
// scripted pupil that answers the problem on screen: the race tests run whole races through it.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "png_write.h"
#include "present/assets.h"
#include "present/headless.h"
#include "present/image.h"
#include "present/platform.h"
#include "present/random.h"
#include "present/sprite.h"
#include "race/format.h"
#include "race/motion.h"
#include "race/race.h"
#include "shell/frame.h"
#include "shell/game.h"
#include "shell/watch.h"
#include "store/records.h"

namespace racetest {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline std::string formatTime(double value) { return formatNumber(value, "####.00"); }

// One line of a real in the saved-data files: "%.16g", a blank before a value that is not negative.
inline std::string realLine(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.16g", value);
    std::string line = text;
    if (!line.empty() && line.back() == '.') line.pop_back();
    return (value < 0 ? "" : " ") + line + "\r\n";
}

// The game's real pictures, written once per test run by the asset generator.
inline fs::path assetFolder() {
    static const fs::path folder = [] {
        const fs::path dir = fs::temp_directory_path() / ("tally-race-assets-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const std::string command = std::string(TALLY_BIN_DIR) + "/tally-assets '" + dir.string() + "' > /dev/null";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "tally-assets failed";
        return dir;
    }();
    return folder;
}

// One player's scripted answers: every `every` seconds of game time, the keys of the right (or,
// with wrong set, a wrong) answer to the problem on screen.
struct Pupil {
    int player = 1;
    double every = 0.25;
    bool wrong = false;
    double next = 0;
};

class RaceTest : public HeadlessTest {
protected:
    RaceTest() : HeadlessTest("race") {}
    void SetUp() override {
        HeadlessTest::SetUp();
        startHeadless();
        seedRandom(1);
    }

    // A fresh virtual clock and screen in the test's folder, with pictures from withPictures.
    void startHeadless(bool withPictures = false) {
        headlessReset();
        fs::current_path(withPictures ? assetFolder() : dir);
        openScreen(1280, 720, 32, 1, ScreenFullscreen);
        loadImages(game);
        fs::current_path(dir);
        setupPanel(game.mainPanel, 640, 360, 320, 180);
        setupPanel(game.sidePanel, 960, 360, 160, 180);
        FrameClock.lastTime = nowSeconds();
        pendingKey.clear();
    }

    // The menus' choices: Ann (and Ben) in classroom position 0, Add lesson 0, the shortest race.
    void choose(bool twoPlayers, int track = 0) {
        game.players.items = {{"Ann", "", 2, 3}, {"Ben", "", 5, 7}};
        game.players.count = 2;
        game.player1 = 0;
        game.player2 = 1;
        game.twoPlayers = twoPlayers ? 1 : 0;
        game.racerOfPlayer1 = 1;
        game.racerOfPlayer2 = 2;
        for (int i = 0; i < 3; ++i) game.racers[i] = Racer{"inactive", 0, 160, 32.0 * i + 32, 0, 0, 0, 0};
        game.racers[1].name = "Ann";
        if (twoPlayers) game.racers[2].name = "Ben";
        game.operation1 = game.operation2 = 0;
        game.lesson1 = game.lesson2 = 0;
        game.distance = 0;
        game.raceLength = 500;
        game.track = track;
        game.classroom = 0;
        game.screen = Race;
    }

    // Runs one race: the pupils answer, escapeAt (game seconds, < 0 never) holds Escape from then
    // on, and a Tab ends the results wait. The screen of the results is kept in results.
    void race(std::vector<Pupil> pupils, double escapeAt = -1) {
        double last = nowSeconds();
        bool resultsSeen = false;
        headlessSetTimeHook([&, pupils]() mutable {
            const double now = nowSeconds();
            const double step = now - last;
            last = now;
            if (std::abs(step - 0.05) < 1e-9) {  // only the results wait steps 50 ms
                if (!resultsSeen) {
                    results.assign(headlessScreen(), headlessScreen() + 1280 * 720);
                    if (onResults) onResults();
                }
                resultsSeen = true;
                headlessPushKey("\t");
                return;
            }
            if (escapeAt >= 0 && now >= escapeAt) headlessSetKeyDown(1, true);
            for (Pupil& pupil : pupils) {
                if (now < pupil.next) continue;
                bool letters = false;
                const Problem* problem = problemOnScreen(pupil.player, letters);
                if (problem == nullptr) continue;
                pupil.next = now + pupil.every;
                type(problem->answer + (pupil.wrong ? 1 : 0), letters);
            }
        });
        headlessSetPresentHook([this] {
            ++frame;
            if (onFrame) onFrame();
        });
        runRace(game);
        headlessSetTimeHook(nullptr);
        headlessSetPresentHook(nullptr);
        headlessSetKeyDown(1, false);
        EXPECT_TRUE(resultsSeen);
    }

    static void type(long long number, bool letters) {
        static const char keypad[] = "vzxcasdqwe";
        for (char digit : std::to_string(number < 0 ? -number : number))
            headlessPushKey(std::string(1, letters ? keypad[digit - '0'] : digit));
        headlessPushKey(letters ? " " : "\r");
    }

    // Canvas pixel (x, y) of the main panel as the screen showed it (side panel: x from 160).
    static std::uint32_t shown(const std::vector<std::uint32_t>& screen, int x, int y) {
        return screen[(4 * y + 2) * 1280 + 4 * x + 1];
    }
    static std::uint32_t shownNow(int x, int y) { return headlessScreen()[(4 * y + 2) * 1280 + 4 * x + 1]; }

    // Whether the screen shows exactly text in colour at canvas (x, y), followed by a blank cell:
    // every glyph pixel in colour and no other pixel of the cells in it.
    static bool showsText(const std::vector<std::uint32_t>& screen, int x, int y, const std::string& text,
                          std::uint32_t colour = 0xFF000000u) {
        const int width = 8 * static_cast<int>(text.size() + 1);
        auto glyphs = createImage(width, 8, 0);
        drawText(glyphs.get(), 0, 0, text, 0xFFFFFFFFu);
        for (int gy = 0; gy < 8; ++gy)
            for (int gx = 0; gx < width && x + gx < 320; ++gx) {
                const bool set = glyphs->pixels[gy * width + gx] != 0;
                const bool inColour = shown(screen, x + gx, y + gy) == colour;
                if (set != inColour) return false;
            }
        return true;
    }

    // Writes the screen as NAME.png when TALLY_RACE_SHOTS names a folder; for looking, not checking.
    static void shot(const std::string& name) {
        if (shotFolder().empty()) return;
        fs::create_directories(shotFolder());
        writePng((fs::path(shotFolder()) / (name + ".png")).string(), 1280, 720, headlessScreen(), 1280);
    }
    // The results screen as it was shown, as NAME.png.
    void shotResults(const std::string& name) const {
        if (shotFolder().empty() || results.empty()) return;
        fs::create_directories(shotFolder());
        writePng((fs::path(shotFolder()) / (name + ".png")).string(), 1280, 720, results.data(), 1280);
    }
    static std::string shotFolder() {
        const char* folder = std::getenv("TALLY_RACE_SHOTS");
        return folder ? folder : "";
    }

    Leaderboard& board() { return LeaderboardTable.boards[0][0][0]; }
    static fs::path boardFile() { return "classrooms/room1/leaderboards/category1/lesson1/distance1"; }

    Game game;
    std::vector<std::uint32_t> results;
    long long frame = 0;
    std::function<void()> onFrame;  // called at every presented frame
    std::function<void()> onResults;  // called once the results screen waits for its key
};

}  // namespace racetest
