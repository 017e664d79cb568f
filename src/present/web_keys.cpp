// The browser's keyboard events as the game's key strings and held-key usages.
#include "present/web_keys.h"

#include <array>
#include <utility>

#include "present/keymap.h"

namespace {

// KeyboardEvent.code values and their USB HID usage ids.
constexpr std::array<std::pair<std::string_view, int>, 66> NamedCodes{{
    {"Enter", 40},        {"Escape", 41},       {"Backspace", 42},     {"Tab", 43},
    {"Space", 44},        {"Minus", 45},        {"Equal", 46},         {"BracketLeft", 47},
    {"BracketRight", 48}, {"Backslash", 49},    {"Semicolon", 51},     {"Quote", 52},
    {"Backquote", 53},    {"Comma", 54},        {"Period", 55},        {"Slash", 56},
    {"CapsLock", 57},     {"PrintScreen", 70},  {"ScrollLock", 71},    {"Pause", 72},
    {"Insert", 73},       {"Home", 74},         {"PageUp", 75},        {"Delete", 76},
    {"End", 77},          {"PageDown", 78},     {"ArrowRight", 79},    {"ArrowLeft", 80},
    {"ArrowDown", 81},    {"ArrowUp", 82},      {"NumLock", 83},       {"NumpadDivide", 84},
    {"NumpadMultiply", 85}, {"NumpadSubtract", 86}, {"NumpadAdd", 87}, {"NumpadEnter", 88},
    {"Numpad1", 89},      {"Numpad2", 90},      {"Numpad3", 91},       {"Numpad4", 92},
    {"Numpad5", 93},      {"Numpad6", 94},      {"Numpad7", 95},       {"Numpad8", 96},
    {"Numpad9", 97},      {"Numpad0", 98},      {"NumpadDecimal", 99}, {"IntlBackslash", 100},
    {"ContextMenu", 101}, {"ControlLeft", 224}, {"ShiftLeft", 225},    {"AltLeft", 226},
    {"MetaLeft", 227},    {"ControlRight", 228}, {"ShiftRight", 229},  {"AltRight", 230},
    {"MetaRight", 231},   {"OSLeft", 227},      {"OSRight", 231},      {"Digit0", 39},
    {"F10", 67},          {"F11", 68},          {"F12", 69},           {"NumpadComma", 133},
    {"IntlRo", 135},      {"IntlYen", 137},
}};

// The key map's code for a key without a character, by its code or key name; 0 for the others.
int keyCodeForName(std::string_view name) {
    using namespace KeyCode;
    if (name == "Enter") return Return;
    if (name == "Escape") return Escape;
    if (name == "Backspace") return Backspace;
    if (name == "Tab") return Tab;
    if (name == "Delete") return Delete;
    const int usage = usageForDomCode(name);
    const bool named = (usage >= 58 && usage <= 69) || (usage >= 73 && usage <= 82 && usage != 76) ||
                       (usage >= 84 && usage <= 99);
    return named ? fromUsage(usage) : 0;
}

// Whether text is exactly one character of UTF-8.
bool isOneCharacter(std::string_view text) {
    if (text.empty()) return false;
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
    return text.size() == length;
}

}  // namespace

int usageForDomCode(std::string_view code) {
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') return 4 + code[3] - 'A';
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '1' && code[5] <= '9') return 30 + code[5] - '1';
    if (code.size() == 2 && code[0] == 'F' && code[1] >= '1' && code[1] <= '9') return 58 + code[1] - '1';
    for (const auto& [name, usage] : NamedCodes) {
        if (name == code) return usage;
    }
    return 0;
}

std::vector<std::string> keyStringsForDomKeyDown(std::string_view code, std::string_view key, bool repeat,
                                                 bool command) {
    int keyCode = keyCodeForName(code);
    if (keyCode == 0 && usageForDomCode(code) == 0) keyCode = keyCodeForName(key);
    if (!queuesKeyDown(keyCode, repeat)) return {};
    const bool types = !command && isOneCharacter(key);
    std::vector<std::string> keys;
    std::string pressed = keyStringForKeyDown(keyCode, types);
    if (!pressed.empty()) keys.push_back(std::move(pressed));
    if (types) {
        for (std::string& typed : keyStringsFromText(key)) keys.push_back(std::move(typed));
    }
    return keys;
}
