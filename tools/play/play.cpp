// tallyrally-play: runs the whole game on the headless back end, driven by a script of keys,
// waits and screenshots on a virtual clock, so that the same script always gives the same run.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "png_write.h"
#include "present/headless.h"
#include "present/keymap.h"
#include "present/platform.h"
#include "race/race.h"
#include "shell/shell.h"
#include "shell/watch.h"

namespace {

enum class Kind { Wait, Key, Hold, Shot, Quit, Solve, Miss, Await, Mark };

struct Command {
    Kind kind = Kind::Wait;
    int line = 0;
    double ms = 0;
    std::vector<std::string> keys;  // key strings for Key; one for Hold
    int scanCode = 0;               // Hold
    std::string file;               // Shot, Await, Mark
    int player = 0;                 // Solve, Miss
};

struct NamedKey {
    std::string keyString;
    int scanCode;
};

// The named keys give exactly the key strings the real keyboard gives, through the same key map.
NamedKey named(int keyCode, int scanCode) {
    std::string keyString = keyStringForKeyDown(keyCode, true);
    if (keyString.empty()) keyString = keyStringsFromText(std::string(1, static_cast<char>(keyCode))).front();
    return {keyString, scanCode};
}

const std::map<std::string, NamedKey>& namedKeys() {
    using namespace KeyCode;
    static const std::map<std::string, NamedKey> keys = [] {
        std::map<std::string, NamedKey> k = {
            {"Enter", named(Return, 0x1C)},  {"Esc", named(Escape, 0x01)},   {"Backspace", named(Backspace, 0x0E)},
            {"Space", named(' ', 0x39)},     {"Tab", named(Tab, 0x0F)},      {"Left", named(Left, 0x4B)},
            {"Right", named(Right, 0x4D)},   {"Up", named(Up, 0x48)},        {"Down", named(Down, 0x50)},
            {"Delete", named(Delete, 0x53)}, {"Home", named(Home, 0x47)},    {"End", named(End, 0x4F)},
            {"F11", named(F11, 0x57)},       {"F12", named(F12, 0x58)},
        };
        for (int i = 0; i < 10; ++i) {
            std::string name = "F";
            name += std::to_string(i + 1);
            k[name] = named(F1 + i, 0x3B + i);
        }
        return k;
    }();
    return keys;
}

// Set-1 scan codes of the printable keys of a US keyboard, for `hold` of a character.
int scanCodeOf(char c) {
    static const std::string rows[] = {"1234567890-=", "qwertyuiop[]", "asdfghjkl;'", "zxcvbnm,./"};
    static const int starts[] = {0x02, 0x10, 0x1E, 0x2C};
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (int r = 0; r < 4; ++r) {
        const auto at = rows[r].find(c);
        if (at != std::string::npos) return starts[r] + static_cast<int>(at);
    }
    if (c == '`') return 0x29;
    if (c == '\\') return 0x2B;
    if (c == '+') return 0x0D;
    if (c == '*') return 0x37;
    return 0;
}

bool parseKey(const std::string& name, NamedKey& out) {
    const auto& keys = namedKeys();
    const auto it = keys.find(name);
    if (it != keys.end()) {
        out = it->second;
        return true;
    }
    if (name.size() == 1 && static_cast<unsigned char>(name[0]) > 32 &&
        static_cast<unsigned char>(name[0]) < 127) {
        out = {name, scanCodeOf(name[0])};
        return true;
    }
    return false;
}

[[noreturn]] void badScript(const std::string& script, int line, const std::string& why) {
    std::cerr << script << ":" << line << ": " << why << "\n";
    std::exit(2);
}

bool parseMs(const std::string& text, double& ms) {
    if (text.empty()) return false;
    char* end = nullptr;
    ms = std::strtod(text.c_str(), &end);
    return *end == '\0' && ms >= 0 && ms < 1.0e9;
}

std::vector<Command> parseScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) badScript(path, 0, "cannot read the script");
    std::vector<Command> commands;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#') continue;
        std::istringstream words(text.substr(first));
        std::string verb;
        words >> verb;
        Command command;
        command.line = line;
        std::string word;
        if (verb == "wait") {
            std::string ms;
            words >> ms;
            if (!parseMs(ms, command.ms) || (words >> word)) badScript(path, line, "wait needs one number of ms");
        } else if (verb == "key") {
            command.kind = Kind::Key;
            while (words >> word) {
                NamedKey key;
                if (!parseKey(word, key)) badScript(path, line, "unknown key '" + word + "'");
                command.keys.push_back(key.keyString);
            }
            if (command.keys.empty()) badScript(path, line, "key needs at least one key name");
        } else if (verb == "type") {
            command.kind = Kind::Key;
            const auto start = text.find("type", first) + 4;
            const std::string rest = start < text.size() ? text.substr(start + 1) : std::string();
            for (char c : rest) command.keys.emplace_back(1, c);
            if (command.keys.empty()) badScript(path, line, "type needs text");
        } else if (verb == "hold") {
            command.kind = Kind::Hold;
            std::string name, ms;
            words >> name >> ms;
            NamedKey key;
            if (!parseKey(name, key)) badScript(path, line, "unknown key '" + name + "'");
            if (!parseMs(ms, command.ms) || (words >> word)) badScript(path, line, "hold needs a key and ms");
            if (key.scanCode == 0) badScript(path, line, "key '" + name + "' has no scan code to hold");
            command.keys.push_back(key.keyString);
            command.scanCode = key.scanCode;
        } else if (verb == "shot") {
            command.kind = Kind::Shot;
            words >> command.file;
            if (command.file.empty() || (words >> word)) badScript(path, line, "shot needs one file name");
        } else if (verb == "solve" || verb == "miss") {
            command.kind = verb == "solve" ? Kind::Solve : Kind::Miss;
            std::string player;
            words >> player;
            if ((player != "1" && player != "2") || (words >> word)) badScript(path, line, verb + " needs player 1 or 2");
            command.player = player[0] - '0';
        } else if (verb == "await" || verb == "mark") {
            command.kind = verb == "await" ? Kind::Await : Kind::Mark;
            words >> command.file;
            if (command.file.empty() || (words >> word)) badScript(path, line, verb + " needs one file name");
        } else if (verb == "quit") {
            command.kind = Kind::Quit;
            if (words >> word) badScript(path, line, "quit takes nothing");
        } else {
            badScript(path, line, "unknown command '" + verb + "'");
        }
        commands.push_back(command);
    }
    return commands;
}

