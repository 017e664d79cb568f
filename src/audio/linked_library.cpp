// The sound library's functions as linked into the program, by their exported names, for a build
// that cannot load a library at run time (the browser).
#include "audio/linked_library.h"

#include <cstring>
#include <iterator>

#include "fbsound.h"

namespace {

struct LinkedFunction {
    const char* name;
    AnyFunction function;
};

const LinkedFunction linkedFunctions[] = {
    {"FBS_INIT", reinterpret_cast<AnyFunction>(&FBS_INIT)},
    {"FBS_LOAD_OGGFILE", reinterpret_cast<AnyFunction>(&FBS_LOAD_OGGFILE)},
    {"FBS_CREATE_SOUND", reinterpret_cast<AnyFunction>(&FBS_CREATE_SOUND)},
    {"FBS_GET_SOUNDPOSITION", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDPOSITION)},
    {"FBS_PLAY_SOUND", reinterpret_cast<AnyFunction>(&FBS_PLAY_SOUND)},
    {"FBS_SET_SOUNDVOLUME", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDVOLUME)},
    {"FBS_SET_SOUNDPAN", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDPAN)},
    {"FBS_GET_PLUGRUNNING", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGRUNNING)},
    {"FBS_STOP", reinterpret_cast<AnyFunction>(&FBS_STOP)},
    {"FBS_EXIT", reinterpret_cast<AnyFunction>(&FBS_EXIT)},
    {"FBS_START", reinterpret_cast<AnyFunction>(&FBS_START)},
    {"FBS_GET_PLUGPATH", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGPATH)},
    {"FBS_SET_PLUGPATH", reinterpret_cast<AnyFunction>(&FBS_SET_PLUGPATH)},
    {"FBS_GET_NUMOFPLUGOUTS", reinterpret_cast<AnyFunction>(&FBS_GET_NUMOFPLUGOUTS)},
    {"FBS_GET_PLUGNAME", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGNAME)},
    {"FBS_GET_PLUGDEVICE", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGDEVICE)},
    {"FBS_GET_PLUGERROR", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGERROR)},
    {"FBS_GET_PLUGRATE", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGRATE)},
    {"FBS_GET_PLUGBITS", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGBITS)},
    {"FBS_GET_PLUGCHANNELS", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGCHANNELS)},
    {"FBS_GET_PLUGBUFFERS", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGBUFFERS)},
    {"FBS_GET_PLUGBUFFERSIZE", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGBUFFERSIZE)},
    {"FBS_GET_PLUGFRAMES", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGFRAMES)},
    {"FBS_GET_PLUGFRAMESIZE", reinterpret_cast<AnyFunction>(&FBS_GET_PLUGFRAMESIZE)},
    {"FBS_GET_PLAYINGSOUNDS", reinterpret_cast<AnyFunction>(&FBS_GET_PLAYINGSOUNDS)},
    {"FBS_GET_PLAYEDBYTES", reinterpret_cast<AnyFunction>(&FBS_GET_PLAYEDBYTES)},
    {"FBS_GET_PLAYEDSAMPLES", reinterpret_cast<AnyFunction>(&FBS_GET_PLAYEDSAMPLES)},
    {"FBS_GET_PLAYTIME", reinterpret_cast<AnyFunction>(&FBS_GET_PLAYTIME)},
    {"FBS_GET_MASTERVOLUME", reinterpret_cast<AnyFunction>(&FBS_GET_MASTERVOLUME)},
    {"FBS_SET_MASTERVOLUME", reinterpret_cast<AnyFunction>(&FBS_SET_MASTERVOLUME)},
    {"FBS_RAD2DEG", reinterpret_cast<AnyFunction>(&FBS_RAD2DEG)},
    {"FBS_DEG2RAD", reinterpret_cast<AnyFunction>(&FBS_DEG2RAD)},
    {"FBS_VOLUME_2_DB", reinterpret_cast<AnyFunction>(&FBS_VOLUME_2_DB)},
    {"FBS_DB_2_VOLUME", reinterpret_cast<AnyFunction>(&FBS_DB_2_VOLUME)},
    {"FBS_POW", reinterpret_cast<AnyFunction>(&FBS_POW)},
    {"FBS_SET_MASTERFILTER", reinterpret_cast<AnyFunction>(&FBS_SET_MASTERFILTER)},
    {"FBS_ENABLE_MASTERFILTER", reinterpret_cast<AnyFunction>(&FBS_ENABLE_MASTERFILTER)},
    {"FBS_DISABLE_MASTERFILTER", reinterpret_cast<AnyFunction>(&FBS_DISABLE_MASTERFILTER)},
    {"FBS_PITCHSHIFT", reinterpret_cast<AnyFunction>(&FBS_PITCHSHIFT)},
    {"FBS_GET_MAXCHANNELS", reinterpret_cast<AnyFunction>(&FBS_GET_MAXCHANNELS)},
    {"FBS_SET_MAXCHANNELS", reinterpret_cast<AnyFunction>(&FBS_SET_MAXCHANNELS)},
    {"FBS_SET_LOADCALLBACK", reinterpret_cast<AnyFunction>(&FBS_SET_LOADCALLBACK)},
    {"FBS_ENABLE_LOADCALLBACK", reinterpret_cast<AnyFunction>(&FBS_ENABLE_LOADCALLBACK)},
    {"FBS_DISABLE_LOADCALLBACK", reinterpret_cast<AnyFunction>(&FBS_DISABLE_LOADCALLBACK)},
    {"FBS_SET_MASTERCALLBACK", reinterpret_cast<AnyFunction>(&FBS_SET_MASTERCALLBACK)},
    {"FBS_ENABLE_MASTERCALLBACK", reinterpret_cast<AnyFunction>(&FBS_ENABLE_MASTERCALLBACK)},
    {"FBS_DISABLE_MASTERCALLBACK", reinterpret_cast<AnyFunction>(&FBS_DISABLE_MASTERCALLBACK)},
    {"FBS_LOAD_WAVFILE", reinterpret_cast<AnyFunction>(&FBS_LOAD_WAVFILE)},
    {"FBS_LOAD_MP3FILE", reinterpret_cast<AnyFunction>(&FBS_LOAD_MP3FILE)},
    {"FBS_LOAD_MODFILE", reinterpret_cast<AnyFunction>(&FBS_LOAD_MODFILE)},
    {"FBS_CREATE_WAVE", reinterpret_cast<AnyFunction>(&FBS_CREATE_WAVE)},
    {"FBS_GET_WAVELENGTH", reinterpret_cast<AnyFunction>(&FBS_GET_WAVELENGTH)},
    {"FBS_PLAY_WAVE", reinterpret_cast<AnyFunction>(&FBS_PLAY_WAVE)},
    {"FBS_DESTROY_WAVE", reinterpret_cast<AnyFunction>(&FBS_DESTROY_WAVE)},
    {"FBS_DESTROY_SOUND", reinterpret_cast<AnyFunction>(&FBS_DESTROY_SOUND)},
    {"FBS_GET_SOUNDLENGTH", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDLENGTH)},
    {"FBS_SET_SOUNDSPEED", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDSPEED)},
    {"FBS_GET_SOUNDSPEED", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDSPEED)},
    {"FBS_GET_SOUNDVOLUME", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDVOLUME)},
    {"FBS_GET_SOUNDPAN", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDPAN)},
    {"FBS_SET_SOUNDLOOPS", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDLOOPS)},
    {"FBS_GET_SOUNDLOOPS", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDLOOPS)},
    {"FBS_SET_SOUNDMUTED", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDMUTED)},
    {"FBS_GET_SOUNDMUTED", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDMUTED)},
    {"FBS_SET_SOUNDPAUSED", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDPAUSED)},
    {"FBS_GET_SOUNDPAUSED", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDPAUSED)},
    {"FBS_GET_WAVEPOINTERS", reinterpret_cast<AnyFunction>(&FBS_GET_WAVEPOINTERS)},
    {"FBS_GET_SOUNDPOINTERS", reinterpret_cast<AnyFunction>(&FBS_GET_SOUNDPOINTERS)},
    {"FBS_SET_SOUNDPOINTERS", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDPOINTERS)},
    {"FBS_SET_SOUNDCALLBACK", reinterpret_cast<AnyFunction>(&FBS_SET_SOUNDCALLBACK)},
    {"FBS_ENABLE_SOUNDCALLBACK", reinterpret_cast<AnyFunction>(&FBS_ENABLE_SOUNDCALLBACK)},
    {"FBS_DISABLE_SOUNDCALLBACK", reinterpret_cast<AnyFunction>(&FBS_DISABLE_SOUNDCALLBACK)},
    {"FBS_GET_PLAYINGSTREAMS", reinterpret_cast<AnyFunction>(&FBS_GET_PLAYINGSTREAMS)},
    {"FBS_CREATE_MP3STREAM", reinterpret_cast<AnyFunction>(&FBS_CREATE_MP3STREAM)},
    {"FBS_PLAY_MP3STREAM", reinterpret_cast<AnyFunction>(&FBS_PLAY_MP3STREAM)},
    {"FBS_END_MP3STREAM", reinterpret_cast<AnyFunction>(&FBS_END_MP3STREAM)},
    {"FBS_SET_MP3STREAMVOLUME", reinterpret_cast<AnyFunction>(&FBS_SET_MP3STREAMVOLUME)},
    {"FBS_GET_MP3STREAMVOLUME", reinterpret_cast<AnyFunction>(&FBS_GET_MP3STREAMVOLUME)},
    {"FBS_SET_MP3STREAMPAN", reinterpret_cast<AnyFunction>(&FBS_SET_MP3STREAMPAN)},
    {"FBS_GET_MP3STREAMPAN", reinterpret_cast<AnyFunction>(&FBS_GET_MP3STREAMPAN)},
    {"FBS_GET_MP3STREAMBUFFER", reinterpret_cast<AnyFunction>(&FBS_GET_MP3STREAMBUFFER)},
    {"FBS_SET_MP3STREAMCALLBACK", reinterpret_cast<AnyFunction>(&FBS_SET_MP3STREAMCALLBACK)},
    {"FBS_ENABLE_MP3STREAMCALLBACK", reinterpret_cast<AnyFunction>(&FBS_ENABLE_MP3STREAMCALLBACK)},
    {"FBS_DISABLE_MP3STREAMCALLBACK", reinterpret_cast<AnyFunction>(&FBS_DISABLE_MP3STREAMCALLBACK)},
};

}  // namespace

AnyFunction findLinkedSoundFunction(const char* upperName, void* /*context*/) {
    for (const LinkedFunction& f : linkedFunctions)
        if (std::strcmp(f.name, upperName) == 0) return f.function;
    return nullptr;
}
