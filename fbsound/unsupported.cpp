// The sound library's honest failures: MP3 and tracker-module decoding, MP3 streams and pitch
// shifting are not built in, so these calls fail and change nothing.
#include "state.h"

namespace {

int unsupported(const char* what) {
    Locked l;
    return fail(l.s, what);
}

}  // namespace

extern "C" {

FBS_API int FBS_LOAD_MP3FILE(const char*, std::int32_t* wave, const char*) {
    if (wave != nullptr) *wave = -1;
    return unsupported("no MP3 decoder");
}

FBS_API int FBS_LOAD_MODFILE(const char*, std::int32_t* wave) {
    if (wave != nullptr) *wave = -1;
    return unsupported("no tracker-module player");
}

FBS_API int FBS_PITCHSHIFT(std::int32_t, float) { return unsupported("no pitch shifter"); }

FBS_API int FBS_GET_PLAYINGSTREAMS(std::int32_t* count) {
    Locked l;
    if (!l.s.ready || count == nullptr) return fail(l.s, "bad call");
    *count = 0;  // no stream can ever be made
    return 1;
}

FBS_API int FBS_CREATE_MP3STREAM(const char*) { return unsupported("no MP3 streams"); }
FBS_API int FBS_PLAY_MP3STREAM(float, float) { return unsupported("no MP3 streams"); }
FBS_API int FBS_END_MP3STREAM(void) { return unsupported("no MP3 streams"); }
FBS_API int FBS_SET_MP3STREAMVOLUME(float) { return unsupported("no MP3 streams"); }
FBS_API int FBS_GET_MP3STREAMVOLUME(float*) { return unsupported("no MP3 streams"); }
FBS_API int FBS_SET_MP3STREAMPAN(float) { return unsupported("no MP3 streams"); }
FBS_API int FBS_GET_MP3STREAMPAN(float*) { return unsupported("no MP3 streams"); }
FBS_API int FBS_GET_MP3STREAMBUFFER(std::int16_t**, std::int32_t*) { return unsupported("no MP3 streams"); }
FBS_API int FBS_SET_MP3STREAMCALLBACK(FBS_BUFFERCALLBACK) { return unsupported("no MP3 streams"); }
FBS_API int FBS_ENABLE_MP3STREAMCALLBACK(void) { return unsupported("no MP3 streams"); }
FBS_API int FBS_DISABLE_MP3STREAMCALLBACK(void) { return unsupported("no MP3 streams"); }

}  // extern "C"
