// Synthesises the game's sound effects in code and writes them as OGG Vorbis files with their list file.
#include "sounds.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// Every sound is levelled to this loudness (root mean square of the loudest tenth of a second after a
// rough ear weighting): loud enough to carry from laptop speakers across a noisy classroom ...
constexpr double kTargetLoudness = 0.268;
// ... unless that would lift its peak above this (about -1.2 dB below full scale, so that the encoder's
// small overshoot stays under -1 dB). Overlapping sounds are kept from clipping by the mixer's limiter.
constexpr double kPeakCeiling = 0.87;

using Signal = std::vector<double>;

// A sound under construction: two channels of equal length, full scale is 1.0.
struct Stereo {
  Signal left;
  Signal right;
};

int samplesFor(double seconds) { return static_cast<int>(std::lround(seconds * kRate)); }

Stereo silence(double seconds) {
  const auto n = static_cast<std::size_t>(samplesFor(seconds));
  return Stereo{Signal(n, 0.0), Signal(n, 0.0)};
}

// Adds a mono voice into the mix from a start time, placed by a constant-power pan (-1 left .. 1 right).
// Samples that would fall past the end of the mix are dropped.
void addVoice(Stereo& mix, const Signal& voice, double startSeconds, double pan, double gain) {
  const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
  const double leftGain = gain * std::cos(angle) * std::sqrt(2.0);
  const double rightGain = gain * std::sin(angle) * std::sqrt(2.0);
  const std::size_t start = static_cast<std::size_t>(std::max(0, samplesFor(startSeconds)));
  for (std::size_t i = 0; i < voice.size() && start + i < mix.left.size(); ++i) {
    mix.left[start + i] += voice[i] * leftGain;
    mix.right[start + i] += voice[i] * rightGain;
  }
}

// ---- noise -----------------------------------------------------------------------------------------

// A fixed-seed generator, so that every run synthesises the same noise.
struct NoiseSource {
  std::uint64_t state;
};

double nextUnit(NoiseSource& noise) {  // uniform in [0, 1)
  noise.state ^= noise.state >> 12;
  noise.state ^= noise.state << 25;
  noise.state ^= noise.state >> 27;
  const std::uint64_t r = noise.state * 2685821657736338717ULL;
  return static_cast<double>(r >> 11) * (1.0 / 9007199254740992.0);
}

double whiteNoise(NoiseSource& noise) { return nextUnit(noise) * 2.0 - 1.0; }

double between(NoiseSource& noise, double low, double high) { return low + (high - low) * nextUnit(noise); }

// ---- filters ---------------------------------------------------------------------------------------

// A state-variable filter whose cutoff may change every sample (trapezoidal integration, so it stays
// stable for any cutoff below half the sample rate).
struct VariableFilter {
  double ic1 = 0.0;
  double ic2 = 0.0;
};

struct FilterOutputs {
  double low;
  double band;
  double high;
};

FilterOutputs runFilter(VariableFilter& f, double input, double cutoff, double q) {
  const double g = std::tan(kPi * std::clamp(cutoff, 10.0, kRate * 0.45) / kRate);
  const double k = 1.0 / q;
  const double a1 = 1.0 / (1.0 + g * (g + k));
  const double a2 = g * a1;
  const double a3 = g * a2;
  const double v3 = input - f.ic2;
  const double v1 = a1 * f.ic1 + a2 * v3;
  const double v2 = f.ic2 + a2 * f.ic1 + a3 * v3;
  f.ic1 = 2.0 * v1 - f.ic1;
  f.ic2 = 2.0 * v2 - f.ic2;
  return FilterOutputs{v2, v1, input - k * v1 - v2};
}

// Band-pass normalised to unity gain at its centre.
double bandPass(VariableFilter& f, double input, double centre, double q) {
  return runFilter(f, input, centre, q).band / q;
}

