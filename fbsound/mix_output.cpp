// The mixing every output device calls: all playing sounds, the master filters, the limiter and
// the master callback, one piece of at most s.frames frames at a time.
#include <algorithm>

#include "output.h"
#include "state.h"

namespace {

// Mixes one piece of at most s.frames frames into out.
void mixPiece(State& s, std::int16_t* out, std::int32_t frames) {
    const std::int32_t ch = s.channels;
    const std::size_t count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(ch);
    std::fill(s.acc.begin(), s.acc.begin() + static_cast<std::ptrdiff_t>(count), 0.0f);
    for (auto& sound : s.sounds) {
        if (!sound.alive || !sound.playing || sound.paused) continue;
        bool goesOn = true;
        if (sound.callback != nullptr && sound.callbackEnabled) {
            // The sound's own part first, handed to its callback, then added to the mix.
            std::fill(s.voiceAcc.begin(), s.voiceAcc.begin() + static_cast<std::ptrdiff_t>(count), 0.0f);
            goesOn = renderVoice(sound.voice, s.voiceAcc.data(), frames, ch);
            finishMix(s.voiceAcc.data(), s.voiceOut.data(), static_cast<std::int32_t>(count), 1.0f);
            sound.callback(s.voiceOut.data(), ch, frames);
            for (std::size_t i = 0; i < count; ++i) s.acc[i] += s.voiceOut[i];
        } else {
            goesOn = renderVoice(sound.voice, s.acc.data(), frames, ch);
        }
        if (!goesOn) {
            sound.playing = false;
            sound.playedOut = true;
            if (sound.disposable) sound.alive = false;
        }
    }
    for (auto& f : s.filters)
        if (f.enabled && f.designed) applyPeakFilter(f, s.acc.data(), frames, ch);
    finishLimitedMix(s.acc.data(), out, frames, ch, s.masterVolume, s.limiter);
    if (s.masterCallback != nullptr && s.masterCallbackEnabled) s.masterCallback(out, ch, frames);
    s.playedFrames += frames;
}

}  // namespace

std::int32_t pieceFrames(std::int32_t asked) {
    constexpr std::int32_t MostPieceFrames = 512;
    std::int32_t frames = 16;
    while (frames * 2 <= std::min(asked, MostPieceFrames)) frames *= 2;
    return frames;
}

void mixOutput(State& s, std::int16_t* out, std::int32_t frames) {
    if (s.acc.empty() || s.channels <= 0) {
        std::fill(out, out + static_cast<std::ptrdiff_t>(std::max(frames, 0)) * std::max(s.channels, 1), 0);
        return;
    }
    while (frames > 0) {
        const std::int32_t piece = std::min(frames, s.frames);
        mixPiece(s, out, piece);
        out += static_cast<std::ptrdiff_t>(piece) * s.channels;
        frames -= piece;
    }
}
