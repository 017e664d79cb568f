// Choosing and preparing the game folder of an installed game: the folder the game runs in, with
// the installed pictures and sounds made visible in it and the pupils' classrooms left alone.
#pragma once
#include <string>

// Where the folder comes from, in order of precedence: the --data option, the TALLYRALLY_DATA
// environment variable, else $XDG_DATA_HOME/tallyrally, else ~/.local/share/tallyrally.
// dataOption is empty when --data was not given. Returns "" when no folder can be worked out
// (no option, no variable and no home folder).
std::string chooseGameFolder(const std::string& dataOption);

// Creates the folder (and its parents) when missing, checks that the game can write in it, and
// gives it an entry for every file and folder of installedData (share/tallyrally): a symbolic
// link to the installed one, so that an upgrade brings new art; where the file system takes no
// links, a copy refreshed whenever the installed file is newer. An entry that the user made
// (a real file or folder of their own) is left as it is, and "classrooms" is never touched.
// Returns "" on success, else one sentence for the user saying what went wrong.
std::string prepareGameFolder(const std::string& folder, const std::string& installedData);
