// The sound library's binding for a build that links no sound library: the game runs silent, with
// the same calls as when the library cannot be loaded.
#include "audio/library.h"
#include "audio/sound.h"

const SoundLibrary* soundLibrary() { return nullptr; }

void bindSoundLibrary() {}

void releaseSoundLibrary() {}

void initSoundLibrary() {}