// A fixed biquad, used for the ear weighting when measuring loudness.
struct Biquad {
  double b0, b1, b2, a1, a2;
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

Biquad highShelf(double freq, double gainDb) {
  const double a = std::pow(10.0, gainDb / 40.0);
  const double w = kTwoPi * freq / kRate;
  const double alpha = std::sin(w) / 2.0 * std::sqrt(2.0);
  const double c = std::cos(w);
  const double sa = 2.0 * std::sqrt(a) * alpha;
  const double a0 = (a + 1.0) - (a - 1.0) * c + sa;
  return Biquad{a * ((a + 1.0) + (a - 1.0) * c + sa) / a0, -2.0 * a * ((a - 1.0) + (a + 1.0) * c) / a0,
                a * ((a + 1.0) + (a - 1.0) * c - sa) / a0, 2.0 * ((a - 1.0) - (a + 1.0) * c) / a0,
                ((a + 1.0) - (a - 1.0) * c - sa) / a0};
}

Biquad highPass(double freq, double q) {
  const double w = kTwoPi * freq / kRate;
  const double alpha = std::sin(w) / (2.0 * q);
  const double c = std::cos(w);
  const double a0 = 1.0 + alpha;
  return Biquad{(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

double runBiquad(Biquad& f, double x) {
  const double y = f.b0 * x + f.b1 * f.x1 + f.b2 * f.x2 - f.a1 * f.y1 - f.a2 * f.y2;
  f.x2 = f.x1;
  f.x1 = x;
  f.y2 = f.y1;
  f.y1 = y;
  return y;
}

// ---- envelopes and oscillators ---------------------------------------------------------------------

// Raised-cosine rise from 0 to 1 over `length` seconds; 1 afterwards.
double rise(double t, double length) {
  if (t <= 0.0) return 0.0;
  if (t >= length) return 1.0;
  return 0.5 - 0.5 * std::cos(kPi * t / length);
}

// A note's gate: rises over `attack`, holds, and falls to zero over `release` ending at `length`.
double gate(double t, double length, double attack, double release) {
  if (t <= 0.0 || t >= length) return 0.0;
  return rise(t, attack) * rise(length - t, release);
}

// Corrections that take the steps out of a naive sawtooth or square, so high notes do not alias.
double polyBlep(double phase, double step) {
  if (phase < step) {
    const double x = phase / step;
    return x + x - x * x - 1.0;
  }
  if (phase > 1.0 - step) {
    const double x = (phase - 1.0) / step;
    return x * x + x + x + 1.0;
  }
  return 0.0;
}

double sawWave(double phase, double step) { return 2.0 * phase - 1.0 - polyBlep(phase, step); }

double squareWave(double phase, double step) {
  double v = phase < 0.5 ? 1.0 : -1.0;
  v += polyBlep(phase, step);
  v -= polyBlep(std::fmod(phase + 0.5, 1.0), step);
  return v;
}

double advance(double phase, double step) {
  phase += step;
  return phase - std::floor(phase);
}

// A struck FM tone: bright at the strike, mellowing as the modulation index decays.
struct BellShape {
  double ratio;        // modulator frequency over carrier frequency
  double index;        // modulation index at the strike
  double indexDecay;   // seconds for the index to fall to 1/e
  double decay;        // seconds for the loudness to fall to 1/e
  double attack;       // seconds of the rise
};

Signal bellNote(double freq, double length, const BellShape& shape) {
  const int n = samplesFor(length);
  Signal out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double index = shape.index * std::exp(-t / shape.indexDecay);
    const double mod = index * std::sin(kTwoPi * freq * shape.ratio * t);
    const double env = gate(t, length, shape.attack, std::min(0.03, length / 3.0)) * std::exp(-t / shape.decay);
    out[static_cast<std::size_t>(i)] = env * std::sin(kTwoPi * freq * t + mod);
  }
  return out;
}

// A plain tone of a few harmonics with a soft gate: the building block of beeps.
Signal harmonicTone(double freq, double length, const std::vector<double>& harmonicLevels, double attack,
                    double release, double decay) {
  const int n = samplesFor(length);
  Signal out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0.0;
    for (std::size_t h = 0; h < harmonicLevels.size(); ++h)
      v += harmonicLevels[h] * std::sin(kTwoPi * freq * static_cast<double>(h + 1) * t);
    out[static_cast<std::size_t>(i)] = v * gate(t, length, attack, release) * std::exp(-t / decay);
  }
  return out;
}

// A brass note: a band-limited sawtooth whose upper harmonics open up with the loudness, a little lip
// scoop at the start and a vibrato that grows on long notes.
Signal brassNote(double freq, double length, double swell) {
  const int n = samplesFor(length);
  Signal out(static_cast<std::size_t>(n));
  double phase = 0.0;
  const int harmonics = std::max(1, static_cast<int>(9000.0 / freq));
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double env = gate(t, length, 0.035, std::min(0.08, length / 3.0)) *
                       (1.0 - swell + swell * rise(t, length * 0.8));
    const double scoop = 1.0 - 0.015 * std::exp(-t / 0.025);
    const double vibrato = 1.0 + 0.005 * rise(t - 0.2, 0.3) * std::sin(kTwoPi * 5.5 * t);
    phase = advance(phase, freq * scoop * vibrato / kRate);
    const double brightness = 0.35 + 0.5 * env;
    // Harmonic k of the phase through the Chebyshev recurrence: one sine and one cosine per sample.
    const double x = kTwoPi * phase;
    const double c2 = 2.0 * std::cos(x);
    double previous = 0.0;
    double current = std::sin(x);
    double level = 1.0;
    double v = 0.0;
    for (int k = 1; k <= harmonics && level > 1e-4; ++k) {
      v += current * level / k;
      const double next = c2 * current - previous;
      previous = current;
      current = next;
      level *= brightness;
    }
    out[static_cast<std::size_t>(i)] = v * env;
  }
  return out;
}

// ---- whole-mix processing --------------------------------------------------------------------------

// A small room: parallel damped combs into two all-passes per channel, fed by the mono sum. Slightly
// different delays left and right give width. The tail stays within the mix; the mix's own length
// decides how much of it is heard.
void addRoom(Stereo& mix, double wet, double decaySeconds) {
  const std::size_t n = mix.left.size();
  Signal input(n);
  VariableFilter inputFilter;
  for (std::size_t i = 0; i < n; ++i)
    input[i] = runFilter(inputFilter, 0.5 * (mix.left[i] + mix.right[i]), 250.0, 0.7).high;

  const double combMs[2][4] = {{29.7, 37.1, 41.1, 43.7}, {30.8, 36.2, 42.5, 45.1}};
  const double allPassMs[2][2] = {{5.0, 1.7}, {5.3, 1.9}};
  for (int side = 0; side < 2; ++side) {
    Signal& out = side == 0 ? mix.left : mix.right;
    Signal sum(n, 0.0);
    for (double ms : combMs[side]) {
      const auto delay = static_cast<std::size_t>(samplesFor(ms / 1000.0));
      const double feedback = std::pow(10.0, -3.0 * (ms / 1000.0) / decaySeconds);
      Signal line(delay, 0.0);
      double damp = 0.0;
      for (std::size_t i = 0; i < n; ++i) {
        const double delayed = line[i % delay];
        damp = delayed * 0.6 + damp * 0.4;
        line[i % delay] = input[i] + damp * feedback;
        sum[i] += delayed;
      }
    }
    for (double ms : allPassMs[side]) {
      const auto delay = static_cast<std::size_t>(samplesFor(ms / 1000.0));
      Signal line(delay, 0.0);
      for (std::size_t i = 0; i < n; ++i) {
        const double delayed = line[i % delay];
        const double x = sum[i] + 0.7 * delayed;
        line[i % delay] = x;
        sum[i] = delayed - 0.7 * x;
      }
    }
    for (std::size_t i = 0; i < n; ++i) out[i] += wet * 0.25 * sum[i];
  }
}

// Takes out any DC and low rumble, then fades both ends so that the sound starts and ends exactly at
// zero: no click when it starts or stops.
void finishEdges(Stereo& mix, double fadeIn, double fadeOut) {
  for (Signal* channel : {&mix.left, &mix.right}) {
    VariableFilter dc;
    for (double& s : *channel) s = runFilter(dc, s, 25.0, 0.7).high;
    const std::size_t n = channel->size();
    const double last = static_cast<double>(n - 1) / kRate;
    for (std::size_t i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) / kRate;
      (*channel)[i] *= rise(t, fadeIn) * rise(last - t, fadeOut);
    }
  }
}

