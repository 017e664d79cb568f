// The one-line text field of the menus: applies the key of the current frame to a text.
#include "accounts/accounts.h"
#include "present/key_strings.h"
#include "shell/frame.h"

int cursorPos = 1;

namespace {

// A key that types one character the font can show. Byte 255 is left out: it only ever starts a
// two-byte key string, and 127 and the bytes below 32 are control keys, not characters.
bool typesCharacter(const std::string& key) {
    if (key.size() != 1) return false;
    const auto c = static_cast<unsigned char>(key[0]);
    return (c >= 32 && c <= 126) || (c >= 128 && c <= 254);
}

// The characters of text from 1-based position from on, at most count of them; empty beyond the end.
std::string mid(const std::string& text, int from, int count) {
    if (from < 1 || count <= 0 || static_cast<std::size_t>(from) > text.size()) return {};
    return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
}

std::string midToEnd(const std::string& text, int from) {
    return mid(text, from, static_cast<int>(text.size()));
}

}  // namespace

int editText(std::string& text, int maxLen) {
    if (pendingKey.empty()) {
        // nothing typed this frame
    } else if (pendingKey == LeftKey) {
        if (cursorPos > 1) {
            --cursorPos;
            pendingKey.clear();
        }
    } else if (pendingKey == RightKey) {
        ++cursorPos;
        pendingKey.clear();
    } else if (pendingKey == EnterKey) {
        pendingKey.clear();
        cursorPos = 1;
        return 1;
    } else if (pendingKey == BackspaceKey) {
        if (cursorPos > 1) {
            text = mid(text, 1, cursorPos - 2) + midToEnd(text, cursorPos);
            pendingKey.clear();
            --cursorPos;
        }
    } else if (typesCharacter(pendingKey) && static_cast<int>(text.size()) < maxLen) {
        text = mid(text, 1, cursorPos - 1) + pendingKey + midToEnd(text, cursorPos);
        pendingKey.clear();
        ++cursorPos;
    }
    // A cursor left beyond the end by another field, or moved past it, stands at the end.
    const int end = static_cast<int>(text.size()) + 1;
    if (cursorPos > end) cursorPos = end;
    return 0;
}
