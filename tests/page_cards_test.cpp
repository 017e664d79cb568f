// Tests of the browser page's start and end cards.
#include <gtest/gtest.h>

#include "shell/page_cards.h"

namespace {

TEST(PageCards, CentredAndFramedOnThePaper) {
    for (const auto* lines : {&StartCardLines, &EndCardLines}) {
        for (const std::string& line : *lines) EXPECT_LE(line.size(), 40u) << line;
        ImageHandle paper = createImage(320, 180, 0xFF123456u);
        const ImageHandle card = drawPageCard(paper.get(), *lines);
        ASSERT_EQ(imageInfo(card.get()).width, 320);
        ASSERT_EQ(imageInfo(card.get()).height, 180);
        const ImageInfo info = imageInfo(card.get());
        const auto at = [&](int x, int y) { return info.pixels[y * info.pitch / 4 + x]; };
        EXPECT_EQ(at(0, 0), 0xFF123456u);  // the paper around the card
        // The outer frame: first black pixel on the middle row from each side.
        int left = 0;
        while (left < 320 && at(left, 90) != 0xFF000000u) ++left;
        int right = 319;
        while (right >= 0 && at(right, 90) != 0xFF000000u) --right;
        EXPECT_EQ(left, 319 - right);  // centred
    }
}

}  // namespace