double peakOf(const Stereo& mix) {
  double peak = 0.0;
  for (const Signal* channel : {&mix.left, &mix.right})
    for (double s : *channel) peak = std::max(peak, std::fabs(s));
  return peak;
}

// Loudness as the ear roughly hears it: lows cut, presence lifted, then the root mean square of the
// loudest 100 ms window (or of the whole sound, if shorter).
double loudnessOf(const Stereo& mix) {
  const std::size_t n = mix.left.size();
  Signal power(n, 0.0);
  for (const Signal* channel : {&mix.left, &mix.right}) {
    Biquad shelf = highShelf(1500.0, 4.0);
    Biquad low = highPass(60.0, 0.5);
    for (std::size_t i = 0; i < n; ++i) {
      const double w = runBiquad(low, runBiquad(shelf, (*channel)[i]));
      power[i] += 0.5 * w * w;
    }
  }
  const std::size_t window = std::min(n, static_cast<std::size_t>(samplesFor(0.1)));
  if (window == 0) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < window; ++i) sum += power[i];
  double best = sum;
  for (std::size_t i = window; i < n; ++i) {
    sum += power[i] - power[i - window];
    best = std::max(best, sum);
  }
  return std::sqrt(std::max(0.0, best) / static_cast<double>(window));
}

// Brings a sound to the common loudness, never above the common peak ceiling, then applies the sound's
// own trim (a cursor tick is meant to sit below the rest).
void level(Stereo& mix, double trimDb) {
  const double loudness = loudnessOf(mix);
  const double peak = peakOf(mix);
  if (loudness <= 0.0 || peak <= 0.0) return;
  const double gain = std::min(kTargetLoudness / loudness, kPeakCeiling / peak) * std::pow(10.0, trimDb / 20.0);
  for (Signal* channel : {&mix.left, &mix.right})
    for (double& s : *channel) s *= gain;
}

