// formatNumber: reals written through a number mask.
#include "race/format.h"

#include <cmath>
#include <cstdio>

std::string formatNumber(double value, const std::string& mask) {
    int decimals = 0;
    const auto point = mask.find('.');
    if (point != std::string::npos) decimals = static_cast<int>(mask.size() - point - 1);
    if (decimals > 6) decimals = 6;
    double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // Stored files may hold anything: keep the text short and finite whatever the value.
    if (!std::isfinite(value)) value = 0;
    if (value > 1e12) value = 1e12;
    if (value < -1e12) value = -1e12;
    // Round once on the scaled value, half away from zero, so the decimals never round twice.
    const long long scaled = std::llround(value * scale);
    const long long whole = scaled / static_cast<long long>(scale);
    const long long fraction = std::llabs(scaled % static_cast<long long>(scale));
    char text[64];
    if (decimals == 0)
        std::snprintf(text, sizeof text, "%lld", scaled);
    else
        std::snprintf(text, sizeof text, "%s%lld.%0*lld", scaled < 0 && whole == 0 ? "-" : "", whole,
                      decimals, fraction);
    return text;
}
