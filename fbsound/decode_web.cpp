// The sound library's decoders in the browser build: OGG Vorbis decoded by the browser itself, at
// the device's rate, and WAVE read by the library's own reader; both converted to the device's
// channels (and the WAVE's rate) with the library's own simple conversion.
#include "decode.h"

#include <emscripten.h>

#include <fstream>
#include <iterator>

#include "pcm.h"
#include "state.h"

namespace {

// Decodes the size bytes at bytes with the browser's decoder, resampled to rate Hz, and keeps the
// result as interleaved 16-bit samples until takeBrowserDecoded. Gives the frames, or -1 when the
// browser could not decode the file. Waits for the browser (the program sleeps meanwhile).
EM_ASYNC_JS(int, decodeInBrowser, (const std::uint8_t* bytes, int size, int rate), {
    Module.tallyDecoded = null;
    const copy = HEAPU8.slice(bytes, bytes + size);
    try {
        const Context = window.OfflineAudioContext || window.webkitOfflineAudioContext;
        const decoded = await new Context(1, 1, rate).decodeAudioData(copy.buffer);
        const channels = decoded.numberOfChannels;
        const frames = decoded.length;
        const samples = new Int16Array(frames * channels);
        for (let c = 0; c < channels; c++) {
            const data = decoded.getChannelData(c);
            for (let i = 0; i < frames; i++) {
                const v = Math.round(data[i] * 32768);
                samples[i * channels + c] = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
            }
        }
        Module.tallyDecoded = {samples: samples, channels: channels};
        return frames;
    } catch (e) {
        return -1;
    }
});

// The kept samples' channel count.
EM_JS(int, browserDecodedChannels, (), { return Module.tallyDecoded ? Module.tallyDecoded.channels : 0; });

// Copies the kept samples to out (room for all of them) and forgets them.
EM_JS(void, takeBrowserDecoded, (std::int16_t* out), {
    HEAP16.set(Module.tallyDecoded.samples, out >> 1);
    Module.tallyDecoded = null;
});

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void report(FBS_LOADCALLBACK progress, float percent) {
    if (progress != nullptr) progress(percent);
}

// Converts pcm to fmt into out; false with a reason when nothing is left.
bool finish(const Pcm& pcm, DeviceFormat fmt, FBS_LOADCALLBACK progress, std::vector<std::int16_t>& out,
            std::string& error) {
    out = convertPcm(pcm, fmt);
    if (out.size() < static_cast<std::size_t>(fmt.channels)) {
        error = "no sound in file";
        return false;
    }
    report(progress, 100.0f);
    return true;
}

}  // namespace

bool decodeOggFile(const std::string& path, DeviceFormat fmt, FBS_LOADCALLBACK progress,
                   std::vector<std::int16_t>& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readFile(path, bytes) || bytes.size() < 4 || !std::equal(bytes.begin(), bytes.begin() + 4, "OggS")) {
        error = "cannot open as OGG Vorbis: " + path;
        return false;
    }
    report(progress, 0.0f);
    const int frames = decodeInBrowser(bytes.data(), static_cast<int>(bytes.size()), fmt.rate);
    if (frames < 0) {
        error = "corrupt OGG Vorbis data";
        return false;
    }
    if (frames == 0) {
        error = "no sound in file";
        return false;
    }
    if (frames > MaxWaveSeconds * fmt.rate) {
        error = "longer than the longest wave";
        return false;
    }
    Pcm pcm;
    pcm.rate = fmt.rate;
    pcm.channels = browserDecodedChannels();
    pcm.samples.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(pcm.channels));
    takeBrowserDecoded(pcm.samples.data());
    return finish(pcm, fmt, progress, out, error);
}

bool decodeWavFile(const std::string& path, DeviceFormat fmt, FBS_LOADCALLBACK progress,
                   std::vector<std::int16_t>& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readFile(path, bytes)) {
        error = "cannot open: " + path;
        return false;
    }
    report(progress, 0.0f);
    Pcm pcm;
    if (!readWave(bytes.data(), bytes.size(), pcm, error)) return false;
    return finish(pcm, fmt, progress, out, error);
}
