// The sound library's output device, one per platform (SDL audio natively, Web Audio in the
// browser), and the mixing that every device calls for the next piece of sound.
#pragma once
#include <cstdint>

struct State;

// Opens the output asked for by FBS_INIT (device 0 the default output, n >= 1 the n-th one) and
// starts it: fills in s.device, s.rate, s.channels, s.frames (frames per mixing piece, at most the
// frames asked for) and s.deviceName. Returns false with s.lastError set, having opened nothing.
// Called with the API lock held, before the mixing buffers exist: the device must not mix yet.
bool openOutput(State& s, std::int32_t rate, std::int32_t channels, std::int32_t frames, std::int32_t device);
// Pauses (true) or resumes (false) the open output; a paused output asks for no mixing.
void pauseOutput(State& s, bool paused);
// Closes the open output; when it returns the mixer runs no more. Called without the device lock.
void closeOutput(State& s);
// The device lock: while held the mixer does not run. Nothing happens when no output is open.
void lockOutput(State& s);
void unlockOutput(State& s);
// The plug-out's name, as FBS_GET_PLUGNAME gives it.
const char* outputName();

// The frames of one mixing piece for a device asked for buffers of asked frames: a power of two of
// at most 512 (about 12 ms at 44100 Hz), so that a sound started by the game is heard within one or
// two pieces instead of the 139 ms that three buffers of 2048 frames would take.
std::int32_t pieceFrames(std::int32_t asked);

// Mixes the next frames frames of every playing sound into out (frames x s.channels samples), in
// pieces of at most s.frames, and moves the sounds on. Called by the device with the device lock
// held (or on the one thread of a program without threads).
void mixOutput(State& s, std::int16_t* out, std::int32_t frames);
