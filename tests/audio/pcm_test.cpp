// Tests of the sound library's own WAVE reader and its simple conversion to the device's format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pcm.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putTag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

// A WAVE file: format (1 for integer PCM), channels, rate, bits, the data chunk's bytes, and an
// optional chunk of odd length before the data that a reader must skip with its padding.
Bytes waveFile(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& data,
               bool oddChunk = false) {
    Bytes b;
    putTag(b, "RIFF");
    put32(b, 0);  // readers need not trust the RIFF length
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, format);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * channels * bits / 8);
    put16(b, static_cast<std::uint16_t>(channels * bits / 8));
    put16(b, bits);
    if (oddChunk) {
        putTag(b, "LIST");
        put32(b, 3);
        b.insert(b.end(), {'a', 'b', 'c', 0});
    }
    putTag(b, "data");
    put32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

}  // namespace

TEST(WaveReader, ReadsIntegerPcmAndRefusesEverythingElse) {
    const Bytes stereo16 = {0x01, 0x00, 0xFF, 0x7F, 0x00, 0x80, 0xFE, 0xFF};  // 1, 32767 | -32768, -2
    Bytes cut = waveFile(1, 1, 8000, 16, {0x10, 0x00, 0x20, 0x00, 0x30, 0x00});
    cut.resize(cut.size() - 1);  // the last sample cut in half
    Bytes noData = waveFile(1, 1, 44100, 16, {});
    noData.resize(noData.size() - 8);
    const struct {
        const char* what;
        Bytes file;
        bool ok;
        std::vector<std::int16_t> samples;
        std::int32_t channels;
        std::int32_t rate;
    } cases[] = {
        {"16-bit stereo", waveFile(1, 2, 44100, 16, stereo16), true, {1, 32767, -32768, -2}, 2, 44100},
        {"8-bit mono around 128", waveFile(1, 1, 11025, 8, {128, 255, 0}), true, {0, 32512, -32768}, 1, 11025},
        {"odd chunk skipped with its pad", waveFile(1, 1, 22050, 16, {0x05, 0x00}, true), true, {5}, 1, 22050},
        {"cut file keeps its whole frames", cut, true, {16, 32}, 1, 8000},
        {"float samples", waveFile(3, 1, 44100, 32, Bytes(8, 0)), false, {}, 0, 0},
        {"24-bit samples", waveFile(1, 1, 44100, 24, Bytes(6, 0)), false, {}, 0, 0},
        {"no samples", waveFile(1, 1, 44100, 16, {}), false, {}, 0, 0},
        {"not a WAVE file", Bytes{'O', 'g', 'g', 'S', 0, 0, 0, 0, 0, 0, 0, 0}, false, {}, 0, 0},
        {"no data chunk", noData, false, {}, 0, 0},
    };
    for (const auto& c : cases) {
        Pcm pcm;
        std::string error;
        EXPECT_EQ(readWave(c.file.data(), c.file.size(), pcm, error), c.ok) << c.what << ": " << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.what;
            continue;
        }
        EXPECT_EQ(pcm.samples, c.samples) << c.what;
        EXPECT_EQ(pcm.channels, c.channels) << c.what;
        EXPECT_EQ(pcm.rate, c.rate) << c.what;
    }
}

TEST(WaveReader, ConvertsChannelsAndRateSimply) {
    const struct {
        const char* what;
        Pcm in;
        DeviceFormat fmt;
        std::vector<std::int16_t> out;
    } cases[] = {
        {"same format is a copy", {{1, 2, 3, 4}, 2, 44100}, {44100, 2}, {1, 2, 3, 4}},
        {"one channel to both", {{100, -200}, 1, 44100}, {44100, 2}, {100, 100, -200, -200}},
        {"two averaged to one", {{100, 300, -32768, -32768}, 2, 44100}, {44100, 1}, {200, -32768}},
        {"more than two keep the first two", {{1, 2, 3, 4, 5, 6}, 3, 44100}, {44100, 2}, {1, 2, 4, 5}},
        {"doubled rate interpolates", {{0, 100, 300}, 1, 22050}, {44100, 1}, {0, 50, 100, 200, 300, 300}},
        {"halved rate takes every other", {{0, 10, 20, 30}, 1, 44100}, {22050, 1}, {0, 20}},
        {"rate and channels at once", {{0, 100}, 1, 22050}, {44100, 2}, {0, 0, 50, 50, 100, 100, 100, 100}},
    };
    for (const auto& c : cases) EXPECT_EQ(convertPcm(c.in, c.fmt), c.out) << c.what;
}
