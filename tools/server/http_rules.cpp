// The classroom server's HTTP rules: Host names, byte ranges, content codings and validators.
#include "http_rules.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool allDigits(const std::string& text, std::size_t most) {
    return !text.empty() && text.size() <= most &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The pieces of a comma-separated header value, trimmed, empty ones dropped.
std::vector<std::string> listItems(const std::string& value) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(',', start);
        if (end == std::string::npos) end = value.size();
        const std::string item = trimmed(value.substr(start, end - start));
        if (!item.empty()) items.push_back(item);
        start = end + 1;
    }
    return items;
}

// A q value ("0", "0.5", "1.000"), or -1 when malformed.
double qValue(const std::string& text) {
    if (text.empty() || (text[0] != '0' && text[0] != '1')) return -1;
    if (text.size() > 1) {
        const std::string decimals = text.substr(2);
        if (text[1] != '.' || decimals.size() > 3 || (!decimals.empty() && !allDigits(decimals, 3))) return -1;
    }
    const double q = std::atof(text.c_str());
    return q > 1 ? -1 : q;
}

constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string hostName(const std::string& hostHeader) {
    const std::string value = trimmed(hostHeader);
    std::string name;
    std::string port;
    if (!value.empty() && value[0] == '[') {
        const std::size_t close = value.find(']');
        if (close == std::string::npos) return "";
        name = value.substr(1, close - 1);
        const std::string rest = value.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return "";
            port = rest.substr(1);
            if (!allDigits(port, 5)) return "";
        }
        in6_addr v6{};
        if (inet_pton(AF_INET6, name.c_str(), &v6) != 1) return "";
        char text[INET6_ADDRSTRLEN];
        return inet_ntop(AF_INET6, &v6, text, sizeof text) != nullptr ? std::string(text) : "";
    }
    const std::size_t colon = value.find(':');
    name = value.substr(0, colon);
    if (colon != std::string::npos && !allDigits(value.substr(colon + 1), 5)) return "";
    name = lower(name);
    if (!name.empty() && name.back() == '.') name.pop_back();
    if (name.empty() || name.size() > 253) return "";
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '.' && c != '_') return "";
    in_addr v4{};
    if (inet_pton(AF_INET, name.c_str(), &v4) == 1) {
        char text[INET_ADDRSTRLEN];
        return inet_ntop(AF_INET, &v4, text, sizeof text) != nullptr ? std::string(text) : "";
    }
    return name;
}

bool hostAllowed(const std::string& hostHeader, const std::vector<std::string>& ownNames) {
    const std::string name = hostName(hostHeader);
    return !name.empty() && std::find(ownNames.begin(), ownNames.end(), name) != ownNames.end();
}

ByteRange chooseRange(const std::string& rangeHeader, std::uint64_t size) {
    const std::string value = trimmed(rangeHeader);
    ByteRange whole;
    if (lower(value.substr(0, 6)) != "bytes=") return whole;
    const std::string spec = trimmed(value.substr(6));
    const std::size_t dash = spec.find('-');
    if (spec.find(',') != std::string::npos || dash == std::string::npos) return whole;
    const std::string from = trimmed(spec.substr(0, dash));
    const std::string to = trimmed(spec.substr(dash + 1));
    // 19 digits always fit in 64 bits.
    if ((!from.empty() && !allDigits(from, 19)) || (!to.empty() && !allDigits(to, 19))) return whole;
    ByteRange unsatisfiable{ByteRange::Unsatisfiable, 0, 0};
    if (from.empty()) {
        if (to.empty()) return whole;
        const std::uint64_t suffix = std::stoull(to);
        if (suffix == 0 || size == 0) return unsatisfiable;
        const std::uint64_t length = std::min(suffix, size);
        return {ByteRange::Part, size - length, length};
    }
    const std::uint64_t first = std::stoull(from);
    std::uint64_t last = size == 0 ? 0 : size - 1;
    if (!to.empty()) {
        const std::uint64_t asked = std::stoull(to);
        if (asked < first) return whole;
        last = std::min(last, asked);
    }
    if (first >= size) return unsatisfiable;
    return {ByteRange::Part, first, last - first + 1};
}

std::string chooseEncoding(const std::string& acceptEncoding, bool haveBrotli, bool haveGzip) {
    double brotli = -1;
    double gzip = -1;
    double any = -1;
    for (const std::string& item : listItems(acceptEncoding)) {
        const std::size_t semicolon = item.find(';');
        const std::string coding = lower(trimmed(item.substr(0, semicolon)));
        double q = 1;
        if (semicolon != std::string::npos) {
            const std::string parameter = lower(trimmed(item.substr(semicolon + 1)));
            if (parameter.rfind("q=", 0) != 0) continue;
            q = qValue(trimmed(parameter.substr(2)));
            if (q < 0) continue;
        }
        if (coding == "br") brotli = q;
        if (coding == "gzip" || coding == "x-gzip") gzip = std::max(gzip, q);
        if (coding == "*") any = q;
    }
    if (brotli < 0) brotli = any;
    if (gzip < 0) gzip = any;
    if (!haveBrotli) brotli = 0;
    if (!haveGzip) gzip = 0;
    if (brotli > 0 && brotli >= gzip) return "br";
    if (gzip > 0) return "gzip";
    return "";
}

std::string entityTag(std::uint64_t size, std::int64_t modifiedNs, const std::string& encoding) {
    char text[64];
    std::snprintf(text, sizeof text, "\"%llx-%llx%s%s\"", static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(modifiedNs), encoding.empty() ? "" : "-", encoding.c_str());
    return text;
}

bool tagMatches(const std::string& ifNoneMatch, const std::string& tag) {
    if (trimmed(ifNoneMatch) == "*") return true;
    for (std::string item : listItems(ifNoneMatch)) {
        if (item.rfind("W/", 0) == 0) item = item.substr(2);
        if (item == tag) return true;
    }
    return false;
}

std::string httpDate(std::time_t when) {
    std::tm t{};
    gmtime_r(&when, &t);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", Days[t.tm_wday], t.tm_mday,
                  Months[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::time_t parseHttpDate(const std::string& text) {
    char day[4] = {};
    char month[4] = {};
    std::tm t{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%3[A-Za-z], %2d %3s %4d %2d:%2d:%2d GMT%n", day, &t.tm_mday, month, &t.tm_year,
                    &t.tm_hour, &t.tm_min, &t.tm_sec, &consumed) != 7 ||
        static_cast<std::size_t>(consumed) != text.size())
        return -1;
    t.tm_mon = -1;
    for (int m = 0; m < 12; ++m)
        if (std::strcmp(month, Months[m]) == 0) t.tm_mon = m;
    if (t.tm_mon < 0 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 60)
        return -1;
    t.tm_year -= 1900;
    return timegm(&t);
}

bool notModified(const std::string& ifNoneMatch, const std::string& ifModifiedSince, const std::string& tag,
                 std::time_t modified) {
    if (!trimmed(ifNoneMatch).empty()) return tagMatches(ifNoneMatch, tag);
    if (trimmed(ifModifiedSince).empty()) return false;
    const std::time_t since = parseHttpDate(trimmed(ifModifiedSince));
    return since >= 0 && modified <= since;
}
