// The shell's side of adding entries: the paths of a file drop and the file-or-folder picker.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

// Appends the paths of data's file drop (CF_HDROP) in their order, whole whatever their
// length; names arrive in CP932, or as their short names when it cannot hold them, or not at
// all (NoteRefusedName; the first form reports them to the user). Adds nothing when data
// offers no drop.
void GetDroppedPaths(std::vector<std::string>& paths, IDataObject* data);
// The same for a drop block itself.
void GetDroppedPaths(std::vector<std::string>& paths, const std::string& dropBlock);

// The shell's folder browser that also shows files, titled "ファイルを追加する", owned by
// owner. False when cancelled. Tests answer it through the common dialogs' hooks.
bool BrowseForPath(HWND owner, std::string& path);

// The user's temporary directory (with its trailing backslash) + "PelorandTemp.plt", where
// transfer text is staged.
std::string GetTempCollectionPath();
