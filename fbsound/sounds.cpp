// The sound library's sounds: playback instances of a wave, their start, place and settings.
#include <algorithm>
#include <cmath>

#include "state.h"

namespace {

// Position reported for a sound that plays: strictly between 0 and 1, so a caller can always tell
// it from an idle one.
constexpr float LeastBusy = 1.0e-6f;
constexpr float MostBusy = 0.99999994f;  // the largest float below 1

float busyPosition(const Sound& sound) {
    const Voice& v = sound.voice;
    const double span = v.end - v.begin;
    const double at = span > 0 ? (v.position - v.begin) / span : 0.0;
    return std::clamp(static_cast<float>(at), LeastBusy, MostBusy);
}

// Runs body on the sound named by handle; fails for an unknown handle.
template <class Body>
int withSound(std::int32_t handle, Body body) {
    Locked l;
    Sound* sound = findSound(l.s, handle);
    if (sound == nullptr) return fail(l.s, "unknown sound");
    return body(l.s, *sound) ? 1 : fail(l.s, "bad argument");
}

void setLoops(Sound& sound, std::int32_t loops) {
    if (loops == 0) {
        sound.playing = false;
        sound.playedOut = false;
        sound.paused = false;
        sound.voice.position = sound.voice.begin;
    }
    sound.voice.loopsLeft = loops;
}

}  // namespace

