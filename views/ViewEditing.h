// What the folder tree and the file list share in editing: the edge scrolling during a drag,
// and their popup menus.
#pragma once

#include <windows.h>

#include <string>

class CBlock;

// Scrolls hwnd by one line or column when point lies within 32 pixels of an edge it can
// scroll towards. DROPEFFECT_SCROLL when it scrolled, DROPEFFECT_NONE otherwise.
DWORD DragScrollAtEdges(HWND hwnd, POINT point);

// Tracks the first popup of menu resource menuId at point (screen), owned by the top-level
// window of view so that its commands take the frame's usual way.
void TrackViewPopup(HWND view, UINT menuId, POINT point);



// A label edit's text as the program keeps its texts, from the A or W form of the notification.
// False, after telling the user, for a name with a character CP932 cannot hold: the edit then
// counts as cancelled rather than storing a look-alike.
bool LabelText(const void* text, bool wide, std::string& out);

extern const char kDeleteQuestion[];
extern const char kNameNotCp932Message[];
