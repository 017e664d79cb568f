// Binding the sound library's functions by name, wherever the program finds them: the same name
// list and the same order for a library loaded at run time and for one linked into the program.
#pragma once
#include <string>

#include "audio/library.h"

// Any function, as a loader hands it back before it is given its own type.
using AnyFunction = void (*)();
// Gives the function the library exports under upperName (the name in upper case), or null when it
// has none. context is the finder's own, passed through.
using FunctionFinder = AnyFunction (*)(const char* upperName, void* context);

// Looks up every function the game binds, in the fixed order, each in upper case. When all are found
// fills out and returns true; at the first one missing stops, leaves out as it was, puts that name
// as the game lists it ("FBS_Set_MasterFilter") into missing and returns false.
bool bindSoundFunctions(FunctionFinder find, void* context, SoundLibrary& out, std::string& missing);
