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

namespace {

std::int16_t toSample(float s) {
    // The comparisons are false for NaN, which therefore ends up as 0.
    float limited = 0.0f;
    if (s >= 32767.0f)
        limited = 32767.0f;
    else if (s <= -32768.0f)
        limited = -32768.0f;
    else if (s == s)
        limited = s;
    return static_cast<std::int16_t>(std::lrint(limited));
}

// When the sum goes beyond full scale, the limiter brings its peaks to this level, a little below
// full scale, so that even the top of a bent wave never sits flat on the limit.
constexpr float LimitCeiling = 32767.0f * 0.98f;

// The gain sample s needs: 1 while it fits in 16 bits (NaN fits: it becomes silence), else the gain
// that brings it to the ceiling.
float neededGain(float s) {
    if (s > 32767.0f) return LimitCeiling / s;
    if (s < -32768.0f) return -LimitCeiling / s;
    return 1.0f;
}

// The limiter's timing: the gain reaches a peak's level this long before the peak and holds it, so
// that it never follows the wave within one of its cycles (which would flatten it like clipping) ...
constexpr double HoldSeconds = 0.002;
// ... slides down to it over about as long again, short enough to catch the onset of a sound and
// long enough not to be heard as a click ...
constexpr double AttackSeconds = 0.002;
// ... and afterwards stays down a while, as the next peaks of loud overlapping sounds are seldom far
// (a gain going up and down with every wave would be heard as roughness) ...
constexpr double StaySeconds = 0.050;
// ... then comes back with a time constant of 80 ms, but at least at a pace that brings it back from
// silence within half a second, so that it does come to rest.
constexpr double ReleaseSeconds = 0.080;
constexpr double LongestReturnSeconds = 0.5;

}  // namespace

void finishMix(const float* acc, std::int16_t* out, std::int32_t count, float master) {
    for (std::int32_t i = 0; i < count; ++i) out[i] = toSample(acc[i] * master);
}

void designLimiter(Limiter& limiter, double rate, std::int32_t frames) {
    limiter.gain = 1.0f;
    limiter.holdFrames = static_cast<std::int32_t>(std::lround(HoldSeconds * rate));
    limiter.stayFrames = static_cast<std::int32_t>(std::lround(StaySeconds * rate));
    limiter.stayedFor = 0;
    limiter.attackStep = static_cast<float>(1.0 / std::max(1.0, AttackSeconds * rate));
    limiter.release = static_cast<float>(1.0 - std::exp(-1.0 / std::max(1.0, ReleaseSeconds * rate)));
    limiter.returnStep = static_cast<float>(1.0 / std::max(1.0, LongestReturnSeconds * rate));
    limiter.frameGains.assign(static_cast<std::size_t>(std::max(frames, 1)), 1.0f);
}

void finishLimitedMix(const float* acc, std::int16_t* out, std::int32_t frames, std::int32_t channels, float master,
                      Limiter& limiter) {
    const std::int32_t ch = channels < 2 ? 1 : 2;
    if (frames <= 0) return;
    if (limiter.frameGains.size() < static_cast<std::size_t>(frames))
        limiter.frameGains.resize(static_cast<std::size_t>(frames));
    // The gain each frame needs to fit, both channels turned down alike so the stereo image stays.
    float* gains = limiter.frameGains.data();
    bool fits = true;
    for (std::int32_t f = 0; f < frames; ++f) {
        float need = 1.0f;
        for (std::int32_t c = 0; c < ch; ++c) need = std::min(need, neededGain(acc[f * ch + c] * master));
        gains[f] = need;
        fits = fits && need == 1.0f;
    }
    if (fits && limiter.gain == 1.0f) {
        finishMix(acc, out, frames * ch, master);  // at rest: exactly the plain conversion
        return;
    }
    // Each frame takes the lowest need of the frames just ahead (a peak is met at its level a little
    // early, and held) ...
    for (std::int32_t f = 0; f < frames; ++f) {
        const std::int32_t last = std::min(frames - 1, f + limiter.holdFrames);
        for (std::int32_t ahead = f + 1; ahead <= last; ++ahead) gains[f] = std::min(gains[f], gains[ahead]);
    }
    // ... and before that the gain may be only a little above it, more the further ahead the peak
    // lies: the gain slides down to the peak's level instead of jumping.
    for (std::int32_t f = frames - 2; f >= 0; --f) gains[f] = std::min(gains[f], gains[f + 1] + limiter.attackStep);
    float gain = limiter.gain;
    for (std::int32_t f = 0; f < frames; ++f) {
        if (gains[f] < gain) {
            gain = gains[f];
            limiter.stayedFor = 0;
        } else if (limiter.stayedFor < limiter.stayFrames) {
            ++limiter.stayedFor;
        } else {
            gain = std::min({1.0f, gains[f], gain + std::max((1.0f - gain) * limiter.release, limiter.returnStep)});
        }
        for (std::int32_t c = 0; c < ch; ++c) out[f * ch + c] = toSample(acc[f * ch + c] * master * gain);
    }
    limiter.gain = gain;
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
