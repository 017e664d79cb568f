// Tests of the sound library on its own: its answers to bad calls, decoding, the idle/busy
// position rule, and what really reaches the device (SDL's disk driver writes it to a file).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fbsound.h"
#include "ogg_maker.h"

namespace fs = std::filesystem;

namespace {

fs::path scratchFolder() {
    const fs::path dir = fs::temp_directory_path() / ("fbsound_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

// Energy of what the device was given, per channel, and the loudest sample.
struct Heard {
    double left = 0;
    double right = 0;
    int peak = 0;
    std::size_t frames = 0;
};

Heard analyse(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Heard h;
    const auto* s = reinterpret_cast<const std::int16_t*>(bytes.data());
    h.frames = bytes.size() / 4;
    for (std::size_t i = 0; i < h.frames; ++i) {
        h.left += double(s[2 * i]) * s[2 * i];
        h.right += double(s[2 * i + 1]) * s[2 * i + 1];
        h.peak = std::max({h.peak, std::abs(int(s[2 * i])), std::abs(int(s[2 * i + 1]))});
    }
    return h;
}

// Waits until the sound is idle again (position exactly 1.0) or 3 seconds have passed.
bool waitUntilPlayedOut(std::int32_t sound) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    float p = 0.5f;
    while (std::chrono::steady_clock::now() < deadline) {
        if (FBS_GET_SOUNDPOSITION(sound, &p) == 1 && p == 1.0f) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// The library opened on the disk driver, writing to a file of the test's own; a 0.15 s tone of
// 440 Hz at half scale is loaded as `wave`.
class DiskOutput : public ::testing::Test {
protected:
    void SetUp() override {
        dir = scratchFolder();
        output = dir / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        ASSERT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 1);
        tone = (dir / "tone.ogg").string();
        ASSERT_TRUE(writeOggTone(tone, 44100, 2, 0.15, 440, 0.5));
        ASSERT_EQ(FBS_LOAD_OGGFILE(tone.c_str(), &wave, ""), 1);
    }
    void TearDown() override {
        FBS_EXIT();
        fs::remove_all(dir);
    }
    // Plays a fresh instance once, after set-up lets the caller adjust it, and waits for its end.
    template <class Adjust>
    Heard playOnce(Adjust adjust) {
        std::int32_t sound = -1;
        EXPECT_EQ(FBS_CREATE_SOUND(wave, &sound), 1);
        adjust(sound);
        EXPECT_EQ(FBS_PLAY_SOUND(sound, 1), 1);
        EXPECT_TRUE(waitUntilPlayedOut(sound));
        FBS_EXIT();  // closes the file
        return analyse(output);
    }
    fs::path dir, output;
    std::string tone;
    std::int32_t wave = -1;
};

}  // namespace

TEST(LibraryCalls, FailBeforeInitAndAfterExitAndChangeNothing) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::int32_t handle = 7;
    float f = 0.25f;
    EXPECT_EQ(FBS_GET_PLUGRUNNING(), 0);
    EXPECT_EQ(FBS_EXIT(), 0);
    EXPECT_EQ(FBS_STOP(), 0);
    EXPECT_EQ(FBS_LOAD_OGGFILE("nothing.ogg", &handle, ""), 0);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(FBS_CREATE_SOUND(0, &handle), 0);
    EXPECT_EQ(FBS_GET_SOUNDPOSITION(0, &f), 0);
    EXPECT_EQ(f, 0.25f);
    EXPECT_EQ(FBS_PLAY_SOUND(0, 1), 0);
    EXPECT_EQ(FBS_SET_MASTERVOLUME(0.5f), 0);
    // The number helpers need no device.
    EXPECT_NEAR(FBS_RAD2DEG(3.14159265f), 180.0f, 1e-3f);
    EXPECT_NEAR(FBS_DEG2RAD(90.0f), 1.5707963f, 1e-6f);
    EXPECT_NEAR(FBS_VOLUME_2_DB(0.5f), -6.0206f, 1e-3f);
    EXPECT_EQ(FBS_VOLUME_2_DB(0.0f), -100.0f);
    EXPECT_NEAR(FBS_DB_2_VOLUME(-6.0206f), 0.5f, 1e-4f);
    EXPECT_EQ(FBS_POW(2.0f, 10.0f), 1024.0f);

    ASSERT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 1);
    EXPECT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 0) << "a second init fails";
    EXPECT_EQ(FBS_GET_PLUGRUNNING(), 1);
    std::int32_t wave = -1, sound = -1;
    ASSERT_EQ(FBS_CREATE_WAVE(441, &wave, nullptr), 1);
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &sound), 1);
    ASSERT_EQ(FBS_EXIT(), 1);
    EXPECT_EQ(FBS_GET_PLUGRUNNING(), 0);
    EXPECT_EQ(FBS_PLAY_SOUND(sound, 1), 0) << "handles die with the library";
    EXPECT_EQ(FBS_GET_SOUNDPOSITION(sound, &f), 0);
    EXPECT_EQ(FBS_EXIT(), 0);
    // And it starts again after an exit.
    ASSERT_EQ(FBS_INIT(22050, 1, 2, 256, 0, 0), 1);
    std::int32_t rate = 0, channels = 0, frames = 0;
    EXPECT_EQ(FBS_GET_PLUGRATE(&rate), 1);
    EXPECT_EQ(FBS_GET_PLUGCHANNELS(&channels), 1);
    EXPECT_EQ(FBS_GET_PLUGFRAMES(&frames), 1);
    EXPECT_EQ(channels, 1);
    EXPECT_GT(rate, 0);
    EXPECT_LE(frames, 512);
    EXPECT_EQ(FBS_EXIT(), 1);
}

