// The sound library's waves: loading, making, measuring, playing and freeing decoded sound data.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "decode.h"
#include "output.h"
#include "state.h"

namespace {

using Decoder = bool (*)(const std::string&, DeviceFormat, FBS_LOADCALLBACK, std::vector<std::int16_t>&,
                         std::string&);

// Decodes without the device lock, so the mixer keeps playing while a file loads, then adds the
// wave under it.
int loadWith(Decoder decode, const char* file, std::int32_t* wave) {
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.api);
    if (wave == nullptr) return fail(s, "no place for the wave handle");
    *wave = -1;
    if (!s.ready || file == nullptr) return fail(s, "bad call");
    std::vector<std::int16_t> samples;
    std::string error;
    const FBS_LOADCALLBACK progress = s.loadCallbackEnabled ? s.loadCallback : nullptr;
    if (!decode(file, DeviceFormat{s.rate, s.channels}, progress, samples, error)) return fail(s, error.c_str());
    if (!s.ready) return fail(s, "shut down while loading");  // a load callback called FBS_EXIT
    lockOutput(s);
    const std::int32_t handle = addWave(s, std::move(samples));
    unlockOutput(s);
    if (handle < 0) return fail(s, "too many waves");
    *wave = handle;
    return 1;
}

std::int32_t milliseconds(std::int64_t frames, std::int32_t rate) {
    return static_cast<std::int32_t>(frames * 1000 / rate);
}

}  // namespace

extern "C" {

FBS_API int FBS_LOAD_OGGFILE(const char* file, std::int32_t* wave, const char* /*temp*/) {
    return loadWith(decodeOggFile, file, wave);
}

FBS_API int FBS_LOAD_WAVFILE(const char* file, std::int32_t* wave) { return loadWith(decodeWavFile, file, wave); }

FBS_API int FBS_CREATE_WAVE(std::int32_t frames, std::int32_t* wave, std::int16_t** samples) {
    Locked l;
    State& s = l.s;
    if (wave == nullptr) return fail(s, "no place for the wave handle");
    *wave = -1;
    if (!s.ready || frames < 1 || frames > MaxWaveSeconds * s.rate) return fail(s, "bad call");
    std::int32_t handle = addWave(s, std::vector<std::int16_t>(static_cast<std::size_t>(frames) * s.channels, 0));
    if (handle < 0) return fail(s, "too many waves");
    *wave = handle;
    if (samples != nullptr) *samples = findWave(s, handle)->samples.data();
    return 1;
}

FBS_API int FBS_GET_WAVELENGTH(std::int32_t wave, std::int32_t* ms) {
    Locked l;
    const Wave* w = findWave(l.s, wave);
    if (w == nullptr || ms == nullptr) return fail(l.s, "bad call");
    *ms = milliseconds(w->frames, l.s.rate);
    return 1;
}

FBS_API int FBS_PLAY_WAVE(std::int32_t wave, std::int32_t loops, float speed, float volume, float pan,
                          std::int32_t* sound) {
    Locked l;
    State& s = l.s;
    if (findWave(s, wave) == nullptr || loops == 0 || !isNumber(speed) || !isNumber(volume) || !isNumber(pan) ||
        speed < 0.01f || speed > 16.0f || volume < 0.0f)
        return fail(s, "bad call");
    if (playingCount(s) >= s.maxChannels) return fail(s, "too many sounds playing");
    const std::int32_t handle = addSound(s, wave & 0xFFFF);
    if (handle < 0) return fail(s, "too many sounds");
    Sound& made = *findSound(s, handle);
    made.disposable = true;
    made.voice.speed = speed;
    made.voice.volume = std::min(volume, 4.0f);
    made.voice.pan = std::clamp(pan, -1.0f, 1.0f);
    made.voice.loopsLeft = loops;
    made.playing = true;
    if (sound != nullptr) *sound = handle;
    return 1;
}

FBS_API int FBS_DESTROY_WAVE(std::int32_t wave) {
    Locked l;
    State& s = l.s;
    Wave* w = findWave(s, wave);
    if (w == nullptr) return fail(s, "bad call");
    const std::int32_t index = wave & 0xFFFF;
    for (auto& sound : s.sounds)
        if (sound.alive && sound.wave == index) sound.alive = false;
    w->alive = false;
    std::vector<std::int16_t>().swap(w->samples);
    return 1;
}

FBS_API int FBS_GET_WAVEPOINTERS(std::int32_t wave, std::int16_t** start, std::int16_t** end,
                                 std::int32_t* channels) {
    Locked l;
    Wave* w = findWave(l.s, wave);
    if (w == nullptr) return fail(l.s, "bad call");
    if (start != nullptr) *start = w->samples.data();
    if (end != nullptr) *end = w->samples.data() + w->samples.size();
    if (channels != nullptr) *channels = l.s.channels;
    return 1;
}

}  // extern "C"
