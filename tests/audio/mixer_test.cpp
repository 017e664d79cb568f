// Tests of the mixing arithmetic: loops, speed, pan gains, the 16-bit limit, the limiter on the sum
// and the equaliser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "mixer.h"

namespace {

// A stereo wave whose frame i holds i + 1 on the left and -(i + 1) on the right.
std::vector<std::int16_t> ramp(int frames) {
    std::vector<std::int16_t> w;
    for (int i = 0; i < frames; ++i) {
        w.push_back(static_cast<std::int16_t>(i + 1));
        w.push_back(static_cast<std::int16_t>(-(i + 1)));
    }
    return w;
}

// A stereo tone at full scale on both channels, rising from 0 at its start.
std::vector<std::int16_t> fullScaleTone(double hz, int frames) {
    std::vector<std::int16_t> w;
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lrint(32767.0 * std::sin(2 * 3.14159265358979 * hz * i / 44100)));
        w.push_back(v);
        w.push_back(v);
    }
    return w;
}

// Mixes the waves, each starting at the frame given beside it, through the limiter in pieces of 512
// frames as the device does, and returns the 16-bit output of frames frames.
std::vector<std::int16_t> mixThroughLimiter(const std::vector<std::pair<const std::vector<std::int16_t>*, int>>& waves,
                                            int frames, bool plainConversion = false) {
    constexpr int Piece = 512;
    Limiter limiter;
    designLimiter(limiter, 44100, Piece);
    std::vector<Voice> voices;
    for (const auto& [wave, start] : waves) {
        Voice v;
        v.samples = wave->data();
        v.end = static_cast<std::int32_t>(wave->size() / 2);
        voices.push_back(v);
    }
    std::vector<std::int16_t> out(2 * static_cast<std::size_t>(frames));
    std::vector<float> acc(2 * Piece);
    for (int at = 0; at < frames; at += Piece) {
        const int n = std::min(Piece, frames - at);
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (std::size_t i = 0; i < voices.size(); ++i) {
            // A voice joins at the start of the piece that holds its start frame, as a sound started by
            // the game does.
            const int start = waves[i].second;
            if (start < at + Piece && voices[i].loopsLeft != 0 && start <= at) renderVoice(voices[i], acc.data(), n, 2);
        }
        if (plainConversion)
            finishMix(acc.data(), &out[2 * static_cast<std::size_t>(at)], 2 * n, 1.0f);
        else
            finishLimitedMix(acc.data(), &out[2 * static_cast<std::size_t>(at)], n, 2, 1.0f, limiter);
    }
    return out;
}

// The longest run of consecutive samples of one channel at the 16-bit limits.
int longestClippedRun(const std::vector<std::int16_t>& out, int channel) {
    int longest = 0;
    int run = 0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < out.size(); i += 2) {
        run = out[i] == 32767 || out[i] == -32768 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

}  // namespace

TEST(Mixer, PlaysItsRangeTheAskedNumberOfTimesThenStops) {
    const auto wave = ramp(10);
    Voice v;
    v.samples = wave.data();
    v.begin = 2;
    v.end = 5;
    v.position = 2;
    v.loopsLeft = 2;
    std::vector<float> acc(2 * 16, 0.0f);
    EXPECT_FALSE(renderVoice(v, acc.data(), 16, 2));
    const float expectLeft[] = {3, 4, 5, 3, 4, 5, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(acc[2 * i], expectLeft[i]) << i;
        EXPECT_EQ(acc[2 * i + 1], -expectLeft[i]) << i;
    }
    EXPECT_EQ(v.position, 5.0);
    // Endless loops go on, and a voice adds to what is already in the buffer.
    v.position = 2;
    v.loopsLeft = -1;
    EXPECT_TRUE(renderVoice(v, acc.data(), 16, 2));
    EXPECT_EQ(acc[0], 6.0f);
}

TEST(Mixer, DoubleSpeedSkipsEveryOtherFrameAndHalfSpeedInterpolates) {
    const auto wave = ramp(8);
    Voice fast;
    fast.samples = wave.data();
    fast.end = 8;
    fast.speed = 2.0f;
    std::vector<float> acc(2 * 8, 0.0f);
    EXPECT_FALSE(renderVoice(fast, acc.data(), 8, 2));
    EXPECT_EQ(acc[0], 1.0f);
    EXPECT_EQ(acc[2], 3.0f);
    EXPECT_EQ(acc[6], 7.0f);
    EXPECT_EQ(acc[8], 0.0f) << "done after four frames";

    Voice slow;
    slow.samples = wave.data();
    slow.end = 8;
    slow.speed = 0.5f;
    std::vector<float> acc2(2 * 4, 0.0f);
    EXPECT_TRUE(renderVoice(slow, acc2.data(), 4, 2));
    EXPECT_FLOAT_EQ(acc2[0], 1.0f);
    EXPECT_FLOAT_EQ(acc2[2], 1.5f);
    EXPECT_FLOAT_EQ(acc2[4], 2.0f);
}

