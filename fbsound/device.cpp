// The sound library's output: opening and closing the device, the mixing callback, plug facts,
// master volume, filters and callbacks.
#include <algorithm>
#include <cstring>

#include "state.h"

namespace {

// The device asks for buffers of at most this many frames: about 12 ms at 44100 Hz, so a sound
// started by the game is heard within one or two buffers instead of the 139 ms that three buffers
// of 2048 frames would take.
constexpr std::int32_t DeviceFrames = 512;

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

// Runs on the device's thread with the device lock held.
void SDLCALL mixCallback(void* userdata, Uint8* stream, int len) {
    State& s = *static_cast<State*>(userdata);
    const std::int32_t frameBytes = s.channels * 2;
    if (s.acc.empty() || frameBytes <= 0) {
        std::memset(stream, 0, static_cast<std::size_t>(len));
        return;
    }
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    std::int32_t left = len / frameBytes;
    while (left > 0) {
        const std::int32_t piece = std::min(left, s.frames);
        mixPiece(s, out, piece);
        out += static_cast<std::ptrdiff_t>(piece) * s.channels;
        left -= piece;
    }
}

bool inRange(std::int32_t v, std::int32_t lo, std::int32_t hi) { return v >= lo && v <= hi; }

}  // namespace

extern "C" {

FBS_API int FBS_INIT(std::int32_t rate, std::int32_t channels, std::int32_t buffers, std::int32_t frames,
                     std::int32_t plug, std::int32_t device) {
    Locked l;
    State& s = l.s;
    if (s.ready) return fail(s, "already initialised");
    if (!inRange(rate, 8000, 192000) || !inRange(channels, 1, 2) || !inRange(buffers, 1, 64) ||
        !inRange(frames, 16, 65536) || plug != 0 || device < 0)
        return fail(s, "argument out of range");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail(s, "no audio subsystem");
    const char* name = nullptr;
    if (device > 0) {
        name = SDL_GetAudioDeviceName(device - 1, 0);
        if (name == nullptr) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return fail(s, "no such device");
        }
    }
    std::int32_t deviceFrames = 16;
    while (deviceFrames * 2 <= std::min(frames, DeviceFrames)) deviceFrames *= 2;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = static_cast<Uint16>(deviceFrames);
    want.callback = mixCallback;
    want.userdata = &s;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (id == 0) {
        s.lastError = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    s.device = id;
    s.rate = have.freq;
    s.channels = have.channels;
    s.buffers = buffers;
    s.frames = have.samples > 0 ? have.samples : deviceFrames;
    const std::size_t count = static_cast<std::size_t>(s.frames) * static_cast<std::size_t>(s.channels);
    s.acc.assign(count, 0.0f);
    s.voiceAcc.assign(count, 0.0f);
    s.voiceOut.assign(count, 0);
    designLimiter(s.limiter, s.rate, s.frames);
    s.deviceName = name != nullptr ? name : (SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "default");
    s.lastError.clear();
    s.ready = true;
    s.running = true;
    SDL_PauseAudioDevice(id, 0);
    return 1;
}

FBS_API int FBS_START(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    SDL_PauseAudioDevice(l.s.device, 0);
    l.s.running = true;
    return 1;
}

FBS_API int FBS_STOP(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    SDL_PauseAudioDevice(l.s.device, 1);
    l.s.running = false;
    return 1;
}

FBS_API int FBS_EXIT(void) {
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.api);  // not the device lock: closing waits for the mixer
    if (!s.ready) return fail(s, "not initialised");
    shutDown(s);
    return 1;
}

FBS_API int FBS_GET_PLUGPATH(const char** path) {
    Locked l;
    if (!l.s.ready || path == nullptr) return fail(l.s, "bad call");
    *path = l.s.plugPath.c_str();
    return 1;
}

FBS_API int FBS_SET_PLUGPATH(const char* path) {
    Locked l;
    if (!l.s.ready || path == nullptr) return fail(l.s, "bad call");
    l.s.plugPath = path;
    return 1;
}

FBS_API int FBS_GET_NUMOFPLUGOUTS(std::int32_t* count) {
    Locked l;
    if (!l.s.ready || count == nullptr) return fail(l.s, "bad call");
    *count = 1;
    return 1;
}

FBS_API int FBS_GET_PLUGNAME(const char** name) {
    Locked l;
    if (!l.s.ready || name == nullptr) return fail(l.s, "bad call");
    *name = "SDL2";
    return 1;
}

FBS_API int FBS_GET_PLUGDEVICE(const char** device) {
    Locked l;
    if (!l.s.ready || device == nullptr) return fail(l.s, "bad call");
    *device = l.s.deviceName.c_str();
    return 1;
}

FBS_API int FBS_GET_PLUGERROR(const char** error) {
    Locked l;
    if (!l.s.ready || error == nullptr) return fail(l.s, "bad call");
    *error = l.s.lastError.c_str();
    return 1;
}

}  // extern "C"

namespace {

template <class Fact>
int plugFact(std::int32_t* out, Fact fact) {
    Locked l;
    if (!l.s.ready || out == nullptr) return fail(l.s, "bad call");
    *out = fact(l.s);
    return 1;
}

}  // namespace

