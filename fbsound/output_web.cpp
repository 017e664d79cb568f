// The sound library's output to Web Audio, for the browser build. The program has one thread:
// a small JS timer mixes on it, whenever the game sleeps or waits, enough blocks to stay about
// OutputLeadMs ahead of what the AudioContext has played, and posts them to an AudioWorklet, whose
// small queue plays them and outputs silence when it runs dry. Browsers start sound only after a
// key or a click: until then the device mixes on the wall clock and throws the blocks away, so
// sounds play out in time, unheard.
#include <emscripten.h>

#include <vector>

#include "output.h"
#include "state.h"

namespace {

// How far ahead of the speakers the mix runs. The timer fires every OutputTickMs while the game
// sleeps; a screen waiting for a key sleeps in steps of 50 ms, so the lead must outlast that with
// room to spare, while a sound started by the game is heard within about this time.
constexpr int OutputLeadMs = 80;
constexpr int OutputTickMs = 10;

std::vector<std::int16_t> block;

}  // namespace

// Everything on the JavaScript side lives in Module.tallyAudio: the AudioContext (made on the
// first key or click at the device's rate, so the browser resamples; should it refuse that rate,
// the worklet steps through the blocks at the ratio of the two), the worklet node, the pacing clock,
// and the peak of what the worklet has played, which Module.tallyAudioPeak() gives to tests.
EM_JS(void, prepareWebAudio, (), {
    if (Module.tallyAudio) return;
    const audio = {ctx: null, node: null, rate: 44100, channels: 2, peak: 0,
                   clock: null, base: 0, posted: 0, timer: null};
    Module.tallyAudio = audio;
    Module.tallyAudioPeak = function() { return audio.peak; };
    const worklet = `
class TallyOutput extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.channels = options.processorOptions.channels;
    this.step = options.processorOptions.step;
    this.blocks = [];
    this.at = 0;
    this.peak = 0;
    this.sinceReport = 0;
    this.port.onmessage = (e) => {
      if (e.data instanceof Float32Array) {
        this.blocks.push(e.data);
      } else {
        this.channels = e.data.channels;
        this.step = e.data.step;
      }
    };
  }
  process(inputs, outputs) {
    const out = outputs[0];
    const n = out[0].length;
    const ch = this.channels;
    for (let i = 0; i < n; i++) {
      while (this.blocks.length && this.at >= this.blocks[0].length / ch) {
        this.at -= this.blocks[0].length / ch;
        this.blocks.shift();
      }
      if (!this.blocks.length) {
        for (let c = 0; c < out.length; c++) out[c][i] = 0;
        continue;
      }
      const b = this.blocks[0];
      const f = Math.floor(this.at);
      for (let c = 0; c < out.length; c++) {
        const v = b[f * ch + Math.min(c, ch - 1)];
        out[c][i] = v;
        const a = Math.abs(v);
        if (a > this.peak) this.peak = a;
      }
      this.at += this.step;
    }
    this.sinceReport += n;
    if (this.sinceReport >= 4096) {
      this.sinceReport = 0;
      this.port.postMessage(this.peak);
    }
    return true;
  }
}
registerProcessor('tally-output', TallyOutput);
`;
    function connect(ctx) {
        const url = URL.createObjectURL(new Blob([worklet], {type: 'application/javascript'}));
        ctx.audioWorklet.addModule(url).then(function() {
            const node = new AudioWorkletNode(ctx, 'tally-output', {
                numberOfInputs: 0, outputChannelCount: [2],
                processorOptions: {channels: audio.channels, step: audio.rate / ctx.sampleRate}});
            node.port.onmessage = function(e) { if (e.data > audio.peak) audio.peak = e.data; };
            node.connect(ctx.destination);
            audio.node = node;
        }).catch(function(e) { console.log('sound output unavailable: ' + e); });
    }
    // Made or resumed inside the key's or click's own event, which browsers require.
    function start() {
        if (!audio.ctx) {
            const Context = window.AudioContext || window.webkitAudioContext;
            if (!Context) return;
            try {
                audio.ctx = new Context({sampleRate: audio.rate, latencyHint: 'interactive'});
            } catch (e) {
                audio.ctx = new Context({latencyHint: 'interactive'});
            }
            connect(audio.ctx);
        }
        if (audio.ctx.state !== 'running') audio.ctx.resume().catch(function() {});
    }
    if (typeof window === 'undefined') return;  // not in a page: no sound to start
    const previous = Module.onFirstGesture;
    Module.onFirstGesture = function() {
        start();
        if (previous) previous();
    };
    ['keydown', 'mousedown', 'pointerdown', 'touchend'].forEach(function(type) {
        window.addEventListener(type, start, {capture: true});
    });
    // A key pressed while the program was still loading has already allowed sound.
    if (navigator.userActivation && navigator.userActivation.hasBeenActive) start();
});

