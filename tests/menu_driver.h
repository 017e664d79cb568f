// A fixture for driving a menu routine over the headless back end with one scripted key per frame,
// taking the canvas back from the screen and comparing it with a picture the test draws itself.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "present/key_strings.h"
#include "accounts/accounts.h"
#include "accounts/menu_list.h"
#include "present/headless.h"
#include "present/image.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/game.h"
#include "shell/notice.h"
#include "shell/watch.h"
#include "store/records.h"

namespace menutest {

namespace fs = std::filesystem;

constexpr std::uint32_t Paper = 0xFFFFFFFFu;
constexpr std::uint32_t Ink = 0xFF000000u;

// Key strings as readKey gives them, under the short names the scripts use.
inline const std::string& Enter = EnterKey;
inline const std::string& Esc = EscKey;
inline const std::string& Backspace = BackspaceKey;
inline const std::string& Left = LeftKey;
inline const std::string& Right = RightKey;
inline const std::string& Up = UpKey;
inline const std::string& Down = DownKey;
inline const std::string& Delete = DeleteKey;
// Keys the text field refuses (F1 opens the help card of the screen around it).
const std::string Tab = "\t";
const std::string F1 = "\xFF;";
// Script entries that are not keys: a frame without a key, and a frame without a key that is kept
// as a screenshot (it shows everything the keys before it did).
const std::string Idle;
const std::string Shot = std::string("\0shot", 5);
const std::string Capture = std::string("\0capture", 8);

struct ScriptRanOut {};

class MenuTest : public HeadlessTest {
protected:
    MenuTest() : HeadlessTest("menu") {}
    void SetUp() override {
        HeadlessTest::SetUp();
        cursorPos = 1;
        forgetAcceptedPlayers();
        game = std::make_unique<Game>();
        setupPanel(game->mainPanel, 640, 360, 320, 180);
        setupPanel(game->sidePanel, 960, 360, 160, 180);
        game->back2Image = createImage(320, 180, Paper);
        Watchers.soundPlayed = [this](int id) { sounds.push_back(id); };
        headlessSetPresentHook([this] { step(); });
    }
    void TearDown() override {
        HeadlessTest::TearDown();
    }

    // Queues the script: each key is read by one frame, in order; Idle is a frame without a key and
    // Shot a frame without a key that is kept. The first entry applies to the menu's first frame.
    void script(const std::vector<std::string>& entries) {
        steps.clear();
        for (const std::string& entry : entries) {
            if (entry == Shot) {
                steps.push_back(Idle);
                steps.push_back(Capture);
            } else {
                steps.push_back(entry);
            }
        }
        overrun = 0;
        step();
    }
    // Each letter of text as its own key.
    static std::vector<std::string> typed(const std::string& text) {
        std::vector<std::string> keys;
        for (char c : text) keys.emplace_back(1, c);
        return keys;
    }
    static std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    void step() {
        while (!steps.empty()) {
            const std::string entry = steps.front();
            steps.pop_front();
            if (entry == Capture) {
                shots.push_back(canvasOnScreen());
                continue;
            }
            if (!entry.empty()) headlessPushKey(entry);
            return;
        }
        // A menu that should have returned by now would otherwise run for ever.
        if (++overrun > 4) throw ScriptRanOut();
    }

    // The canvas as the screen shows it: canvas pixel (x, y) covers screen pixel (4x + 1, 4y + 2).
    static ImageHandle canvasOnScreen() {
        ImageHandle image = createImage(320, 180, 0);
        const std::uint32_t* screen = headlessScreen();
        const int pitch = headlessScreenPitch();
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 320; ++x) image->pixels[y * 320 + x] = screen[(4 * y + 2) * pitch + 4 * x + 1];
        return image;
    }

    // A picture for the test to draw what it expects on: the menus' paper.
    static ImageHandle paper() { return createImage(320, 180, Paper); }

    // Draws on expected the notice line showing text, as a menu shows a refusal.
    static void noticed(Image* expected, const std::string& text) {
        Game scratch;
        showNotice(scratch, text, 60);
        drawNotice(scratch, expected);
    }

    // Whether two canvases are equal, naming the first pixel that differs.
    static ::testing::AssertionResult same(const Image& expected, const Image& actual) {
        int differing = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 320; ++x)
                if (expected.pixels[y * 320 + x] != actual.pixels[y * 320 + x]) {
                    if (differing++ == 0) firstX = x, firstY = y;
                }
        if (differing == 0) return ::testing::AssertionSuccess();
        std::ostringstream why;
        why << differing << " pixels differ, the first at (" << firstX << ", " << firstY << "): expected " << std::hex
            << expected.pixels[firstY * 320 + firstX] << ", shown " << actual.pixels[firstY * 320 + firstX];
        return ::testing::AssertionFailure() << why.str();
    }

    static std::string fileText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }
    static void writeFile(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::unique_ptr<Game> game;
    std::deque<std::string> steps;
    int overrun = 0;
    std::vector<ImageHandle> shots;
    std::vector<int> sounds;
};

}  // namespace menutest
