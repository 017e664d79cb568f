// Benchmarks of sound: the mixer's cost for one device buffer, the same through the library's
// device thread, and the time from a play request to its first mixed sample.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/library.h"
#include "mixer.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<long> buffersMixed{0};
std::atomic<bool> heard{false};
std::atomic<Clock::rep> heardAt{0};

// Counts the mixed buffers and notes when the first one that is not silent comes by.
void watchMix(std::int16_t* samples, std::int32_t channels, std::int32_t frames) {
    buffersMixed.fetch_add(1);
    if (heard.load()) return;
    for (std::int32_t i = 0; i < channels * frames; ++i) {
        if (samples[i] != 0) {
            heardAt.store(Clock::now().time_since_epoch().count());
            heard.store(true);
            return;
        }
    }
}

// Starts the library on driver; makes a one-second 440 Hz wave. False when the library is absent.
bool startLibrary(const SoundLibrary*& lib, const char* driver, std::int32_t& wave) {
    lib = soundLibrary();
    if (lib == nullptr) return false;
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);  // the disk driver then mixes as fast as it can
    if (lib->FBS_Init(44100, 2, 3, 2048, 0, 0) == 0) return false;
    std::int16_t* samples = nullptr;
    lib->FBS_Create_Wave(44100, &wave, &samples);
    for (int i = 0; i < 44100; ++i)
        samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(8000 * std::sin(i * 0.0627));
    lib->FBS_Set_MasterCallback(watchMix);
    lib->FBS_Enable_MasterCallback();
    return true;
}

// The mixer alone: range(0) voices of one second at 44100 Hz stereo summed into one buffer of 512
// frames and limited to 16 bits, as the device thread does for every buffer. One voice fits and
// passes the limiter untouched; eight and more overlap beyond full scale and keep it at work.
void BM_MixerOneBuffer(benchmark::State& state) {
    std::vector<std::int16_t> wave(2 * 44100);
    for (std::size_t i = 0; i < wave.size(); ++i) wave[i] = static_cast<std::int16_t>(8000 * std::sin(i * 0.03));
    std::vector<Voice> voices(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < voices.size(); ++i) {
        voices[i].samples = wave.data();
        voices[i].end = 44100;
        voices[i].position = static_cast<double>(i * 997 % 44100);
        voices[i].loopsLeft = -1;
        voices[i].pan = static_cast<float>(i % 3) * 0.5f - 0.5f;
    }
    std::vector<float> acc(2 * 512);
    std::vector<std::int16_t> out(2 * 512);
    Limiter limiter;
    designLimiter(limiter, 44100, 512);
    for (auto _ : state) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (auto& v : voices) renderVoice(v, acc.data(), 512, 2);
        finishLimitedMix(acc.data(), out.data(), 512, 2, 1.0f, limiter);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_MixerOneBuffer)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

// Wall time per mixed device buffer (512 frames) with range(0) sounds looping, as the device's
// thread sees it: mixing plus SDL's hand-over to a driver that discards the samples.
void BM_DeviceThreadOneBuffer(benchmark::State& state) {
    const SoundLibrary* lib = nullptr;
    std::int32_t wave = -1;
    if (!startLibrary(lib, "disk", wave)) {
        state.SkipWithError("sound library not available");
        return;
    }
    for (int i = 0; i < state.range(0); ++i) {
        std::int32_t sound = -1;
        lib->FBS_Create_Sound(wave, &sound);
        lib->FBS_Set_SoundPan(sound, (i % 3 - 1) * 0.5f);
        lib->FBS_Play_Sound(sound, -1);
    }
    for (auto _ : state) {
        const long from = buffersMixed.load();
        const auto start = Clock::now();
        while (buffersMixed.load() < from + 50) std::this_thread::yield();
        const auto took = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(took / static_cast<double>(buffersMixed.load() - from));
    }
    lib->FBS_Exit();
}
BENCHMARK(BM_DeviceThreadOneBuffer)->Arg(1)->Arg(8)->Arg(32)->UseManualTime()->Unit(benchmark::kMicrosecond);

// From FBS_Play_Sound to the mixer handing the sound's first samples to the device, on the dummy
// driver, which asks for buffers at the pace a real device would.
void BM_PlayToFirstMixedSample(benchmark::State& state) {
    const SoundLibrary* lib = nullptr;
    std::int32_t wave = -1;
    if (!startLibrary(lib, "dummy", wave)) {
        state.SkipWithError("sound library not available");
        return;
    }
    std::int32_t sound = -1;
    lib->FBS_Create_Sound(wave, &sound);
    for (auto _ : state) {
        lib->FBS_Set_SoundLoops(sound, 0);
        heard.store(false);
        std::this_thread::sleep_for(std::chrono::microseconds(std::rand() % 12000));  // any phase of the buffer
        const auto start = Clock::now();
        lib->FBS_Play_Sound(sound, 1);
        while (!heard.load()) std::this_thread::yield();
        const Clock::time_point at{Clock::duration{heardAt.load()}};
        state.SetIterationTime(std::chrono::duration<double>(at - start).count());
    }
    lib->FBS_Exit();
}
BENCHMARK(BM_PlayToFirstMixedSample)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
