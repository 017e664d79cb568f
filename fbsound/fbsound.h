/* The sound library's C interface: every function it exports, shared by the library and the game. */
#ifndef FBSOUND_H
#define FBSOUND_H

/*
 * Conventions of every function below:
 * - Names are exported in upper case with C linkage.
 * - Handles of waves (decoded sound data) and sounds (playback instances of a wave) are int32.
 *   A valid handle is never negative; a failed load or create leaves its out-handle at -1.
 * - Functions that return int give 1 for success and 0 for failure. A failure changes nothing,
 *   and out-parameters are written only on success (except out-handles, set to -1 on failure).
 * - Every function but the five number helpers (FBS_RAD2DEG ... FBS_POW) fails before FBS_INIT
 *   has succeeded and after FBS_EXIT; an unknown or destroyed handle, a null out-pointer or a
 *   NaN argument fails too.
 * - The library mixes on a thread of its own (the audio device's); in the browser build, which has
 *   no threads, a timer mixes on the program's one thread while it sleeps. All functions may be
 *   called from any one thread at a time; they never race with the mixer. Callbacks (load, master and
 *   sound callbacks) must not call back into the library.
 * - Samples are signed 16-bit in host byte order, interleaved, in the device's rate and channel
 *   count (every loaded wave is converted to them).
 *
 * Functions that always fail, because they would need a decoder or stream machinery this library
 * does not have: FBS_LOAD_MP3FILE, FBS_LOAD_MODFILE, FBS_PITCHSHIFT, FBS_CREATE_MP3STREAM,
 * FBS_PLAY_MP3STREAM, FBS_END_MP3STREAM, FBS_SET_MP3STREAMVOLUME, FBS_GET_MP3STREAMVOLUME,
 * FBS_SET_MP3STREAMPAN, FBS_GET_MP3STREAMPAN, FBS_GET_MP3STREAMBUFFER, FBS_SET_MP3STREAMCALLBACK,
 * FBS_ENABLE_MP3STREAMCALLBACK, FBS_DISABLE_MP3STREAMCALLBACK. FBS_GET_PLAYINGSTREAMS succeeds and
 * always reports 0.
 */

#include <stdint.h>

#if defined(FBSOUND_BUILDING)
#define FBS_API __attribute__((visibility("default")))
#else
#define FBS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Called with the loading progress, 0 to 100, on the thread that loads a wave. */
typedef void (*FBS_LOADCALLBACK)(float percent);
/* Called on the mixing thread with a buffer of frames x channels samples that it may change. */
typedef void (*FBS_BUFFERCALLBACK)(int16_t* samples, int32_t channels, int32_t frames);

/* ---- Start-up, shut-down and the output plug ---- */

/* Opens the audio device and starts playing (silence until a sound plays). rate 8000..192000 Hz,
 * channels 1 or 2, buffers 1..64, frames 16..65536 per buffer, plug 0 (the only plug-out: SDL
 * audio, or Web Audio in the browser build), device 0 for the system's default output or n >= 1
 * for the n-th output device SDL lists (the browser build has only device 0).
 * The device really uses buffers of at most 512 frames: the mixer runs on demand of the device,
 * so larger buffers would only delay every sound (the browser build mixes about 80 ms ahead of
 * the speakers, in pieces of that size). Fails when already initialised. */
FBS_API int FBS_INIT(int32_t rate, int32_t channels, int32_t buffers, int32_t frames, int32_t plug,
                     int32_t device);
/* Resumes the output after FBS_STOP. */
FBS_API int FBS_START(void);
/* Pauses the output; playing sounds keep their place and go on after FBS_START. */
FBS_API int FBS_STOP(void);
/* Closes the device and frees every wave and sound; all handles become invalid. */
FBS_API int FBS_EXIT(void);

/* The folder plug-outs are looked for in; kept as text only, the one plug-out is built in.
 * The text given by FBS_GET_PLUGPATH stays valid until the next FBS_SET_PLUGPATH or FBS_EXIT. */
