// The sound library's functions as the binding found them: one pointer per name it binds.
#pragma once
#include "fbsound.h"

// Every function the binding looks up, under the name the game knows it by. Filled in whole by
// bindSoundLibrary, or not at all.
struct SoundLibrary {
    decltype(&FBS_INIT) FBS_Init = nullptr;
    decltype(&FBS_LOAD_OGGFILE) FBS_Load_OGGFile = nullptr;
    decltype(&FBS_CREATE_SOUND) FBS_Create_Sound = nullptr;
    decltype(&FBS_GET_SOUNDPOSITION) FBS_Get_SoundPosition = nullptr;
    decltype(&FBS_PLAY_SOUND) FBS_Play_Sound = nullptr;
    decltype(&FBS_SET_SOUNDVOLUME) FBS_Set_SoundVolume = nullptr;
    decltype(&FBS_SET_SOUNDPAN) FBS_Set_SoundPan = nullptr;
    decltype(&FBS_GET_PLUGRUNNING) FBS_Get_PlugRunning = nullptr;
    decltype(&FBS_STOP) FBS_Stop = nullptr;
    decltype(&FBS_EXIT) FBS_Exit = nullptr;
    decltype(&FBS_START) FBS_Start = nullptr;
    decltype(&FBS_GET_PLUGPATH) FBS_Get_PlugPath = nullptr;
    decltype(&FBS_SET_PLUGPATH) FBS_Set_PlugPath = nullptr;
    decltype(&FBS_GET_NUMOFPLUGOUTS) FBS_Get_NumOfPlugouts = nullptr;
    decltype(&FBS_GET_PLUGNAME) FBS_Get_PlugName = nullptr;
    decltype(&FBS_GET_PLUGDEVICE) FBS_Get_PlugDevice = nullptr;
    decltype(&FBS_GET_PLUGERROR) FBS_Get_PlugError = nullptr;
    decltype(&FBS_GET_PLUGRATE) FBS_Get_PlugRate = nullptr;
    decltype(&FBS_GET_PLUGBITS) FBS_Get_PlugBits = nullptr;
    decltype(&FBS_GET_PLUGCHANNELS) FBS_Get_PlugChannels = nullptr;
    decltype(&FBS_GET_PLUGBUFFERS) FBS_Get_PlugBuffers = nullptr;
    decltype(&FBS_GET_PLUGBUFFERSIZE) FBS_Get_PlugBuffersize = nullptr;
    decltype(&FBS_GET_PLUGFRAMES) FBS_Get_PlugFrames = nullptr;
    decltype(&FBS_GET_PLUGFRAMESIZE) FBS_Get_PlugFramesize = nullptr;
    decltype(&FBS_GET_PLAYINGSOUNDS) FBS_Get_PlayingSounds = nullptr;
    decltype(&FBS_GET_PLAYEDBYTES) FBS_Get_PlayedBytes = nullptr;
    decltype(&FBS_GET_PLAYEDSAMPLES) FBS_Get_PlayedSamples = nullptr;
    decltype(&FBS_GET_PLAYTIME) FBS_Get_PlayTime = nullptr;
    decltype(&FBS_GET_MASTERVOLUME) FBS_Get_MasterVolume = nullptr;
    decltype(&FBS_SET_MASTERVOLUME) FBS_Set_MasterVolume = nullptr;
    decltype(&FBS_RAD2DEG) FBS_Rad2Deg = nullptr;
    decltype(&FBS_DEG2RAD) FBS_Deg2Rad = nullptr;
    decltype(&FBS_VOLUME_2_DB) FBS_Volume_2_DB = nullptr;
    decltype(&FBS_DB_2_VOLUME) FBS_DB_2_Volume = nullptr;
    decltype(&FBS_POW) FBS_Pow = nullptr;
    decltype(&FBS_SET_MASTERFILTER) FBS_Set_MasterFilter = nullptr;
    decltype(&FBS_ENABLE_MASTERFILTER) FBS_Enable_MasterFilter = nullptr;
    decltype(&FBS_DISABLE_MASTERFILTER) FBS_Disable_MasterFilter = nullptr;
    decltype(&FBS_PITCHSHIFT) FBS_PitchShift = nullptr;
    decltype(&FBS_GET_MAXCHANNELS) FBS_Get_MaxChannels = nullptr;
    decltype(&FBS_SET_MAXCHANNELS) FBS_Set_MaxChannels = nullptr;
    decltype(&FBS_SET_LOADCALLBACK) FBS_Set_LoadCallback = nullptr;
    decltype(&FBS_ENABLE_LOADCALLBACK) FBS_Enable_LoadCallback = nullptr;
    decltype(&FBS_DISABLE_LOADCALLBACK) FBS_Disable_LoadCallback = nullptr;
    decltype(&FBS_SET_MASTERCALLBACK) FBS_Set_MasterCallback = nullptr;
    decltype(&FBS_ENABLE_MASTERCALLBACK) FBS_Enable_MasterCallback = nullptr;
    decltype(&FBS_DISABLE_MASTERCALLBACK) FBS_Disable_MasterCallback = nullptr;
    decltype(&FBS_LOAD_WAVFILE) FBS_Load_WAVFile = nullptr;
    decltype(&FBS_LOAD_MP3FILE) FBS_Load_MP3File = nullptr;
    decltype(&FBS_LOAD_MODFILE) FBS_Load_MODFile = nullptr;
    decltype(&FBS_CREATE_WAVE) FBS_Create_Wave = nullptr;
    decltype(&FBS_GET_WAVELENGTH) FBS_Get_WaveLength = nullptr;
    decltype(&FBS_PLAY_WAVE) FBS_Play_Wave = nullptr;
    decltype(&FBS_DESTROY_WAVE) FBS_Destroy_Wave = nullptr;
    decltype(&FBS_DESTROY_SOUND) FBS_Destroy_Sound = nullptr;
    decltype(&FBS_GET_SOUNDLENGTH) FBS_Get_SoundLength = nullptr;
    decltype(&FBS_SET_SOUNDSPEED) FBS_Set_SoundSpeed = nullptr;
    decltype(&FBS_GET_SOUNDSPEED) FBS_Get_SoundSpeed = nullptr;
    decltype(&FBS_GET_SOUNDVOLUME) FBS_Get_SoundVolume = nullptr;
    decltype(&FBS_GET_SOUNDPAN) FBS_Get_SoundPan = nullptr;
    decltype(&FBS_SET_SOUNDLOOPS) FBS_Set_SoundLoops = nullptr;
    decltype(&FBS_GET_SOUNDLOOPS) FBS_Get_SoundLoops = nullptr;
    decltype(&FBS_SET_SOUNDMUTED) FBS_Set_SoundMuted = nullptr;
    decltype(&FBS_GET_SOUNDMUTED) FBS_Get_SoundMuted = nullptr;
    decltype(&FBS_SET_SOUNDPAUSED) FBS_Set_SoundPaused = nullptr;
    decltype(&FBS_GET_SOUNDPAUSED) FBS_Get_SoundPaused = nullptr;
    decltype(&FBS_GET_WAVEPOINTERS) FBS_Get_WavePointers = nullptr;
    decltype(&FBS_GET_SOUNDPOINTERS) FBS_Get_SoundPointers = nullptr;
    decltype(&FBS_SET_SOUNDPOINTERS) FBS_Set_SoundPointers = nullptr;
    decltype(&FBS_SET_SOUNDCALLBACK) FBS_Set_SoundCallback = nullptr;
    decltype(&FBS_ENABLE_SOUNDCALLBACK) FBS_Enable_SoundCallback = nullptr;
    decltype(&FBS_DISABLE_SOUNDCALLBACK) FBS_Disable_SoundCallback = nullptr;
    decltype(&FBS_GET_PLAYINGSTREAMS) FBS_Get_PlayingStreams = nullptr;
    decltype(&FBS_CREATE_MP3STREAM) FBS_Create_MP3Stream = nullptr;
    decltype(&FBS_PLAY_MP3STREAM) FBS_Play_MP3Stream = nullptr;
    decltype(&FBS_END_MP3STREAM) FBS_End_MP3Stream = nullptr;
    decltype(&FBS_SET_MP3STREAMVOLUME) FBS_Set_MP3StreamVolume = nullptr;
    decltype(&FBS_GET_MP3STREAMVOLUME) FBS_Get_MP3StreamVolume = nullptr;
    decltype(&FBS_SET_MP3STREAMPAN) FBS_Set_MP3StreamPan = nullptr;
    decltype(&FBS_GET_MP3STREAMPAN) FBS_Get_MP3StreamPan = nullptr;
    decltype(&FBS_GET_MP3STREAMBUFFER) FBS_Get_MP3StreamBuffer = nullptr;
    decltype(&FBS_SET_MP3STREAMCALLBACK) FBS_Set_MP3StreamCallback = nullptr;
    decltype(&FBS_ENABLE_MP3STREAMCALLBACK) FBS_Enable_MP3StreamCallback = nullptr;
    decltype(&FBS_DISABLE_MP3STREAMCALLBACK) FBS_Disable_MP3StreamCallback = nullptr;
};

// The bound library, or null when it could not be loaded (the game then stays silent) or has
// been released. Valid from static initialisation on; the pointer stays the same while bound.
const SoundLibrary* soundLibrary();
