// The sound library's output through SDL audio: the device's own thread asks for each buffer and
// the device lock keeps it apart from the caller's thread.
#include <SDL.h>

#include <cstring>

#include "output.h"
#include "state.h"

namespace {

// Runs on the device's thread with the device lock held.
void SDLCALL mixCallback(void* userdata, Uint8* stream, int len) {
    State& s = *static_cast<State*>(userdata);
    const std::int32_t frameBytes = s.channels * 2;
    if (frameBytes <= 0) {
        std::memset(stream, 0, static_cast<std::size_t>(len));
        return;
    }
    mixOutput(s, reinterpret_cast<std::int16_t*>(stream), len / frameBytes);
}

}  // namespace

bool openOutput(State& s, std::int32_t rate, std::int32_t channels, std::int32_t frames, std::int32_t device) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        s.lastError = "no audio subsystem";
        return false;
    }
    const char* name = nullptr;
    if (device > 0) {
        name = SDL_GetAudioDeviceName(device - 1, 0);
        if (name == nullptr) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            s.lastError = "no such device";
            return false;
        }
    }
    const std::int32_t deviceFrames = pieceFrames(frames);
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = static_cast<Uint16>(deviceFrames);
    want.callback = mixCallback;
    want.userdata = &s;
    SDL_AudioSpec have{};
    // Opened paused: the mixing buffers are made after this returns.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (id == 0) {
        s.lastError = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    s.device = id;
    s.rate = have.freq;
    s.channels = have.channels;
    s.frames = have.samples > 0 ? have.samples : deviceFrames;
    s.deviceName = name != nullptr ? name : (SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "default");
    return true;
}

void pauseOutput(State& s, bool paused) {
    if (s.device != 0) SDL_PauseAudioDevice(s.device, paused ? 1 : 0);
}

void closeOutput(State& s) {
    if (s.device != 0) SDL_CloseAudioDevice(s.device);  // waits for the mixing thread to finish
    s.device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void lockOutput(State& s) {
    if (s.device != 0) SDL_LockAudioDevice(s.device);
}

void unlockOutput(State& s) {
    if (s.device != 0) SDL_UnlockAudioDevice(s.device);
}

const char* outputName() { return "SDL2"; }
