// The sound library's own WAVE reader and its simple conversion to the device's format.
#include "pcm.h"

#include <algorithm>
#include <cmath>

#include "state.h"

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool tag(const std::uint8_t* p, const char* name) { return std::equal(p, p + 4, name); }

// Frame f's sample for output channel c of an out-channel mix.
float channelSample(const Pcm& in, std::size_t f, std::int32_t c, std::int32_t outChannels) {
    const std::int16_t* frame = in.samples.data() + f * static_cast<std::size_t>(in.channels);
    if (in.channels == 1) return frame[0];
    if (outChannels == 1 && in.channels == 2) return (static_cast<float>(frame[0]) + frame[1]) / 2.0f;
    return frame[std::min(c, in.channels - 1)];
}

}  // namespace

bool readWave(const std::uint8_t* bytes, std::size_t size, Pcm& out, std::string& error) {
    if (size < 12 || !tag(bytes, "RIFF") || !tag(bytes + 8, "WAVE")) {
        error = "not a RIFF WAVE file";
        return false;
    }
    std::int32_t channels = 0;
    std::int32_t rate = 0;
    std::int32_t bits = 0;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= size) {
        const std::uint8_t* chunk = bytes + at;
        const std::size_t length = le32(chunk + 4);
        const std::size_t body = at + 8;
        // A cut file keeps what its last chunk holds.
        const bool last = length >= size - body;
        const std::size_t available = last ? size - body : length;
        if (tag(chunk, "fmt ")) {
            if (available < 16) break;
            const std::uint16_t format = le16(chunk + 8);
            channels = le16(chunk + 10);
            rate = static_cast<std::int32_t>(std::min<std::uint32_t>(le32(chunk + 12), 1u << 30));
            bits = le16(chunk + 22);
            haveFormat = true;
            if (format != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 8 || rate < 1000 ||
                rate > 384000) {
                error = "unsupported WAVE format";
                return false;
            }
        } else if (tag(chunk, "data")) {
            if (!haveFormat) break;
            const std::size_t bytesPerSample = static_cast<std::size_t>(bits / 8);
            const std::size_t frames = available / (bytesPerSample * static_cast<std::size_t>(channels));
            if (frames == 0) {
                error = "no sound in file";
                return false;
            }
            if (frames > static_cast<std::size_t>(MaxWaveSeconds) * static_cast<std::size_t>(rate)) {
                error = "longer than the longest wave";
                return false;
            }
            const std::uint8_t* p = bytes + body;
            out.samples.resize(frames * static_cast<std::size_t>(channels));
            for (std::int16_t& sample : out.samples) {
                // 8-bit samples are unsigned around 128; 16-bit ones signed.
                sample = bits == 8 ? static_cast<std::int16_t>((p[0] - 128) * 256) : static_cast<std::int16_t>(le16(p));
                p += bytesPerSample;
            }
            out.channels = channels;
            out.rate = rate;
            return true;
        }
        if (last) break;
        at = body + length + (length & 1);  // chunks are padded to an even length
    }
    error = haveFormat ? "no sound in file" : "damaged WAVE file";
    return false;
}

std::vector<std::int16_t> convertPcm(const Pcm& in, DeviceFormat fmt) {
    if (in.channels == fmt.channels && in.rate == fmt.rate) return in.samples;
    const std::size_t inFrames = in.samples.size() / static_cast<std::size_t>(in.channels);
    const auto outFrames = static_cast<std::size_t>(
        std::llround(static_cast<double>(inFrames) * fmt.rate / static_cast<double>(in.rate)));
    std::vector<std::int16_t> out(outFrames * static_cast<std::size_t>(fmt.channels));
    const double step = static_cast<double>(in.rate) / fmt.rate;
    for (std::size_t f = 0; f < outFrames; ++f) {
        const double at = static_cast<double>(f) * step;
        const std::size_t left = std::min(static_cast<std::size_t>(at), inFrames - 1);
        const std::size_t right = std::min(left + 1, inFrames - 1);
        const auto share = static_cast<float>(at - static_cast<double>(left));
        for (std::int32_t c = 0; c < fmt.channels; ++c) {
            const float a = channelSample(in, left, c, fmt.channels);
            const float b = channelSample(in, right, c, fmt.channels);
            out[f * static_cast<std::size_t>(fmt.channels) + static_cast<std::size_t>(c)] =
                static_cast<std::int16_t>(std::lround(a + (b - a) * share));
        }
    }
    return out;
}