// ---- the sounds ------------------------------------------------------------------------------------

double noteFrequency(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

// Id 0: a bright rising confirm, C6 then G6 with a soft C7 sparkle; short enough to follow fast answers.
Stereo confirmSound() {
  Stereo mix = silence(0.30);
  const BellShape bright{1.0, 1.4, 0.04, 0.07, 0.002};
  const BellShape held{1.0, 1.1, 0.05, 0.10, 0.002};
  const BellShape sparkle{3.5, 0.6, 0.03, 0.05, 0.002};
  addVoice(mix, bellNote(noteFrequency(84), 0.12, bright), 0.0, 0.0, 0.8);
  addVoice(mix, bellNote(noteFrequency(91), 0.24, held), 0.06, 0.0, 1.0);
  addVoice(mix, bellNote(noteFrequency(96), 0.18, sparkle), 0.06, 0.0, 0.25);
  finishEdges(mix, 0.003, 0.02);
  return mix;
}

// Id 1: the splash jingle, a bright up-run C E G C, a lift A B and a held C major chord over a
// plucked bass, with a shaker keeping the pulse and a small room around it.
Stereo jingleSound() {
  const double step = 0.13;
  Stereo mix = silence(2.45);
  const BellShape mallet{1.0, 1.6, 0.08, 0.30, 0.003};
  const BellShape glock{3.5, 0.8, 0.05, 0.25, 0.002};
  const BellShape chord{1.0, 1.3, 0.12, 0.55, 0.003};
  struct Note {
    int step;
    int midi;
    int steps;
  };
  const Note melody[] = {{0, 72, 1}, {1, 76, 1}, {2, 79, 1}, {3, 84, 2}, {5, 81, 1}, {6, 83, 1}};
  for (const Note& note : melody) {
    const double start = note.step * step;
    const double length = note.steps * step + 0.25;
    addVoice(mix, bellNote(noteFrequency(note.midi), length, mallet), start, -0.15, 0.55);
    addVoice(mix, bellNote(noteFrequency(note.midi + 12), length, glock), start, 0.35, 0.12);
  }
  // The closing chord: C6 on top, E5 and G5 below, spread a little.
  const double chordStart = 7 * step;
  addVoice(mix, bellNote(noteFrequency(84), 1.3, chord), chordStart, 0.0, 0.5);
  addVoice(mix, bellNote(noteFrequency(79), 1.3, chord), chordStart + 0.012, -0.4, 0.32);
  addVoice(mix, bellNote(noteFrequency(76), 1.3, chord), chordStart + 0.024, 0.4, 0.32);
  addVoice(mix, bellNote(noteFrequency(96), 0.9, glock), chordStart, 0.3, 0.12);

  // Plucked bass: C, A, G, C.
  const Note bass[] = {{0, 48, 3}, {3, 45, 2}, {5, 43, 2}, {7, 48, 8}};
  for (const Note& note : bass) {
    const double length = note.steps * step;
    addVoice(mix, harmonicTone(noteFrequency(note.midi), length, {1.0, 0.35, 0.12}, 0.004, 0.04, 0.25 + length),
             note.step * step, 0.0, 0.45);
  }

  // Shaker on every step of the run and a soft splash on the chord.
  NoiseSource noise{0x5EED0001ULL};
  for (int s = 0; s <= 7; ++s) {
    const double length = s == 7 ? 0.5 : 0.06;
    const double decay = s == 7 ? 0.14 : 0.018;
    Signal hit(static_cast<std::size_t>(samplesFor(length)));
    VariableFilter filter;
    for (std::size_t i = 0; i < hit.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      hit[i] = runFilter(filter, whiteNoise(noise), 7000.0, 0.8).high * rise(t, 0.002) * std::exp(-t / decay);
    }
    addVoice(mix, hit, s * step, s % 2 == 0 ? 0.3 : -0.3, s % 2 == 0 ? 0.10 : 0.07);
  }
  addRoom(mix, 0.35, 1.0);
  finishEdges(mix, 0.003, 0.25);
  return mix;
}

// A timpani stroke: a low pitched thump that sags in pitch, with a little felt noise on the strike.
Signal timpaniHit(double freq, double length, NoiseSource& noise) {
  Signal out(static_cast<std::size_t>(samplesFor(length)));
  double phase = 0.0;
  VariableFilter filter;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase = advance(phase, freq * (1.0 + 0.06 * std::exp(-t / 0.05)) / kRate);
    const double body = std::sin(kTwoPi * phase) + 0.3 * std::sin(2.0 * kTwoPi * phase * 1.5);
    const double felt = bandPass(filter, whiteNoise(noise), 400.0, 1.2) * std::exp(-t / 0.015);
    out[i] = (body * std::exp(-t / 0.45) + 0.6 * felt) * gate(t, length, 0.003, 0.05);
  }
  return out;
}

