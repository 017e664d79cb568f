// A plain warning tone through the audio device, for a program whose sound library could not be
// bound and so cannot use it.
#pragma once

// Plays a sine tone of hz Hz for ms milliseconds on the default audio output and returns once it
// has been played. Returns false, having played nothing, when no audio device could be opened
// (the caller then falls back on the terminal bell). Safe to call before main.
bool playWarningTone(int hz, int ms);
