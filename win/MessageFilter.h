// Messages a program running as administrator still takes from the user's ordinary programs
// (Explorer's file drops, its TaskbarCreated broadcast): Windows filters them out otherwise.
#pragma once

#include <windows.h>

#include <initializer_list>

// ChangeWindowMessageFilterEx(hwnd, message, action, nullptr), as found at run time.
using ChangeMessageFilterFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);

// The system's function; null on a Windows without it (Vista and older).
ChangeMessageFilterFunction SystemChangeMessageFilter();

// Lets each message through to hwnd. False when the function is missing or refused one of
// them: harmless, the window then simply does not hear it from lower programs.
bool AllowMessagesFromLowerPrograms(HWND hwnd, std::initializer_list<UINT> messages,
                                    ChangeMessageFilterFunction change = SystemChangeMessageFilter());

// The messages of a file dropped from the shell: WM_DROPFILES, WM_COPYDATA and
// WM_COPYGLOBALDATA (0x0049), which carries the drop's data across.
bool AllowDroppedFilesFromLowerPrograms(HWND hwnd);