// Id 2: the finish fanfare, three quick G's, a long C, then G C and a full held C major chord in brass
// with timpani under the long notes.
Stereo fanfareSound() {
  Stereo mix = silence(2.9);
  struct Note {
    double start;
    double length;
    int midi;
    double pan;
    double gain;
  };
  const Note notes[] = {
      {0.00, 0.11, 67, 0.0, 0.9},  {0.14, 0.11, 67, 0.0, 0.9},  {0.28, 0.11, 67, 0.0, 0.9},
      {0.42, 0.42, 72, 0.0, 1.0},  {0.42, 0.42, 64, -0.4, 0.5}, {0.90, 0.12, 67, 0.0, 0.9},
      {1.05, 0.12, 72, 0.0, 0.9},  {1.20, 1.25, 79, 0.0, 0.8},  {1.20, 1.25, 76, -0.35, 0.55},
      {1.20, 1.25, 72, 0.35, 0.55}, {1.20, 1.25, 60, -0.1, 0.45}, {1.20, 1.25, 48, 0.1, 0.4},
  };
  for (const Note& note : notes)
    addVoice(mix, brassNote(noteFrequency(note.midi), note.length, note.length > 1.0 ? 0.3 : 0.0), note.start,
             note.pan, note.gain);
  NoiseSource noise{0x5EED0002ULL};
  addVoice(mix, timpaniHit(noteFrequency(43), 0.8, noise), 0.42, -0.2, 0.8);
  addVoice(mix, timpaniHit(noteFrequency(36), 1.4, noise), 1.20, -0.2, 1.0);
  addRoom(mix, 0.4, 1.3);
  finishEdges(mix, 0.003, 0.3);
  return mix;
}