TEST(LibraryCalls, RejectBadArgumentsAndUnknownHandles) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(FBS_INIT(44100, 6, 3, 2048, 0, 0), 0);
    EXPECT_EQ(FBS_INIT(44100, 2, 3, 2048, 1, 0), 0) << "only plug-out 0 exists";
    EXPECT_EQ(FBS_INIT(0, 2, 3, 2048, 0, 0), 0);
    EXPECT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 9999), 0) << "no such device";
    ASSERT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 1);
    std::int32_t wave = -1, sound = -1, other = -1;
    float f = 0.5f;
    for (const std::int32_t bad : {-1, 0, 1, 65536, 0x7FFFFFFF}) {
        EXPECT_EQ(FBS_CREATE_SOUND(bad, &sound), 0) << bad;
        EXPECT_EQ(sound, -1);
        EXPECT_EQ(FBS_PLAY_SOUND(bad, 1), 0) << bad;
        EXPECT_EQ(FBS_SET_SOUNDVOLUME(bad, 1.0f), 0) << bad;
        EXPECT_EQ(FBS_DESTROY_WAVE(bad), 0) << bad;
    }
    ASSERT_EQ(FBS_CREATE_WAVE(4410, &wave, nullptr), 1);
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &sound), 1);
    EXPECT_EQ(FBS_CREATE_SOUND(wave, nullptr), 0);
    EXPECT_EQ(FBS_GET_SOUNDPOSITION(sound, nullptr), 0);
    EXPECT_EQ(FBS_SET_SOUNDVOLUME(sound, NAN), 0);
    EXPECT_EQ(FBS_SET_SOUNDVOLUME(sound, -1.0f), 0);
    EXPECT_EQ(FBS_SET_SOUNDSPEED(sound, 0.0f), 0);
    EXPECT_EQ(FBS_SET_SOUNDPAN(sound, 5.0f), 1) << "pan is limited, not refused";
    EXPECT_EQ(FBS_GET_SOUNDPAN(sound, &f), 1);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(FBS_CREATE_WAVE(0, &other, nullptr), 0);
    EXPECT_EQ(FBS_CREATE_WAVE(-5, &other, nullptr), 0);
    EXPECT_EQ(FBS_SET_MASTERFILTER(10, 1000, 1, 6), 0);
    EXPECT_EQ(FBS_SET_MASTERFILTER(0, 30000, 1, 6), 0) << "above half the rate";
    EXPECT_EQ(FBS_ENABLE_MASTERFILTER(3), 0) << "a band never set cannot be enabled";
    EXPECT_EQ(FBS_SET_MASTERFILTER(0, 1000, 1, 6), 1);
    EXPECT_EQ(FBS_ENABLE_MASTERFILTER(0), 1);
    // A destroyed sound's handle stays dead even when its slot is used again.
    ASSERT_EQ(FBS_DESTROY_SOUND(sound), 1);
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &other), 1);
    EXPECT_NE(other, sound);
    EXPECT_EQ(FBS_PLAY_SOUND(sound, 1), 0);
    // Destroying a wave takes its sounds with it.
    ASSERT_EQ(FBS_DESTROY_WAVE(wave), 1);
    EXPECT_EQ(FBS_GET_SOUNDPOSITION(other, &f), 0);
    // What needs a decoder or streams this library lacks fails honestly.
    EXPECT_EQ(FBS_LOAD_MP3FILE("a.mp3", &wave, ""), 0);
    EXPECT_EQ(FBS_LOAD_MODFILE("a.mod", &wave), 0);
    EXPECT_EQ(FBS_CREATE_MP3STREAM("a.mp3"), 0);
    EXPECT_EQ(FBS_PITCHSHIFT(0, 2.0f), 0);
    std::int32_t streams = 9;
    EXPECT_EQ(FBS_GET_PLAYINGSTREAMS(&streams), 1);
    EXPECT_EQ(streams, 0);
    EXPECT_EQ(FBS_EXIT(), 1);
}

