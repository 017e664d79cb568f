// Writes tones as OGG Vorbis files, for the tests that need real sound files to load.
#pragma once
#include <string>

// Writes seconds of a sine tone of hz Hz and the given peak amplitude (0..1) to path as OGG
// Vorbis with rate and channels (the same tone on every channel). Returns false when the file
// could not be written.
bool writeOggTone(const std::string& path, int rate, int channels, double seconds, double hz, double amplitude);
