// formatNumber under the game's two masks, on the values the screens show and on damaged ones.
#include <gtest/gtest.h>

#include <limits>

#include "race/format.h"

TEST(FormatNumber, TwoDecimalsAndWholeNumbers) {
    EXPECT_EQ(formatNumber(12.346, "####.00"), "12.35");
    EXPECT_EQ(formatNumber(7.5, "####.00"), "7.50");
    EXPECT_EQ(formatNumber(0, "####.00"), "0.00");  // so "Toprace N/A" shows without a kept race
    EXPECT_EQ(formatNumber(0.004, "####.00"), "0.00");
    EXPECT_EQ(formatNumber(30.2, "####.00"), "30.20");
    EXPECT_EQ(formatNumber(12345.678, "####.00"), "12345.68");  // wider than the mask: all digits
    EXPECT_EQ(formatNumber(12.346, "####"), "12");
    EXPECT_EQ(formatNumber(1234.6, "####"), "1235");
    EXPECT_EQ(formatNumber(0, "####"), "0");
}

TEST(FormatNumber, DamagedValuesStayShortAndReadable) {
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::quiet_NaN(), "####.00"), "0.00");
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::infinity(), "####"), "0");
    EXPECT_EQ(formatNumber(1e300, "####"), "1000000000000");
    EXPECT_EQ(formatNumber(-0.001, "####.00"), "0.00");
    EXPECT_EQ(formatNumber(-2.5, "####.00"), "-2.50");
}