// Id 3: an engine revving from idle up and back down: uneven cylinder pulses through a resonant
// exhaust filter that opens with the revs, plus a rumble an octave below the firing rate.
Stereo engineSound() {
  const double length = 2.0;
  const int n = samplesFor(length);
  Signal voice(static_cast<std::size_t>(n));
  NoiseSource noise{0x5EED0003ULL};
  double phase = 0.0;
  double halfPhase = 0.0;
  int cylinder = 0;
  const double cylinderLevel[4] = {1.0, 0.8, 0.93, 0.74};
  VariableFilter exhaust;
  VariableFilter body;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    // Firing rate in Hz: idle, rev up, ease off.
    double rate = 32.0;
    if (t > 0.3) rate = 32.0 + 63.0 * rise(t - 0.3, 0.9);
    if (t > 1.3) rate = 95.0 - 40.0 * rise(t - 1.3, 0.6);
    const double step = rate / kRate;
    const double before = phase;
    phase = advance(phase, step);
    if (phase < before) cylinder = (cylinder + 1) % 4;
    halfPhase = advance(halfPhase, step / 2.0);
    const double pulse = -sawWave(phase, step) * cylinderLevel[cylinder];
    const double puff = whiteNoise(noise) * std::exp(-phase * 6.0) * 0.4;
    const double load = (rate - 32.0) / 63.0;
    const double cutoff = 200.0 + 700.0 * load;
    const double x = runFilter(exhaust, pulse + puff, cutoff, 1.4).low;
    const double resonance = bandPass(body, pulse, 160.0 + 80.0 * load, 3.0);
    voice[static_cast<std::size_t>(i)] = x + 0.5 * resonance + 0.5 * std::sin(kTwoPi * halfPhase);
  }
  Stereo mix = silence(length);
  addVoice(mix, voice, 0.0, 0.0, 1.0);
  finishEdges(mix, 0.12, 0.25);
  return mix;
}

// Id 4: the wrong-answer buzz: two falling low notes on a pair of slightly detuned square waves, with
// the top rolled off so it is clear without being harsh.
Stereo wrongSound() {
  Stereo mix = silence(0.5);
  struct Note {
    double start;
    double length;
    double freq;
    double fall;
  };
  const Note notes[] = {{0.0, 0.16, noteFrequency(55), 0.0}, {0.19, 0.30, noteFrequency(51), 0.04}};
  for (const Note& note : notes) {
    Signal voice(static_cast<std::size_t>(samplesFor(note.length)));
    double a = 0.0;
    double b = 0.25;
    VariableFilter tone;
    for (std::size_t i = 0; i < voice.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double f = note.freq * (1.0 - note.fall * rise(t, note.length));
      const double stepA = f * 1.006 / kRate;
      const double stepB = f * 0.994 / kRate;
      a = advance(a, stepA);
      b = advance(b, stepB);
      const double raw = 0.5 * squareWave(a, stepA) + 0.5 * sawWave(b, stepB);
      voice[i] = runFilter(tone, raw, 1300.0, 0.8).low * gate(t, note.length, 0.008, 0.04);
    }
    addVoice(mix, voice, note.start, 0.0, 1.0);
  }
  finishEdges(mix, 0.003, 0.01);
  return mix;
}