// The keys that type number and submit it with the player's key set: the letter set laid out like a
// keypad (q w e / a s d / z x c / v) with Space, or the digits with Enter. No problem has a negative
// answer; should one ever come, only its digits can be typed, and it is judged wrong.
std::vector<std::string> answerKeys(long long number, bool letterKeys) {
    static const char letters[] = "vzxcasdqwe";  // the letter of digit 0 to 9
    std::vector<std::string> keys;
    const std::string digits = std::to_string(number < 0 ? -number : number);
    for (char digit : digits) {
        const char typed[2] = {letterKeys ? letters[digit - '0'] : digit, '\0'};
        keys.emplace_back(typed);
    }
    keys.push_back(letterKeys ? std::string(" ") : namedKeys().at("Enter").keyString);
    return keys;
}

// The script name of a key string, as a script would write it.
std::string keyName(const std::string& keyString) {
    for (const auto& [name, key] : namedKeys())
        if (key.keyString == keyString) return name;
    if (keyString == " ") return "Space";
    return keyString;
}

long long gameMs() { return std::llround(nowSeconds() * 1000.0); }

void startTrace() {
    Watchers.screenChanged = [](int screen) { std::printf("%lld screen %d\n", gameMs(), screen); };
    Watchers.soundPlayed = [](int id) { std::printf("%lld sound %d\n", gameMs(), id); };
    Watchers.playerFinished = [](int player, int place, double seconds) {
        std::printf("%lld finish %d %d %.2f\n", gameMs(), player, place, seconds);
    };
    headlessSetKeyReadHook([](const std::string& key) { std::printf("%lld key %s\n", gameMs(), keyName(key).c_str()); });
}

struct ScriptRunner {
    std::vector<Command> commands;
    std::size_t next = 0;
    // The script's own clock: the game time at which the next command applies. Each wait adds
    // exactly its length to it, not to the frame on which the command ran, so that the rounding to
    // whole frames never adds up and a script keeps its timing at any frame rate.
    double scriptTime = 0;
    bool shotPending = false;   // waiting for the next presented frame
    double shotAsked = 0;       // game time at which the pending shot was asked for
    // A screen that waits for a key (the race results) presents nothing: once no frame has come for
    // this long, the shot takes the screen as it stands, so that the keys after it can still apply.
    double stillScreenSeconds = 0.25;
    std::string shotsDir;
    std::map<int, double> releases;  // held scan code -> game time of release

    void finish() {
        releaseSoundLibrary();
        std::fflush(stdout);
        std::exit(0);
    }

