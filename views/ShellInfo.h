// The shell as the views show it: icons, display and type names, the system image lists.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <string>

// An empty path stands for the system directory (a plain folder icon) and is replaced by it.
// index is the shell's system icon index of a file of that name (or of a folder), or -1. The
// icon comes from the name alone: neither the disk nor the network is asked.
bool GetShellIconIndex(std::string& path, int& index);

// The shell's system image list (small or large), shared by the views and never destroyed
// by us: it belongs to the system.
HIMAGELIST GetSystemImageList(bool small);
// Forgets both lists without destroying anything; the next GetSystemImageList asks again.
void ReleaseSystemImageLists();

// The shell's display name and type name of a file named path, from the name alone (the file
// is never looked for). The type name is "Pelorand Folders" when the shell gives none.
// folder: path names a disk folder.
bool GetShellNames(const std::string& path, std::string& displayName, std::string& typeName,
                   bool folder = false);
