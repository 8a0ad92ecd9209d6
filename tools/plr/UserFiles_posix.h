// Where plr keeps the user's files on Linux, by the XDG base directories.
#pragma once

#include <string>

// $HOME, or the user's home in the password database when it is unset (a service started
// without it); empty when there is none.
std::string HomeDirectory();
// $XDG_<kind>_HOME, or its default below the home directory, then "/pelorand/" + file; empty
// when neither is there, rather than a folder at the root of the file system.
std::string XdgPath(const char* variable, const char* fallback, const char* file);
