// The asset generator's sound part: synthesises the game's sound effects and writes the sound list.
#pragma once

#include <string>

// Called by the asset generator once per run. Creates outDir/sound (and outDir when missing) and writes
// there the list file sound.txt and every OGG Vorbis file it names. The caller passes a directory that
// may be written; files of the same names are replaced. The bytes written are the same on every run.
// Returns false when a directory or file could not be written or a sound could not be encoded.
bool writeSounds(const std::string& outDir);
