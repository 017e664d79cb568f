// The wire format of the classroom server: bounded parsing on Debian's JSON library, texts turned
// between code page 437 and UTF-8, and the checked readers and writers of what travels.
#include "store/protocol.h"

#include <cmath>
#include <cstdint>
#include <set>

#include "present/keymap.h"
#include "store/cp437.h"

namespace {

// Thrown by the parse's callback to stop a document beyond the bounds at once.
struct BeyondBounds {};

std::string quoted(const char* key) { return std::string("\"") + key + "\""; }

// The code points of valid UTF-8, or false.
bool decodeUtf8(const std::string& utf8, std::vector<char32_t>& out) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        int length = 0;
        char32_t code = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            length = 1, code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1Fu, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0Fu, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07u, smallest = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(length) > utf8.size()) return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        out.push_back(code);
        i += static_cast<std::size_t>(length);
    }
    return true;
}

double positiveZero(double x) { return x == 0 ? 0.0 : x; }

}  // namespace

bool parseWire(const std::string& body, Json& out) {
    std::size_t values = 0;
    std::vector<std::set<std::string>> keys;  // the keys of each open object
    const Json::parser_callback_t limits = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if (depth >= JsonMaxDepth || ++values > JsonMaxValues) throw BeyondBounds{};
        switch (event) {
            case Json::parse_event_t::object_start: keys.emplace_back(); break;
            case Json::parse_event_t::object_end:
                if (!keys.empty()) keys.pop_back();
                break;
            case Json::parse_event_t::key: {
                const std::string& key = parsed.get_ref<const std::string&>();
                if (key.size() > JsonMaxTextBytes || keys.empty() || !keys.back().insert(key).second)
                    throw BeyondBounds{};
                break;
            }
            case Json::parse_event_t::value:
                if (parsed.is_string() && parsed.get_ref<const std::string&>().size() > JsonMaxTextBytes)
                    throw BeyondBounds{};
                if (parsed.is_number_float() && !std::isfinite(parsed.get<double>())) throw BeyondBounds{};
                break;
            default: break;
        }
        return true;
    };
    try {
        out = Json::parse(body, limits, false);
    } catch (const BeyondBounds&) {
        return false;
    } catch (const Json::exception&) {
        return false;
    }
    return !out.is_discarded();
}

std::string wireText(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string toWire(const std::string& bytes) { return cp437ToUtf8(bytes); }

bool fromWire(const std::string& utf8, std::string& bytes) {
    std::vector<char32_t> codes;
    if (!decodeUtf8(utf8, codes)) return false;
    bytes.clear();
    for (const char32_t code : codes) {
        const int byte = cp437FromUnicode(code);
        if (byte < 0) return false;
        bytes.push_back(static_cast<char>(byte));
    }
    return true;
}

bool isTypedText(const std::string& bytes, std::size_t limit, bool mayBeEmpty) {
    if (bytes.size() > limit || (bytes.empty() && !mayBeEmpty)) return false;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127 || c == 255) return false;
    }
    return true;
}

bool WireReader::bad(const std::string& words) {
    why = words;
    return false;
}

