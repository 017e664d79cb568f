// A plain warning tone through the audio device, queued to SDL in one piece.
#include "tone.h"

#include <SDL.h>

#include <cmath>
#include <vector>

bool playWarningTone(int hz, int ms) {
    if (hz <= 0 || ms <= 0) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    const int count = want.freq * ms / 1000;
    const int ramp = want.freq / 200;  // 5 ms fades, so the tone starts and ends without a click
    std::vector<Sint16> samples(static_cast<std::size_t>(count));
    const double step = 2.0 * 3.14159265358979323846 * hz / want.freq;
    for (int i = 0; i < count; ++i) {
        double level = 0.3;
        if (i < ramp) level *= static_cast<double>(i) / ramp;
        if (count - i < ramp) level *= static_cast<double>(count - i) / ramp;
        samples[static_cast<std::size_t>(i)] = static_cast<Sint16>(std::lround(32767.0 * level * std::sin(step * i)));
    }
    SDL_QueueAudio(device, samples.data(), static_cast<Uint32>(samples.size() * sizeof(Sint16)));
    SDL_PauseAudioDevice(device, 0);
    // Wait for the queue to drain (with a bound, should the device stall), then for the device's
    // own buffer to play out.
    const Uint32 start = SDL_GetTicks();
    while (SDL_GetQueuedAudioSize(device) > 0 && SDL_GetTicks() - start < static_cast<Uint32>(ms) + 1000)
        SDL_Delay(5);
    SDL_Delay(static_cast<Uint32>(1000 * have.samples / have.freq) + 20);
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return true;
}
