// The watchers of the game's events; all empty in the game itself.
#include "shell/watch.h"

GameWatchers Watchers;
