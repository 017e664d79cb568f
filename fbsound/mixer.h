// The sound library's mixing arithmetic: voices summed into a float buffer, equaliser bands, the
// limiter and the conversion to 16-bit samples. Knows nothing of devices or threads.
#pragma once
#include <cstdint>
#include <vector>

// One playing instance as the mixer sees it. samples holds the whole wave, interleaved with the
// mix's channel count; the voice plays frames [begin, end) of it.
struct Voice {
    const std::int16_t* samples = nullptr;
    std::int32_t begin = 0;
    std::int32_t end = 0;
    double position = 0;          // the frame now playing, begin <= position < end
    float speed = 1.0f;           // frames of the wave per frame of output
    float volume = 1.0f;
    float pan = 0.0f;             // -1 left .. 1 right
    std::int32_t loopsLeft = 1;   // plays left including the current one; negative: endless
    bool muted = false;
};

// Adds frames frames of the voice into acc (frames x channels floats, channels 1 or 2) and moves
// the voice on. Returns false when the voice has played out during this call; position is then
// left at end. The caller guarantees begin < end and that samples covers [begin, end).
bool renderVoice(Voice& voice, float* acc, std::int32_t frames, std::int32_t channels);

// The gains of a voice on the left and right channel (on a one-channel mix only left counts):
// centre plays at full volume on both sides, panning lowers the far side.
void voiceGains(const Voice& voice, std::int32_t channels, float& left, float& right);

// Writes count samples of acc, scaled by master, to out, limited to the 16-bit range so that a
// loud mix clips instead of wrapping around. NaN becomes silence. Used for one sound's own part.
void finishMix(const float* acc, std::int16_t* out, std::int32_t count, float master);

// The gentle limiter on the sum of all sounds. While the mix fits in 16 bits it does nothing at all:
// a single sound, or several that stay within full scale, pass bit for bit. When the sum would go
// beyond full scale, the whole mix (both channels alike) is turned down to just below it, the gain
// sliding down over a few milliseconds ahead of the peak, staying down a little and coming back up
// over a few tenths of a second, so that overlapping loud sounds get quieter instead of crackling.
struct Limiter {
    float gain = 1.0f;           // where the gain stands after the last buffer; exactly 1 when at rest
    std::int32_t holdFrames = 0; // how many frames ahead of a peak the gain is already at its level
    float attackStep = 0.0f;     // the most the gain moves per frame on its way down to a peak
    std::int32_t stayFrames = 0; // how long the gain stays down after it was last lowered ...
    std::int32_t stayedFor = 0;  // ... and how long it has stayed so far
    float release = 0.0f;        // the share of the way back to 1 that the gain recovers per frame ...
    float returnStep = 0.0f;     // ... but at least this much, so that it does come back to exactly 1
    std::vector<float> frameGains;  // working space, one gain per frame of the buffer
};

// Sets the limiter's speeds for a mix at rate Hz and puts it at rest; makes room for buffers of up
// to frames frames. Called when the output opens, not on the mixing thread.
void designLimiter(Limiter& limiter, double rate, std::int32_t frames);

// Writes frames frames of acc (frames x channels), scaled by master, to out through the limiter. The
// limiter looks ahead within this buffer only; a peak at the very start of a buffer that it could not
// see coming is met at once. NaN becomes silence. Allocates nothing when frames is within the size
// given to designLimiter.
void finishLimitedMix(const float* acc, std::int16_t* out, std::int32_t frames, std::int32_t channels, float master,
                      Limiter& limiter);

// One peaking equaliser band (a second-order section per channel).
struct PeakFilter {
    bool enabled = false;
    bool designed = false;
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    float z1[2] = {0, 0};
    float z2[2] = {0, 0};
};

// Sets the band's coefficients for a mix at rate Hz; clears its memory. The caller has checked
// 0 < centre < rate / 2, octaves > 0.
void designPeakFilter(PeakFilter& filter, double rate, double centre, double octaves, double gainDb);
// Filters acc (frames x channels) in place.
void applyPeakFilter(PeakFilter& filter, float* acc, std::int32_t frames, std::int32_t channels);