FBS_API int FBS_GET_PLUGPATH(const char** path);
FBS_API int FBS_SET_PLUGPATH(const char* path);
/* The number of plug-outs: 1. */
FBS_API int FBS_GET_NUMOFPLUGOUTS(int32_t* count);
/* The plug-out's name ("SDL2", or "Web Audio" in the browser build), the device's name and the last error text. The texts stay valid
 * until FBS_EXIT (the error text until the next failing call). */
FBS_API int FBS_GET_PLUGNAME(const char** name);
FBS_API int FBS_GET_PLUGDEVICE(const char** device);
FBS_API int FBS_GET_PLUGERROR(const char** error);
/* Facts of the open output: rate in Hz, bits per sample (16), channels, the buffer count asked
 * for, the size of one device buffer in bytes, its frames, and the bytes of one frame. */
FBS_API int FBS_GET_PLUGRATE(int32_t* rate);
FBS_API int FBS_GET_PLUGBITS(int32_t* bits);
FBS_API int FBS_GET_PLUGCHANNELS(int32_t* channels);
FBS_API int FBS_GET_PLUGBUFFERS(int32_t* buffers);
FBS_API int FBS_GET_PLUGBUFFERSIZE(int32_t* bytes);
FBS_API int FBS_GET_PLUGFRAMES(int32_t* frames);
FBS_API int FBS_GET_PLUGFRAMESIZE(int32_t* bytes);
/* 1 while the output is open and not stopped, else 0. */
FBS_API int FBS_GET_PLUGRUNNING(void);

/* ---- The mix as a whole ---- */

/* The number of sounds playing now (paused ones included). */
FBS_API int FBS_GET_PLAYINGSOUNDS(int32_t* count);
/* What has been handed to the device since FBS_INIT: bytes, frames, and seconds. */
FBS_API int FBS_GET_PLAYEDBYTES(int64_t* bytes);
FBS_API int FBS_GET_PLAYEDSAMPLES(int64_t* frames);
FBS_API int FBS_GET_PLAYTIME(double* seconds);
/* The factor applied to the whole mix, 0 to 4 (1 is unchanged); larger values are limited to 4. */
FBS_API int FBS_GET_MASTERVOLUME(float* volume);
FBS_API int FBS_SET_MASTERVOLUME(float volume);

/* ---- Number helpers (pure; they work at any time) ---- */

FBS_API float FBS_RAD2DEG(float radians);
FBS_API float FBS_DEG2RAD(float degrees);
/* A volume factor as decibels, 20 log10(volume); volumes at or below 0.00001 give -100. */
FBS_API float FBS_VOLUME_2_DB(float volume);
/* Decibels as a volume factor, 10^(db / 20). */
FBS_API float FBS_DB_2_VOLUME(float db);
FBS_API float FBS_POW(float base, float exponent);

/* ---- Master filters: ten peaking equaliser bands on the whole mix ---- */

/* Sets band filter (0..9): centre frequency in Hz (10 up to just below half the rate), bandwidth
 * in octaves (0.1..4) and gain in dB (-60..24). A band starts disabled. */
FBS_API int FBS_SET_MASTERFILTER(int32_t filter, float centre, float octaves, float gain);
FBS_API int FBS_ENABLE_MASTERFILTER(int32_t filter);
FBS_API int FBS_DISABLE_MASTERFILTER(int32_t filter);
/* Always fails: pitch shifting without a change of speed needs a time-stretching stage. */
FBS_API int FBS_PITCHSHIFT(int32_t sound, float semitones);

/* The most sounds that may play at once, 1..1024 (default 64). FBS_PLAY_SOUND fails for a sound
 * that would go beyond it; lowering it does not stop sounds that already play. */
FBS_API int FBS_GET_MAXCHANNELS(int32_t* channels);
FBS_API int FBS_SET_MAXCHANNELS(int32_t channels);