bool WireReader::integer(const Json& parent, const char* key, int low, int high, int& out) {
    const auto v = parent.find(key);
    if (v == parent.end() || !v->is_number()) return bad(quoted(key) + " must be a number");
    const double number = v->get<double>();
    if (number != std::floor(number) || number < low || number > high)
        return bad(quoted(key) + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    out = static_cast<int>(number);
    return true;
}

bool WireReader::real(const Json& parent, const char* key, double low, double high, double& out) {
    const auto v = parent.find(key);
    if (v == parent.end() || !v->is_number()) return bad(quoted(key) + " must be a number");
    const double number = v->get<double>();
    if (!(number >= low && number <= high)) return bad(quoted(key) + " must be a number in bounds");
    out = positiveZero(number);
    return true;
}

bool WireReader::text(const Json& parent, const char* key, std::size_t limit, bool mayBeEmpty, std::string& out) {
    out.clear();
    const auto v = parent.find(key);
    if (v == parent.end() && mayBeEmpty) return true;
    if (trusting && v != parent.end() && v->is_string()) {
        std::vector<char32_t> codes;
        if (!decodeUtf8(v->get_ref<const std::string&>(), codes)) return bad(quoted(key) + " is not UTF-8");
        for (const char32_t code : codes) {
            const int byte = cp437FromUnicode(code);
            out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        }
        return true;
    }
    if (v == parent.end() || !v->is_string() || !fromWire(v->get_ref<const std::string&>(), out) ||
        !isTypedText(out, limit, mayBeEmpty))
        return bad(quoted(key) + " must be a text of at most " + std::to_string(limit) +
                   " characters the keyboard can type");
    return true;
}

Json addressJson(const Address& address) {
    Json a = {{"position", address.position}, {"name", toWire(address.name)}};
    if (!address.password.empty()) a["password"] = toWire(address.password);
    if (!address.token.empty()) a["token"] = address.token;
    return a;
}

bool readAddress(WireReader& r, const Json& parent, const char* key, std::size_t passwordLimit, Address& out) {
    const auto v = parent.find(key);
    if (v == parent.end() || !v->is_object()) return r.bad(quoted(key) + " must be an object");
    if (!r.integer(*v, "position", 0, PositionLimit, out.position) ||
        !r.text(*v, "name", AddressNameLimit, false, out.name) ||
        !r.text(*v, "password", passwordLimit, true, out.password))
        return false;
    out.token.clear();
    const auto token = v->find("token");
    if (token == v->end()) return true;
    if (!token->is_string() || token->get_ref<const std::string&>().size() > TokenLimit)
        return r.bad("\"token\" must be the text pupil/check gave");
    out.token = token->get<std::string>();
    return true;
}

Json recordJson(const RaceRecord& record, bool withSamples) {
    Json r = {{"name", toWire(record.name)},
              {"car", record.car},
              {"time", record.time},
              {"topSpeed", record.topSpeed},
              {"averageSpeed", record.averageSpeed}};
    if (withSamples) {
        Json samples = Json::array();
        for (const Sample& s : record.samples) samples.push_back(Json::array({s.first, s.second}));
        r["samples"] = std::move(samples);
    }
    return r;
}

bool readRecord(WireReader& r, const Json& value, RaceRecord& out) {
    out = RaceRecord{};
    if (!value.is_object()) return r.bad("a record must be an object");
    if (!r.text(value, "name", AddressNameLimit, false, out.name) || !r.integer(value, "car", 0, CarLimit, out.car) ||
        !r.real(value, "time", 0, RaceSecondsLimit, out.time) ||
        !r.real(value, "topSpeed", 0, SpeedLimit, out.topSpeed) ||
        !r.real(value, "averageSpeed", 0, SpeedLimit, out.averageSpeed))
        return false;
    const auto samples = value.find("samples");
    if (samples == value.end()) return true;  // a record no ghost replays comes without them
    if (!samples->is_array() || samples->size() > static_cast<std::size_t>(SamplesPerRecord))
        return r.bad("\"samples\" must be a list of at most " + std::to_string(SamplesPerRecord) + " answers");
    out.samples.reserve(samples->size());
    for (const Json& s : *samples) {
        // [seconds since the start, 1 for a right answer or -0.5 for a wrong one]
        if (!s.is_array() || s.size() != 2 || !s[0].is_number() || !s[1].is_number())
            return r.bad("an answer must be [seconds, 1 or -0.5]");
        const double seconds = s[0].get<double>();
        const double value1 = s[1].get<double>();
        if (!(seconds >= 0 && seconds <= RaceSecondsLimit) || (value1 != 1 && value1 != -0.5))
            return r.bad("an answer must be [seconds, 1 or -0.5]");
        out.samples.push_back({positiveZero(seconds), value1});
    }
    out.sampleCount = static_cast<int>(out.samples.size());
    return true;
}

Json classroomsJson(const ClassroomList& list) {
    Json items = Json::array();
    for (int i = 0; i < list.count; ++i) {
        const Classroom& c = list.items[static_cast<std::size_t>(i)];
        items.push_back({{"position", i}, {"name", toWire(c.name)}, {"hasPassword", !c.password.empty()}});
    }
    return items;
}

namespace {

bool hasPasswordOf(const Json& item) {
    const auto v = item.find("hasPassword");
    return v != item.end() && v->is_boolean() && v->get<bool>();
}

}  // namespace

bool readClassrooms(WireReader& r, const Json& items, ClassroomList& list) {
    if (!items.is_array()) return r.bad("\"classrooms\" must be a list");
    ClassroomList read;
    for (const Json& item : items) {
        Classroom c;
        if (!item.is_object() || !r.text(item, "name", AddressNameLimit, false, c.name)) return false;
        c.hasPassword = hasPasswordOf(item);
        read.items.push_back(std::move(c));
    }
    read.count = static_cast<int>(read.items.size());
    read.base = read.items;
    list = std::move(read);
    return true;
}

Json pupilsJson(const PlayerList& list) {
    Json items = Json::array();
    for (int i = 0; i < list.count; ++i) {
        const Player& p = list.items[static_cast<std::size_t>(i)];
        items.push_back({{"position", i},
                         {"name", toWire(p.name)},
                         {"hasPassword", !p.password.empty()},
                         {"car", p.car},
                         {"driver", p.driver}});
    }
    return items;
}

bool readPupils(WireReader& r, const Json& items, PlayerList& list) {
    if (!items.is_array()) return r.bad("\"pupils\" must be a list");
    PlayerList read;
    for (const Json& item : items) {
        Player p;
        if (!item.is_object() || !r.text(item, "name", AddressNameLimit, false, p.name) ||
            !r.integer(item, "car", 0, CarLimit, p.car) || !r.integer(item, "driver", 0, DriverLimit, p.driver))
            return false;
        p.hasPassword = hasPasswordOf(item);
        read.items.push_back(std::move(p));
    }
    read.count = static_cast<int>(read.items.size());
    read.base = read.items;
    list = std::move(read);
    return true;
}