    void releaseHeld(double now) {
        for (auto it = releases.begin(); it != releases.end();) {
            if (now >= it->second) {
                headlessSetKeyDown(it->first, false);
                it = releases.erase(it);
            } else {
                ++it;
            }
        }
    }

    // Applies every command that game time has reached.
    void step() {
        const double now = nowSeconds();
        releaseHeld(now);
        if (shotPending && now - shotAsked >= stillScreenSeconds) writeShot();
        while (!shotPending && next < commands.size() && now + 1e-9 >= scriptTime) {
            const Command& command = commands[next++];
            switch (command.kind) {
                case Kind::Wait:
                    scriptTime += command.ms / 1000.0;
                    break;
                case Kind::Key:
                    for (const auto& key : command.keys) headlessPushKey(key);
                    break;
                case Kind::Hold:
                    // A held key also arrives once as a key press, as on a real keyboard.
                    headlessPushKey(command.keys.front());
                    headlessSetKeyDown(command.scanCode, true);
                    releases[command.scanCode] = scriptTime + command.ms / 1000.0;
                    break;
                case Kind::Shot:
                    shotPending = true;
                    shotAsked = now;
                    break;
                case Kind::Solve:
                case Kind::Miss: {
                    // The answer comes from the game now; without a problem on screen nothing is typed.
                    bool letterKeys = false;
                    const Problem* problem = problemOnScreen(command.player, letterKeys);
                    if (problem == nullptr) break;
                    const long long answer = problem->answer + (command.kind == Kind::Miss ? 1LL : 0LL);
                    for (const auto& key : answerKeys(answer, letterKeys)) headlessPushKey(key);
                    break;
                }
                case Kind::Await:
                    awaitFile(command);
                    break;
                case Kind::Mark:
                    std::ofstream(command.file).put('\n');
                    break;
                case Kind::Quit:
                    finish();
            }
        }
        // A last wait still lets its time pass before the run ends.
        if (!shotPending && next >= commands.size() && releases.empty() && now + 1e-9 >= scriptTime) finish();
    }

    // Several runs on one folder meet through files: the game stands still, its clock too, until
    // another run has made the file. A file that never comes ends the run with status 3.
    void awaitFile(const Command& command) {
        constexpr int PatienceMs = 120000;
        for (int waited = 0; !std::filesystem::exists(command.file); waited += 5) {
            if (waited >= PatienceMs) {
                std::cerr << "line " << command.line << ": " << command.file << " never came\n";
                std::fflush(stdout);
                std::_Exit(3);
            }
            usleep(5000);
        }
    }

    void presented() {
        if (shotPending) writeShot();
    }

    void writeShot() {
        const Command& command = commands[next - 1];
        std::filesystem::path file = command.file;
        if (file.is_relative()) file = std::filesystem::path(shotsDir) / file;
        if (!writePng(file.string(), 1280, 720, headlessScreen(), headlessScreenPitch()))
            std::cerr << "line " << command.line << ": could not write " << file << "\n";
        shotPending = false;
    }
};

void usage() {
    std::cerr << "usage: tallyrally-play [--dir DIR] [--shots DIR] [--fps N] [--trace] SCRIPT\n";
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = ".", shots, script;
    double fps = 60;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--dir" || arg == "--shots" || arg == "--fps") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--dir") dir = value;
            if (arg == "--shots") shots = value;
            if (arg == "--fps") {
                char* end = nullptr;
                fps = std::strtod(value.c_str(), &end);
                if (*end != '\0' || !(fps >= 1 && fps <= 1000)) usage();
            }
        } else if (arg == "--trace") {
            trace = true;
        } else if (!arg.empty() && arg[0] != '-' && script.empty()) {
            script = arg;
        } else {
            usage();
        }
    }
    if (script.empty()) usage();

    static ScriptRunner player;
    player.commands = parseScript(script);
    std::error_code error;
    player.shotsDir = std::filesystem::absolute(shots.empty() ? dir : shots, error).string();
    if (chdir(dir.c_str()) != 0) {
        std::cerr << "cannot enter " << dir << "\n";
        return 2;
    }
    headlessSetFrameSeconds(1.0 / fps);
    player.stillScreenSeconds = std::max(0.25, 2.0 / fps);
    headlessSetPresentHook([] { player.presented(); });
    headlessSetTimeHook([] { player.step(); });
    if (trace) startTrace();
    player.step();  // commands before the first wait apply at time 0
    const int status = runGame();
    releaseSoundLibrary();
    return status;
}