TEST(LibraryCalls, DecodeOnlyRealSoundFiles) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const fs::path dir = scratchFolder();
    ASSERT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 1);
    std::int32_t wave = 5;
    EXPECT_EQ(FBS_LOAD_OGGFILE((dir / "missing.ogg").c_str(), &wave, ""), 0);
    EXPECT_EQ(wave, -1);
    EXPECT_EQ(FBS_LOAD_OGGFILE(dir.c_str(), &wave, ""), 0) << "a folder";
    EXPECT_EQ(FBS_LOAD_OGGFILE(nullptr, &wave, ""), 0);
    std::ofstream(dir / "empty.ogg").close();
    EXPECT_EQ(FBS_LOAD_OGGFILE((dir / "empty.ogg").c_str(), &wave, ""), 0);
    std::ofstream(dir / "junk.ogg") << std::string(5000, 'x');
    EXPECT_EQ(FBS_LOAD_OGGFILE((dir / "junk.ogg").c_str(), &wave, ""), 0);

    // A real file, mono at 22050 Hz, comes out as stereo at the device's rate with its length.
    const fs::path good = dir / "mono.ogg";
    ASSERT_TRUE(writeOggTone(good, 22050, 1, 0.5, 300, 0.5));
    ASSERT_EQ(FBS_LOAD_OGGFILE(good.c_str(), &wave, nullptr), 1);
    std::int32_t ms = 0, channels = 0;
    std::int16_t *start = nullptr, *end = nullptr;
    EXPECT_EQ(FBS_GET_WAVELENGTH(wave, &ms), 1);
    EXPECT_NEAR(ms, 500, 5);
    EXPECT_EQ(FBS_GET_WAVEPOINTERS(wave, &start, &end, &channels), 1);
    EXPECT_EQ(channels, 2);
    EXPECT_NEAR(double(end - start) / 2, 22050.0, 2.0);
    int peak = 0;
    for (const std::int16_t* p = start; p < end; ++p) peak = std::max(peak, std::abs(int(*p)));
    EXPECT_NEAR(peak, 16384, 1500);

    // The same file cut short: whatever can be decoded or a failure, never a crash.
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::size_t keep : {std::size_t(30), bytes.size() / 3, bytes.size() - 10}) {
        std::ofstream(dir / "cut.ogg", std::ios::binary) << bytes.substr(0, keep);
        std::int32_t cut = -1;
        FBS_LOAD_OGGFILE((dir / "cut.ogg").c_str(), &cut, "");
    }
    // And with bytes flipped in the middle.
    std::string damaged = bytes;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 200 && i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    std::ofstream(dir / "damaged.ogg", std::ios::binary) << damaged;
    std::int32_t damagedWave = -1;
    FBS_LOAD_OGGFILE((dir / "damaged.ogg").c_str(), &damagedWave, "");

    // A WAVE file of 8-bit mono samples.
    std::string wav = "RIFF____WAVEfmt ";
    auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) wav += char((v >> (8 * i)) & 0xFF); };
    auto put16 = [&](std::uint16_t v) { wav += char(v & 0xFF); wav += char(v >> 8); };
    put32(16); put16(1); put16(1); put32(11025); put32(11025); put16(1); put16(8);
    wav += "data";
    put32(11025);
    for (int i = 0; i < 11025; ++i) wav += char(i % 50 < 25 ? 200 : 56);
    const std::uint32_t riff = static_cast<std::uint32_t>(wav.size() - 8);
    for (int i = 0; i < 4; ++i) wav[4 + i] = char((riff >> (8 * i)) & 0xFF);
    std::ofstream(dir / "square.wav", std::ios::binary) << wav;
    ASSERT_EQ(FBS_LOAD_WAVFILE((dir / "square.wav").c_str(), &wave), 1);
    EXPECT_EQ(FBS_GET_WAVELENGTH(wave, &ms), 1);
    EXPECT_NEAR(ms, 1000, 10);
    EXPECT_EQ(FBS_LOAD_WAVFILE((dir / "junk.ogg").c_str(), &wave), 0);
    EXPECT_EQ(FBS_EXIT(), 1);
    fs::remove_all(dir);
}

