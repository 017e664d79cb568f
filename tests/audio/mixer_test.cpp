// Tests of the mixing arithmetic: loops, speed, pan gains, the 16-bit limit and the equaliser.
#include <gtest/gtest.h>

#include <cmath>
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
