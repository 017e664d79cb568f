// Real numbers to and from text in the C locale, for the saved files and the teacher's report. The
// standard library of the browser build cannot convert doubles with std::to_chars/from_chars, so
// every build uses these instead and the native tests cover the browser's code too.
#pragma once
#include <string>
#include <system_error>

// value as printf "%.*g" with precision significant digits writes it in the C locale, whatever
// locale the process runs in (a point, never a comma).
std::string generalNumberText(double value, int precision);
// value as printf "%.*f" with decimals digits after the point writes it in the C locale.
std::string fixedNumberText(double value, int decimals);

struct NumberRead {
    const char* end;  // first character after the number; first when there is none
    std::errc error;  // errc() read; invalid_argument no number; result_out_of_range too large
                      // or too small for a double (value is then left as it was)
};

// Reads the longest decimal number at [first, last) as std::from_chars reads one in its general
// format: an optional "-", digits with an optional point, an optional exponent "e" or "E" with an
// optional sign. No "+", no leading spaces, no "inf", "nan" or hexadecimal. Never reads past last.
NumberRead readNumber(const char* first, const char* last, double& value);