/* ---- Callbacks ---- */

/* The load callback is called while a wave file loads, once enabled (null disables it). */
FBS_API int FBS_SET_LOADCALLBACK(FBS_LOADCALLBACK callback);
FBS_API int FBS_ENABLE_LOADCALLBACK(void);
FBS_API int FBS_DISABLE_LOADCALLBACK(void);
/* The master callback sees every finished buffer of the mix before the device does. */
FBS_API int FBS_SET_MASTERCALLBACK(FBS_BUFFERCALLBACK callback);
FBS_API int FBS_ENABLE_MASTERCALLBACK(void);
FBS_API int FBS_DISABLE_MASTERCALLBACK(void);

/* ---- Waves ---- */

/* Decodes a whole OGG Vorbis file, converted to the device's rate and channels (files of up to
 * 10 minutes). temp is not used (the decoding happens in memory) and may be null or empty.
 * A missing, corrupt or empty file fails. */
FBS_API int FBS_LOAD_OGGFILE(const char* file, int32_t* wave, const char* temp);
/* Loads a RIFF WAVE file (the formats SDL reads; in the browser build 8- and 16-bit integer PCM),
 * converted like an OGG file. */
FBS_API int FBS_LOAD_WAVFILE(const char* file, int32_t* wave);
/* Always fail: no MP3 or tracker-module decoder is built in. */
FBS_API int FBS_LOAD_MP3FILE(const char* file, int32_t* wave, const char* temp);
FBS_API int FBS_LOAD_MODFILE(const char* file, int32_t* wave);
/* Makes a silent wave of frames frames (1 up to 10 minutes) and gives where its samples are, to be
 * filled by the caller before any sound of it plays. samples may be null. */
FBS_API int FBS_CREATE_WAVE(int32_t frames, int32_t* wave, int16_t** samples);
/* The wave's length in milliseconds. */
FBS_API int FBS_GET_WAVELENGTH(int32_t wave, int32_t* milliseconds);
/* Plays a wave on a sound of its own that is destroyed when it has played out. loops as for
 * FBS_PLAY_SOUND (not 0); speed, volume and pan as their setters. sound (may be null) receives
 * the handle, which may be used until the sound ends. */
FBS_API int FBS_PLAY_WAVE(int32_t wave, int32_t loops, float speed, float volume, float pan,
                          int32_t* sound);
/* Frees a wave; the sounds made from it stop and are destroyed with it. */
FBS_API int FBS_DESTROY_WAVE(int32_t wave);
/* Where the wave's samples start and end (one past the last), and its channel count. Valid until
 * the wave is destroyed. Any out-pointer may be null. */
FBS_API int FBS_GET_WAVEPOINTERS(int32_t wave, int16_t** start, int16_t** end, int32_t* channels);

/* ---- Sounds: playback instances of a wave ---- */

/* Makes an idle instance of wave at full volume, centred, speed 1 (at most 65536 sounds live). */
FBS_API int FBS_CREATE_SOUND(int32_t wave, int32_t* sound);
/* Stops the sound if it plays and frees it. */
FBS_API int FBS_DESTROY_SOUND(int32_t sound);
/* Starts the sound from the start of its range: loops > 0 plays it that many times, loops < 0
 * without end, loops 0 stops it. Playing again restarts it. Fails beyond FBS_SET_MAXCHANNELS. */
FBS_API int FBS_PLAY_SOUND(int32_t sound, int32_t loops);
/* Where the sound is in its range, 0.0 to 1.0. Exactly 0.0 (never played, or stopped) or exactly
 * 1.0 (played out) only when it is idle; a sound that plays or is paused always reports a value
 * strictly between them, even right after FBS_PLAY_SOUND. */
