// The sound library's state record, its lock, and the handle slots of waves and sounds.
#include "state.h"

#include <cmath>

#include "output.h"

State& state() {
    // Never freed, so that a call arriving after the library's own tear-down still finds a state
    // (one that is shut down) instead of a destroyed object.
    static State* const s = new State;
    return *s;
}

namespace {

// Unloading the library or ending the process without FBS_EXIT: the mixing thread must stop
// before the waves it reads go away.
struct ShutDownAtUnload {
    ShutDownAtUnload() = default;
    ShutDownAtUnload(const ShutDownAtUnload&) = delete;
    ShutDownAtUnload& operator=(const ShutDownAtUnload&) = delete;
    ~ShutDownAtUnload() {
        State& s = state();
        std::lock_guard<std::recursive_mutex> guard(s.api);
        if (s.ready) shutDown(s);
    }
};
const ShutDownAtUnload shutDownAtUnload;

}  // namespace

Locked::Locked() : s(state()), guard_(s.api), locksDevice_(s.ready) {
    if (locksDevice_) lockOutput(s);
}

Locked::~Locked() {
    if (locksDevice_) unlockOutput(s);
}

std::int32_t handleOf(std::int32_t index, std::int32_t generation) {
    return (generation << 16) | index;
}

namespace {

template <class T>
T* findSlot(std::vector<T>& slots, std::int32_t handle) {
    if (handle < 0) return nullptr;
    const std::int32_t index = handle & 0xFFFF;
    const std::int32_t generation = handle >> 16;
    if (index >= static_cast<std::int32_t>(slots.size())) return nullptr;
    T& slot = slots[static_cast<std::size_t>(index)];
    if (!slot.alive || slot.generation != generation) return nullptr;
    return &slot;
}

// A free slot (its generation moved on) or a new one; -1 when the table is full.
template <class T>
std::int32_t takeSlot(std::vector<T>& slots) {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].alive) {
            const std::int32_t generation = slots[i].generation >= MaxGeneration ? 0 : slots[i].generation + 1;
            slots[i] = T{};
            slots[i].generation = generation;
            return static_cast<std::int32_t>(i);
        }
    }
    if (slots.size() >= static_cast<std::size_t>(MaxSlots)) return -1;
    slots.emplace_back();
    return static_cast<std::int32_t>(slots.size() - 1);
}

}  // namespace

Wave* findWave(State& s, std::int32_t handle) { return s.ready ? findSlot(s.waves, handle) : nullptr; }

Sound* findSound(State& s, std::int32_t handle) { return s.ready ? findSlot(s.sounds, handle) : nullptr; }

std::int32_t addWave(State& s, std::vector<std::int16_t>&& samples) {
    const std::int32_t index = takeSlot(s.waves);
    if (index < 0) return -1;
    Wave& w = s.waves[static_cast<std::size_t>(index)];
    w.alive = true;
    w.frames = static_cast<std::int32_t>(samples.size() / static_cast<std::size_t>(s.channels));
    w.samples = std::move(samples);
    return handleOf(index, w.generation);
}

std::int32_t addSound(State& s, std::int32_t waveIndex) {
    const std::int32_t index = takeSlot(s.sounds);
    if (index < 0) return -1;
    Sound& sound = s.sounds[static_cast<std::size_t>(index)];
    const Wave& w = s.waves[static_cast<std::size_t>(waveIndex)];
    sound.alive = true;
    sound.wave = waveIndex;
    sound.voice.samples = w.samples.data();
    sound.voice.begin = 0;
    sound.voice.end = w.frames;
    sound.voice.position = 0;
    return handleOf(index, sound.generation);
}

void shutDown(State& s) {
    closeOutput(s);  // waits for the mixing thread to finish
    s.ready = false;
    s.running = false;
    s.waves.clear();
    s.sounds.clear();
    s.acc.clear();
    s.voiceAcc.clear();
    s.voiceOut.clear();
    for (auto& f : s.filters) f = PeakFilter{};
    s.masterCallback = nullptr;
    s.masterCallbackEnabled = false;
    s.loadCallback = nullptr;
    s.loadCallbackEnabled = false;
    s.masterVolume = 1.0f;
    s.maxChannels = 64;
    s.playedFrames = 0;
    s.plugPath.clear();
    s.deviceName.clear();
}

std::int32_t playingCount(const State& s) {
    std::int32_t n = 0;
    for (const auto& sound : s.sounds)
        if (sound.alive && sound.playing) ++n;
    return n;
}

int fail(State& s, const char* why) {
    s.lastError = why;
    return 0;
}

bool isNumber(float value) { return !std::isnan(value); }
