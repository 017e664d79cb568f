// Tests of the sound bank through the real sound library: the list file's edge cases and the
// choice of an idle instance (one instance, three instances, unknown ids).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "audio/bank.h"
#include "audio/library.h"
#include "audio/sound.h"
#include "ogg_maker.h"

namespace fs = std::filesystem;

namespace {

// A game folder of its own with sound/beep.ogg (0.4 s, so that a busy instance stays busy while a
// test looks), the library started on the dummy driver, and the working directory moved there for
// the length of the test.
class SoundBankTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(soundLibrary(), nullptr) << "libfbsound-32.so must lie beside the test program";
        saved = fs::current_path();
        dir = fs::temp_directory_path() / ("tally_bank_test_" + std::to_string(getpid()));
        fs::create_directories(dir / "sound");
        ASSERT_TRUE(writeOggTone((dir / "sound/beep.ogg").string(), 44100, 2, 0.4, 660, 0.5));
        fs::current_path(dir);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        initSoundLibrary();
        ASSERT_EQ(soundLibrary()->FBS_Get_PlugRunning(), 1);
    }
    void TearDown() override {
        setSoundTrace(false);
        soundBank.clear();
        if (soundLibrary() != nullptr) soundLibrary()->FBS_Exit();
        fs::current_path(saved);
        fs::remove_all(dir);
    }
    void writeList(const std::string& text) { std::ofstream(dir / "sound/sound.txt", std::ios::binary) << text; }
    // The last word of playSound's trace line: played, dropped or unknown.
    static std::string play(int id) {
        setSoundTrace(true);
        testing::internal::CaptureStdout();
        playSound(id);
        const std::string line = testing::internal::GetCapturedStdout();
        setSoundTrace(false);
        const auto space = line.find_last_of(' ');
        return space == std::string::npos ? line : line.substr(space + 1, line.size() - space - 2);
    }
    // Waits until every instance of sound id is idle again, at most 3 seconds.
    static bool waitUntilIdle(int id) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            bool idle = true;
            for (const std::int32_t sound : soundBank[static_cast<std::size_t>(id)].instances) {
                float p = 0.5f;
                soundLibrary()->FBS_Get_SoundPosition(sound, &p);
                idle = idle && (p == 0.0f || p == 1.0f);
            }
            if (idle) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    fs::path saved, dir;
};

}  // namespace

TEST_F(SoundBankTest, OneInstanceDropsASecondRequestAndPlaysAgainOnceEnded) {
    writeList(" 1\r\nbeep.ogg, 0\r\n");
    loadSoundBank();
    ASSERT_EQ(soundBank.size(), 1u);
    ASSERT_EQ(soundBank[0].instances.size(), 1u);
    EXPECT_EQ(play(0), "played");
    EXPECT_EQ(play(0), "dropped");
    ASSERT_TRUE(waitUntilIdle(0));
    EXPECT_EQ(play(0), "played");
}

TEST_F(SoundBankTest, ThreeInstancesSoundTogetherAndAFourthRequestIsDropped) {
    writeList("1\nbeep.ogg,2\n");
    loadSoundBank();
    ASSERT_EQ(soundBank[0].instances.size(), 3u);
    EXPECT_EQ(play(0), "played");
    EXPECT_EQ(play(0), "played");
    EXPECT_EQ(play(0), "played");
    std::int32_t playing = 0;
    soundLibrary()->FBS_Get_PlayingSounds(&playing);
    EXPECT_EQ(playing, 3);
    EXPECT_EQ(play(0), "dropped");
}

TEST_F(SoundBankTest, IdsOutsideTheBankPlayNothing) {
    writeList("1\nbeep.ogg,0\n");
    loadSoundBank();
    EXPECT_EQ(play(-1), "unknown");
    EXPECT_EQ(play(1), "unknown");
    EXPECT_EQ(play(1 << 30), "unknown");
    std::int32_t playing = -1;
    soundLibrary()->FBS_Get_PlayingSounds(&playing);
    EXPECT_EQ(playing, 0);
}

TEST_F(SoundBankTest, AMissingListOrCountZeroLeavesTheBankEmpty) {
    loadSoundBank();
    EXPECT_TRUE(soundBank.empty());
    EXPECT_EQ(play(0), "unknown");
    writeList("0\r\nbeep.ogg,0\r\n");
    loadSoundBank();
    EXPECT_TRUE(soundBank.empty());
    writeList("-7\r\n");
    loadSoundBank();
    EXPECT_TRUE(soundBank.empty());
}

TEST_F(SoundBankTest, MissingFilesAndShortListsStaySilentWithoutHarmingTheRest) {
    // A missing file first, then a good one, then a count larger than the lines.
    writeList("4\r\nnothere.ogg,1\r\nbeep.ogg,0\r\n");
    loadSoundBank();
    ASSERT_EQ(soundBank.size(), 4u);
    EXPECT_EQ(soundBank[0].wave, -1);
    EXPECT_EQ(soundBank[0].instances.size(), 2u);
    EXPECT_EQ(play(0), "dropped");
    EXPECT_EQ(play(1), "played");
    EXPECT_EQ(soundBank[2].instances.size(), 1u) << "empty fields read as name \"\" and 0";
    EXPECT_EQ(play(3), "dropped");
}

TEST_F(SoundBankTest, AbsurdCountsAreBounded) {
    writeList("2000000000\nbeep.ogg,2000000000\nbeep.ogg,-5\n");
    loadSoundBank();
    EXPECT_EQ(soundBank.size(), static_cast<std::size_t>(MaxBankSounds));
    EXPECT_EQ(soundBank[0].instances.size(), static_cast<std::size_t>(MaxSoundInstances));
    EXPECT_TRUE(soundBank[1].instances.empty());
    EXPECT_EQ(play(1), "dropped");
    EXPECT_EQ(play(0), "played");
}

TEST_F(SoundBankTest, LoadingAgainReplacesTheBank) {
    writeList("2\nbeep.ogg,3\nbeep.ogg,3\n");
    loadSoundBank();
    writeList("1\nbeep.ogg,0\n");
    loadSoundBank();
    EXPECT_EQ(soundBank.size(), 1u);
    EXPECT_EQ(play(0), "played");
    EXPECT_EQ(play(0), "dropped");
}
