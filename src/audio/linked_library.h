// The sound library linked into the program: its functions found by name in a table, the way the
// binding finds them in a library loaded at run time.
#pragma once
#include "audio/binding.h"

// Gives the linked library's function exported under upperName, or null when the table has none.
// context is not used. Usable at any time, static initialisation included.
AnyFunction findLinkedSoundFunction(const char* upperName, void* context);
