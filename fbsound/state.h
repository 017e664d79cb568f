// The sound library's one state record (device, waves, sounds, settings) and the lock that keeps
// the caller's thread and the mixing thread apart.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "fbsound.h"
#include "mixer.h"

// Handles carry a slot index in their low 16 bits and the slot's generation above it, so that a
// handle kept after its wave or sound was destroyed never reaches the slot's next occupant.
constexpr std::int32_t MaxSlots = 65536;
constexpr std::int32_t MaxGeneration = 32767;
constexpr int FilterCount = 10;
// The longest wave, in seconds, so that a huge or endless file cannot exhaust memory.
constexpr std::int64_t MaxWaveSeconds = 600;

struct Wave {
    bool alive = false;
    std::int32_t generation = 0;
    std::vector<std::int16_t> samples;  // never resized while alive: sounds point into it
    std::int32_t frames = 0;
};

struct Sound {
    bool alive = false;
    std::int32_t generation = 0;
    std::int32_t wave = -1;   // slot index of its wave
    Voice voice;
    bool playing = false;     // started and not played out (paused ones included)
    bool playedOut = false;   // idle because it reached its end (position 1.0)
    bool paused = false;
    bool disposable = false;  // made by FBS_PLAY_WAVE: freed once it has played out
    FBS_BUFFERCALLBACK callback = nullptr;
    bool callbackEnabled = false;
};

struct State {
    std::recursive_mutex api;  // taken by every call from outside; the mixer never takes it
    bool ready = false;        // between a successful FBS_INIT and FBS_EXIT
    std::uint32_t device = 0;  // the open output's id, 0 when none is open
    std::int32_t rate = 0;
    std::int32_t channels = 0;
    std::int32_t buffers = 0;
    std::int32_t frames = 0;   // frames per device buffer
    bool running = false;

    // Touched by the mixer too: change them only while holding the device lock.
    std::vector<Wave> waves;
    std::vector<Sound> sounds;
    float masterVolume = 1.0f;
    std::int32_t maxChannels = 64;
    PeakFilter filters[FilterCount];
    FBS_BUFFERCALLBACK masterCallback = nullptr;
    bool masterCallbackEnabled = false;
    std::int64_t playedFrames = 0;
    std::vector<float> acc;            // mixing buffers of `frames` frames
    std::vector<float> voiceAcc;
    std::vector<std::int16_t> voiceOut;
    Limiter limiter;                   // on the sum of all sounds, carried from buffer to buffer

    // Only touched from outside.
    FBS_LOADCALLBACK loadCallback = nullptr;
    bool loadCallbackEnabled = false;
    std::string plugPath;
    std::string deviceName;
    std::string lastError;
};

State& state();

// Held for the length of one call from outside: the API lock, and while a device is open also the
// device's lock, which the mixing thread holds while it mixes.
class Locked {
public:
    Locked();
    ~Locked();
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    State& s;

private:
    std::lock_guard<std::recursive_mutex> guard_;
    bool locksDevice_;
};

// Looks a handle up; null when it is negative, out of range, freed or from an older generation.
Wave* findWave(State& s, std::int32_t handle);
Sound* findSound(State& s, std::int32_t handle);
std::int32_t handleOf(std::int32_t index, std::int32_t generation);

// Puts a new wave into a free slot and gives its handle, or -1 when every slot is taken. The caller
// holds the device lock (Locked).
std::int32_t addWave(State& s, std::vector<std::int16_t>&& samples);
// Makes an idle sound of the wave in slot waveIndex; -1 when every slot is taken.
std::int32_t addSound(State& s, std::int32_t waveIndex);

// Frees everything and closes the device; the caller holds the API lock but not the device lock.
void shutDown(State& s);

// The number of sounds playing now.
std::int32_t playingCount(const State& s);
// Records why the current call fails and returns 0, for `return fail(s, "...")`.
int fail(State& s, const char* why);
// NaN check for float arguments.
bool isNumber(float value);
