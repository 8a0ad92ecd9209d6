// Shared texts and matching rules that need no shell: priority labels, the yes/no label, the
// file-type match and the name of the temporary transfer file.
#pragma once

#include <string>

// The label of a priority level 0..4; empty for any other value.
std::string GetPriorityLabel(short level);

// "Yes" for a non-zero flag, else "No".
std::string GetYesNoLabel(int flag);

// True when the extension of the path's last component equals "." + token, ASCII letters
// compared without case (double-byte characters compared as they are).
bool MatchesFileType(const std::string& path, const std::string& token);

// The file in the user's temporary directory that stages transfer text.
extern const char kTempCollectionFileName[];

// tempDir as the system reports it (normally with its trailing separator) + the file name.
std::string MakeTempCollectionPath(const std::string& tempDir);
