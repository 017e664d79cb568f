// Tests of BMP loading: every depth and row order, placement into the image, and bad files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "bmpfuzz/bmp_writer.h"
#include "present/bitmap.h"

namespace {

using bmptest::BmpSpec;
using bmptest::writeBmp;

constexpr std::uint32_t Fill = 0xFF123456u;

Image blankImage(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pitch = width * 4;
    image.pixels.assign(static_cast<std::size_t>(width) * height, Fill);
    return image;
}

std::uint32_t at(const Image& image, int x, int y) { return image.pixels[static_cast<std::size_t>(y) * image.width + x]; }

bool decode(const std::vector<std::uint8_t>& file, Image& image) {
    return decodeBitmap(file.data(), file.size(), &image);
}

// A varied pattern of raw values below limit.
std::uint32_t pattern(int x, int y, std::uint32_t limit) { return static_cast<std::uint32_t>(x * 7 + y * 13 + x * y) % limit; }

std::vector<std::uint32_t> paletteOf(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i) palette.push_back(static_cast<std::uint32_t>(i * 0x010305 + 0x400000) & 0xFFFFFF);
    return palette;
}

TEST(Bitmap, PalettedDepthsInBothRowOrders) {
    for (int bpp : {1, 4, 8}) {
        for (int sign : {1, -1}) {
            SCOPED_TRACE("bpp " + std::to_string(bpp) + (sign < 0 ? " top-down" : " bottom-up"));
            BmpSpec spec;
            spec.width = 13;  // not a whole number of bytes or words per row
            spec.height = 5 * sign;
            spec.bitsPerPixel = bpp;
            spec.palette = paletteOf(1 << bpp);
            const auto file = writeBmp(spec, [&](int x, int y) { return pattern(x, y, 1u << bpp); });
            Image image = blankImage(13, 5);
            ASSERT_TRUE(decode(file, image));
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 13; ++x)
                    ASSERT_EQ(at(image, x, y), 0xFF000000u | spec.palette[pattern(x, y, 1u << bpp)]) << x << "," << y;
        }
    }
}

TEST(Bitmap, TrueColourDepthsInBothRowOrders) {
    for (int sign : {1, -1}) {
        BmpSpec spec;
        spec.width = 7;
        spec.height = 3 * sign;
        spec.bitsPerPixel = 24;
        const auto colour = [](int x, int y) { return static_cast<std::uint32_t>(0x10A0F0 + x * 0x010101 + y * 0x100000); };
        Image image = blankImage(7, 3);
        ASSERT_TRUE(decode(writeBmp(spec, colour), image));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(at(image, x, y), 0xFF000000u | colour(x, y));

        // A plain 32-bit picture has no alpha: whatever the fourth byte holds, the pixel is opaque.
        spec.bitsPerPixel = 32;
        Image image32 = blankImage(7, 3);
        ASSERT_TRUE(decode(writeBmp(spec, [&](int x, int y) { return 0x05000000u | colour(x, y); }), image32));
        EXPECT_EQ(image32.pixels, image.pixels);
    }
}

TEST(Bitmap, MagentaStaysTheOpaqueKeyColour) {
    BmpSpec spec;
    spec.width = 2;
    spec.bitsPerPixel = 24;
    Image image = blankImage(2, 1);
    ASSERT_TRUE(decode(writeBmp(spec, [](int x, int) { return x == 0 ? 0xFF00FFu : 0x000000u; }), image));
    EXPECT_EQ(at(image, 0, 0), 0xFFFF00FFu);
    EXPECT_EQ(at(image, 1, 0), 0xFF000000u);
}

