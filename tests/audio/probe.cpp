// A small program that starts sound the way the game does, for the tests of the binding: it shows
// whether start-up went on and what playSound did.
#include <cstdio>

#include "audio/sound.h"

int main() {
    initSoundLibrary();
    loadSoundBank();
    setSoundTrace(true);
    playSound(0);
    std::puts("probe went on");
    std::fflush(stdout);
    releaseSoundLibrary();
    return 0;
}