TEST(LibraryCalls, PositionTellsIdleFromBusy) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 1);
    std::int32_t wave = -1, sound = -1;
    std::int16_t* samples = nullptr;
    ASSERT_EQ(FBS_CREATE_WAVE(4410, &wave, &samples), 1);  // 0.1 s
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &sound), 1);
    float p = -1;
    ASSERT_EQ(FBS_GET_SOUNDPOSITION(sound, &p), 1);
    EXPECT_EQ(p, 0.0f) << "never played";
    // With the output stopped the mixer does not move it, yet a started sound is busy at once.
    ASSERT_EQ(FBS_STOP(), 1);
    EXPECT_EQ(FBS_GET_PLUGRUNNING(), 0);
    ASSERT_EQ(FBS_PLAY_SOUND(sound, 1), 1);
    ASSERT_EQ(FBS_GET_SOUNDPOSITION(sound, &p), 1);
    EXPECT_GT(p, 0.0f);
    EXPECT_LT(p, 1.0f);
    std::int32_t playing = 0;
    EXPECT_EQ(FBS_GET_PLAYINGSOUNDS(&playing), 1);
    EXPECT_EQ(playing, 1);
    ASSERT_EQ(FBS_START(), 1);
    ASSERT_TRUE(waitUntilPlayedOut(sound));
    // Paused: stays busy however long it waits.
    ASSERT_EQ(FBS_PLAY_SOUND(sound, 1), 1);
    ASSERT_EQ(FBS_SET_SOUNDPAUSED(sound, 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(FBS_GET_SOUNDPOSITION(sound, &p), 1);
    EXPECT_GT(p, 0.0f);
    EXPECT_LT(p, 1.0f);
    ASSERT_EQ(FBS_SET_SOUNDPAUSED(sound, 0), 1);
    ASSERT_TRUE(waitUntilPlayedOut(sound));
    // Two loops take about twice as long; loops 0 stops at once and reads as never played.
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(FBS_PLAY_SOUND(sound, 2), 1);
    ASSERT_TRUE(waitUntilPlayedOut(sound));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(180));
    ASSERT_EQ(FBS_PLAY_SOUND(sound, -1), 1);
    ASSERT_EQ(FBS_SET_SOUNDLOOPS(sound, 0), 1);
    ASSERT_EQ(FBS_GET_SOUNDPOSITION(sound, &p), 1);
    EXPECT_EQ(p, 0.0f);
    // The playing limit refuses one sound too many, and a sound of its own goes once played out.
    std::int32_t second = -1, own = -1;
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &second), 1);
    ASSERT_EQ(FBS_SET_MAXCHANNELS(1), 1);
    ASSERT_EQ(FBS_PLAY_SOUND(sound, -1), 1);
    EXPECT_EQ(FBS_PLAY_SOUND(second, 1), 0);
    ASSERT_EQ(FBS_SET_SOUNDLOOPS(sound, 0), 1);
    ASSERT_EQ(FBS_SET_MAXCHANNELS(64), 1);
    ASSERT_EQ(FBS_PLAY_WAVE(wave, 1, 2.0f, 1.0f, 0.0f, &own), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (FBS_GET_SOUNDPOSITION(own, &p) == 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(FBS_GET_SOUNDPOSITION(own, &p), 0) << "freed after playing out";
    EXPECT_EQ(FBS_EXIT(), 1);
}

TEST(LibraryCalls, SoundPointersStayInsideTheirWave) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(FBS_INIT(44100, 2, 3, 2048, 0, 0), 1);
    std::int32_t wave = -1, sound = -1, ms = 0;
    std::int16_t* samples = nullptr;
    ASSERT_EQ(FBS_CREATE_WAVE(44100, &wave, &samples), 1);
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &sound), 1);
    std::int16_t *start = nullptr, *at = nullptr, *end = nullptr;
    ASSERT_EQ(FBS_GET_SOUNDPOINTERS(sound, &start, &at, &end), 1);
    EXPECT_EQ(start, samples);
    EXPECT_EQ(end - start, 88200);
    std::int16_t elsewhere[8] = {};
    EXPECT_EQ(FBS_SET_SOUNDPOINTERS(sound, elsewhere, elsewhere, elsewhere + 8), 0);
    EXPECT_EQ(FBS_SET_SOUNDPOINTERS(sound, start, start, end + 2), 0) << "past the end";
    EXPECT_EQ(FBS_SET_SOUNDPOINTERS(sound, start + 1, start + 1, end), 0) << "not on a frame";
    EXPECT_EQ(FBS_SET_SOUNDPOINTERS(sound, start + 10, start + 4, end), 0) << "position before start";
    ASSERT_EQ(FBS_SET_SOUNDPOINTERS(sound, start + 2 * 4410, start + 2 * 4410, start + 2 * 8820), 1);
    EXPECT_EQ(FBS_GET_SOUNDLENGTH(sound, &ms), 1);
    EXPECT_EQ(ms, 100);
    EXPECT_EQ(FBS_EXIT(), 1);
}