extern "C" {

FBS_API int FBS_GET_PLUGRATE(std::int32_t* rate) {
    return plugFact(rate, [](const State& s) { return s.rate; });
}
FBS_API int FBS_GET_PLUGBITS(std::int32_t* bits) {
    return plugFact(bits, [](const State&) { return 16; });
}
FBS_API int FBS_GET_PLUGCHANNELS(std::int32_t* channels) {
    return plugFact(channels, [](const State& s) { return s.channels; });
}
FBS_API int FBS_GET_PLUGBUFFERS(std::int32_t* buffers) {
    return plugFact(buffers, [](const State& s) { return s.buffers; });
}
FBS_API int FBS_GET_PLUGBUFFERSIZE(std::int32_t* bytes) {
    return plugFact(bytes, [](const State& s) { return s.frames * s.channels * 2; });
}
FBS_API int FBS_GET_PLUGFRAMES(std::int32_t* frames) {
    return plugFact(frames, [](const State& s) { return s.frames; });
}
FBS_API int FBS_GET_PLUGFRAMESIZE(std::int32_t* bytes) {
    return plugFact(bytes, [](const State& s) { return s.channels * 2; });
}

FBS_API int FBS_GET_PLUGRUNNING(void) {
    Locked l;
    return l.s.ready && l.s.running ? 1 : 0;
}

FBS_API int FBS_GET_PLAYINGSOUNDS(std::int32_t* count) {
    Locked l;
    if (!l.s.ready || count == nullptr) return fail(l.s, "bad call");
    *count = playingCount(l.s);
    return 1;
}

FBS_API int FBS_GET_PLAYEDBYTES(std::int64_t* bytes) {
    Locked l;
    if (!l.s.ready || bytes == nullptr) return fail(l.s, "bad call");
    *bytes = l.s.playedFrames * l.s.channels * 2;
    return 1;
}

FBS_API int FBS_GET_PLAYEDSAMPLES(std::int64_t* frames) {
    Locked l;
    if (!l.s.ready || frames == nullptr) return fail(l.s, "bad call");
    *frames = l.s.playedFrames;
    return 1;
}

FBS_API int FBS_GET_PLAYTIME(double* seconds) {
    Locked l;
    if (!l.s.ready || seconds == nullptr) return fail(l.s, "bad call");
    *seconds = static_cast<double>(l.s.playedFrames) / l.s.rate;
    return 1;
}

FBS_API int FBS_GET_MASTERVOLUME(float* volume) {
    Locked l;
    if (!l.s.ready || volume == nullptr) return fail(l.s, "bad call");
    *volume = l.s.masterVolume;
    return 1;
}

FBS_API int FBS_SET_MASTERVOLUME(float volume) {
    Locked l;
    if (!l.s.ready || !isNumber(volume) || volume < 0.0f) return fail(l.s, "bad call");
    l.s.masterVolume = std::min(volume, 4.0f);
    return 1;
}

FBS_API int FBS_SET_MASTERFILTER(std::int32_t filter, float centre, float octaves, float gain) {
    Locked l;
    State& s = l.s;
    if (!s.ready || filter < 0 || filter >= FilterCount) return fail(s, "bad call");
    if (!isNumber(centre) || !isNumber(octaves) || !isNumber(gain) || centre < 10.0f ||
        centre >= 0.49f * static_cast<float>(s.rate) || octaves < 0.1f || octaves > 4.0f || gain < -60.0f ||
        gain > 24.0f)
        return fail(s, "filter setting out of range");
    designPeakFilter(s.filters[filter], s.rate, centre, octaves, gain);
    return 1;
}

FBS_API int FBS_ENABLE_MASTERFILTER(std::int32_t filter) {
    Locked l;
    if (!l.s.ready || filter < 0 || filter >= FilterCount || !l.s.filters[filter].designed)
        return fail(l.s, "bad call");
    l.s.filters[filter].enabled = true;
    return 1;
}

FBS_API int FBS_DISABLE_MASTERFILTER(std::int32_t filter) {
    Locked l;
    if (!l.s.ready || filter < 0 || filter >= FilterCount) return fail(l.s, "bad call");
    l.s.filters[filter].enabled = false;
    return 1;
}

FBS_API int FBS_GET_MAXCHANNELS(std::int32_t* channels) {
    Locked l;
    if (!l.s.ready || channels == nullptr) return fail(l.s, "bad call");
    *channels = l.s.maxChannels;
    return 1;
}

FBS_API int FBS_SET_MAXCHANNELS(std::int32_t channels) {
    Locked l;
    if (!l.s.ready || !inRange(channels, 1, 1024)) return fail(l.s, "bad call");
    l.s.maxChannels = channels;
    return 1;
}

FBS_API int FBS_SET_LOADCALLBACK(FBS_LOADCALLBACK callback) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    l.s.loadCallback = callback;
    return 1;
}

FBS_API int FBS_ENABLE_LOADCALLBACK(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    l.s.loadCallbackEnabled = true;
    return 1;
}

FBS_API int FBS_DISABLE_LOADCALLBACK(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    l.s.loadCallbackEnabled = false;
    return 1;
}

FBS_API int FBS_SET_MASTERCALLBACK(FBS_BUFFERCALLBACK callback) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    l.s.masterCallback = callback;
    return 1;
}

FBS_API int FBS_ENABLE_MASTERCALLBACK(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    l.s.masterCallbackEnabled = true;
    return 1;
}

FBS_API int FBS_DISABLE_MASTERCALLBACK(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    l.s.masterCallbackEnabled = false;
    return 1;
}

}  // extern "C"
