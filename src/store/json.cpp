// The small JSON's reader and writer: strict, bounded, and texts as the game's bytes.
#include "store/json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "store/number_text.h"

namespace {

struct Reader {
    const std::string& s;
    std::size_t at = 0;
    std::size_t values = 0;
};

void skipSpace(Reader& r) {
    while (r.at < r.s.size()) {
        const char c = r.s[r.at];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
        ++r.at;
    }
}

bool take(Reader& r, char c) {
    if (r.at < r.s.size() && r.s[r.at] == c) {
        ++r.at;
        return true;
    }
    return false;
}

bool takeWord(Reader& r, const char* word) {
    const std::size_t n = std::strlen(word);
    if (r.s.compare(r.at, n, word) != 0) return false;
    r.at += n;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One UTF-8 character of at most two bytes, since only U+0000..U+00FF are texts of the game.
bool readUtf8(Reader& r, unsigned& code) {
    const auto lead = static_cast<unsigned char>(r.s[r.at]);
    if (lead < 0x80) {
        code = lead;
        ++r.at;
        return true;
    }
    if (lead != 0xC2 && lead != 0xC3) return false;  // anything else is above U+00FF or invalid
    if (r.at + 1 >= r.s.size()) return false;
    const auto next = static_cast<unsigned char>(r.s[r.at + 1]);
    if ((next & 0xC0) != 0x80) return false;
    code = ((lead & 0x1Fu) << 6) | (next & 0x3Fu);
    r.at += 2;
    return true;
}

bool readString(Reader& r, std::string& out) {
    if (!take(r, '"')) return false;
    out.clear();
    while (r.at < r.s.size()) {
        const char c = r.s[r.at];
        if (c == '"') {
            ++r.at;
            return true;
        }
        if (static_cast<unsigned char>(c) < 0x20) return false;
        unsigned code = 0;
        if (c == '\\') {
            if (r.at + 1 >= r.s.size()) return false;
            const char e = r.s[r.at + 1];
            r.at += 2;
            switch (e) {
                case '"': code = '"'; break;
                case '\\': code = '\\'; break;
                case '/': code = '/'; break;
                case 'b': code = '\b'; break;
                case 'f': code = '\f'; break;
                case 'n': code = '\n'; break;
                case 'r': code = '\r'; break;
                case 't': code = '\t'; break;
                case 'u': {
                    if (r.at + 4 > r.s.size()) return false;
                    for (int i = 0; i < 4; ++i) {
                        const int d = hexDigit(r.s[r.at + static_cast<std::size_t>(i)]);
                        if (d < 0) return false;
                        code = code * 16 + static_cast<unsigned>(d);
                    }
                    r.at += 4;
                    break;
                }
                default: return false;
            }
        } else if (!readUtf8(r, code)) {
            return false;
        }
        if (code > 0xFF || out.size() >= JsonMaxTextBytes) return false;
        out.push_back(static_cast<char>(code));
    }
    return false;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool readNumber(Reader& r, double& number) {
    const std::size_t start = r.at;
    take(r, '-');
    if (take(r, '0')) {
    } else if (r.at < r.s.size() && isDigit(r.s[r.at]) ) {
        while (r.at < r.s.size() && isDigit(r.s[r.at])) ++r.at;
    } else {
        return false;
    }
    if (take(r, '.')) {
        if (r.at >= r.s.size() || !isDigit(r.s[r.at])) return false;
        while (r.at < r.s.size() && isDigit(r.s[r.at])) ++r.at;
    }
    if (take(r, 'e') || take(r, 'E')) {
        if (!take(r, '+')) take(r, '-');
        if (r.at >= r.s.size() || !isDigit(r.s[r.at])) return false;
        while (r.at < r.s.size() && isDigit(r.s[r.at])) ++r.at;
    }
    if (r.at - start > 64) return false;
    const std::string token = r.s.substr(start, r.at - start);
    const NumberRead read = ::readNumber(token.data(), token.data() + token.size(), number);
    return read.error == std::errc() && std::isfinite(number);
}

bool readValue(Reader& r, JsonValue& v, int depth) {
    if (depth > JsonMaxDepth || ++r.values > JsonMaxValues) return false;
    skipSpace(r);
    if (r.at >= r.s.size()) return false;
    const char c = r.s[r.at];
    if (c == '{') {
        ++r.at;
        v.kind = JsonValue::Kind::Object;
        skipSpace(r);
        if (take(r, '}')) return true;
        for (;;) {
            skipSpace(r);
            std::string key;
            if (!readString(r, key)) return false;
            for (const std::string& k : v.keys)
                if (k == key) return false;
            skipSpace(r);
            if (!take(r, ':')) return false;
            v.keys.push_back(std::move(key));
            v.items.emplace_back();
            if (!readValue(r, v.items.back(), depth + 1)) return false;
            skipSpace(r);
            if (take(r, '}')) return true;
            if (!take(r, ',')) return false;
        }
    }
    if (c == '[') {
        ++r.at;
        v.kind = JsonValue::Kind::Array;
        skipSpace(r);
        if (take(r, ']')) return true;
        for (;;) {
            v.items.emplace_back();
            if (!readValue(r, v.items.back(), depth + 1)) return false;
            skipSpace(r);
            if (take(r, ']')) return true;
            if (!take(r, ',')) return false;
        }
    }
    if (c == '"') {
        v.kind = JsonValue::Kind::String;
        return readString(r, v.text);
    }
    if (takeWord(r, "true")) {
        v.kind = JsonValue::Kind::Bool;
        v.flag = true;
        return true;
    }
    if (takeWord(r, "false")) {
        v.kind = JsonValue::Kind::Bool;
        return true;
    }
    if (takeWord(r, "null")) return true;
    v.kind = JsonValue::Kind::Number;
    return readNumber(r, v.number);
}

}  // namespace

bool parseJson(const std::string& source, JsonValue& value) {
    value = JsonValue{};
    Reader r{source};
    if (!readValue(r, value, 1)) return false;
    skipSpace(r);
    return r.at == source.size();
}

const JsonValue* jsonMember(const JsonValue& value, const char* key) {
    if (value.kind != JsonValue::Kind::Object) return nullptr;
    for (std::size_t i = 0; i < value.keys.size(); ++i)
        if (value.keys[i] == key) return &value.items[i];
    return nullptr;
}

void writeJsonText(std::string& out, const std::string& bytes) {
    out.push_back('"');
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c >= 0x7F || c == '<' || c == '>' || c == '&') {
            // Angle brackets and ampersands escaped too, so an answer is never taken for markup.
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
}

void writeJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) value = 0;
    // The shortest of the usual lengths that reads back as the same double (a race's answers are
    // most of an answer), with the number texts that the browser's library can make too.
    std::string text = generalNumberText(value, 15);
    double back = 0;
    readNumber(text.data(), text.data() + text.size(), back);
    if (back != value) text = generalNumberText(value, 17);
    out += text;
}

void writeJsonInt(std::string& out, long long value) { out += std::to_string(value); }

void writeJsonRecord(std::string& out, const RaceRecord& r) {
    out += "{\"name\":";
    writeJsonText(out, r.name);
    out += ",\"car\":";
    writeJsonInt(out, r.car);
    out += ",\"time\":";
    writeJsonNumber(out, r.time);
    out += ",\"topSpeed\":";
    writeJsonNumber(out, r.topSpeed);
    out += ",\"averageSpeed\":";
    writeJsonNumber(out, r.averageSpeed);
    out += ",\"samples\":[";
    for (std::size_t i = 0; i < r.samples.size(); ++i) {
        if (i > 0) out += ",";
        out += "[";
        writeJsonNumber(out, r.samples[i].first);
        out += ",";
        writeJsonNumber(out, r.samples[i].second);
        out += "]";
    }
    out += "]}";
}