TEST(Bitmap, SixteenBitsDefaultToFiveFiveFive) {
    BmpSpec spec;
    spec.width = 5;
    spec.bitsPerPixel = 16;
    const std::uint32_t values[5] = {0x7FFF, 0x7C00, 0x001F, 0x8000, 0x4210};
    Image image = blankImage(5, 1);
    ASSERT_TRUE(decode(writeBmp(spec, [&](int x, int) { return values[x]; }), image));
    EXPECT_EQ(at(image, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(at(image, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(at(image, 2, 0), 0xFF0000FFu);
    EXPECT_EQ(at(image, 3, 0), 0xFF000000u);  // the unused top bit is ignored
    EXPECT_EQ(at(image, 4, 0), 0xFF848484u);  // 16 of 31 widened to 8 bits
}

TEST(Bitmap, BitfieldsWithAndWithoutAlpha) {
    // 5-6-5 masks stored after a plain header.
    BmpSpec spec;
    spec.width = 3;
    spec.bitsPerPixel = 16;
    spec.compression = 3;
    spec.masks[0] = 0xF800, spec.masks[1] = 0x07E0, spec.masks[2] = 0x001F;
    const std::uint32_t values[3] = {0xF800, 0x07E0, 0xFFFF};
    Image image = blankImage(3, 1);
    ASSERT_TRUE(decode(writeBmp(spec, [&](int x, int) { return values[x]; }), image));
    EXPECT_EQ(at(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(at(image, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(at(image, 2, 0), 0xFFFFFFFFu);

    // A large header with an alpha mask keeps alpha; unusual channel order too.
    for (std::uint32_t headerSize : {56u, 108u, 124u}) {
        BmpSpec large;
        large.width = 2;
        large.height = -1;
        large.bitsPerPixel = 32;
        large.headerSize = headerSize;
        large.compression = 3;
        large.masks[0] = 0x000000FF, large.masks[1] = 0x0000FF00, large.masks[2] = 0x00FF0000, large.masks[3] = 0xFF000000;
        Image wide = blankImage(2, 1);
        ASSERT_TRUE(decode(writeBmp(large, [](int x, int) { return x == 0 ? 0x80332211u : 0x00FFFFFFu; }), wide));
        EXPECT_EQ(at(wide, 0, 0), 0x80112233u) << headerSize;
        EXPECT_EQ(at(wide, 1, 0), 0x00FFFFFFu) << headerSize;

        // Without an alpha mask every pixel is opaque.
        large.masks[3] = 0;
        ASSERT_TRUE(decode(writeBmp(large, [](int, int) { return 0x80332211u; }), wide));
        EXPECT_EQ(at(wide, 0, 0), 0xFF112233u) << headerSize;
    }

    // The variant with the alpha mask after a plain header.
    BmpSpec alphaAfter;
    alphaAfter.width = 1;
    alphaAfter.bitsPerPixel = 16;
    alphaAfter.compression = 6;
    alphaAfter.masks[0] = 0x0F00, alphaAfter.masks[1] = 0x00F0, alphaAfter.masks[2] = 0x000F, alphaAfter.masks[3] = 0xF000;
    Image one = blankImage(1, 1);
    ASSERT_TRUE(decode(writeBmp(alphaAfter, [](int, int) { return 0x8F0Fu; }), one));
    EXPECT_EQ(at(one, 0, 0), 0x88FF00FFu);
}

TEST(Bitmap, CoreHeaderPictures) {
    BmpSpec spec;
    spec.headerSize = 12;
    spec.width = 3;
    spec.height = 2;
    spec.bitsPerPixel = 8;
    spec.palette = paletteOf(4);
    Image image = blankImage(3, 2);
    ASSERT_TRUE(decode(writeBmp(spec, [](int x, int y) { return static_cast<std::uint32_t>(x + y) % 4; }), image));
    EXPECT_EQ(at(image, 2, 1), 0xFF000000u | spec.palette[3]);
    EXPECT_EQ(at(image, 0, 0), 0xFF000000u | spec.palette[0]);

    spec.bitsPerPixel = 24;
    spec.palette.clear();
    ASSERT_TRUE(decode(writeBmp(spec, [](int x, int y) { return 0x102030u * (x + 1) + static_cast<std::uint32_t>(y); }), image));
    EXPECT_EQ(at(image, 1, 1), 0xFF000000u | (0x102030u * 2 + 1));
}

TEST(Bitmap, ShortPalettesAndStrayIndices) {
    BmpSpec spec;
    spec.width = 4;
    spec.bitsPerPixel = 8;
    spec.coloursUsed = 2;
    spec.palette = {0xFF0000, 0x00FF00};
    Image image = blankImage(4, 1);
    ASSERT_TRUE(decode(writeBmp(spec, [](int x, int) { return static_cast<std::uint32_t>(x) * 100; }), image));
    EXPECT_EQ(at(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(at(image, 1, 0), 0xFF000000u);  // an index past the palette reads as black
}

TEST(Bitmap, PlacesTheTopLeftCornerAndKeepsTheRest) {
    const auto colour = [](int x, int y) { return static_cast<std::uint32_t>(y * 256 + x); };
    for (int sign : {1, -1}) {
        BmpSpec spec;
        spec.bitsPerPixel = 24;
        spec.width = 10;
        spec.height = 8 * sign;
        const auto file = writeBmp(spec, colour);

        // Bigger than the image: the picture's top-left 4 x 3 pixels, whatever the row order.
        Image small = blankImage(4, 3);
        ASSERT_TRUE(decode(file, small));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(at(small, x, y), 0xFF000000u | colour(x, y));

        // Smaller than the image: the uncovered pixels keep their fill.
        Image big = blankImage(12, 11);
        ASSERT_TRUE(decode(file, big));
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 12; ++x)
                EXPECT_EQ(at(big, x, y), x < 10 && y < 8 ? 0xFF000000u | colour(x, y) : Fill) << x << "," << y;
    }
}

TEST(Bitmap, EveryTruncationFailsAndLeavesTheImage) {
    BmpSpec spec;
    spec.width = 9;
    spec.height = 4;
    spec.bitsPerPixel = 4;
    spec.palette = paletteOf(16);
    auto file = writeBmp(spec, [](int x, int y) { return static_cast<std::uint32_t>(x ^ y); });
    const Image untouched = blankImage(9, 4);
    // The last row needs only its pixels (9 x 4 bits: 5 bytes), not its padding to 8.
    const std::size_t shortest = file.size() - 3;
    for (std::size_t length = 0; length < shortest; ++length) {
        Image image = untouched;
        ASSERT_FALSE(decodeBitmap(file.data(), length, &image)) << length;
        ASSERT_EQ(image.pixels, untouched.pixels) << length;
    }
    Image image = untouched;
    EXPECT_TRUE(decodeBitmap(file.data(), shortest, &image));
}

// Decodes a valid 2 x 2 24-bit file after mend has damaged it; expects failure and no change.
void expectRejected(const std::function<void(BmpSpec&)>& change, const std::function<void(std::vector<std::uint8_t>&)>& mend = {}) {
    BmpSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.bitsPerPixel = 24;
    change(spec);
    auto file = writeBmp(spec, [](int, int) { return 0x00FF00u; });
    if (mend) mend(file);
    Image image = blankImage(2, 2);
    EXPECT_FALSE(decode(file, image));
    EXPECT_EQ(image.pixels, blankImage(2, 2).pixels);
}

TEST(Bitmap, HostileHeadersAreRejected) {
    const auto none = [](BmpSpec&) {};
    const auto patch32 = [](std::size_t at, std::uint32_t v) {
        return [=](std::vector<std::uint8_t>& f) { bmptest::putU32(f, at, v); };
    };
    expectRejected(none, [](std::vector<std::uint8_t>& f) { f[0] = 'X'; });
    expectRejected(none, patch32(18, static_cast<std::uint32_t>(-2)));   // negative width
    expectRejected(none, patch32(18, 0));                                // zero width
    expectRejected(none, patch32(22, 0));                                // zero height
    expectRejected(none, patch32(18, 0x7FFFFFFF));                       // huge width, tiny file
    expectRejected(none, patch32(22, 0x7FFFFFFF));                       // huge height
    expectRejected(none, patch32(22, 0x80000000));                       // the most negative height
    expectRejected(none, patch32(10, 0xFFFFFFF0));                       // pixels past the end
    expectRejected(none, patch32(10, 60));                               // pixels run past the end
    expectRejected(none, patch32(14, 0));                                // header size 0
    expectRejected(none, patch32(14, 0x7FFFFFFF));                       // header bigger than the file
    expectRejected([](BmpSpec& s) { s.planes = 0; });
    expectRejected([](BmpSpec& s) { s.planes = 2; });
    for (std::uint32_t bpp : {0u, 2u, 64u, 0xFFFFu})
        expectRejected(none, [=](std::vector<std::uint8_t>& f) { bmptest::putU16(f, 28, bpp); });
    for (std::uint32_t compression : {1u, 2u, 4u, 5u, 99u}) expectRejected([=](BmpSpec& s) { s.compression = compression; });
    expectRejected([](BmpSpec& s) { s.compression = 3; });  // bit masks on a 24-bit picture
    expectRejected([](BmpSpec& s) {                          // a paletted picture with no palette
        s.bitsPerPixel = 8;
        s.palette.clear();
    });
    expectRejected([](BmpSpec& s) {  // masks cut off by the end of the file
        s.bitsPerPixel = 16;
        s.compression = 3;
    }, [](std::vector<std::uint8_t>& f) { f.resize(60); });
}

// The two compressed example pictures, 4 x 3 in 8 bits and 5 x 2 in 4 bits, four colours each.
std::vector<std::uint8_t> rleFile(int bpp, const std::vector<std::uint8_t>& stream) {
    BmpSpec spec;
    spec.width = bpp == 8 ? 4 : 5;
    spec.height = bpp == 8 ? 3 : 2;
    spec.bitsPerPixel = bpp;
    spec.palette = paletteOf(4);
    return bmptest::writeRleBmp(spec, stream);
}

TEST(Bitmap, RunLengthPicturesDecodeExactly) {
    const auto palette = paletteOf(4);
    const auto c = [&](int i) { return 0xFF000000u | palette[i]; };
    // A larger image shows that skipped pixels and the rest keep what the image held.
    Image image = blankImage(6, 4);
    ASSERT_TRUE(decode(rleFile(8, bmptest::Rle8Stream), image));
    const std::uint32_t rle8[4][6] = {{Fill, Fill, c(3), c(3), Fill, Fill},
                                      {c(3), c(2), c(1), Fill, Fill, Fill},
                                      {c(1), c(1), c(1), c(2), Fill, Fill},
                                      {Fill, Fill, Fill, Fill, Fill, Fill}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(at(image, x, y), rle8[y][x]) << x << "," << y;

    Image four = blankImage(5, 2);
    ASSERT_TRUE(decode(rleFile(4, bmptest::Rle4Stream), four));
    const std::uint32_t rle4[2][5] = {{c(3), c(0), c(2), c(1), c(3)}, {c(1), c(2), c(1), c(2), c(1)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(at(four, x, y), rle4[y][x]) << x << "," << y;

    // A smaller image takes the top-left corner; runs beside it are checked but not kept.
    Image corner = blankImage(2, 1);
    ASSERT_TRUE(decode(rleFile(8, bmptest::Rle8Stream), corner));
    EXPECT_EQ(at(corner, 0, 0), Fill);
    EXPECT_EQ(at(corner, 1, 0), Fill);
    Image file = blankImage(4, 3);
    const auto dir = std::filesystem::temp_directory_path() / ("tally_rle_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto bytes = rleFile(8, bmptest::Rle8Stream);
    std::ofstream((dir / "rle.bmp").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(loadBitmap((dir / "rle.bmp").string(), &file));
    std::filesystem::remove_all(dir);
    EXPECT_EQ(at(file, 3, 2), c(2));
}

TEST(Bitmap, BrokenRunLengthPicturesAreRefused) {
    const auto refused = [](int bpp, const std::vector<std::uint8_t>& stream, const char* why) {
        Image image = blankImage(4, 3);
        EXPECT_FALSE(decode(rleFile(bpp, stream), image)) << why;
        EXPECT_EQ(image.pixels, blankImage(4, 3).pixels) << why;
    };
    refused(8, {5, 1, 0, 1}, "a run past the end of its row");
    refused(8, {3, 1, 2, 1, 0, 1}, "a second run past the end of its row");
    refused(8, {0, 5, 1, 1, 1, 1, 1, 0, 0, 1}, "pixels one by one past the end of the row");
    refused(4, {6, 0x12, 0, 1}, "an RLE4 run past the end of a five-pixel row");
    refused(8, {0, 2, 5, 0, 0, 1}, "a move past the right edge");
    refused(8, {0, 2, 0, 4, 0, 1}, "a move above the top row");
    refused(8, {0, 0, 0, 0, 0, 0, 1, 1, 0, 1}, "a pixel above the top row");
    refused(8, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "a line end above the top row");
    refused(8, {4, 1, 0, 0}, "no end-of-picture mark");
    refused(8, {0, 2, 1}, "a move cut short");
    refused(8, {}, "no runs at all");
    // Every cut of a good stream before its end mark fails too.
    for (const int bpp : {8, 4}) {
        const auto& stream = bpp == 8 ? bmptest::Rle8Stream : bmptest::Rle4Stream;
        const auto file = rleFile(bpp, stream);
        const Image untouched = blankImage(5, 3);
        for (std::size_t cut = 1; cut <= stream.size(); ++cut) {
            Image image = untouched;
            ASSERT_FALSE(decodeBitmap(file.data(), file.size() - cut, &image)) << bpp << " bits, cut " << cut;
            ASSERT_EQ(image.pixels, untouched.pixels);
        }
    }
    // Runs belong to bottom-up pictures of their own depth only.
    BmpSpec topDown;
    topDown.width = 4;
    topDown.height = -3;
    topDown.bitsPerPixel = 8;
    topDown.palette = paletteOf(4);
    Image image = blankImage(4, 3);
    EXPECT_FALSE(decode(bmptest::writeRleBmp(topDown, bmptest::Rle8Stream), image));
    auto wrongDepth = rleFile(8, bmptest::Rle8Stream);
    bmptest::putU32(wrongDepth, 30, 2);  // RLE4 on an 8-bit picture
    EXPECT_FALSE(decode(wrongDepth, image));
    EXPECT_EQ(image.pixels, blankImage(4, 3).pixels);
}

TEST(Bitmap, UnusableImagesAreRefused) {
    BmpSpec spec;
    const auto file = writeBmp(spec, [](int, int) { return 0u; });
    EXPECT_FALSE(decodeBitmap(file.data(), file.size(), nullptr));
    Image broken = blankImage(4, 4);
    broken.pixels.resize(3);
    EXPECT_FALSE(decodeBitmap(file.data(), file.size(), &broken));
    EXPECT_FALSE(decodeBitmap(nullptr, 0, &broken));
}

TEST(Bitmap, LoadsFromFilesAndIgnoresMissingOnes) {
    const auto dir = std::filesystem::temp_directory_path() / ("tally_bitmap_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    BmpSpec spec;
    spec.width = 3;
    spec.height = 40;
    spec.bitsPerPixel = 8;
    spec.palette = paletteOf(256);
    const auto bytes = writeBmp(spec, [](int x, int y) { return static_cast<std::uint32_t>(x + 3 * y); });
    const auto path = (dir / "picture.bmp").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

    Image fromFile = blankImage(3, 20);
    Image fromMemory = blankImage(3, 20);
    ASSERT_TRUE(loadBitmap(path, &fromFile));
    ASSERT_TRUE(decode(bytes, fromMemory));
    EXPECT_EQ(fromFile.pixels, fromMemory.pixels);
    EXPECT_EQ(at(fromFile, 2, 19), 0xFF000000u | spec.palette[59]);

    // A file cut short fails on disk just as in memory.
    std::filesystem::resize_file(path, bytes.size() - 10);
    Image cut = blankImage(3, 20);
    EXPECT_FALSE(loadBitmap(path, &cut));
    EXPECT_EQ(cut.pixels, blankImage(3, 20).pixels);

    Image image = blankImage(2, 2);
    EXPECT_FALSE(loadBitmap((dir / "missing.bmp").string(), &image));
    EXPECT_FALSE(loadBitmap(dir.string(), &image));
    EXPECT_EQ(image.pixels, blankImage(2, 2).pixels);
    std::filesystem::remove_all(dir);
}

}  // namespace
