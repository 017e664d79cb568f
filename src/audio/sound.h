// The game's side of sound: binding the sound library, the sound bank and playing a sound by id.
#pragma once

// The sound ids the game plays.
constexpr int ConfirmSound = 0;    // a choice confirmed, Delete acting, the race start, a right answer
constexpr int SplashSound = 1;     // the splash opens
constexpr int WrongSound = 4;      // a wrong answer
constexpr int MoveSound = 6;       // a cursor moved, a value changed, Esc going back
constexpr int CountdownSound = 7;  // the race countdown shows a new number

// Loads the sound library and binds its functions. Runs once during static initialisation (a static
// object of the binding calls it; later calls do nothing). Prints the binding's console messages;
// when a name is missing it beeps, waits for a key and ends the program with status 1. When the
// library cannot be loaded the game goes on, and every other function here does nothing with it.
void bindSoundLibrary();
// At program end: stops and shuts the library down and unloads it, when it was loaded. Safe to
// call more than once (it also runs when the binding's static object goes at exit); afterwards
// playSound plays nothing.
void releaseSoundLibrary();
// Start-up: FBS_Init(44100, 2, 3, 2048, 0, 0); does nothing without the library.
void initSoundLibrary();
// Start-up, right after initSoundLibrary: reads sound/sound.txt and loads every sound. A missing
// list leaves the bank empty; a missing sound file stays silent. Calling it again replaces the bank.
void loadSoundBank();
// Plays sound id once on an idle instance; a busy sound or an unknown id plays nothing.
void playSound(int id);
// Turns the trace of playSound on or off (off at start). While on, every playSound call prints one
// line to stdout: "playSound <id> t=<nowSeconds, 3 decimals> <played|dropped|unknown>", where
// dropped means every instance was busy or the library could not play it, unknown an id the bank
// does not hold.
void setSoundTrace(bool on);
