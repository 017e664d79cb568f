// The sound library's mixing arithmetic: voices, equaliser bands and the final 16-bit conversion.
#include "mixer.h"

#include <algorithm>
#include <cmath>

void voiceGains(const Voice& voice, std::int32_t channels, float& left, float& right) {
    if (voice.muted) {
        left = right = 0.0f;
        return;
    }
    if (channels < 2) {
        left = right = voice.volume;
        return;
    }
    const float pan = std::clamp(voice.pan, -1.0f, 1.0f);
    left = voice.volume * std::min(1.0f, 1.0f - pan);
    right = voice.volume * std::min(1.0f, 1.0f + pan);
}

namespace {

// Ends one pass through the range: another loop starts at begin, or the voice is done.
bool wrapAtEnd(Voice& v) {
    const double length = v.end - v.begin;
    while (v.position >= v.end) {
        if (v.loopsLeft > 0 && --v.loopsLeft == 0) {
            v.position = v.end;
            return false;
        }
        v.position -= length;
    }
    return true;
}

}  // namespace

bool renderVoice(Voice& v, float* acc, std::int32_t frames, std::int32_t channels) {
    if (v.loopsLeft == 0 || v.begin >= v.end) return false;
    float gain[2];
    voiceGains(v, channels, gain[0], gain[1]);
    const std::int32_t ch = channels < 2 ? 1 : 2;
    std::int32_t f = 0;
    if (v.speed == 1.0f && v.position == std::floor(v.position)) {
        // Whole frames at speed 1: straight runs of samples, no interpolation.
        while (f < frames) {
            const auto at = static_cast<std::int32_t>(v.position);
            const std::int32_t run = std::min(frames - f, v.end - at);
            const std::int16_t* src = v.samples + static_cast<std::int64_t>(at) * ch;
            float* dst = acc + static_cast<std::int64_t>(f) * ch;
            if (ch == 2) {
                for (std::int32_t i = 0; i < run; ++i) {
                    dst[2 * i] += src[2 * i] * gain[0];
                    dst[2 * i + 1] += src[2 * i + 1] * gain[1];
                }
            } else {
                for (std::int32_t i = 0; i < run; ++i) dst[i] += src[i] * gain[0];
            }
            f += run;
            v.position += run;
            if (!wrapAtEnd(v)) return false;
        }
        return true;
    }
    // Any other speed: linear interpolation between neighbouring frames. The neighbour of the
    // last frame is the first one when the voice will loop, else the last frame itself.
    for (; f < frames; ++f) {
        const auto at = static_cast<std::int32_t>(v.position);
        const float frac = static_cast<float>(v.position - at);
        std::int32_t next = at + 1;
        if (next >= v.end) next = v.loopsLeft == 1 ? at : v.begin;
        const std::int16_t* s0 = v.samples + static_cast<std::int64_t>(at) * ch;
        const std::int16_t* s1 = v.samples + static_cast<std::int64_t>(next) * ch;
        float* dst = acc + static_cast<std::int64_t>(f) * ch;
        for (std::int32_t c = 0; c < ch; ++c)
            dst[c] += (s0[c] + (s1[c] - s0[c]) * frac) * gain[c];
        v.position += v.speed;
        if (!wrapAtEnd(v)) return false;
    }
    return true;
}

void finishMix(const float* acc, std::int16_t* out, std::int32_t count, float master) {
    for (std::int32_t i = 0; i < count; ++i) {
        const float s = acc[i] * master;
        // The comparisons are false for NaN, which therefore ends up as 0.
        float limited = 0.0f;
        if (s >= 32767.0f)
            limited = 32767.0f;
        else if (s <= -32768.0f)
            limited = -32768.0f;
        else if (s == s)
            limited = s;
        out[i] = static_cast<std::int16_t>(std::lrint(limited));
    }
}

void designPeakFilter(PeakFilter& f, double rate, double centre, double octaves, double gainDb) {
    // The peaking band of the well-known audio equaliser cookbook, bandwidth given in octaves.
    const double pi = 3.14159265358979323846;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * pi * centre / rate;
    const double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / std::sin(w0));
    const double a0 = 1.0 + alpha / a;
    f.b0 = static_cast<float>((1.0 + alpha * a) / a0);
    f.b1 = static_cast<float>((-2.0 * std::cos(w0)) / a0);
    f.b2 = static_cast<float>((1.0 - alpha * a) / a0);
    f.a1 = f.b1;
    f.a2 = static_cast<float>((1.0 - alpha / a) / a0);
    f.z1[0] = f.z1[1] = f.z2[0] = f.z2[1] = 0.0f;
    f.designed = true;
}

void applyPeakFilter(PeakFilter& f, float* acc, std::int32_t frames, std::int32_t channels) {
    const std::int32_t ch = channels < 2 ? 1 : 2;
    for (std::int32_t c = 0; c < ch; ++c) {
        float z1 = f.z1[c], z2 = f.z2[c];
        for (std::int32_t i = 0; i < frames; ++i) {
            float& x = acc[static_cast<std::int64_t>(i) * ch + c];
            const float y = f.b0 * x + z1;
            z1 = f.b1 * x - f.a1 * y + z2;
            z2 = f.b2 * x - f.a2 * y;
            x = y;
        }
        // A filter fed with NaN or overflow would stay broken; start it afresh instead.
        if (!std::isfinite(z1) || !std::isfinite(z2)) z1 = z2 = 0.0f;
        f.z1[c] = z1;
        f.z2[c] = z2;
    }
}
