// The sound library's own plain sample handling, with no outside library: reading a RIFF WAVE file
// from its bytes, and the simple conversion of samples to the device's rate and channels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode.h"

// Samples as a file holds them: interleaved 16-bit, channels channels at rate Hz.
struct Pcm {
    std::vector<std::int16_t> samples;
    std::int32_t channels = 0;
    std::int32_t rate = 0;
};

// Reads a RIFF WAVE file of 8-bit or 16-bit integer PCM (1 to 8 channels, 1000 to 384000 Hz) from
// its bytes into out and returns true; returns false with a reason in error for anything else (a
// damaged or cut file, another sample format, no samples). Chunks it does not know are skipped.
bool readWave(const std::uint8_t* bytes, std::size_t size, Pcm& out, std::string& error);

// Converts in to fmt: one channel is copied to both, two are averaged to one, more keep their first
// two (or the first for one); the rate by straight-line interpolation between neighbouring frames,
// giving round(frames x fmt.rate / in.rate) frames. A plain copy when the formats match.
std::vector<std::int16_t> convertPcm(const Pcm& in, DeviceFormat fmt);