TEST_F(DiskOutput, APlayedSoundReachesTheDevice) {
    const Heard h = playOnce([](std::int32_t) {});
    EXPECT_GT(h.frames, 4410u);
    EXPECT_GT(h.left, 1e9);
    EXPECT_NEAR(h.left, h.right, h.left * 0.01) << "centred";
    EXPECT_NEAR(h.peak, 16384, 1500);
}

TEST_F(DiskOutput, VolumeZeroIsSilent) {
    const Heard h = playOnce([](std::int32_t s) { FBS_SET_SOUNDVOLUME(s, 0.0f); });
    EXPECT_EQ(h.peak, 0);
}

TEST_F(DiskOutput, MutedIsSilent) {
    const Heard muted = playOnce([](std::int32_t s) { FBS_SET_SOUNDMUTED(s, 1); });
    EXPECT_EQ(muted.peak, 0);
}

TEST_F(DiskOutput, PanMovesTheSoundBetweenChannels) {
    const Heard left = playOnce([](std::int32_t s) { FBS_SET_SOUNDPAN(s, -1.0f); });
    EXPECT_GT(left.left, 1e9);
    EXPECT_EQ(left.right, 0.0);
}

TEST_F(DiskOutput, PanRightLeavesTheLeftSilentAndHalfPanLowersIt) {
    const Heard h = playOnce([](std::int32_t s) { FBS_SET_SOUNDPAN(s, 0.5f); });
    // Half right: the right side at full level, the left at half (a quarter of the energy).
    EXPECT_NEAR(h.left / h.right, 0.25, 0.02);
}

TEST_F(DiskOutput, AStoppedOutputPlaysNothingAndResumes) {
    std::int32_t sound = -1;
    ASSERT_EQ(FBS_CREATE_SOUND(wave, &sound), 1);
    ASSERT_EQ(FBS_STOP(), 1);
    ASSERT_EQ(FBS_PLAY_SOUND(sound, 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(FBS_DESTROY_SOUND(sound), 1);  // stopped for good before the output runs again
    ASSERT_EQ(FBS_START(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    FBS_EXIT();
    const Heard h = analyse(output);
    EXPECT_EQ(h.peak, 0);
}

TEST_F(DiskOutput, LoudOverlapsAreLimitedInsteadOfClippedOrWrapped) {
    // Four instances of a half-scale tone in phase would reach twice full scale: the limiter turns
    // the sum down to just below full scale, so no run of samples sits flat on the limit, and a
    // positive half-wave never turns negative.
    std::vector<std::int32_t> sounds(4, -1);
    for (auto& s : sounds) ASSERT_EQ(FBS_CREATE_SOUND(wave, &s), 1);
    ASSERT_EQ(FBS_STOP(), 1);  // start all four in the same buffer
    for (auto s : sounds) ASSERT_EQ(FBS_PLAY_SOUND(s, 1), 1);
    ASSERT_EQ(FBS_START(), 1);
    ASSERT_TRUE(waitUntilPlayedOut(sounds.back()));
    FBS_EXIT();
    std::ifstream in(output, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* s = reinterpret_cast<const std::int16_t*>(bytes.data());
    const std::size_t n = bytes.size() / 2;
    int peak = 0, atLimit = 0, jumps = 0;
    for (std::size_t i = 2; i < n; ++i) {
        peak = std::max(peak, std::abs(int(s[i])));
        const auto limited = [](std::int16_t v) { return v == 32767 || v == -32768; };
        if (limited(s[i]) && limited(s[i - 2])) ++atLimit;
        if (std::abs(int(s[i]) - int(s[i - 2])) > 40000) ++jumps;  // a wrap-around flips sign
    }
    EXPECT_GT(peak, 30000) << "turned down to just below full scale, not squashed";
    EXPECT_EQ(atLimit, 0);
    EXPECT_EQ(jumps, 0);
}