TEST(Mixer, PanKeepsTheCentreAtFullLevelAndLowersTheFarSide) {
    Voice v;
    float l = 0, r = 0;
    voiceGains(v, 2, l, r);
    EXPECT_EQ(l, 1.0f);
    EXPECT_EQ(r, 1.0f);
    v.pan = -1.0f;
    voiceGains(v, 2, l, r);
    EXPECT_EQ(l, 1.0f);
    EXPECT_EQ(r, 0.0f);
    v.pan = 0.5f;
    v.volume = 0.8f;
    voiceGains(v, 2, l, r);
    EXPECT_FLOAT_EQ(l, 0.4f);
    EXPECT_FLOAT_EQ(r, 0.8f);
    voiceGains(v, 1, l, r);
    EXPECT_FLOAT_EQ(l, 0.8f) << "pan means nothing in mono";
    v.muted = true;
    voiceGains(v, 2, l, r);
    EXPECT_EQ(l + r, 0.0f);
}

TEST(Mixer, FinishLimitsToSixteenBitsAndSilencesNaN) {
    const float acc[] = {40000.0f, -40000.0f, 1000.4f, -1000.6f, NAN, 16000.0f};
    std::int16_t out[6];
    finishMix(acc, out, 6, 1.0f);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[2], 1000);
    EXPECT_EQ(out[3], -1001);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[5], 16000);
    finishMix(acc, out, 6, 4.0f);
    EXPECT_EQ(out[5], 32767) << "master volume applies before the limit";
}

TEST(Mixer, LimiterLeavesOneSoundBitForBit) {
    // A full-scale tone that also touches both 16-bit limits exactly.
    auto wave = fullScaleTone(440, 30000);
    wave[2 * 100] = -32768;
    wave[2 * 101 + 1] = 32767;
    const auto out = mixThroughLimiter({{&wave, 0}}, 30000);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), wave.begin()));
    // NaN in the sum is silence, and a mix that fits is not touched.
    const float acc[] = {NAN, 1.0f, -32768.0f, 32767.0f};
    std::int16_t plain[4];
    Limiter limiter;
    designLimiter(limiter, 44100, 2);
    finishLimitedMix(acc, plain, 2, 2, 1.0f, limiter);
    EXPECT_EQ(plain[0], 0);
    EXPECT_EQ(plain[1], 1);
    EXPECT_EQ(plain[2], -32768);
    EXPECT_EQ(plain[3], 32767);
}

TEST(Mixer, LimiterBendsFourFullScaleSoundsWithoutClippingThenRests) {
    const auto a = fullScaleTone(440, 22050);
    const auto b = fullScaleTone(554.37, 22050);
    const auto c = fullScaleTone(659.26, 22050);
    const auto d = fullScaleTone(880, 22050);
    const auto alone = fullScaleTone(330, 66150);  // starts with them and plays on a second longer
    const std::vector<std::pair<const std::vector<std::int16_t>*, int>> waves{
        {&a, 0}, {&b, 0}, {&c, 1024}, {&d, 1024}, {&alone, 0}};

    // Plain conversion would cut long flat runs off the top of the sum.
    const auto clipped = mixThroughLimiter(waves, 66150, true);
    ASSERT_GT(longestClippedRun(clipped, 0), 5);

    const auto out = mixThroughLimiter(waves, 66150);
    for (int channel = 0; channel < 2; ++channel) EXPECT_LE(longestClippedRun(out, channel), 1) << channel;
    // Turned down, not squashed: the mix still reaches close to full scale.
    int peak = 0;
    for (std::int16_t v : out) peak = std::max(peak, std::abs(int(v)));
    EXPECT_GT(peak, 30000);
    // The gain slides instead of jumping: no sample moves much further than the sum of five tones can.
    int steepest = 0;
    for (std::size_t i = 2; i < out.size(); ++i) steepest = std::max(steepest, std::abs(out[i] - out[i - 2]));
    EXPECT_LT(steepest, 5 * 32767 * 2 * 3.1416 * 880 / 44100);
    // Once the four have ended and the gain has come back, the one left plays bit for bit.
    const std::size_t rested = 2 * 44100;
    EXPECT_TRUE(std::equal(out.begin() + rested, out.end(), alone.begin() + rested));
}

TEST(Mixer, PeakFilterBoostsItsBandAndLeavesOthers) {
    auto levelAfter = [](double hz) {
        PeakFilter f;
        designPeakFilter(f, 44100, 1000, 1.0, 12.0);
        std::vector<float> acc(2 * 8820);
        for (int i = 0; i < 8820; ++i) acc[2 * i] = acc[2 * i + 1] = float(std::sin(2 * 3.14159265358979 * hz * i / 44100));
        applyPeakFilter(f, acc.data(), 8820, 2);
        float peak = 0;
        for (int i = 4410; i < 8820; ++i) peak = std::max(peak, std::fabs(acc[2 * i]));
        return peak;
    };
    EXPECT_NEAR(levelAfter(1000), 3.98, 0.1);  // +12 dB
    EXPECT_NEAR(levelAfter(50), 1.0, 0.05);
    EXPECT_NEAR(levelAfter(15000), 1.0, 0.05);
}
