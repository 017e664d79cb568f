// The sound library's decoders: OGG Vorbis through libvorbisfile and WAVE through SDL, both
// converted to the device's rate and channels with an SDL audio stream.
#include "decode.h"

#include <algorithm>

#include <SDL.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisfile.h>

#include "state.h"

namespace {

// Converts frames of 16-bit samples from inChannels/inRate to fmt (a plain copy when they match).
// SDL's resampler holds back the last few hundred frames even when flushed, so silence is fed
// after the sound and the result cut to the exact converted length.
bool convert(const std::vector<std::int16_t>& in, std::int32_t inChannels, std::int32_t inRate, DeviceFormat fmt,
             std::vector<std::int16_t>& out, std::string& error) {
    if (inChannels == fmt.channels && inRate == fmt.rate) {
        out = in;
        return true;
    }
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(inChannels), inRate, AUDIO_S16SYS,
                                                 static_cast<Uint8>(fmt.channels), fmt.rate);
    if (stream == nullptr) {
        error = "unsupported channel layout or rate";
        return false;
    }
    const std::int64_t inFrames = static_cast<std::int64_t>(in.size()) / inChannels;
    const std::int64_t outFrames = (inFrames * fmt.rate + inRate / 2) / inRate;
    const std::vector<std::int16_t> tail(static_cast<std::size_t>(inChannels) * 8192, 0);
    bool ok = SDL_AudioStreamPut(stream, in.data(), static_cast<int>(in.size() * sizeof(std::int16_t))) == 0 &&
              SDL_AudioStreamPut(stream, tail.data(), static_cast<int>(tail.size() * sizeof(std::int16_t))) == 0 &&
              SDL_AudioStreamFlush(stream) == 0;
    if (ok) {
        const int bytes = SDL_AudioStreamAvailable(stream);
        out.assign(static_cast<std::size_t>(bytes) / sizeof(std::int16_t), 0);
        ok = SDL_AudioStreamGet(stream, out.data(), bytes) == bytes;
        out.resize(static_cast<std::size_t>(outFrames) * static_cast<std::size_t>(fmt.channels), 0);
    }
    SDL_FreeAudioStream(stream);
    if (!ok) error = "conversion failed";
    return ok;
}

void report(FBS_LOADCALLBACK progress, float percent) {
    if (progress != nullptr) progress(percent);
}

// Whether frames frames at rate fit the length limit.
bool tooLong(std::int64_t frames, std::int64_t rate) { return frames > MaxWaveSeconds * rate; }

}  // namespace

bool decodeOggFile(const std::string& path, DeviceFormat fmt, FBS_LOADCALLBACK progress,
                   std::vector<std::int16_t>& out, std::string& error) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) {
        error = "cannot open as OGG Vorbis: " + path;
        return false;
    }
    report(progress, 0.0f);
    const vorbis_info* info = ov_info(&vf, -1);
    const std::int32_t channels = info != nullptr ? info->channels : 0;
    const std::int32_t rate = info != nullptr ? static_cast<std::int32_t>(info->rate) : 0;
    const ogg_int64_t total = ov_pcm_total(&vf, -1);
    bool ok = channels > 0 && channels <= 8 && rate >= 1000 && rate <= 384000;
    if (!ok) error = "unsupported stream";
    if (ok && total > 0 && tooLong(total, rate)) {
        ok = false;
        error = "longer than the longest wave";
    }
    std::vector<std::int16_t> pcm;
    if (ok && total > 0) pcm.reserve(static_cast<std::size_t>(total) * static_cast<std::size_t>(channels));
    char buffer[8192];
    int section = 0;
    float lastReported = 0.0f;
    while (ok) {
        const long got = ov_read(&vf, buffer, sizeof buffer, SDL_BYTEORDER == SDL_BIG_ENDIAN ? 1 : 0, 2, 1, &section);
        if (got == 0) break;
        if (got == OV_HOLE) continue;  // a gap in the data: recoverable, go on after it
        if (got < 0) {
            ok = false;
            error = "corrupt OGG Vorbis data";
            break;
        }
        const vorbis_info* now = ov_info(&vf, section);
        if (now == nullptr || now->channels != channels || now->rate != rate) {
            ok = false;
            error = "chained streams of different formats";
            break;
        }
        const auto* samples = reinterpret_cast<const std::int16_t*>(buffer);
        pcm.insert(pcm.end(), samples, samples + got / 2);
        if (tooLong(static_cast<std::int64_t>(pcm.size()) / channels, rate)) {
            ok = false;
            error = "longer than the longest wave";
        }
        if (progress != nullptr && total > 0) {
            const float percent = 100.0f * static_cast<float>(pcm.size() / static_cast<std::size_t>(channels)) /
                                  static_cast<float>(total);
            if (percent >= lastReported + 10.0f) {
                lastReported = percent;
                report(progress, std::min(percent, 99.0f));
            }
        }
    }
    ov_clear(&vf);
    if (ok && pcm.size() < static_cast<std::size_t>(channels)) {
        ok = false;
        error = "no sound in file";
    }
    ok = ok && convert(pcm, channels, rate, fmt, out, error);
    if (ok && out.size() < static_cast<std::size_t>(fmt.channels)) {
        ok = false;
        error = "no sound in file";
    }
    if (ok) report(progress, 100.0f);
    return ok;
}

bool decodeWavFile(const std::string& path, DeviceFormat fmt, FBS_LOADCALLBACK progress,
                   std::vector<std::int16_t>& out, std::string& error) {
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.c_str(), &spec, &buffer, &length) == nullptr) {
        error = SDL_GetError();
        return false;
    }
    report(progress, 0.0f);
    bool ok = spec.channels >= 1 && spec.channels <= 8 && spec.freq >= 1000 && spec.freq <= 384000;
    if (!ok) error = "unsupported WAVE format";
    const int frameBytes = static_cast<int>(SDL_AUDIO_BITSIZE(spec.format) / 8) * spec.channels;
    if (ok && (frameBytes <= 0 || length < static_cast<Uint32>(frameBytes) ||
               tooLong(length / static_cast<Uint32>(frameBytes), spec.freq))) {
        ok = false;
        error = "empty or overlong WAVE file";
    }
    std::vector<std::int16_t> pcm;
    if (ok) {
        // First to 16-bit samples in the file's own layout, then on to the device's.
        SDL_AudioStream* stream =
            SDL_NewAudioStream(spec.format, spec.channels, spec.freq, AUDIO_S16SYS, spec.channels, spec.freq);
        ok = stream != nullptr && SDL_AudioStreamPut(stream, buffer, static_cast<int>(length)) == 0 &&
             SDL_AudioStreamFlush(stream) == 0;
        if (ok) {
            const int bytes = SDL_AudioStreamAvailable(stream);
            pcm.assign(static_cast<std::size_t>(bytes) / sizeof(std::int16_t), 0);
            ok = SDL_AudioStreamGet(stream, pcm.data(), bytes) == bytes;
        }
        if (stream != nullptr) SDL_FreeAudioStream(stream);
        if (!ok) error = "conversion failed";
    }
    SDL_FreeWAV(buffer);
    ok = ok && convert(pcm, spec.channels, spec.freq, fmt, out, error);
    if (ok && out.size() < static_cast<std::size_t>(fmt.channels)) {
        ok = false;
        error = "no sound in file";
    }
    if (ok) report(progress, 100.0f);
    return ok;
}
