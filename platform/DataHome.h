#pragma once
// Where the program keeps its own files: the user's data folder, `$XDG_DATA_HOME` when it holds an
// absolute path, else the home folder followed by "/.local/share". The home folder is `$HOME` when
// absolute, else the password database's entry of the current user. Reads the environment on every
// call; call it while no other thread changes the environment.

#include <string>

namespace platform {

// The data folder without a trailing "/"; empty when no home folder can be found at all.
std::string dataHomePath();

}  // namespace platform
