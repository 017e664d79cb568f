// The game's program entry: runs the game, then releases the sound library.
#include "audio/sound.h"
#include "shell/shell.h"

int main() {
    const int status = runGame();
    releaseSoundLibrary();
    return status;
}
