// Tests of the teacher's report's text helpers: code page 437 to UTF-8, CSV cells, HTML escaping.
#include <gtest/gtest.h>

#include <string>

#include "store/cp437.h"
#include "formats.h"
#include "summary.h"

TEST(ReportText, CodePage437BecomesUtf8) {
    EXPECT_EQ(cp437ToUtf8("Ann 1,2"), "Ann 1,2");
    EXPECT_EQ(cp437ToUtf8("M\x81ller \x82\x89 \xF6 \xE1"), "Müller éë ÷ ß");
    // Control bytes become the font's pictures and byte 0 a blank: never a raw control character.
    EXPECT_EQ(cp437ToUtf8(std::string("\x01\x09\x0D\x00\x7F\xFF", 6)), "☺○♪ ⌂\u00A0");
    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    const std::string utf8 = cp437ToUtf8(every);
    EXPECT_EQ(displayWidth(utf8), 256u);
    for (const char c : utf8) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20) << "control byte";
}

TEST(ReportText, CsvCellsQuoteAndNeverRunAsFormulas) {
    EXPECT_EQ(csvCell("Ann"), "Ann");
    EXPECT_EQ(csvCell("Ann, the \"Quick\""), "\"Ann, the \"\"Quick\"\"\"");
    EXPECT_EQ(csvCell("=SUM(A1)"), "'=SUM(A1)");
    EXPECT_EQ(csvCell("+1"), "'+1");
    EXPECT_EQ(csvCell("-2"), "'-2");
    EXPECT_EQ(csvCell("@x,y"), "\"'@x,y\"");
    EXPECT_EQ(csvCell(" =x"), " =x");
    EXPECT_EQ(csvCell(""), "");
}

TEST(ReportText, HtmlEscapesEveryMarkupCharacter) {
    EXPECT_EQ(htmlEscape("<script>a&b \"c\" 'd'</script>"),
              "&lt;script&gt;a&amp;b &quot;c&quot; &#39;d&#39;&lt;/script&gt;");
}

TEST(ReportText, NumbersAndAccuracy) {
    EXPECT_EQ(fixedText(61.125, 2), "61.12");  // as printf rounds the exact binary value
    EXPECT_EQ(fixedText(-0.001, 2), "0.00");
    EXPECT_EQ(fixedText(1e300, 2).size(), 304u);  // a damaged file's huge speed is still written whole
    double percent = 0;
    EXPECT_FALSE(accuracyPercent(0, 0, percent));
    ASSERT_TRUE(accuracyPercent(2, 3, percent));
    EXPECT_EQ(fixedText(percent, 1), "66.7");
    EXPECT_EQ(distanceMetres(0), 1500);
    EXPECT_EQ(distanceMetres(5), 9000);
}