extern "C" {

FBS_API int FBS_CREATE_SOUND(std::int32_t wave, std::int32_t* sound) {
    Locked l;
    State& s = l.s;
    if (sound == nullptr) return fail(s, "no place for the sound handle");
    *sound = -1;
    if (findWave(s, wave) == nullptr) return fail(s, "unknown wave");
    const std::int32_t handle = addSound(s, wave & 0xFFFF);
    if (handle < 0) return fail(s, "too many sounds");
    *sound = handle;
    return 1;
}

FBS_API int FBS_DESTROY_SOUND(std::int32_t sound) {
    return withSound(sound, [](State&, Sound& made) {
        made.playing = false;
        made.alive = false;
        return true;
    });
}

FBS_API int FBS_PLAY_SOUND(std::int32_t sound, std::int32_t loops) {
    return withSound(sound, [loops](State& s, Sound& made) {
        if (loops != 0 && !made.playing && playingCount(s) >= s.maxChannels) return false;
        made.voice.position = made.voice.begin;
        made.paused = false;
        made.playedOut = false;
        made.playing = loops != 0;
        made.voice.loopsLeft = loops;
        return true;
    });
}

FBS_API int FBS_GET_SOUNDPOSITION(std::int32_t sound, float* position) {
    return withSound(sound, [position](State&, Sound& made) {
        if (position == nullptr) return false;
        *position = made.playing ? busyPosition(made) : made.playedOut ? 1.0f : 0.0f;
        return true;
    });
}

FBS_API int FBS_GET_SOUNDLENGTH(std::int32_t sound, std::int32_t* ms) {
    return withSound(sound, [ms](State& s, Sound& made) {
        if (ms == nullptr) return false;
        *ms = static_cast<std::int32_t>(static_cast<std::int64_t>(made.voice.end - made.voice.begin) * 1000 / s.rate);
        return true;
    });
}

FBS_API int FBS_SET_SOUNDSPEED(std::int32_t sound, float speed) {
    return withSound(sound, [speed](State&, Sound& made) {
        if (!isNumber(speed) || speed < 0.01f || speed > 16.0f) return false;
        made.voice.speed = speed;
        return true;
    });
}

FBS_API int FBS_GET_SOUNDSPEED(std::int32_t sound, float* speed) {
    return withSound(sound, [speed](State&, Sound& made) {
        if (speed == nullptr) return false;
        *speed = made.voice.speed;
        return true;
    });
}

FBS_API int FBS_SET_SOUNDVOLUME(std::int32_t sound, float volume) {
    return withSound(sound, [volume](State&, Sound& made) {
        if (!isNumber(volume) || volume < 0.0f) return false;
        made.voice.volume = std::min(volume, 4.0f);
        return true;
    });
}

FBS_API int FBS_GET_SOUNDVOLUME(std::int32_t sound, float* volume) {
    return withSound(sound, [volume](State&, Sound& made) {
        if (volume == nullptr) return false;
        *volume = made.voice.volume;
        return true;
    });
}

FBS_API int FBS_SET_SOUNDPAN(std::int32_t sound, float pan) {
    return withSound(sound, [pan](State&, Sound& made) {
        if (!isNumber(pan)) return false;
        made.voice.pan = std::clamp(pan, -1.0f, 1.0f);
        return true;
    });
}

FBS_API int FBS_GET_SOUNDPAN(std::int32_t sound, float* pan) {
    return withSound(sound, [pan](State&, Sound& made) {
        if (pan == nullptr) return false;
        *pan = made.voice.pan;
        return true;
    });
}

FBS_API int FBS_SET_SOUNDLOOPS(std::int32_t sound, std::int32_t loops) {
    return withSound(sound, [loops](State&, Sound& made) {
        setLoops(made, loops);
        return true;
    });
}

FBS_API int FBS_GET_SOUNDLOOPS(std::int32_t sound, std::int32_t* loops) {
    return withSound(sound, [loops](State&, Sound& made) {
        if (loops == nullptr) return false;
        *loops = made.playing ? made.voice.loopsLeft : 0;
        return true;
    });
}

FBS_API int FBS_SET_SOUNDMUTED(std::int32_t sound, std::int32_t muted) {
    return withSound(sound, [muted](State&, Sound& made) {
        made.voice.muted = muted != 0;
        return true;
    });
}

FBS_API int FBS_GET_SOUNDMUTED(std::int32_t sound, std::int32_t* muted) {
    return withSound(sound, [muted](State&, Sound& made) {
        if (muted == nullptr) return false;
        *muted = made.voice.muted ? 1 : 0;
        return true;
    });
}

FBS_API int FBS_SET_SOUNDPAUSED(std::int32_t sound, std::int32_t paused) {
    return withSound(sound, [paused](State&, Sound& made) {
        made.paused = paused != 0;
        return true;
    });
}

FBS_API int FBS_GET_SOUNDPAUSED(std::int32_t sound, std::int32_t* paused) {
    return withSound(sound, [paused](State&, Sound& made) {
        if (paused == nullptr) return false;
        *paused = made.paused ? 1 : 0;
        return true;
    });
}

FBS_API int FBS_GET_SOUNDPOINTERS(std::int32_t sound, std::int16_t** start, std::int16_t** position,
                                  std::int16_t** end) {
    return withSound(sound, [=](State& s, Sound& made) {
        std::int16_t* base = s.waves[static_cast<std::size_t>(made.wave)].samples.data();
        const Voice& v = made.voice;
        const auto at = std::min(static_cast<std::int32_t>(v.position), v.end);
        if (start != nullptr) *start = base + static_cast<std::ptrdiff_t>(v.begin) * s.channels;
        if (position != nullptr) *position = base + static_cast<std::ptrdiff_t>(at) * s.channels;
        if (end != nullptr) *end = base + static_cast<std::ptrdiff_t>(v.end) * s.channels;
        return true;
    });
}

FBS_API int FBS_SET_SOUNDPOINTERS(std::int32_t sound, std::int16_t* start, std::int16_t* position,
                                  std::int16_t* end) {
    return withSound(sound, [=](State& s, Sound& made) {
        const Wave& w = s.waves[static_cast<std::size_t>(made.wave)];
        // Compare addresses as integers: pointers from anywhere else must not be subtracted.
        const auto base = reinterpret_cast<std::uintptr_t>(w.samples.data());
        const auto frameBytes = static_cast<std::uintptr_t>(s.channels) * sizeof(std::int16_t);
        const auto limit = base + static_cast<std::uintptr_t>(w.frames) * frameBytes;
        const auto a = reinterpret_cast<std::uintptr_t>(start);
        const auto p = reinterpret_cast<std::uintptr_t>(position);
        const auto e = reinterpret_cast<std::uintptr_t>(end);
        if (a < base || e > limit || !(a <= p && p < e)) return false;
        if ((a - base) % frameBytes != 0 || (p - base) % frameBytes != 0 || (e - base) % frameBytes != 0)
            return false;
        made.voice.begin = static_cast<std::int32_t>((a - base) / frameBytes);
        made.voice.end = static_cast<std::int32_t>((e - base) / frameBytes);
        made.voice.position = static_cast<double>((p - base) / frameBytes);
        return true;
    });
}

FBS_API int FBS_SET_SOUNDCALLBACK(std::int32_t sound, FBS_BUFFERCALLBACK callback) {
    return withSound(sound, [callback](State&, Sound& made) {
        made.callback = callback;
        return true;
    });
}

FBS_API int FBS_ENABLE_SOUNDCALLBACK(std::int32_t sound) {
    return withSound(sound, [](State&, Sound& made) {
        made.callbackEnabled = true;
        return true;
    });
}

FBS_API int FBS_DISABLE_SOUNDCALLBACK(std::int32_t sound) {
    return withSound(sound, [](State&, Sound& made) {
        made.callbackEnabled = false;
        return true;
    });
}

}  // extern "C"
