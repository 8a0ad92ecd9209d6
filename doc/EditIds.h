// The editing commands that the document and its views handle, and the views' context menus
// that carry them. The resource header includes this one, so that the menus, the toolbar and
// the strings are made with the same numbers.
#pragma once

// The context menus of the folder tree and of the file list.
#define IDR_FOLDER_POPUP 102
#define IDR_LIST_POPUP 103

// Commands on the collection's entries.
#define ID_ADD_FILE 32762
#define ID_NEW_FOLDER 32772
#define ID_DELETE 32773
#define ID_RENAME 32775
#define ID_PROPERTY 32776
#define ID_EXPLORER 32779
#define ID_SELECT_ALL 32782
#define ID_SET_WALLPAPER 32783
#define ID_OPEN_FILE 32784
