#pragma once

#include <string>
#include <vector>

namespace platform {

// The shared data folders of the local, network and system domains, in that order: the
// absolute entries of $XDG_DATA_DIRS (default /usr/local/share:/usr/share). The user's own
// data folder is not among them.
std::vector<std::string> libraryDirectories();

// The user's own data folder: $XDG_DATA_HOME, else $HOME/.local/share.
std::string userApplicationSupportDirectory();

// $HOME, else the home folder of the password database.
std::string homeDirectory();

// $TMPDIR, else /tmp.
std::string temporaryDirectory();

}  // namespace platform
