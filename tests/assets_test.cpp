// The asset generator's pictures: every file at its path and size, the key where a picture must be
// see-through and nowhere else, light menu and race backgrounds, and the same bytes on every run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "present/assets.h"
#include "present/image.h"
#include "shell/game.h"

namespace fs = std::filesystem;

namespace {

const std::string Generator = std::string(TALLY_BIN_DIR) + "/tally-assets";

// A path in single quotes, for the shell.
std::string quoted(const std::filesystem::path& path) {
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

// Runs the generator with the given arguments; returns its exit status (-1 if it did not exit).
int runGenerator(const std::string& args) {
    const std::string command = "'" + Generator + "' " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Expected {
    std::string path;
    int width, height;
};

// The 81 pictures the game loads, written out from the game's own table of pictures.
std::vector<Expected> expectedPictures() {
    std::vector<Expected> out;
    for (int n = 1; n <= 8; ++n) out.push_back({"cars/car" + std::to_string(n) + ".bmp", 32, 32});
    for (int n = 1; n <= 13; ++n) out.push_back({"drivers/driver" + std::to_string(n) + ".bmp", 32, 32});
    for (int t = 1; t <= 4; ++t) {
        const std::string dir = "track" + std::to_string(t) + "/";
        for (int k = 1; k <= 3; ++k) out.push_back({dir + "water" + std::to_string(k) + ".bmp", 32, 32});
        for (int k = 0; k <= 5; ++k) out.push_back({dir + "grass" + std::to_string(k) + ".bmp", 32, 32});
        for (const char* name : {"road", "road2", "bridge"}) out.push_back({dir + name + ".bmp", 32, 32});
    }
    out.push_back({"ui/prev.bmp", 16, 16});
    out.push_back({"ui/next.bmp", 16, 16});
    out.push_back({"ui/bottom.bmp", 320, 20});
    out.push_back({"ui/board.bmp", 100, 31});
    for (int n = 1; n <= 4; ++n) out.push_back({"ui/scene" + std::to_string(n) + ".bmp", 80, 45});
    for (const char* name : {"snow", "splash", "back", "back2"}) out.push_back({std::string("ui/") + name + ".bmp", 320, 180});
    return out;
}

std::vector<unsigned char> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool isKey(std::uint32_t pixel) { return pixel == KeyColorOpaque; }

int luma(std::uint32_t p) {
    return (299 * static_cast<int>((p >> 16) & 0xFF) + 587 * static_cast<int>((p >> 8) & 0xFF) +
            114 * static_cast<int>(p & 0xFF)) / 1000;
}

class AssetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = fs::temp_directory_path() / ("tally_assets_test_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        firstRun = runGenerator(quoted(root / "a") + " --no-sounds");
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // The picture as the game reads it, at its size; null when it cannot be read.
    static ImageHandle load(const std::string& path, int width, int height) {
        ImageHandle image = createImage(width, height, 0x12345678u);
        if (!loadBitmap((root / "a" / path).string(), image.get())) return nullptr;
        return image;
    }

    static fs::path root;
    static int firstRun;
};

fs::path AssetsTest::root;
int AssetsTest::firstRun = -1;

TEST_F(AssetsTest, WritesEveryPictureAsA24BitBitmapAtItsSize) {
    ASSERT_EQ(firstRun, 0);
    int bmpFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root / "a"))
        if (entry.is_regular_file() && entry.path().extension() == ".bmp") ++bmpFiles;
    EXPECT_EQ(bmpFiles, 81);

    for (const Expected& e : expectedPictures()) {
        SCOPED_TRACE(e.path);
        const std::vector<unsigned char> bytes = readFile(root / "a" / e.path);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        const std::uint32_t rowBytes = (static_cast<std::uint32_t>(e.width) * 3 + 3) / 4 * 4;
        EXPECT_EQ(le32(bytes, 2), bytes.size());
        EXPECT_EQ(le32(bytes, 10), 54u);  // pixels right after the two headers
        EXPECT_EQ(le32(bytes, 14), 40u);
        EXPECT_EQ(static_cast<int>(le32(bytes, 18)), e.width);
        EXPECT_EQ(static_cast<int>(le32(bytes, 22)), e.height);  // positive: bottom-up rows
        EXPECT_EQ(bytes[28] | (bytes[29] << 8), 24);
        EXPECT_EQ(le32(bytes, 30), 0u);  // uncompressed
        EXPECT_EQ(bytes.size(), 54u + rowBytes * e.height);

        // The game's reader takes it and covers the whole image.
        ImageHandle image = load(e.path, e.width, e.height);
        ASSERT_NE(image, nullptr);
        for (std::uint32_t p : image->pixels) ASSERT_EQ(p >> 24, 0xFFu);
    }
}

TEST_F(AssetsTest, KeyColourOnlyWhereAPictureIsSeeThrough) {
    ASSERT_EQ(firstRun, 0);
    auto keyShare = [](const Image& image) {
        int keys = 0;
        for (std::uint32_t p : image.pixels) keys += isKey(p);
        return static_cast<double>(keys) / static_cast<double>(image.pixels.size());
    };
    // Cars and arrows: key around the shape, a solid shape in the middle.
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE("car " + std::to_string(n));
        ImageHandle car = load("cars/car" + std::to_string(n) + ".bmp", 32, 32);
        ASSERT_NE(car, nullptr);
        for (int i : {0, 31, 32 * 31, 32 * 32 - 1}) EXPECT_TRUE(isKey(car->pixels[i]));
        EXPECT_FALSE(isKey(car->pixels[16 * 32 + 16]));
        EXPECT_GT(keyShare(*car), 0.3);
        EXPECT_LT(keyShare(*car), 0.8);
    }
    for (const char* name : {"ui/prev.bmp", "ui/next.bmp"}) {
        SCOPED_TRACE(name);
        ImageHandle arrow = load(name, 16, 16);
        ASSERT_NE(arrow, nullptr);
        for (int i : {0, 15, 16 * 15, 16 * 16 - 1}) EXPECT_TRUE(isKey(arrow->pixels[i]));
        EXPECT_FALSE(isKey(arrow->pixels[8 * 16 + 8]));
    }
    // Snow: sparse flakes on the key.
    ImageHandle snow = load("ui/snow.bmp", 320, 180);
    ASSERT_NE(snow, nullptr);
    EXPECT_GT(keyShare(*snow), 0.9);
    EXPECT_LT(keyShare(*snow), 0.999);
    // Tiles are drawn with the key and must never show a hole; the portraits and the interface
    // pictures drawn without it would show magenta.
    for (const Expected& e : expectedPictures()) {
        if (e.path.rfind("cars/", 0) == 0 || e.path == "ui/prev.bmp" || e.path == "ui/next.bmp" ||
            e.path == "ui/snow.bmp")
            continue;
        SCOPED_TRACE(e.path);
        ImageHandle image = load(e.path, e.width, e.height);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(keyShare(*image), 0.0);
    }
}

