// The file-name wildcards of the platform's directory search, for file systems that do not
// have them: '*' for any run of characters, '?' for one character, ASCII letters compared
// without case, "*.*" for every name and "*." for names without an extension. Names are CP932,
// so a double-byte character counts as one character.
#pragma once

#include <string>

bool MatchesWildcard(const std::string& name, const std::string& pattern);
