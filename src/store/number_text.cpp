// Real numbers to and from text in the C locale, without std::to_chars/from_chars for doubles.
#include "store/number_text.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// printf writes the locale's decimal point; the files and the report always use ".".
std::string withPoint(const char* text, int length) {
    std::string out(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] != '\0' && point[0] != '.' && point[1] == '\0') {
        for (char& c : out) {
            if (c == point[0]) c = '.';
        }
    }
    return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string generalNumberText(double value, int precision) {
    char buf[64];
    return withPoint(buf, std::snprintf(buf, sizeof buf, "%.*g", precision, value));
}

std::string fixedNumberText(double value, int decimals) {
    // The largest double takes 309 digits before the point.
    char buf[400];
    const int length = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return withPoint(buf, length < static_cast<int>(sizeof buf) ? length : static_cast<int>(sizeof buf) - 1);
}

NumberRead readNumber(const char* first, const char* last, double& value) {
    const char* p = first;
    if (p != last && *p == '-') ++p;
    const char* digitsStart = p;
    while (p != last && isDigit(*p)) ++p;
    bool digits = p != digitsStart;
    if (p != last && *p == '.') {
        const char* afterPoint = ++p;
        while (p != last && isDigit(*p)) ++p;
        digits = digits || p != afterPoint;
    }
    if (!digits) return {first, std::errc::invalid_argument};
    // An exponent counts only with at least one digit; "1e" reads as "1".
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != last && (*q == '+' || *q == '-')) ++q;
        if (q != last && isDigit(*q)) {
            while (q != last && isDigit(*q)) ++q;
            p = q;
        }
    }
    // strtod needs a terminated copy in the C notation; the locale's point is put in place of ".".
    std::string text(first, p);
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] != '\0' && point[0] != '.' && point[1] == '\0') {
        for (char& c : text) {
            if (c == '.') c = point[0];
        }
    }
    errno = 0;
    const double read = std::strtod(text.c_str(), nullptr);
    // Overflow, or a number other than zero that comes out as zero; subnormal results stand.
    if (errno == ERANGE && (std::isinf(read) || read == 0.0)) return {p, std::errc::result_out_of_range};
    value = read;
    return {p, std::errc()};
}
