// Tests of the real-number text that stands in for std::to_chars/from_chars of doubles.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

#include "store/number_text.h"

namespace {

TEST(NumberText, ReadsAsFromCharsDoes) {
    struct Case {
        const char* text;
        std::size_t length;  // characters read
        std::errc error;
        double value;        // when read; otherwise the value stays 99
    };
    const Case cases[] = {
        {"12.5,", 4, std::errc(), 12.5},          {"-0.25", 5, std::errc(), -0.25},
        {".5", 2, std::errc(), 0.5},              {"5.", 2, std::errc(), 5.0},
        {"1E-2x", 4, std::errc(), 0.01},          {"2e+", 1, std::errc(), 2.0},
        {"0x10", 1, std::errc(), 0.0},            {"4e-320", 6, std::errc(), 4e-320},
        {"1e400", 5, std::errc::result_out_of_range, 99}, {"1e-400", 6, std::errc::result_out_of_range, 99},
        {"+1", 0, std::errc::invalid_argument, 99}, {".", 0, std::errc::invalid_argument, 99},
        {"inf", 0, std::errc::invalid_argument, 99}, {" 1", 0, std::errc::invalid_argument, 99},
    };
    for (const Case& c : cases) {
        double value = 99;
        const NumberRead read = readNumber(c.text, c.text + std::strlen(c.text), value);
        EXPECT_EQ(read.end - c.text, static_cast<long>(c.length)) << c.text;
        EXPECT_EQ(read.error, c.error) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    // Never past the end it is given.
    double value = 0;
    EXPECT_EQ(readNumber("123", "123" + 2, value).error, std::errc());
    EXPECT_EQ(value, 12.0);
}

TEST(NumberText, WritesAsPrintfAndReadsBack) {
    EXPECT_EQ(generalNumberText(0.1, 16), "0.1");
    EXPECT_EQ(generalNumberText(1e16, 16), "1e+16");
    EXPECT_EQ(generalNumberText(-1.5e-7, 16), "-1.5e-07");
    EXPECT_EQ(fixedNumberText(1.5, 2), "1.50");
    EXPECT_EQ(fixedNumberText(-0.004, 2), "-0.00");
    EXPECT_EQ(fixedNumberText(DBL_MAX, 1).size(), 311u);
    for (double v : {1.0 / 3, 123456.789, 5e-324, DBL_MAX, -2.5e-300}) {
        const std::string text = generalNumberText(v, 17);
        double back = 0;
        const NumberRead read = readNumber(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(read.error, std::errc()) << text;
        EXPECT_EQ(back, v) << text;
    }
}

}  // namespace