TEST_F(AssetsTest, UsesOneSmallPalette) {
    ASSERT_EQ(firstRun, 0);
    std::set<std::uint32_t> colours;
    for (const Expected& e : expectedPictures()) {
        ImageHandle image = load(e.path, e.width, e.height);
        ASSERT_NE(image, nullptr);
        colours.insert(image->pixels.begin(), image->pixels.end());
    }
    colours.erase(KeyColorOpaque);
    EXPECT_GE(colours.size(), 16u);
    EXPECT_LE(colours.size(), 32u);
}

TEST_F(AssetsTest, TextBackgroundsAreLightWhereTheGameWrites) {
    ASSERT_EQ(firstRun, 0);
    // The darkest pixel under the black 8 x 8 texts must still be light.
    struct Area {
        std::string path;
        int width, height, x0, y0, x1, y1;
    };
    const Area areas[] = {
        {"ui/board.bmp", 100, 31, 2, 2, 97, 29},       // three standings lines
        {"ui/bottom.bmp", 320, 20, 2, 1, 159, 18},     // speed, distance and problem lines
        {"ui/back.bmp", 320, 180, 6, 8, 313, 177},     // lesson menu and results
        {"ui/back2.bmp", 320, 180, 7, 8, 311, 172},    // classroom, player and track menus
    };
    for (const Area& a : areas) {
        SCOPED_TRACE(a.path);
        ImageHandle image = load(a.path, a.width, a.height);
        ASSERT_NE(image, nullptr);
        int darkest = 255;
        for (int y = a.y0; y <= a.y1; ++y)
            for (int x = a.x0; x <= a.x1; ++x)
                darkest = std::min(darkest, luma(image->pixels[static_cast<std::size_t>(y) * a.width + x]));
        EXPECT_GE(darkest, 180);
    }
}

TEST_F(AssetsTest, TheGameLoadsEveryPicture) {
    ASSERT_EQ(firstRun, 0);
    // loadImages reads relative to the working directory; change into the output and back.
    const fs::path before = fs::current_path();
    Game game;
    fs::current_path(root / "a");
    loadImages(game);
    fs::current_path(before);
    // Missing files would leave black (or magenta) fills behind.
    auto notFill = [](const ImageHandle& image, std::uint32_t fill) {
        for (std::uint32_t p : image->pixels)
            if (p != fill) return true;
        return false;
    };
    for (const auto& car : game.carImages) EXPECT_TRUE(notFill(car, 0xFF000000u));
    for (const auto& driver : game.driverImages) EXPECT_TRUE(notFill(driver, 0xFF000000u));
    for (const auto& track : game.trackImages)
        for (int slot : {0, 1, 2, 47, 48, 49, 50, 51, 52, 53, 54, 55}) {
            ASSERT_NE(track[slot], nullptr);
            EXPECT_TRUE(notFill(track[slot], 0xFF000000u));
        }
    for (const auto& scene : game.sceneImages) EXPECT_TRUE(notFill(scene, 0xFF000000u));
    for (const ImageHandle* big : {&game.splashImage, &game.backImage, &game.back2Image})
        EXPECT_TRUE(notFill(*big, KeyColorOpaque));
    EXPECT_TRUE(notFill(game.boardImage, 0xFF000000u));
    EXPECT_TRUE(notFill(game.bottomImage, 0xFF000000u));
}

TEST_F(AssetsTest, WritesTheSameBytesOnEveryRun) {
    ASSERT_EQ(firstRun, 0);
    ASSERT_EQ(runGenerator(quoted(root / "b") + " --no-sounds"), 0);
    for (const Expected& e : expectedPictures()) {
        SCOPED_TRACE(e.path);
        const std::vector<unsigned char> a = readFile(root / "a" / e.path);
        EXPECT_FALSE(a.empty());
        EXPECT_TRUE(a == readFile(root / "b" / e.path));
    }
}

TEST_F(AssetsTest, RefusesBadArgumentsAndReportsUnwritableOutput) {
    EXPECT_EQ(runGenerator(""), 2);
    EXPECT_EQ(runGenerator("--sheet"), 2);
    EXPECT_EQ(runGenerator("one two"), 2);
    // An output "directory" below a plain file cannot be made.
    const fs::path blocker = root / "blocker";
    std::ofstream(blocker) << "x";
    EXPECT_EQ(runGenerator(quoted(blocker / "out") + " --no-sounds"), 1);
}

}  // namespace
