// The game's side of sound: binding the sound library, the sound bank and playing a sound by id.
#pragma once

// Loads the sound library and binds its functions. Runs once during static initialisation.
// Prints the binding's console messages; ends the program with status 1 when a name is missing.
void bindSoundLibrary();
// At program end: stops and shuts the library down and unloads it, when it was loaded.
void releaseSoundLibrary();
// Start-up: FBS_Init(44100, 2, 3, 2048, 0, 0); does nothing without the library.
void initSoundLibrary();
// Start-up, right after initSoundLibrary: reads sound/sound.txt and loads every sound.
void loadSoundBank();
// Plays sound id once on an idle instance; a busy sound or an unknown id plays nothing.
void playSound(int id);