FBS_API int FBS_GET_SOUNDPOSITION(int32_t sound, float* position);
/* The length of the sound's range in milliseconds at speed 1. */
FBS_API int FBS_GET_SOUNDLENGTH(int32_t sound, int32_t* milliseconds);
/* Playback speed factor, 0.01 to 16 (it changes pitch and duration together). */
FBS_API int FBS_SET_SOUNDSPEED(int32_t sound, float speed);
FBS_API int FBS_GET_SOUNDSPEED(int32_t sound, float* speed);
/* Volume factor 0 to 4 (1 is the wave as loaded); larger values are limited to 4, negative fail. */
FBS_API int FBS_SET_SOUNDVOLUME(int32_t sound, float volume);
FBS_API int FBS_GET_SOUNDVOLUME(int32_t sound, float* volume);
/* Pan -1 (left only) to 1 (right only), 0 centre at full level on both sides; limited to -1..1.
 * No effect on a one-channel device. */
FBS_API int FBS_SET_SOUNDPAN(int32_t sound, float pan);
FBS_API int FBS_GET_SOUNDPAN(int32_t sound, float* pan);
/* The plays left (including the current one) as FBS_PLAY_SOUND counts them; setting it on a
 * playing sound changes how often it still plays (0 stops it). */
FBS_API int FBS_SET_SOUNDLOOPS(int32_t sound, int32_t loops);
FBS_API int FBS_GET_SOUNDLOOPS(int32_t sound, int32_t* loops);
/* A muted sound goes on playing without being heard. */
FBS_API int FBS_SET_SOUNDMUTED(int32_t sound, int32_t muted);
FBS_API int FBS_GET_SOUNDMUTED(int32_t sound, int32_t* muted);
/* A paused sound keeps its place and is not idle; unpausing goes on from there. */
FBS_API int FBS_SET_SOUNDPAUSED(int32_t sound, int32_t paused);
FBS_API int FBS_GET_SOUNDPAUSED(int32_t sound, int32_t* paused);
/* The range of its wave the sound plays (start, end one past the last frame) and where it is now.
 * Any out-pointer may be null. */
FBS_API int FBS_GET_SOUNDPOINTERS(int32_t sound, int16_t** start, int16_t** position, int16_t** end);
/* Restricts the sound to a range of its wave. The three pointers must lie inside its wave on frame
 * boundaries with start <= position < end; else the call fails. */
FBS_API int FBS_SET_SOUNDPOINTERS(int32_t sound, int16_t* start, int16_t* position, int16_t* end);
/* The sound callback sees the sound's own part of each mixed buffer (after volume and pan) before
 * it is added to the mix. */
FBS_API int FBS_SET_SOUNDCALLBACK(int32_t sound, FBS_BUFFERCALLBACK callback);
FBS_API int FBS_ENABLE_SOUNDCALLBACK(int32_t sound);
FBS_API int FBS_DISABLE_SOUNDCALLBACK(int32_t sound);

/* ---- MP3 streams: not supported, see the list at the top ---- */

FBS_API int FBS_GET_PLAYINGSTREAMS(int32_t* count);
FBS_API int FBS_CREATE_MP3STREAM(const char* file);
FBS_API int FBS_PLAY_MP3STREAM(float volume, float pan);
FBS_API int FBS_END_MP3STREAM(void);
FBS_API int FBS_SET_MP3STREAMVOLUME(float volume);
FBS_API int FBS_GET_MP3STREAMVOLUME(float* volume);
FBS_API int FBS_SET_MP3STREAMPAN(float pan);
FBS_API int FBS_GET_MP3STREAMPAN(float* pan);
FBS_API int FBS_GET_MP3STREAMBUFFER(int16_t** samples, int32_t* frames);
FBS_API int FBS_SET_MP3STREAMCALLBACK(FBS_BUFFERCALLBACK callback);
FBS_API int FBS_ENABLE_MP3STREAMCALLBACK(void);
FBS_API int FBS_DISABLE_MP3STREAMCALLBACK(void);

#ifdef __cplusplus
}
#endif

#endif