// Id 5: a crowd cheer: many voices singing out "yeah" at their own pitches, each rising into the
// shout, through vowel formants; a breath bed and scattered hand claps, spread across the stereo field.
Stereo cheerSound() {
  const double length = 2.8;
  Stereo mix = silence(length);
  NoiseSource noise{0x5EED0005ULL};
  for (int v = 0; v < 28; ++v) {
    const double pitch = between(noise, 130.0, 380.0);
    const double start = between(noise, 0.0, 0.45);
    const double voiceLength = between(noise, 1.6, 2.3);
    const double vibratoRate = between(noise, 4.0, 7.0);
    const double vibratoDepth = between(noise, 0.01, 0.03);
    const double lift = between(noise, 0.08, 0.2);
    const double formantShift = between(noise, 0.9, 1.15);
    const double attack = between(noise, 0.2, 0.4);
    Signal voice(static_cast<std::size_t>(samplesFor(voiceLength)));
    double phase = nextUnit(noise);
    VariableFilter f1, f2, f3;
    for (std::size_t i = 0; i < voice.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double f = pitch * (1.0 + lift * rise(t, 0.3)) * (1.0 + vibratoDepth * std::sin(kTwoPi * vibratoRate * t));
      const double step = f / kRate;
      phase = advance(phase, step);
      const double source = sawWave(phase, step) + 0.3 * whiteNoise(noise);
      // The vowel glides from "eh" to "ah".
      const double open = rise(t, 0.35);
      const double formant1 = (450.0 + 300.0 * open) * formantShift;
      const double formant2 = (1900.0 - 700.0 * open) * formantShift;
      const double sung = bandPass(f1, source, formant1, 5.0) + 0.6 * bandPass(f2, source, formant2, 7.0) +
                          0.25 * bandPass(f3, source, 2600.0 * formantShift, 8.0);
      voice[i] = sung * gate(t, voiceLength, attack, 0.45);
    }
    addVoice(mix, voice, start, between(noise, -0.8, 0.8), between(noise, 0.5, 1.0) * 0.22);
  }
  // Breath and hubbub under the voices, independent on each side.
  for (int side = 0; side < 2; ++side) {
    Signal& channel = side == 0 ? mix.left : mix.right;
    VariableFilter filter;
    for (std::size_t i = 0; i < channel.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      channel[i] += 0.25 * bandPass(filter, whiteNoise(noise), 1500.0, 0.8) * gate(t, length, 0.3, 0.8);
    }
  }
  // Claps: three quick slaps each, as real hands make.
  for (int c = 0; c < 110; ++c) {
    const double start = between(noise, 0.25, 2.3);
    const double centre = between(noise, 1000.0, 2200.0);
    Signal clap(static_cast<std::size_t>(samplesFor(0.06)));
    VariableFilter filter;
    for (std::size_t i = 0; i < clap.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double slaps = std::exp(-t / 0.002) + 0.8 * rise(t - 0.008, 0.0005) * std::exp(-(t - 0.008) / 0.002) +
                           rise(t - 0.016, 0.0005) * std::exp(-(t - 0.016) / 0.012);
      clap[i] = bandPass(filter, whiteNoise(noise), centre, 1.5) * slaps;
    }
    addVoice(mix, clap, start, between(noise, -0.9, 0.9), between(noise, 0.2, 0.5));
  }
  addRoom(mix, 0.3, 0.9);
  finishEdges(mix, 0.05, 0.5);
  return mix;
}

// Id 6: the cursor tick: a tiny high wooden knock, quieter than everything else.
Stereo tickSound() {
  Stereo mix = silence(0.045);
  Signal voice(mix.left.size());
  NoiseSource noise{0x5EED0006ULL};
  VariableFilter filter;
  for (std::size_t i = 0; i < voice.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double knock = std::sin(kTwoPi * 2200.0 * t) * std::exp(-t / 0.006);
    const double snap = bandPass(filter, whiteNoise(noise), 4500.0, 2.0) * std::exp(-t / 0.002);
    voice[i] = knock + 0.5 * snap;
  }
  addVoice(mix, voice, 0.0, 0.0, 1.0);
  finishEdges(mix, 0.0025, 0.01);
  return mix;
}

// Id 7: the countdown beep: a clean A5 with two soft overtones.
Stereo beepSound() {
  Stereo mix = silence(0.18);
  addVoice(mix, harmonicTone(880.0, 0.18, {1.0, 0.3, 0.12}, 0.004, 0.025, 0.6), 0.0, 0.0, 1.0);
  finishEdges(mix, 0.003, 0.01);
  return mix;
}

