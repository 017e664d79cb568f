// The sound library's output as callers see it: start-up and shut-down, plug facts, master volume,
// filters and callbacks. The device itself lives in output_*.cpp.
#include <algorithm>

#include "output.h"
#include "state.h"

namespace {

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
    if (!openOutput(s, rate, channels, frames, device)) return 0;
    s.buffers = buffers;
    const std::size_t count = static_cast<std::size_t>(s.frames) * static_cast<std::size_t>(s.channels);
    s.acc.assign(count, 0.0f);
    s.voiceAcc.assign(count, 0.0f);
    s.voiceOut.assign(count, 0);
    designLimiter(s.limiter, s.rate, s.frames);
    s.lastError.clear();
    s.ready = true;
    s.running = true;
    pauseOutput(s, false);
    return 1;
}

FBS_API int FBS_START(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    pauseOutput(l.s, false);
    l.s.running = true;
    return 1;
}

FBS_API int FBS_STOP(void) {
    Locked l;
    if (!l.s.ready) return fail(l.s, "not initialised");
    pauseOutput(l.s, true);
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
    *name = outputName();
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