// The frames to mix now to keep the lead: the pacing clock is the AudioContext's while the worklet
// plays, else the wall clock; a new clock, or a queue that ran dry, starts the count afresh.
EM_JS(int, webFramesWanted, (int leadMs), {
    const audio = Module.tallyAudio;
    const playing = audio.node !== null && audio.ctx.state === 'running';
    const clock = playing ? 'context' : 'wall';
    const now = playing ? audio.ctx.currentTime : performance.now() / 1000;
    if (clock !== audio.clock) {
        audio.clock = clock;
        audio.base = now;
        audio.posted = 0;
    }
    const played = (now - audio.base) * audio.rate;
    if (audio.posted < played) audio.posted = played;
    const wanted = Math.ceil(played + audio.rate * leadMs / 1000 - audio.posted);
    return wanted > 0 ? wanted : 0;
});

// Hands frames mixed frames at samples to the worklet, or drops them while no sound can be heard.
EM_JS(void, webPostBlock, (const std::int16_t* samples, int frames), {
    const audio = Module.tallyAudio;
    audio.posted += frames;
    if (audio.clock !== 'context') return;
    const count = frames * audio.channels;
    const block = new Float32Array(count);
    const from = samples >> 1;
    for (let i = 0; i < count; i++) block[i] = HEAP16[from + i] / 32768;
    audio.node.port.postMessage(block, [block.buffer]);
});

EM_JS(void, webOutputOpen, (int rate, int channels, int tickMs), {
    const audio = Module.tallyAudio;
    audio.rate = rate;
    audio.channels = channels;
    audio.clock = null;
    // A context made on a key before the device opened plays on in the device's format.
    if (audio.node) audio.node.port.postMessage({channels: channels, step: rate / audio.ctx.sampleRate});
    audio.timer = setInterval(function() {
        if (ABORT) {
            clearInterval(audio.timer);
            return;
        }
        Module['_fbsWebPump']();
    }, tickMs);
});

EM_JS(void, webOutputClose, (), {
    const audio = Module.tallyAudio;
    if (audio.timer !== null) clearInterval(audio.timer);
    audio.timer = null;
});

namespace {

// Sets up the page's side before anything else runs, so that the very first key starts sound.
struct Prepare {
    Prepare() { prepareWebAudio(); }
};
const Prepare prepare;

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void fbsWebPump() {
    State& s = state();
    if (!s.ready || !s.running || s.device == 0) return;
    const int frames = webFramesWanted(OutputLeadMs);
    if (frames <= 0) return;
    block.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(s.channels));
    mixOutput(s, block.data(), frames);
    webPostBlock(block.data(), frames);
}

bool openOutput(State& s, std::int32_t rate, std::int32_t channels, std::int32_t frames, std::int32_t device) {
    if (device != 0) {
        s.lastError = "no such device";
        return false;
    }
    s.device = 1;
    s.rate = rate;
    s.channels = channels;
    s.frames = pieceFrames(frames);
    s.deviceName = "Web Audio";
    webOutputOpen(rate, channels, OutputTickMs);
    return true;
}

// A paused output is simply not mixed; the pacing clock starts afresh when it resumes.
void pauseOutput(State& /*s*/, bool /*paused*/) {}

void closeOutput(State& s) {
    webOutputClose();
    s.device = 0;
}

// One thread: the mixer never runs while the caller is inside the library.
void lockOutput(State& /*s*/) {}
void unlockOutput(State& /*s*/) {}

const char* outputName() { return "Web Audio"; }