// ---- encoding and writing --------------------------------------------------------------------------

struct SoundDefinition {
  const char* fileName;
  int highestInstance;  // the sound can overlap itself highestInstance + 1 times
  Stereo (*render)();
  double trimDb;
};

// In id order. Instances follow how fast each sound can repeat: the confirm follows every correct
// answer of both players and the tick every cursor step, so they get four; the jingle plays once.
// Trims: the steady wrong-answer buzz and countdown beep keep their full level from start to end, so
// they come down a little to sit with the struck, decaying confirm and jingle (the same mean level over
// the whole sound); the cursor tick stays well below everything else.
const SoundDefinition kSounds[] = {
    {"confirm.ogg", 3, confirmSound, 0.0},  {"jingle.ogg", 0, jingleSound, 0.0},
    {"fanfare.ogg", 0, fanfareSound, 0.0},  {"engine.ogg", 1, engineSound, -2.0},
    {"wrong.ogg", 2, wrongSound, -3.5},     {"cheer.ogg", 0, cheerSound, -2.0},
    {"tick.ogg", 3, tickSound, -11.0},      {"beep.ogg", 1, beepSound, -3.0},
};

void appendPage(std::vector<unsigned char>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// Encodes a sound as an Ogg Vorbis stream with a fixed serial number, so equal input gives equal bytes.
bool encodeVorbis(const Stereo& mix, int serial, const std::string& title, std::vector<unsigned char>& out) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, kRate, 0.5f) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", title.c_str());
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  ogg_packet header, commentHeader, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  // The headers get pages of their own, so the audio starts on a fresh page.
  while (ogg_stream_flush(&stream, &page) != 0) appendPage(out, page);

  const std::size_t total = mix.left.size();
  const std::size_t chunk = 1024;
  std::size_t done = 0;
  bool ended = false;
  bool wroteEnd = false;
  while (!ended) {
    if (done < total) {
      const std::size_t count = std::min(chunk, total - done);
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (std::size_t i = 0; i < count; ++i) {
        buffer[0][i] = static_cast<float>(mix.left[done + i]);
        buffer[1][i] = static_cast<float>(mix.right[done + i]);
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(count));
      done += count;
    } else if (!wroteEnd) {
      vorbis_analysis_wrote(&dsp, 0);
      wroteEnd = true;
    }
    bool produced = false;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
        produced = true;
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
          appendPage(out, page);
          if (ogg_page_eos(&page) != 0) ended = true;
        }
      }
    }
    // Once the end is written and the encoder has nothing more, whatever is left is the last page.
    if (wroteEnd && !produced && !ended) {
      while (ogg_stream_flush(&stream, &page) != 0) {
        appendPage(out, page);
        if (ogg_page_eos(&page) != 0) ended = true;
      }
      if (!ended) break;
    }
  }

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return ended;
}

bool writeFile(const std::filesystem::path& path, const char* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(data, static_cast<std::streamsize>(size));
  file.close();
  return !file.fail();
}

}  // namespace

bool writeSounds(const std::string& outDir) {
  const std::filesystem::path directory = std::filesystem::path(outDir) / "sound";
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error || !std::filesystem::is_directory(directory, error)) return false;

  const int count = static_cast<int>(std::size(kSounds));
  std::string list = std::to_string(count) + "\r\n";
  for (int id = 0; id < count; ++id) {
    const SoundDefinition& sound = kSounds[id];
    Stereo mix = sound.render();
    level(mix, sound.trimDb);
    std::vector<unsigned char> bytes;
    const std::string title = std::filesystem::path(sound.fileName).stem().string();
    if (!encodeVorbis(mix, 0x7A110000 + id, title, bytes)) return false;
    if (!writeFile(directory / sound.fileName, reinterpret_cast<const char*>(bytes.data()), bytes.size()))
      return false;
    list += std::string(sound.fileName) + "," + std::to_string(sound.highestInstance) + "\r\n";
  }
  // The list goes last, so a list on disk never names a sound that was not written.
  return writeFile(directory / "sound.txt", list.data(), list.size());
}
