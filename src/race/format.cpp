// formatNumber: reals written through a number mask.
#include "race/format.h"

#include <cmath>
#include <cstdio>

std::string formatNumber(double value, const std::string& mask) {
    int decimals = 0;
    const auto point = mask.find('.');
    if (point != std::string::npos) decimals = static_cast<int>(mask.size() - point - 1);
    if (decimals > 6) decimals = 6;
    // Stored files may hold anything: keep the text short and finite whatever the value.
    if (!std::isfinite(value)) value = 0;
    if (value > 1e12) value = 1e12;
    if (value < -1e12) value = -1e12;
    // printf rounds the value as stored, once, to the nearest text of that many decimals.
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string written = text;
    // A tiny negative value rounds to zero: write it as zero, without a sign.
    if (written[0] == '-' && written.find_first_not_of("-0.") == std::string::npos) written.erase(0, 1);
    return written;
}
